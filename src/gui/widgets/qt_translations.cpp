#include "gui/widgets/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

QtTranslations::QtTranslations() = default;

QtTranslations::~QtTranslations()
{
    UseChinese(false);
}

QString QtTranslations::Folder()
{
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

bool QtTranslations::UseChinese(bool chinese)
{
    if (!chinese) {
        if (m_installed && QCoreApplication::instance())
            QCoreApplication::removeTranslator(m_translator.get());
        m_installed = false;
        return true;
    }
    if (m_installed)
        return true;
    if (!m_translator) {
        auto translator = std::make_unique<QTranslator>();
        if (!translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                              QStringLiteral("_"), Folder()))
            return false;
        m_translator = std::move(translator);
    }
    m_installed = QCoreApplication::instance() && QCoreApplication::installTranslator(m_translator.get());
    return m_installed;
}
