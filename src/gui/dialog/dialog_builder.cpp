#include "gui/dialog/dialog_builder.h"

#include "gui/widgets/auto_radio_button.h"
#include "gui/widgets/text_view.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace {

const char kFixedAccessibleName[] = "tavixFixedAccessibleName";

QWidget *CreateControl(const ControlTemplate &t, QWidget *client)
{
    const QString caption = QString::fromUtf16(t.caption);
    switch (t.kind) {
    case ControlKind::PushButton: {
        auto *button = new QPushButton(caption, client);
        button->setAutoDefault(false);
        button->setDefault(t.flags & FlagDefaultButton);
        return button;
    }
    case ControlKind::RadioButton:
        return new CAutoRadioButton(caption, client);
    case ControlKind::GroupBox: {
        auto *box = new QGroupBox(caption, client);
        box->setAttribute(Qt::WA_TransparentForMouseEvents);
        // The caption sits on the frame's top line, as on the instrument
        // program's own platform, so that controls placed near the top of the
        // rectangle stay inside the frame.
        box->setStyleSheet(QStringLiteral(
            "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 6px; }"
            "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
            " left: 6px; top: 0px; padding: 0px 2px; }"));
        return box;
    }
    case ControlKind::Edit: {
        if (t.flags & FlagMultiLine)
            return new TextView(client);
        auto *edit = new QLineEdit(caption, client);
        edit->setReadOnly(t.flags & FlagReadOnly);
        if (t.flags & FlagCentered)
            edit->setAlignment(Qt::AlignCenter);
        if (t.flags & FlagBorderless) {
            edit->setFrame(false);
            QPalette palette = edit->palette();
            palette.setColor(QPalette::Base, Qt::transparent);
            edit->setPalette(palette);
            edit->setFocusPolicy(Qt::NoFocus);
        }
        return edit;
    }
    case ControlKind::ListBox:
        return new QListWidget(client);
    case ControlKind::DropDownList: {
        auto *combo = new QComboBox(client);
        combo->setEditable(false);
        return combo;
    }
    case ControlKind::DateTimePicker:
        return new QDateTimeEdit(client);
    case ControlKind::StaticText:
        return new QLabel(caption, client);
    case ControlKind::Icon:
        return new QLabel(client);
    }
    return nullptr;
}

} // namespace

ControlMap BuildControls(const DialogTemplate &dialog, QWidget *client)
{
    ControlMap controls;
    QList<QWidget *> groupBoxes;
    for (const ControlTemplate &t : dialog.controls) {
        QWidget *control = CreateControl(t, client);
        control->setObjectName(QStringLiteral("control%1").arg(t.id));
        control->setProperty("controlId", t.id);
        QRect rect = DialogUnits::ToPixels(t.x, t.y, t.width, t.height);
        if (t.kind == ControlKind::DropDownList)
            rect.setHeight(control->sizeHint().height()); // the template height is the opened list's
        control->setGeometry(rect);
        if (t.accessibleName) {
            control->setAccessibleName(QString::fromUtf16(t.accessibleName));
            control->setProperty(kFixedAccessibleName, true);
        } else {
            control->setAccessibleName(QString::fromUtf16(t.caption));
        }
        if (t.flags & FlagNotVisible)
            control->hide();
        if (t.kind == ControlKind::GroupBox)
            groupBoxes.append(control);
        controls.insert(t.id, control);
    }
    for (QWidget *box : groupBoxes)
        box->lower();

    // The radio groups as the data exchange reads them: from a button that
    // starts a group up to the next control that starts one.
    for (const ControlTemplate &t : dialog.controls) {
        if (t.kind != ControlKind::RadioButton || !(t.flags & FlagGroupStart))
            continue;
        QList<CAutoRadioButton *> group;
        for (int id : RadioGroup(dialog, t.id))
            group.append(static_cast<CAutoRadioButton *>(controls.value(id)));
        for (CAutoRadioButton *radio : group)
            radio->SetGroup(group);
    }
    return controls;
}

void SetControlCaption(QWidget *control, const QString &caption)
{
    if (auto *button = qobject_cast<QAbstractButton *>(control))
        button->setText(caption);
    else if (auto *box = qobject_cast<QGroupBox *>(control))
        box->setTitle(caption);
    else if (auto *edit = qobject_cast<QLineEdit *>(control))
        edit->setText(caption);
    else if (auto *label = qobject_cast<QLabel *>(control))
        label->setText(caption);
    else if (auto *text = qobject_cast<TextView *>(control))
        text->ShowText(caption);
    else if (control)
        control->setWindowTitle(caption);
    if (control && !control->property(kFixedAccessibleName).toBool())
        control->setAccessibleName(caption);
}

QString GetControlCaption(const QWidget *control)
{
    if (auto *button = qobject_cast<const QAbstractButton *>(control))
        return button->text();
    if (auto *box = qobject_cast<const QGroupBox *>(control))
        return box->title();
    if (auto *edit = qobject_cast<const QLineEdit *>(control))
        return edit->text();
    if (auto *label = qobject_cast<const QLabel *>(control))
        return label->text();
    if (auto *text = qobject_cast<const TextView *>(control))
        return text->Text();
    return control ? control->windowTitle() : QString();
}

int ControlIdOf(const QWidget *control)
{
    return control ? control->property("controlId").toInt() : 0;
}
