// The sort command and the commands of the sorted output: save and clear.
// The sort itself is SortInputText; this file moves its result into the
// dialog's members, shows its message and draws the first graph.
#include "gui/main_window/costrum_dlg.h"

#include "core/io/text_file.h"
#include "core/sorting/sort_command.h"
#include "core/sorting/sorted_output.h"
#include "gui/widgets/my_chart.h"
#include "gui/widgets/prompts.h"
#include "gui/widgets/text_view.h"

#include <new>

void COstrumDlg::WireSortCommands()
{
    OnCommand(IDC_SORT, &COstrumDlg::OnSort);
    OnCommand(IDC_SAVE_SORTED, &COstrumDlg::OnSaveSortedData);
    OnCommand(IDC_CLEAR_SORTED, &COstrumDlg::OnClearSortedData);
    for (int id : {IDC_COPY_SORTED, IDC_TIME, IDC_HOUR})
        OnCommand(id, &COstrumDlg::OnUnusedCommand);
    WireLogTypeCommands();
    WireGraphCommands();
    if (auto *output = qobject_cast<TextView *>(GetDlgItem(IDC_SORTED_OUTPUT)))
        output->SetContextMenuExtension([this](QMenu *menu) { AddExportMenuItems(menu); });
}

void COstrumDlg::OnSort()
{
    // Memory that runs out while sorting ends the command with a message;
    // the input data is never touched by the sort.
    try {
        SortCommand();
    } catch (const std::bad_alloc &) {
        m_prompts.Message(Pick(QStringLiteral("There is not enough memory to sort the input data. The input "
                                              "data is unchanged; please save it and sort a smaller part."),
                               QStringLiteral("内存不足，无法对输入数据排序。输入数据保持不变；"
                                              "请先保存，再对其中较小的一部分排序。")));
    }
}

void COstrumDlg::SortCommand()
{
    // The input text, the three radio indexes and the output as they stand.
    // A failed transfer (an interval that is no number) has shown its
    // message; the bindings the sort reads come before it and were taken.
    UpdateData(true);

    const SortSelection selection{m_nLogType, m_nLogpVariable, m_nPlainVariable};
    SortResult result = SortInputText(m_strInput, selection, AbbreviationTable, m_strSortedOutput);
    // Without a file marker, or past the sort's size limit, nothing changes.
    if (result.status == SortStatus::NoFileMarker || result.status == SortStatus::OutputTooLarge) {
        m_prompts.Message(CurrentMessageTexts().SortFailedText);
        return;
    }

    // The output window indexes the new output before anything changes: when
    // memory runs out there, the sort is refused as a whole.
    if (result.status == SortStatus::Sorted) {
        if (auto *output = qobject_cast<TextView *>(GetDlgItem(IDC_SORTED_OUTPUT)))
            output->PrepareFor(result.sortedOutput);
    }
    m_sortedFiles = std::move(result.sortedFiles);
    // What the graphs computed from the old table no longer holds.
    m_graphCache.Clear();
    m_nGraphIndex = -1;
    m_nFileNumber = result.fileNumber;
    m_bFirstLogEntry = result.firstLogEntry;
    m_nGraphPos = 0;
    m_plainLogFiles = std::move(result.plainLogFiles);
    m_logpFiles = std::move(result.logpFiles);
    if (result.status != SortStatus::Sorted) {
        // The list choice, the field, the output and the graph stay as they
        // were, and the controls are not refreshed.
        m_prompts.Message(CurrentMessageTexts().SortFailedText);
        return;
    }

    // What the export menu items write: the files the new output shows.
    m_exportFiles.clear();
    if (selection.logType <= LogTypeQrt31Logp) {
        for (qint32 index : result.graphList == 1 ? m_logpFiles : m_plainLogFiles)
            m_exportFiles.append(m_sortedFiles.at(index));
    }
    m_nExportLogType = selection.logType;
    m_nGraphList = result.graphList;
    m_nGraphField = result.graphField;
    m_strSortedOutput = std::move(result.sortedOutput);
    m_strGraphLogType = GetDlgItemText(IDC_LOG_QRT03_LOGP + m_nLogType);
    TextReplaced(IDC_SORTED_OUTPUT);
    ShowLogGraph(result.firstIndex);
    UpdateData(false);
}

void COstrumDlg::OnSaveSortedData()
{
    if (!RoomForFileDialog())
        return;
    const QString path = m_prompts.SaveFileName(TextFileFilter());
    // The member's text: the output window is read-only and always shows it.
    if (!path.isEmpty())
        SaveText(path, m_strSortedOutput);
}

void COstrumDlg::OnClearSortedData()
{
    m_strSortedOutput.clear();
    m_exportFiles.clear();
    TextReplaced(IDC_SORTED_OUTPUT);
    if (m_pChart)
        m_pChart->ClearData();
    UpdateData(false);
    // The chart repaints with its axes only.
    update();
    if (m_pChart)
        m_pChart->update();
}

void COstrumDlg::OnUnusedCommand()
{
}
