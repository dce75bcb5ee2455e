#include "gui/widgets/about_dlg.h"

#include "core/locale/help_texts.h"
#include "gui/dialog/dialog_builder.h"

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
    SetControlCaption(controls.value(IDC_ABOUT_VERSION), AboutVersionText());
    SetControlCaption(controls.value(IDC_ABOUT_NOTICE), AboutNoticeText());
    if (auto *iconLabel = qobject_cast<QLabel *>(controls.value(IDC_ABOUT_ICON)))
        iconLabel->setPixmap(icon.pixmap(32, 32));
    if (auto *ok = qobject_cast<QPushButton *>(controls.value(IDOK_ABOUT))) {
        ok->setDefault(true);
        ok->setAutoDefault(true);
        ok->setFocus();
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    }
}
