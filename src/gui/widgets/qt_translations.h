// Qt's own texts in the window's language: the file dialogs and the buttons
// of message boxes come from Qt, which translates them from its catalogue
// files. While Chinese is chosen, Qt's Chinese catalogue (qtbase_zh_CN.qm
// in Qt's translations folder; Debian's package qt6-translations-l10n) is
// installed; otherwise none is, and Qt speaks English.
#ifndef TAVIX_GUI_WIDGETS_QT_TRANSLATIONS_H
#define TAVIX_GUI_WIDGETS_QT_TRANSLATIONS_H

#include <QString>

#include <memory>

class QTranslator;

class QtTranslations
{
public:
    QtTranslations();
    ~QtTranslations();
    QtTranslations(const QtTranslations &) = delete;
    QtTranslations &operator=(const QtTranslations &) = delete;

    // Installs Qt's Chinese catalogue (chinese) or removes it (English).
    // False when Chinese is asked for and the catalogue cannot be loaded
    // (not installed): Qt's texts then stay English.
    bool UseChinese(bool chinese);
    bool IsChineseInstalled() const { return m_installed; }

    // The folder the catalogue is looked for in: Qt's translations folder.
    static QString Folder();

private:
    std::unique_ptr<QTranslator> m_translator;
    bool m_installed = false;
};

#endif
