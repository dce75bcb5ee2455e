// Builds the widgets of a dialog template on a client widget: each control
// at its template rectangle converted to pixels, with its kind, caption,
// style and accessible name. Radio buttons behave as the platform's
// automatic radio buttons in their template group (CAutoRadioButton).
#ifndef TAVIX_APP_DIALOG_BUILDER_H
#define TAVIX_APP_DIALOG_BUILDER_H

#include "resources/dialog_template.h"

#include <QHash>
#include <QString>

class QFont;
class QWidget;

using ControlMap = QHash<int, QWidget *>;

// The font of the templates (MS Sans Serif 8 pt): Arial at 11 pixels, whose
// metrics match the template's base units.
QFont DialogFont();

// The fixed-pitch font of the text windows: Courier New, bold, whose
// character cell (the internal leading included) is cellHeight pixels high.
QFont CourierFont(int cellHeight);

// Creates every control of the template as a child of client, in template
// order (the tab order), and returns them by id. Group boxes are kept below
// the other controls and let clicks through.
ControlMap BuildControls(const DialogTemplate &dialog, QWidget *client);

// Sets a control's caption (window text) whatever its kind; a control
// without an accessible name of its own is announced by its caption.
void SetControlCaption(QWidget *control, const QString &caption);
QString GetControlCaption(const QWidget *control);

// The template id of a control built by BuildControls, or 0.
int ControlIdOf(const QWidget *control);

#endif
