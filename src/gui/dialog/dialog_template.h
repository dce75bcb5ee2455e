// The dialog templates as data: every control of the main dialog (template
// 102) and of the About box (template 100) with its id, kind, template
// caption, rectangle in dialog units and style flags. One builder turns a
// template into widgets; the conversion from dialog units to pixels is here.
#ifndef TAVIX_GUI_DIALOG_DIALOG_TEMPLATE_H
#define TAVIX_GUI_DIALOG_DIALOG_TEMPLATE_H

#include "gui/dialog/control_ids.h"

#include <QList>
#include <QRect>
#include <QString>

#include <span>

enum class ControlKind {
    PushButton,
    Edit,
    RadioButton,
    GroupBox,
    ListBox,
    DropDownList,
    DateTimePicker,
    StaticText,
    Icon,
};

enum ControlFlag : unsigned {
    FlagNone = 0,
    FlagGroupStart = 1u << 0,    // first control of a radio group
    FlagReadOnly = 1u << 1,
    FlagBorderless = 1u << 2,    // a read-only edit used as a label
    FlagMultiLine = 1u << 3,
    FlagBothScrollBars = 1u << 4,
    FlagCentered = 1u << 5,
    FlagDefaultButton = 1u << 6,
    FlagNotify = 1u << 7,
    FlagNotVisible = 1u << 8,    // created without the visible style
};

struct ControlTemplate {
    int id;
    ControlKind kind;
    const char16_t *caption;        // template caption; the language replaces most of them
    int x, y, width, height;        // dialog units
    unsigned flags;
    const char16_t *accessibleName; // for controls without a caption of their own; may be null
};

struct DialogTemplate {
    int id;
    const char16_t *title;
    int width, height; // dialog units
    std::span<const ControlTemplate> controls;
};

// The main dialog, template 102: 580 x 444 dialog units.
const DialogTemplate &MainDialogTemplate();
// The About box, template 100: 235 x 55 dialog units.
const DialogTemplate &AboutDialogTemplate();

// The template's entry for an id, or null when the template has none.
const ControlTemplate *FindControl(const DialogTemplate &dialog, int id);

// Ids of the radio buttons of the group that starts at leaderId, in template
// order: the leader and the radio buttons after it up to the next control
// that starts a group or is not a radio button.
QList<int> RadioGroup(const DialogTemplate &dialog, int leaderId);

// Keyboard movement in a radio group whose buttons can (true) or cannot
// (hidden, disabled) take the focus: the index of the next button after
// from that can, or the one before it (forward false), wrapping from the
// last button to the first and back. from itself when no other button can
// and it can; -1 when none can.
int StepInRadioGroup(const QList<bool> &reachable, int from, bool forward);

// The button of a radio group that Tab stops at: the checked one when it
// can take the focus, else the first that can; -1 when none can. checked
// is -1 when no button is checked.
int RadioGroupTabStop(const QList<bool> &reachable, int checked);

// Dialog units to pixels with the base units of the template font (MS Sans
// Serif 8 pt): 4 horizontal units are 6 pixels, 8 vertical units 13 pixels.
// Each edge is converted on its own and rounded to the nearest pixel, halves
// away from zero, as the platform's dialog-unit mapping does.
struct DialogUnits {
    static constexpr int kBaseX = 6;
    static constexpr int kBaseY = 13;
    static int ToPixelsX(int units);
    static int ToPixelsY(int units);
    // x, y, width, height in dialog units to a pixel rectangle whose width and
    // height are the differences of the converted edges.
    static QRect ToPixels(int x, int y, int width, int height);
};

#endif
