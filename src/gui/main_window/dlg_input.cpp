// The commands of the input area: clear, save, open (append), copy to the
// clipboard and the Auto Scroll switch. Input data files are the two bytes
// FF FE followed by the text as UTF-16 little-endian code units.
#include "gui/main_window/costrum_dlg.h"

#include "core/io/text_file.h"
#include "core/sorting/input_file.h"
#include "gui/widgets/prompts.h"
#include "gui/widgets/text_view.h"

#include <QDir>
#include <QFile>

#include <new>

void COstrumDlg::ScrollInputToEnd()
{
    if (auto *view = qobject_cast<TextView *>(GetDlgItem(IDC_INPUT)))
        view->ScrollToEnd();
}

void COstrumDlg::TextAppended(int id, qsizetype characters)
{
    if (auto *view = qobject_cast<TextView *>(GetDlgItem(id)))
        view->TextAppended(characters);
}

void COstrumDlg::TextReplaced(int id)
{
    if (auto *view = qobject_cast<TextView *>(GetDlgItem(id)))
        view->TextReplaced();
}

void COstrumDlg::OnClearInput()
{
    // Cleared text is nothing to lose at the end.
    m_strInput.clear();
    TextReplaced(IDC_INPUT);
    m_bInputUnsaved = false;
    UpdateData(false);
}

void COstrumDlg::OnSaveInput()
{
    const QString path = m_prompts.SaveFileName(TextFileFilter());
    if (path.isEmpty())
        return;
    // Streamed from the text itself: a capture that fills most of the memory
    // is saved without a second copy of it.
    QString error;
    if (!SaveTextFile(path, m_strInput, &error)) {
        m_prompts.Message(FileFailureText(path, error, true));
        return;
    }
    m_bInputUnsaved = false;
}

void COstrumDlg::OnOpenInput()
{
    const QString path = m_prompts.OpenFileName(TextFileFilter());
    if (path.isEmpty())
        return;
    // A named pipe or a device would keep the window waiting for a writer
    // or reading without end: it is refused.
    if (IsStreamPath(path)) {
        m_prompts.Message(Texts().Pick(
            QStringLiteral("%1 is a named pipe or a device, not a file; the window does not wait to read it. "
                           "The input data is unchanged.")
                .arg(QDir::toNativeSeparators(path)),
            QStringLiteral("%1 是命名管道或设备，不是文件；窗口不会等待读取它。输入数据未改变。")
                .arg(QDir::toNativeSeparators(path))));
        return;
    }
    // A file too large for the memory left is refused; the input text is
    // only changed by an append that succeeded, so it stays as it was. The
    // input window takes the room for the lines of the text before it is
    // appended, so that it shows all of it or the text is refused.
    try {
        QString text;
        QString error;
        if (!ReadInputText(path, InputFileForm::Utf16Le, &text, &error)) {
            m_prompts.Message(FileFailureText(path, error, false));
            return;
        }
        if (auto *view = qobject_cast<TextView *>(GetDlgItem(IDC_INPUT)))
            view->ReserveForAppend(QStringView(text));
        // A file opened into an empty window is that file; appended to
        // other text, the whole is in no file.
        if (!m_strInput.isEmpty() && !text.isEmpty())
            m_bInputUnsaved = true;
        m_strInput.append(text);
        TextAppended(IDC_INPUT, text.size());
    } catch (const std::bad_alloc &) {
        m_prompts.Message(Pick(QStringLiteral("There is not enough memory to open the file %1. The input data "
                                              "is unchanged."),
                               QStringLiteral("内存不足，无法打开文件 %1。输入数据保持不变。"))
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
