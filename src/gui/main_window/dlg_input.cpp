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
#include <QFileInfo>

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

qsizetype COstrumDlg::InputRoom() const
{
    return qMax<qsizetype>(0, kMaxCapturedCharacters - m_strInput.size());
}

void COstrumDlg::NoteInputLength(bool cut, bool keptInBackup)
{
    // Told without stopping the poll: the capture goes on meanwhile.
    if ((m_strInput.size() < kCaptureWarningCharacters || m_bInputLimitWarned) && (!cut || m_bInputFullReported))
        return;
    const QString held = QString::number(m_strInput.size());
    const QString most = QString::number(kMaxCapturedCharacters);
    if (m_strInput.size() >= kCaptureWarningCharacters && !m_bInputLimitWarned && !cut) {
        m_bInputLimitWarned = true;
        m_prompts.Notice(Pick(QStringLiteral("The input window holds %1 characters; it takes at most %2 from the "
                                             "instrument,\nso that the saved input data can be opened again. Please "
                                             "save the input data and clear it soon.")
                                  .arg(held, most),
                              QStringLiteral("输入窗口已有 %1 个字符；它最多从仪器接收 %2 个字符，\n以便保存的输入数据"
                                             "能再次打开。请尽快保存并清空输入数据。")
                                  .arg(held, most)));
    }
    if (!cut || m_bInputFullReported)
        return;
    m_bInputFullReported = true;
    m_bInputLimitWarned = true;
    if (keptInBackup) {
        const QString backup = QDir::toNativeSeparators(m_logFile.fileName());
        m_prompts.Notice(Pick(QStringLiteral("The input window is full: it holds %1 characters, the most it takes "
                                             "from the instrument.\nLogging goes on: the backup file \"%2\" keeps "
                                             "everything received, also what the window no longer shows.\nSave the "
                                             "input data and clear it to see new data in the window.")
                                  .arg(held, backup),
                              QStringLiteral("输入窗口已满：它已有 %1 个字符，这是它从仪器接收的最大数量。\n记录继续："
                                             "备份文件“%2”保存全部已接收的数据，包括窗口不再显示的数据。\n"
                                             "保存并清空输入数据后，窗口将再显示新数据。")
                                  .arg(held, backup)));
    } else {
        m_prompts.Notice(Pick(QStringLiteral("The input window is full: it holds %1 characters, the most it takes "
                                             "from the instrument.\nEverything received so far is kept; what the "
                                             "instrument sends now waits in the driver, whose buffer is small.\n"
                                             "Please save the input data and clear it, then reception goes on.")
                                  .arg(held),
                              QStringLiteral("输入窗口已满：它已有 %1 个字符，这是它从仪器接收的最大数量。\n已接收的数据"
                                             "全部保留；仪器现在发送的数据在驱动程序中等待，而其缓冲区很小。\n"
                                             "请保存并清空输入数据，之后接收将继续。")
                                  .arg(held)));
    }
}

void COstrumDlg::OnClearInput()
{
    // Cleared text is nothing to lose at the end.
    m_strInput.clear();
    m_bInputLimitWarned = false;
    m_bInputFullReported = false;
    TextReplaced(IDC_INPUT);
    m_bInputUnsaved = false;
    m_strInputFileName.clear();
    UpdateData(false);
}

bool COstrumDlg::RoomForFileDialog()
{
    if (MemoryReserve::CanAllocate(std::size_t(m_prompts.FileDialogMemory())))
        return true;
    TellOutOfMemory(Pick(QStringLiteral("There is not enough memory to show the file dialog.\nNothing was saved or "
                                        "opened; the data in the window is unchanged.\nPlease close other programs "
                                        "or free memory, then try again."),
                         QStringLiteral("内存不足，无法显示文件对话框。\n未保存或打开任何文件；窗口中的数据未改变。\n"
                                        "请关闭其他程序或释放内存，然后重试。")));
    return false;
}

bool COstrumDlg::SaveText(const QString &path, QStringView text)
{
    // Streamed from the text itself: a capture that fills most of the memory
    // is saved without a second copy of it.
    SaveFailure failure;
    try {
        if (SaveTextFile(path, text, &failure))
            return true;
    } catch (const std::bad_alloc &) {
        TellOutOfMemory(Pick(QStringLiteral("There is not enough memory to save the file %1.\nThe data stays in "
                                            "the window; please free memory and save again."),
                             QStringLiteral("内存不足，无法保存文件 %1。\n数据仍保留在窗口中；请释放内存后再保存。"))
                            .arg(QDir::toNativeSeparators(path)));
        return false;
    }
    m_prompts.Message(SaveFailureText(path, failure));
    return false;
}

void COstrumDlg::TellOutOfMemory(const QString &text)
{
    m_memoryReserve.Release();
    m_prompts.Message(text);
    m_memoryReserve.Retake();
}

void COstrumDlg::OnSaveInput()
{
    if (!RoomForFileDialog())
        return;
    const QString path = m_prompts.SaveFileName(TextFileFilter());
    if (path.isEmpty() || !SaveText(path, m_strInput))
        return;
    m_bInputUnsaved = false;
}

void COstrumDlg::OnOpenInput()
{
    if (!RoomForFileDialog())
        return;
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
    // appended, so that it shows all of it or the text is refused. Into an
    // empty window the file is read straight into the input text: the text
    // is never held twice.
    const bool empty = m_strInput.isEmpty();
    // The window holds at most kMaxInputCharacters: a file that would take
    // it past them is refused, before it is read when its length tells.
    const auto tooMany = [&](qint64 characters) {
        if (empty || m_strInput.size() + characters <= kMaxInputCharacters)
            return false;
        const QString name = QDir::toNativeSeparators(path);
        m_prompts.Message(Pick(QStringLiteral("The file %1 holds %2 characters; after the %3 the input window "
                                              "holds, that is more than the %4 it can hold.\nThe input data is "
                                              "unchanged; save it and clear it, then open the file.")
                                   .arg(name)
                                   .arg(characters)
                                   .arg(m_strInput.size())
                                   .arg(kMaxInputCharacters),
                               QStringLiteral("文件 %1 有 %2 个字符；加上输入窗口已有的 %3 个字符，超过了它最多能容纳的 "
                                              "%4 个字符。\n输入数据未改变；请先保存并清空，再打开该文件。")
                                   .arg(name)
                                   .arg(characters)
                                   .arg(m_strInput.size())
                                   .arg(kMaxInputCharacters)));
        return true;
    };
    // (A file past the read limit is refused for that, by the reading.)
    const qint64 length = QFileInfo(path).size();
    if (length <= kMaxInputFileBytes && tooMany(length / 2))
        return;
    try {
        QString appended;
        QString &read = empty ? m_strInput : appended;
        QString error;
        if (!ReadInputText(path, InputFileForm::Utf16Le, &read, &error)) {
            m_prompts.Message(FileFailureText(path, error, false));
            return;
        }
        if (tooMany(appended.size()))
            return;
        try {
            if (auto *view = qobject_cast<TextView *>(GetDlgItem(IDC_INPUT)))
                view->ReserveForAppend(QStringView(read));
        } catch (const std::bad_alloc &) {
            if (empty)
                m_strInput = QString();
            throw;
        }
        // A file opened into an empty window is that file; appended to
        // other text, the whole is in no file.
        if (!empty && !appended.isEmpty())
            m_bInputUnsaved = true;
        m_strInputFileName = empty ? path : QString();
        if (!empty)
            m_strInput.append(appended);
        TextAppended(IDC_INPUT, read.size());
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
