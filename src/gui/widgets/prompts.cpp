#include "gui/widgets/prompts.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontMetrics>
#include <QImage>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
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

namespace {

// What the window frame and title bar add around a box's client area; the
// box's client area stays this much inside the room it is given.
constexpr int kFrameAllowanceWidth = 16;
constexpr int kFrameAllowanceHeight = 48;

QLabel *MessageLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(false);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setContentsMargins(8, 8, 8, 8);
    return label;
}

// Width and height of the text set in font, line by line, without
// wrapping; the widest line gives the width.
QSize PlainTextExtent(const QString &text, const QFontMetrics &metrics)
{
    int width = 0;
    qsizetype lines = 0;
    for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        width = qMax(width, metrics.horizontalAdvance(line.toString()));
        ++lines;
    }
    const qint64 height = qint64(lines) * metrics.lineSpacing();
    return QSize(width, int(qMin<qint64>(height, QWIDGETSIZE_MAX)));
}

} // namespace

QSize MessageBoxRoom(QWidget *parent)
{
    QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry().size() : QSize(640, 480);
}

std::unique_ptr<QDialog> BuildMessageBox(const QString &text, const QSize &room, QWidget *parent)
{
    auto box = std::make_unique<QDialog>(parent);
    box->setWindowTitle(ProgramTitle());
    auto *layout = new QVBoxLayout(box.get());
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, box.get());
    QObject::connect(buttons, &QDialogButtonBox::accepted, box.get(), &QDialog::accept);

    const QSize limit(qMax(room.width() - kFrameAllowanceWidth, 120),
                      qMax(room.height() - kFrameAllowanceHeight, 120));
    const QMargins margins = layout->contentsMargins();
    const int chromeWidth = margins.left() + margins.right();
    const int chromeHeight = margins.top() + margins.bottom() + layout->spacing() + buttons->sizeHint().height();
    const QSize textRoom(limit.width() - chromeWidth, limit.height() - chromeHeight);

    // The label is made only for a text whose plain extent fits; its own
    // size hint, margins included, then decides.
    const QFontMetrics metrics(box->font());
    const QSize extent = PlainTextExtent(text, metrics);
    const auto fits = [&textRoom](const QSize &size) {
        return size.width() <= textRoom.width() && size.height() <= textRoom.height();
    };
    QLabel *label = nullptr;
    if (fits(extent)) {
        label = MessageLabel(text, box.get());
        if (!fits(label->sizeHint())) {
            delete label;
            label = nullptr;
        }
    }
    if (label) {
        // A plain message box: the text as it is, one OK button. Texts keep
        // their own line breaks and are not wrapped again (the help text is
        // hard-wrapped to fit).
        layout->addWidget(label);
        layout->addWidget(buttons);
        layout->setSizeConstraint(QLayout::SetFixedSize);
    } else {
        // Too large for the screen: the same text in a view that scrolls,
        // in a box no larger than the room.
        auto *view = new QPlainTextEdit(box.get());
        view->setReadOnly(true);
        view->setLineWrapMode(QPlainTextEdit::NoWrap);
        view->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        view->setFrameShape(QFrame::NoFrame);
        view->setBackgroundVisible(false);
        QPalette palette = view->palette();
        palette.setColor(QPalette::Base, box->palette().color(QPalette::Window));
        view->setPalette(palette);
        view->setPlainText(text);
        layout->addWidget(view);
        layout->addWidget(buttons);
        const int scrollBar = view->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        const QSize wanted(qMin(extent.width() + 2 * metrics.averageCharWidth() + scrollBar, textRoom.width()),
                           qMin(extent.height() + metrics.lineSpacing() + scrollBar, textRoom.height()));
        view->setMinimumSize(qMin(wanted.width(), 200), qMin(wanted.height(), 100));
        box->setMaximumSize(limit);
        box->resize(wanted + QSize(chromeWidth, chromeHeight));
    }
    buttons->button(QDialogButtonBox::Ok)->setFocus();
    return box;
}

void QtPrompts::Message(const QString &text)
{
    const std::unique_ptr<QDialog> box = BuildMessageBox(text, MessageBoxRoom(m_parent), m_parent);
    box->exec();
}

void QtPrompts::Notice(const QString &text)
{
    if (m_notice)
        m_notice->close();
    std::unique_ptr<QDialog> box = BuildMessageBox(text, MessageBoxRoom(m_parent), m_parent);
    box->setWindowModality(Qt::NonModal);
    // OK, Escape and the close box all end in finished; the box goes then.
    QObject::connect(box.get(), &QDialog::finished, box.get(), &QObject::deleteLater);
    m_notice = box.release();
    m_notice->show();
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

std::unique_ptr<QMessageBox> BuildSaveQuestionBox(const QString &text, QWidget *parent)
{
    // The buttons' captions are Qt's own, so they follow the translations
    // the program has loaded for the language chosen.
    auto box = std::make_unique<QMessageBox>(QMessageBox::Question, ProgramTitle(), text,
                                             QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                                             parent);
    box->setDefaultButton(QMessageBox::Save);
    box->setEscapeButton(QMessageBox::Cancel);
    return box;
}

Prompts::SaveAnswer QtPrompts::AskSaveDiscardCancel(const QString &text)
{
    switch (BuildSaveQuestionBox(text, m_parent)->exec()) {
    case QMessageBox::Save:
        return SaveAnswer::Save;
    case QMessageBox::Discard:
        return SaveAnswer::Discard;
    default:
        return SaveAnswer::Cancel;
    }
}

void Prompts::SetClipboardImage(const QImage &image)
{
    QGuiApplication::clipboard()->setImage(image);
}
