// A radio button of a dialog template's radio group, behaving as the
// platform's automatic radio button does in a dialog:
// - a click, the Space key and the accessible press or toggle action all do
//   the same: check this button, clear the others of its group, then emit
//   clicked(), which runs the button's command; a checked button stays checked;
// - the arrow keys move to the previous (Up, Left) or next (Down, Right)
//   button of the group that is visible and enabled, wrapping at the ends,
//   and click it unless it is already checked;
// - the group is one tab stop (see IsGroupTabStop);
// - a hidden or disabled button takes no keyboard focus and no accessible action.
// To assistive technology it is a radio button (role RadioButton, checkable).
#ifndef TAVIX_GUI_WIDGETS_AUTO_RADIO_BUTTON_H
#define TAVIX_GUI_WIDGETS_AUTO_RADIO_BUTTON_H

#include <QList>
#include <QPointer>
#include <QRadioButton>

class CAutoRadioButton : public QRadioButton
{
    Q_OBJECT
public:
    explicit CAutoRadioButton(const QString &text, QWidget *parent = nullptr);

    // The buttons of this button's group, in template order, this one included.
    void SetGroup(const QList<CAutoRadioButton *> &group);
    QList<CAutoRadioButton *> Group() const;

    // Visible (within its window) and enabled: it can take the focus and be activated.
    bool IsReachable() const;
    // True for the one button of the group that Tab stops at: the checked
    // button when it is reachable, else the first reachable one.
    bool IsGroupTabStop() const;
    // The accessible action: a click when the button is reachable, else nothing.
    void Activate();

protected:
    void nextCheckState() override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QList<QPointer<CAutoRadioButton>> m_group;
};

#endif
