// The log-type selection: which group of graph-variable buttons is shown.
#include "app/costrum_dlg.h"

namespace {
const int kLogpVariables[] = {1084, 1055, 1056, 1057, 1058, 1059, 1060};
const int kPlainVariables[] = {1061, 1063, 1064, 1082, 1083};
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
