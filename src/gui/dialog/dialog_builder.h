// Builds the widgets of a dialog template on a client widget: each control
// at its template rectangle converted to pixels, with its kind, caption,
// style and accessible name. Radio buttons behave as the platform's
// automatic radio buttons in their template group (CAutoRadioButton).
#ifndef TAVIX_GUI_DIALOG_DIALOG_BUILDER_H
#define TAVIX_GUI_DIALOG_DIALOG_BUILDER_H

#include "gui/dialog/dialog_template.h"
#include "paint/fonts.h"

#include <QHash>
#include <QString>

class QWidget;

using ControlMap = QHash<int, QWidget *>;

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
