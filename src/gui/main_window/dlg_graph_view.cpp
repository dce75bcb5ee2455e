// The log graph view: one variable of one entry of the sorted-file table as
// the curve of the chart window, the browse buttons that step through the
// files of the current log kind, and the variable buttons.
#include "gui/main_window/costrum_dlg.h"

#include "core/charts/graph_values.h"
#include "core/charts/log_graph.h"
#include "gui/widgets/graph_object/graph_object.h"
#include "gui/widgets/my_chart.h"
#include "gui/widgets/prompts.h"

#include <QAbstractButton>

namespace {

// The variable buttons and the row field each plots: group A (Logp) from
// "Barometer" to "DR%", group B (plain) from "Var1" to "Var4".
struct VariableButton
{
    int id;
    int field;
};
constexpr VariableButton kVariableButtons[] = {
    {IDC_VAR_BAROMETER, 2}, {IDC_VAR_VAVG, 3}, {IDC_VAR_VMAX, 4}, {IDC_VAR_VMIN, 5},
    {IDC_VAR_STDD, 6},      {IDC_VAR_T, 7},    {IDC_VAR_DR, 8},   {IDC_VAR1, 2},
    {IDC_VAR2, 3},          {IDC_VAR3, 4},     {IDC_VAR4, 5},
};

} // namespace

void COstrumDlg::WireGraphCommands()
{
    OnCommand(IDC_GRAPH_PREVIOUS, &COstrumDlg::OnGraphPrevious);
    OnCommand(IDC_GRAPH_NEXT, &COstrumDlg::OnGraphNext);
    OnCommand(IDC_GRAPH_FIRST, &COstrumDlg::OnGraphFirst);
    OnCommand(IDC_GRAPH_LAST, &COstrumDlg::OnGraphLast);
    OnCommand(IDC_COPY_GRAPH, &COstrumDlg::OnShowFirstTableEntry);
    WireGraphWindow();
    for (const VariableButton &variable : kVariableButtons) {
        if (auto *button = qobject_cast<QAbstractButton *>(GetDlgItem(variable.id))) {
            const int field = variable.field;
            connect(button, &QAbstractButton::clicked, this, [this, field] { OnGraphVariable(field); });
        }
    }
}

void COstrumDlg::ResetGraphs()
{
    if (m_pChart)
        m_pChart->ClearData();
    if (!m_pGraphObject)
        return;
    // Highest number first; a kind other than line counts negative and
    // deletes nothing.
    for (int n = m_pGraphObject->GetSeriesCount(); n >= 1; --n)
        m_pGraphObject->DeleteSeries(n);
    for (int n = m_pGraphObject->GetSegmentCount(); n >= 1; --n)
        m_pGraphObject->DeleteSegment(n);
}

int COstrumDlg::StepGraphFile(int list, int step)
{
    if (list == 0)
        return StepGraphPosition(m_plainLogFiles, step, m_nGraphPos);
    if (list == 1)
        return StepGraphPosition(m_logpFiles, step, m_nGraphPos);
    return -1;
}

void COstrumDlg::ShowLogGraph(int index)
{
    // The chart is cleared even when nothing is drawn below; it is not
    // invalidated then and shows its empty look at its next repaint.
    ResetGraphs();
    if (m_sortedFiles.isEmpty())
        return;
    // The log types that pick no file hand over an index past the table.
    if (index < 0 || index >= m_sortedFiles.size())
        return;
    const LogFileRecord &rec = m_sortedFiles[index];
    // Only row 0 decides whether the variable exists; later rows that lack
    // it plot 0.
    if (!LogGraphHasField(rec, m_nGraphField)) {
        m_prompts.Message(CurrentMessageTexts().InvalidVariableText);
        return;
    }
    if (!m_pChart)
        return;

    // The same filling the command line's --plot draws, kept for the files
    // and variables shown last: browsing back or switching back reuses it.
    if (const ChartModel *kept = m_graphCache.FindChart(index, m_nGraphField, m_pChart->ChartRectangle())) {
        static_cast<ChartModel &>(*m_pChart) = *kept;
    } else {
        FillLogGraph(*m_pChart, rec, m_nGraphField);
        m_graphCache.StoreChart(index, m_nGraphField, *m_pChart);
    }
    const bool sameFile = index == m_nGraphIndex;
    m_nGraphIndex = index;
    UpdateGraphWindow(sameFile);

    // The dialog does not clip its children: invalidating it repaints the chart.
    update();
    m_pChart->update();
    if (m_pGraphObject) {
        m_pGraphObject->Invalidate(true);
        m_pGraphObject->SetAnimation(1, 30);
    }
}

void COstrumDlg::OnGraphPrevious()
{
    const int t = StepGraphFile(m_nGraphList, GraphStepPrevious);
    if (t != -1)
        ShowLogGraph(t);
}

void COstrumDlg::OnGraphNext()
{
    const int t = StepGraphFile(m_nGraphList, GraphStepNext);
    if (t != -1)
        ShowLogGraph(t);
}

void COstrumDlg::OnGraphFirst()
{
    const int t = StepGraphFile(m_nGraphList, GraphStepFirst);
    if (t != -1)
        ShowLogGraph(t);
}

void COstrumDlg::OnGraphLast()
{
    const int t = StepGraphFile(m_nGraphList, GraphStepLast);
    if (t != -1)
        ShowLogGraph(t);
}

void COstrumDlg::OnGraphVariable(int field)
{
    // The checked buttons of both groups go into their members, which the
    // next sort reads.
    UpdateData(true);
    m_nGraphField = field;
    const int t = StepGraphFile(m_nGraphList, GraphStepCurrent);
    if (t != -1)
        ShowLogGraph(t);
}

void COstrumDlg::OnShowFirstTableEntry()
{
    ShowLogGraph(0);
}
