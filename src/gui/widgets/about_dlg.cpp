#include "gui/widgets/about_dlg.h"

#include "gui/dialog/dialog_builder.h"
#include "core/locale/help_texts.h"

#include <QLabel>
#include <QPushButton>

CAboutDlg::CAboutDlg(const QIcon &icon, QWidget *parent)
    : QDialog(parent)
{
    const DialogTemplate &dialog = AboutDialogTemplate();
    setWindowTitle(AboutBoxTitle());
    setFont(DialogFont());
    setFixedSize(DialogUnits::ToPixelsX(dialog.width), DialogUnits::ToPixelsY(dialog.height));
    const ControlMap controls = BuildControls(dialog, this);
    SetControlCaption(controls.value(3), AboutVersionText());
    SetControlCaption(controls.value(4), AboutNoticeText());
    if (auto *iconLabel = qobject_cast<QLabel *>(controls.value(2)))
        iconLabel->setPixmap(icon.pixmap(32, 32));
    if (auto *ok = qobject_cast<QPushButton *>(controls.value(1))) {
        ok->setDefault(true);
        ok->setAutoDefault(true);
        ok->setFocus();
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    }
}
