// The commands of the input area: clear, save, open (append), copy to the
// clipboard and the Auto Scroll switch. Input data files are the two bytes
// FF FE followed by the text as UTF-16 little-endian code units.
#include "app/costrum_dlg.h"

#include "app/prompts.h"
#include "app/text_window.h"
#include "locale/text_file.h"

#include <QDir>
#include <QFile>

#include <new>

namespace {

constexpr int kInputWindow = 1031;

} // namespace

bool COstrumDlg::ReadInputFile(const QString &path, QByteArray *bytes, QString *errorText)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *errorText = QStringLiteral("Cannot open file %1: %2").arg(path, file.errorString());
        return false;
    }
    const qint64 length = file.size();
    if (length > kMaxInputFileBytes) {
        *errorText = QStringLiteral("Cannot read file %1: it holds %2 bytes, more than the %3 bytes "
                                    "that can be held as text")
                         .arg(path)
                         .arg(length)
                         .arg(kMaxInputFileBytes);
        return false;
    }
    *bytes = file.read(length);
    if (bytes->size() != length || file.error() != QFileDevice::NoError) {
        const QString reason = file.error() != QFileDevice::NoError
            ? file.errorString()
            : QStringLiteral("only %1 of its %2 bytes could be read").arg(bytes->size()).arg(length);
        *errorText = QStringLiteral("Cannot read file %1: %2").arg(path, reason);
        bytes->clear();
        return false;
    }
    return true;
}

QString COstrumDlg::InputTextFromFileBytes(const QByteArray &bytes)
{
    // Every whole code unit, little-endian; an odd last byte is dropped and
    // a leading byte-order mark stays as U+FEFF.
    const qsizetype units = bytes.size() / 2;
    QString text(units, Qt::Uninitialized);
    QChar *out = text.data();
    const auto *in = reinterpret_cast<const uchar *>(bytes.constData());
    for (qsizetype i = 0; i < units; ++i)
        out[i] = QChar(static_cast<char16_t>(in[2 * i] | (in[2 * i + 1] << 8)));
    return text;
}

void COstrumDlg::ScrollInputToEnd()
{
    if (auto *window = qobject_cast<TextWindow *>(GetDlgItem(kInputWindow)))
        window->ScrollToEnd();
}

void COstrumDlg::OnClearInput()
{
    m_strInput.clear();
    UpdateData(false);
}

void COstrumDlg::OnSaveInput()
{
    const QString path = m_prompts.SaveFileName(TextFileFilter());
    if (path.isEmpty())
        return;
    QString error;
    if (!WriteFileBytes(path, Utf16LeWithBom(m_strInput), &error))
        m_prompts.Message(error);
}

void COstrumDlg::OnOpenInput()
{
    const QString path = m_prompts.OpenFileName(TextFileFilter());
    if (path.isEmpty())
        return;
    // A file too large for the memory left is refused; the input text is
    // only changed by an append that succeeded, so it stays as it was.
    try {
        QByteArray bytes;
        QString error;
        if (!ReadInputFile(path, &bytes, &error)) {
            m_prompts.Message(error);
            return;
        }
        m_strInput.append(InputTextFromFileBytes(bytes));
    } catch (const std::bad_alloc &) {
        m_prompts.Message(QStringLiteral("There is not enough memory to open the file %1. The input data "
                                         "is unchanged.")
                              .arg(QDir::toNativeSeparators(path)));
        return;
    }
    UpdateData(false);
    if (m_nAutoScroll == 0)
        ScrollInputToEnd();
}

void COstrumDlg::OnCopyInput()
{
    // The member as it is, without a transfer in: the window never changes it.
    m_prompts.SetClipboardText(m_strInput);
}

void COstrumDlg::OnAutoScroll()
{
    // The button shows checked exactly while the value is 0 (auto scroll on).
    m_nAutoScroll = m_nAutoScroll == 0 ? 1 : 0;
    UpdateData(false);
}
