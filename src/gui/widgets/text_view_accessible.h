// The text view to screen readers: Qt's accessible text interface over the
// view's text (read-only, multi-line), so a reader can read it by character,
// word, line and selection and follow the caret. Offsets are positions in the
// text as it is held; the accessible text is that text with U+0000 given as
// U+2400, as the window shows it, one character for one.
#ifndef TAVIX_GUI_WIDGETS_TEXT_VIEW_ACCESSIBLE_H
#define TAVIX_GUI_WIDGETS_TEXT_VIEW_ACCESSIBLE_H

// Registers the interface for every TextView (once; later calls do nothing).
void InstallTextViewAccessibility();

#endif
