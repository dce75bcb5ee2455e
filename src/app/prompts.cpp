#include "app/prompts.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

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
    // A plain message box: the text as it is, one OK button. Texts keep
    // their own line breaks and are not wrapped again (the help text is
    // hard-wrapped to fit).
    QDialog box(m_parent);
    box.setWindowTitle(ProgramTitle());
    auto *layout = new QVBoxLayout(&box);
    auto *label = new QLabel(text, &box);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(false);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(label);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &box);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    buttons->button(QDialogButtonBox::Ok)->setFocus();
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
