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
    // only changed by an append that succeeded, so it stays as it was. The
    // input window takes the room for the lines of the text before it is
    // appended, so that it shows all of it or the text is refused.
    try {
        QString text;
        QString error;
        if (!ReadInputText(path, InputFileForm::Utf16Le, &text, &error)) {
            m_prompts.Message(error);
            return;
        }
        if (auto *view = qobject_cast<TextView *>(GetDlgItem(IDC_INPUT)))
            view->ReserveForAppend(QStringView(text));
        m_strInput.append(text);
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
