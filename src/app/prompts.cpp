#include "app/prompts.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QMessageBox>

QString ProgramTitle()
{
    return QStringLiteral("TavixTerminal");
}

QString TextFileFilter()
{
    return QStringLiteral("text file(*.txt)|*.txt|Data Files (*.dat)|*.dat|All Files (*.*)|*.*||");
}

QString FileDialogFilter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString name = parts.at(i).trimmed();
        const QString patterns = parts.at(i + 1).trimmed();
        if (name.isEmpty())
            break;
        QString entry = name;
        if (!name.contains(QLatin1Char('(')))
            entry += QStringLiteral(" (") + QString(patterns).replace(QLatin1Char(';'), QLatin1Char(' '))
                     + QLatin1Char(')');
        entries.append(entry);
    }
    return entries.join(QStringLiteral(";;"));
}

void QtPrompts::Message(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, ProgramTitle(), text, QMessageBox::Ok, m_parent);
    box.exec();
}

QString QtPrompts::OpenFileName(const QString &filter)
{
    return QFileDialog::getOpenFileName(m_parent, QString(), QString(), FileDialogFilter(filter));
}

QString QtPrompts::SaveFileName(const QString &filter)
{
    return QFileDialog::getSaveFileName(m_parent, QString(), QString(), FileDialogFilter(filter));
}

void QtPrompts::SetClipboardText(const QString &text)
{
    QApplication::clipboard()->setText(text);
}
