#include "gui/dialog/dialog_template.h"

#include <iterator>

namespace {

using K = ControlKind;
constexpr unsigned RO = FlagReadOnly;
constexpr unsigned LABEL = FlagReadOnly | FlagBorderless;
constexpr unsigned GRP = FlagGroupStart;

// Template order matters: radio groups are the radio buttons that follow a
// group start, and it is the tab order. Positions not fixed by the instrument
// program's own layout (language box, sort area, sorted output, graph area)
// use the free space right of the left-hand column and around the chart
// (pixels (388, 350)-(848, 642), about 259..565 x 215..395 dialog units).
const ControlTemplate kMainControls[] = {
    // Device area
    {IDC_DEVICE_GROUP, K::GroupBox, u"Open devices", 6, 1, 204, 77, FlagNone, nullptr},
    {IDC_SEARCH, K::PushButton, u"Search", 12, 11, 29, 14, FlagNone, nullptr},
    {IDC_OPEN, K::PushButton, u"Open", 47, 11, 30, 14, FlagNone, nullptr},
    {IDC_STATUS, K::Edit, u"", 84, 11, 102, 14, RO, u"Status"},
    {IDC_DEVICE_TEXT, K::Edit, u"", 50, 11, 136, 14, FlagNone, u"Device"},
    {IDC_OPEN_LABEL, K::Edit, u"", 12, 12, 32, 12, LABEL, nullptr},
    {IDC_MODE_DESCRIPTION, K::RadioButton, u"Description", 41, 13, 47, 10, GRP, nullptr},
    {IDC_MODE_SERIAL, K::RadioButton, u"Serial Number ", 91, 13, 57, 10, FlagNone, nullptr},
    {IDC_MODE_NUMBER, K::RadioButton, u"Dev #", 145, 13, 44, 10, FlagNone, nullptr},
    {IDC_HIDDEN_DEVICE_LIST, K::ListBox, u"", 12, 30, 180, 43, FlagNotVisible | FlagNotify | GRP, u"Devices"},

    // Input area
    {IDC_INPUT_GROUP, K::GroupBox, u"Input data from Tavix instrument", 6, 78, 204, 272, FlagNone, nullptr},
    {IDC_CLEAR_INPUT, K::PushButton, u"Clear input data", 12, 90, 66, 13, FlagNone, nullptr},
    {IDC_SAVE_INPUT, K::PushButton, u"Save input data", 120, 90, 66, 13, FlagNone, nullptr},
    {IDC_OPEN_INPUT, K::PushButton, u"Open input data", 12, 107, 66, 13, FlagNone, nullptr},
    {IDC_COPY_INPUT, K::PushButton, u"Copy to clipboard", 120, 107, 66, 13, FlagNone, nullptr},
    {IDC_TRANSLATE_KEYWORDS, K::PushButton, u"Translate keywords into chinese and save", 24, 112, 150, 13, FlagNone, nullptr},
    {IDC_DATA_LABEL, K::Edit, u"", 14, 123, 47, 12, LABEL, nullptr},
    {IDC_AUTO_SCROLL, K::RadioButton, u"Auto Scroll", 105, 126, 86, 10, GRP, nullptr},
    {IDC_INPUT, K::Edit, u"", 12, 136, 192, 196, RO | FlagMultiLine | FlagBothScrollBars | GRP, u"Input data"},
    {IDC_INFO_VALUE, K::Edit, u"", 12, 333, 43, 14, RO, u"Info value"},
    {IDC_CHARS_LABEL, K::Edit, u"", 58, 334, 40, 12, LABEL, nullptr},

    // Display-value logging
    {IDC_LOGGING_GROUP, K::GroupBox, u"Read display data by sending space", 6, 396, 204, 30, FlagNone, nullptr},
    {IDC_LOGGING, K::PushButton, u"Start Logging", 12, 409, 72, 12, FlagNone, nullptr},
    {IDC_INTERVAL_LABEL, K::Edit, u"", 98, 409, 46, 12, LABEL, nullptr},
    {IDC_INTERVAL, K::Edit, u"", 155, 407, 30, 14, FlagCentered, u"Interval"},

    // Language
    {IDC_LANGUAGE_GROUP, K::GroupBox, u"Language selection", 216, 1, 148, 32, FlagNone, nullptr},
    {IDC_LANGUAGE_LABEL, K::Edit, u"", 222, 15, 62, 12, LABEL, nullptr},
    {IDC_LANGUAGE, K::DropDownList, u"", 286, 13, 72, 60, FlagNone, u"Language"},

    // Top row
    {IDC_HELP, K::PushButton, u"Help", 371, 12, 50, 18, FlagNone, nullptr},
    {IDC_SEND_PROGRAM, K::PushButton, u"Send Program", 427, 12, 84, 18, FlagNone, nullptr},
    {IDOK_EXIT, K::PushButton, u"EXIT", 516, 12, 49, 18, FlagDefaultButton, nullptr},

    // Log type and sort
    {IDC_SORT_GROUP, K::GroupBox, u"Sort data from Tavix3000", 216, 36, 358, 58, FlagNone, nullptr},
    {IDC_LOG_QRT03_LOGP, K::RadioButton, u"QRT 03 Logp", 224, 48, 80, 10, GRP, nullptr},
    {IDC_LOG_QRT_LOG, K::RadioButton, u"QRT Log", 224, 61, 80, 10, FlagNone, nullptr},
    {IDC_LOG_QRT31_LOGP, K::RadioButton, u"QRT 31 Logp", 224, 74, 80, 10, FlagNone, nullptr},
    {IDC_LOG_QRT03_PRESSURE, K::RadioButton, u"QRT 03 Logp pressure setup", 310, 48, 110, 10, FlagNone, nullptr},
    {IDC_LOG_QRT_LOG_NO_INTERVAL, K::RadioButton, u"QRT Log no interval", 310, 61, 110, 10, FlagNone, nullptr},
    {IDC_LOG_QRT31_PRESSURE, K::RadioButton, u"QRT 31 Logp pressure setup", 310, 74, 110, 10, FlagNone, nullptr},
    {IDC_LOG_START_LABEL, K::Edit, u"", 424, 46, 70, 12, LABEL | GRP, nullptr},
    {IDC_LOG_START_DATE, K::DateTimePicker, u"", 424, 59, 70, 14, FlagNone, u"Log start date"},
    {IDC_LOG_START_TIME, K::DateTimePicker, u"", 424, 75, 70, 14, FlagNone, u"Log start time"},
    {IDC_SORT, K::PushButton, u"Sort", 510, 55, 56, 18, FlagNone, nullptr},

    // Sorted output
    {IDC_SORTED_GROUP, K::GroupBox, u"Sorted output data from TavixAir300", 216, 96, 358, 112, FlagNone, nullptr},
    {IDC_SORTED_OUTPUT, K::Edit, u"", 222, 107, 270, 96, RO | FlagMultiLine | FlagBothScrollBars, u"Sorted output"},
    {IDC_SAVE_SORTED, K::PushButton, u"Save sorted data", 498, 107, 70, 14, FlagNone, nullptr},
    {IDC_COPY_SORTED, K::PushButton, u"Copy to clipboard", 498, 125, 70, 14, FlagNone, nullptr},
    {IDC_CLEAR_SORTED, K::PushButton, u"Clear sorted data", 498, 143, 70, 14, FlagNone, nullptr},

    // Log graph: browse buttons left of the chart, variable groups below it
    {IDC_GRAPH_GROUP, K::GroupBox, u"TavixAir 300 Log Graph", 216, 210, 358, 232, FlagNone, nullptr},
    {IDC_GRAPH_FIRST, K::PushButton, u"<<", 220, 220, 34, 14, FlagNone, nullptr},
    {IDC_GRAPH_PREVIOUS, K::PushButton, u"<-", 220, 238, 34, 14, FlagNone, nullptr},
    {IDC_GRAPH_NEXT, K::PushButton, u"->", 220, 256, 34, 14, FlagNone, nullptr},
    {IDC_GRAPH_LAST, K::PushButton, u">>", 220, 274, 34, 14, FlagNone, nullptr},
    {IDC_TIME_GROUP, K::GroupBox, u"", 216, 296, 40, 36, FlagNone, nullptr},
    {IDC_TIME, K::RadioButton, u"Time", 220, 306, 34, 10, GRP, nullptr},
    {IDC_HOUR, K::RadioButton, u"Hour", 220, 318, 34, 10, FlagNone, nullptr},
    {IDC_SAVE_GRAPH, K::PushButton, u"Save graph", 218, 338, 38, 14, GRP, nullptr},
    {IDC_COPY_GRAPH, K::PushButton, u"Copy to clipboard", 218, 356, 38, 14, FlagNone, nullptr},
    {IDC_VAR_BAROMETER, K::RadioButton, u"Barometer", 262, 401, 52, 10, GRP, nullptr},
    {IDC_VAR_VAVG, K::RadioButton, u"Vavg", 316, 401, 34, 10, FlagNone, nullptr},
    {IDC_VAR_VMAX, K::RadioButton, u"Vmax", 352, 401, 34, 10, FlagNone, nullptr},
    {IDC_VAR_VMIN, K::RadioButton, u"Vmin", 388, 401, 34, 10, FlagNone, nullptr},
    {IDC_VAR_STDD, K::RadioButton, u"StdD", 424, 401, 34, 10, FlagNone, nullptr},
    {IDC_VAR_T, K::RadioButton, u"T", 460, 401, 24, 10, FlagNone, nullptr},
    {IDC_VAR_DR, K::RadioButton, u"DR%", 486, 401, 34, 10, FlagNone, nullptr},
    {IDC_LOG_LABEL, K::Edit, u"", 262, 415, 28, 12, LABEL | GRP, nullptr},
    {IDC_VAR1, K::RadioButton, u"Var1", 292, 416, 34, 10, GRP, nullptr},
    {IDC_VAR2, K::RadioButton, u"Var2", 328, 416, 34, 10, FlagNone, nullptr},
    {IDC_VAR3, K::RadioButton, u"Var3", 364, 416, 34, 10, FlagNone, nullptr},
    {IDC_VAR4, K::RadioButton, u"Var4", 400, 416, 34, 10, FlagNone, nullptr},
};

const DialogTemplate kMainDialog = {
    IDD_MAIN, u"TavixTerminal  2.0", 580, 444, std::span<const ControlTemplate>(kMainControls),
};

const ControlTemplate kAboutControls[] = {
    {IDC_ABOUT_ICON, K::Icon, u"", 11, 17, 20, 20, FlagNone, u"TavixTerminal icon"},
    // The version line and the maker's notice come from the About texts.
    {IDC_ABOUT_VERSION, K::StaticText, u"", 40, 10, 119, 8, FlagNone, nullptr},
    {IDC_ABOUT_NOTICE, K::StaticText, u"", 40, 25, 150, 8, FlagNone, nullptr},
    {IDOK_ABOUT, K::PushButton, u"OK", 178, 7, 50, 16, FlagDefaultButton | GRP, nullptr},
};

const DialogTemplate kAboutDialog = {
    IDD_ABOUT, u"", 235, 55, std::span<const ControlTemplate>(kAboutControls),
};

int MulDivRound(int value, int numerator, int denominator)
{
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator
                                         : -((-product + half) / denominator));
}

} // namespace

const DialogTemplate &MainDialogTemplate()
{
    return kMainDialog;
}

const DialogTemplate &AboutDialogTemplate()
{
    return kAboutDialog;
}

const ControlTemplate *FindControl(const DialogTemplate &dialog, int id)
{
    for (const ControlTemplate &control : dialog.controls) {
        if (control.id == id)
            return &control;
    }
    return nullptr;
}

QList<int> RadioGroup(const DialogTemplate &dialog, int leaderId)
{
    QList<int> ids;
    bool inGroup = false;
    for (const ControlTemplate &control : dialog.controls) {
        if (!inGroup) {
            if (control.id == leaderId && control.kind == ControlKind::RadioButton) {
                inGroup = true;
                ids.append(control.id);
            }
            continue;
        }
        if (control.kind != ControlKind::RadioButton || (control.flags & FlagGroupStart))
            break;
        ids.append(control.id);
    }
    return ids;
}

int StepInRadioGroup(const QList<bool> &reachable, int from, bool forward)
{
    const int count = static_cast<int>(reachable.size());
    if (from < 0 || from >= count)
        return -1;
    for (int step = 1; step <= count; ++step) {
        const int i = ((forward ? from + step : from - step) % count + count) % count;
        if (reachable.at(i))
            return i;
    }
    return -1;
}

int RadioGroupTabStop(const QList<bool> &reachable, int checked)
{
    if (checked >= 0 && checked < reachable.size() && reachable.at(checked))
        return checked;
    const qsizetype first = reachable.indexOf(true);
    return first < 0 ? -1 : static_cast<int>(first);
}

int DialogUnits::ToPixelsX(int units)
{
    return MulDivRound(units, kBaseX, 4);
}

int DialogUnits::ToPixelsY(int units)
{
    return MulDivRound(units, kBaseY, 8);
}

QRect DialogUnits::ToPixels(int x, int y, int width, int height)
{
    const int left = ToPixelsX(x);
    const int top = ToPixelsY(y);
    return QRect(left, top, ToPixelsX(x + width) - left, ToPixelsY(y + height) - top);
}
