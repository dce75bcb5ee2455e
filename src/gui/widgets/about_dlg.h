// The About box (template 100): the program icon, the version line, the
// maker's notice and OK. It has no state; it closes with OK or Escape.
#ifndef TAVIX_GUI_WIDGETS_ABOUT_DLG_H
#define TAVIX_GUI_WIDGETS_ABOUT_DLG_H

#include <QDialog>
#include <QIcon>

class CAboutDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CAboutDlg(const QIcon &icon, QWidget *parent = nullptr);
};

#endif
