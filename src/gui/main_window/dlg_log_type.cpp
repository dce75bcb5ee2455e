// The log-type selection: the six log-type buttons, and which group of
// graph-variable buttons is shown for the chosen type.
#include "gui/main_window/costrum_dlg.h"

namespace {
const int kLogpVariables[] = {IDC_VAR_BAROMETER, IDC_VAR_VAVG, IDC_VAR_VMAX, IDC_VAR_VMIN,
                              IDC_VAR_STDD,      IDC_VAR_T,    IDC_VAR_DR};
const int kPlainVariables[] = {IDC_LOG_LABEL, IDC_VAR1, IDC_VAR2, IDC_VAR3, IDC_VAR4};
// Index of "T" in group A: a higher index ("T", "DR%") goes back to
// "Barometer" when "QRT 31 Logp" is chosen.
constexpr int kLastVariableOfQrt31 = 4;
} // namespace

void COstrumDlg::ShowLogpVariableButtons()
{
    for (int id : kLogpVariables)
        ShowControl(id, true);
    for (int id : kPlainVariables)
        ShowControl(id, false);
}

void COstrumDlg::ShowPlainVariableButtons()
{
    for (int id : kLogpVariables)
        ShowControl(id, false);
    for (int id : kPlainVariables)
        ShowControl(id, true);
}

void COstrumDlg::WireLogTypeCommands()
{
    OnCommand(IDC_LOG_QRT03_LOGP, &COstrumDlg::OnLogTypeQrt03Logp);
    OnCommand(IDC_LOG_QRT_LOG, &COstrumDlg::OnLogTypeQrtLog);
    OnCommand(IDC_LOG_QRT31_LOGP, &COstrumDlg::OnLogTypeQrt31Logp);
    OnCommand(IDC_LOG_QRT03_PRESSURE, &COstrumDlg::OnLogTypeQrt03Pressure);
    OnCommand(IDC_LOG_QRT_LOG_NO_INTERVAL, &COstrumDlg::OnLogTypeQrtLogNoInterval);
    OnCommand(IDC_LOG_QRT31_PRESSURE, &COstrumDlg::OnLogTypeQrt31Pressure);
}

void COstrumDlg::OnLogTypeQrt03Logp()
{
    ShowLogpVariableButtons();
    UpdateData(true);
}

void COstrumDlg::OnLogTypeQrtLog()
{
    ShowPlainVariableButtons();
    UpdateData(true);
}

void COstrumDlg::OnLogTypeQrt31Logp()
{
    // "QRT 31 Logp" has no draught rating. A checked "T" goes back to
    // "Barometer" too, although the sort accepts "T" for this type.
    ShowLogpVariableButtons();
    ShowControl(IDC_VAR_DR, false);
    UpdateData(true);
    if (m_nLogpVariable > kLastVariableOfQrt31)
        m_nLogpVariable = 0;
    UpdateData(false);
}

void COstrumDlg::OnLogTypeQrt03Pressure()
{
    UpdateData(true);
    ShowControl(IDC_VAR_DR, true);
}

void COstrumDlg::OnLogTypeQrtLogNoInterval()
{
    UpdateData(true);
}

void COstrumDlg::OnLogTypeQrt31Pressure()
{
    UpdateData(true);
}
