// The log-type selection: the six log-type buttons, and which group of
// graph-variable buttons is shown for the chosen type.
#include "gui/main_window/costrum_dlg.h"

namespace {
const int kLogpVariables[] = {1084, 1055, 1056, 1057, 1058, 1059, 1060};
const int kPlainVariables[] = {1061, 1063, 1064, 1082, 1083};
constexpr int kDraughtRatingButton = 1060;
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
    OnCommand(1043, &COstrumDlg::OnLogTypeQrt03Logp);
    OnCommand(1044, &COstrumDlg::OnLogTypeQrtLog);
    OnCommand(1045, &COstrumDlg::OnLogTypeQrt31Logp);
    OnCommand(1046, &COstrumDlg::OnLogTypeQrt03Pressure);
    OnCommand(1047, &COstrumDlg::OnLogTypeQrtLogNoInterval);
    OnCommand(1048, &COstrumDlg::OnLogTypeQrt31Pressure);
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
    ShowControl(kDraughtRatingButton, false);
    UpdateData(true);
    if (m_nLogpVariable > kLastVariableOfQrt31)
        m_nLogpVariable = 0;
    UpdateData(false);
}

void COstrumDlg::OnLogTypeQrt03Pressure()
{
    UpdateData(true);
    ShowControl(kDraughtRatingButton, true);
}

void COstrumDlg::OnLogTypeQrtLogNoInterval()
{
    UpdateData(true);
}

void COstrumDlg::OnLogTypeQrt31Pressure()
{
    UpdateData(true);
}
