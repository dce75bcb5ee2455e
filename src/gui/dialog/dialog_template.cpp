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
    {1042, K::GroupBox, u"Open devices", 6, 1, 204, 77, FlagNone, nullptr},
    {1030, K::PushButton, u"Search", 12, 11, 29, 14, FlagNone, nullptr},
    {1024, K::PushButton, u"Open", 47, 11, 30, 14, FlagNone, nullptr},
    {1015, K::Edit, u"", 84, 11, 102, 14, RO, u"Status"},
    {1026, K::Edit, u"", 50, 11, 136, 14, FlagNone, u"Device"},
    {1068, K::Edit, u"", 12, 12, 32, 12, LABEL, nullptr},
    {1027, K::RadioButton, u"Description", 41, 13, 47, 10, GRP, nullptr},
    {1028, K::RadioButton, u"Serial Number ", 91, 13, 57, 10, FlagNone, nullptr},
    {1029, K::RadioButton, u"Dev #", 145, 13, 44, 10, FlagNone, nullptr},
    {1019, K::ListBox, u"", 12, 30, 180, 43, FlagNotVisible | FlagNotify | GRP, u"Devices"},

    // Input area
    {1073, K::GroupBox, u"Input data from Tavix instrument", 6, 78, 204, 272, FlagNone, nullptr},
    {1018, K::PushButton, u"Clear input data", 12, 90, 66, 13, FlagNone, nullptr},
    {1020, K::PushButton, u"Save input data", 120, 90, 66, 13, FlagNone, nullptr},
    {1022, K::PushButton, u"Open input data", 12, 107, 66, 13, FlagNone, nullptr},
    {1023, K::PushButton, u"Copy to clipboard", 120, 107, 66, 13, FlagNone, nullptr},
    {1025, K::PushButton, u"Translate keywords into chinese and save", 24, 112, 150, 13, FlagNone, nullptr},
    {1069, K::Edit, u"", 14, 123, 47, 12, LABEL, nullptr},
    {1039, K::RadioButton, u"Auto Scroll", 105, 126, 86, 10, GRP, nullptr},
    {1031, K::Edit, u"", 12, 136, 192, 196, RO | FlagMultiLine | FlagBothScrollBars | GRP, u"Input data"},
    {1021, K::Edit, u"", 12, 333, 43, 14, RO, u"Info value"},
    {1070, K::Edit, u"", 58, 334, 40, 12, LABEL, nullptr},

    // Display-value logging
    {1075, K::GroupBox, u"Read display data by sending space", 6, 396, 204, 30, FlagNone, nullptr},
    {1051, K::PushButton, u"Start Logging", 12, 409, 72, 12, FlagNone, nullptr},
    {1072, K::Edit, u"", 98, 409, 46, 12, LABEL, nullptr},
    {1053, K::Edit, u"", 155, 407, 30, 14, FlagCentered, u"Interval"},

    // Language
    {1076, K::GroupBox, u"Language selection", 216, 1, 148, 32, FlagNone, nullptr},
    {1036, K::Edit, u"", 222, 15, 62, 12, LABEL, nullptr},
    {1038, K::DropDownList, u"", 286, 13, 72, 60, FlagNone, u"Language"},

    // Top row
    {1094, K::PushButton, u"Help", 371, 12, 50, 18, FlagNone, nullptr},
    {1093, K::PushButton, u"Send Program", 427, 12, 84, 18, FlagNone, nullptr},
    {1, K::PushButton, u"EXIT", 516, 12, 49, 18, FlagDefaultButton, nullptr},

    // Log type and sort
    {1074, K::GroupBox, u"Sort data from Tavix3000", 216, 36, 358, 58, FlagNone, nullptr},
    {1043, K::RadioButton, u"QRT 03 Logp", 224, 48, 80, 10, GRP, nullptr},
    {1044, K::RadioButton, u"QRT Log", 224, 61, 80, 10, FlagNone, nullptr},
    {1045, K::RadioButton, u"QRT 31 Logp", 224, 74, 80, 10, FlagNone, nullptr},
    {1046, K::RadioButton, u"QRT 03 Logp pressure setup", 310, 48, 110, 10, FlagNone, nullptr},
    {1047, K::RadioButton, u"QRT Log no interval", 310, 61, 110, 10, FlagNone, nullptr},
    {1048, K::RadioButton, u"QRT 31 Logp pressure setup", 310, 74, 110, 10, FlagNone, nullptr},
    {1071, K::Edit, u"", 424, 46, 70, 12, LABEL | GRP, nullptr},
    {1049, K::DateTimePicker, u"", 424, 59, 70, 14, FlagNone, u"Log start date"},
    {1050, K::DateTimePicker, u"", 424, 75, 70, 14, FlagNone, u"Log start time"},
    {1035, K::PushButton, u"Sort", 510, 55, 56, 18, FlagNone, nullptr},

    // Sorted output
    {1077, K::GroupBox, u"Sorted output data from TavixAir300", 216, 96, 358, 112, FlagNone, nullptr},
    {1054, K::Edit, u"", 222, 107, 270, 96, RO | FlagMultiLine | FlagBothScrollBars, u"Sorted output"},
    {1032, K::PushButton, u"Save sorted data", 498, 107, 70, 14, FlagNone, nullptr},
    {1033, K::PushButton, u"Copy to clipboard", 498, 125, 70, 14, FlagNone, nullptr},
    {1034, K::PushButton, u"Clear sorted data", 498, 143, 70, 14, FlagNone, nullptr},

    // Log graph: browse buttons left of the chart, variable groups below it
    {1078, K::GroupBox, u"TavixAir 300 Log Graph", 216, 210, 358, 232, FlagNone, nullptr},
    {1089, K::PushButton, u"<<", 220, 220, 34, 14, FlagNone, nullptr},
    {1079, K::PushButton, u"<-", 220, 238, 34, 14, FlagNone, nullptr},
    {1080, K::PushButton, u"->", 220, 256, 34, 14, FlagNone, nullptr},
    {1090, K::PushButton, u">>", 220, 274, 34, 14, FlagNone, nullptr},
    {1081, K::GroupBox, u"", 216, 296, 40, 36, FlagNone, nullptr},
    {1065, K::RadioButton, u"Time", 220, 306, 34, 10, GRP, nullptr},
    {1066, K::RadioButton, u"Hour", 220, 318, 34, 10, FlagNone, nullptr},
    {1062, K::PushButton, u"Save graph", 218, 338, 38, 14, GRP, nullptr},
    {1067, K::PushButton, u"Copy to clipboard", 218, 356, 38, 14, FlagNone, nullptr},
    {1084, K::RadioButton, u"Barometer", 262, 401, 52, 10, GRP, nullptr},
    {1055, K::RadioButton, u"Vavg", 316, 401, 34, 10, FlagNone, nullptr},
    {1056, K::RadioButton, u"Vmax", 352, 401, 34, 10, FlagNone, nullptr},
    {1057, K::RadioButton, u"Vmin", 388, 401, 34, 10, FlagNone, nullptr},
    {1058, K::RadioButton, u"StdD", 424, 401, 34, 10, FlagNone, nullptr},
    {1059, K::RadioButton, u"T", 460, 401, 24, 10, FlagNone, nullptr},
    {1060, K::RadioButton, u"DR%", 486, 401, 34, 10, FlagNone, nullptr},
    {1061, K::Edit, u"", 262, 415, 28, 12, LABEL | GRP, nullptr},
    {1063, K::RadioButton, u"Var1", 292, 416, 34, 10, GRP, nullptr},
    {1064, K::RadioButton, u"Var2", 328, 416, 34, 10, FlagNone, nullptr},
    {1082, K::RadioButton, u"Var3", 364, 416, 34, 10, FlagNone, nullptr},
    {1083, K::RadioButton, u"Var4", 400, 416, 34, 10, FlagNone, nullptr},
};

const DialogTemplate kMainDialog = {
    102, u"TavixTerminal  2.0", 580, 444, std::span<const ControlTemplate>(kMainControls),
};

const ControlTemplate kAboutControls[] = {
    {2, K::Icon, u"", 11, 17, 20, 20, FlagNone, u"TavixTerminal icon"},
    // The version line and the maker's notice come from the About texts.
    {3, K::StaticText, u"", 40, 10, 119, 8, FlagNone, nullptr},
    {4, K::StaticText, u"", 40, 25, 150, 8, FlagNone, nullptr},
    {1, K::PushButton, u"OK", 178, 7, 50, 16, FlagDefaultButton | GRP, nullptr},
};

const DialogTemplate kAboutDialog = {
    100, u"", 235, 55, std::span<const ControlTemplate>(kAboutControls),
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
