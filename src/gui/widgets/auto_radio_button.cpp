#include "gui/widgets/auto_radio_button.h"

#include "gui/dialog/dialog_template.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>

namespace {

// What assistive technology sees of a CAutoRadioButton: a checkable radio
// button whose press and toggle actions are a click.
class AutoRadioButtonAccessible : public QAccessibleWidget
{
public:
    explicit AutoRadioButtonAccessible(CAutoRadioButton *button)
        : QAccessibleWidget(button, QAccessible::RadioButton)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        QString value = QAccessibleWidget::text(t);
        if (t == QAccessible::Name && value.isEmpty())
            value = Button()->text().remove(QLatin1Char('&'));
        return value;
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.checkable = true;
        state.checked = Button()->isChecked();
        return state;
    }

    // A button that cannot be reached offers no action at all.
    QStringList actionNames() const override
    {
        if (!Button()->IsReachable())
            return {};
        return QStringList{pressAction(), toggleAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &actionName) override
    {
        if (!Button()->IsReachable())
            return;
        if (actionName == pressAction() || actionName == toggleAction())
            Button()->Activate();
        else
            QAccessibleWidget::doAction(actionName);
    }

private:
    CAutoRadioButton *Button() const { return static_cast<CAutoRadioButton *>(widget()); }
};

QAccessibleInterface *AccessibleFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String(CAutoRadioButton::staticMetaObject.className()) && object
        && object->isWidgetType())
        return new AutoRadioButtonAccessible(static_cast<CAutoRadioButton *>(object));
    return nullptr;
}

} // namespace

CAutoRadioButton::CAutoRadioButton(const QString &text, QWidget *parent) : QRadioButton(text, parent)
{
    static const bool factoryInstalled = (QAccessible::installFactory(AccessibleFactory), true);
    Q_UNUSED(factoryInstalled);
    // The group is the template's, not all radio buttons of the same parent.
    setAutoExclusive(false);
}

void CAutoRadioButton::SetGroup(const QList<CAutoRadioButton *> &group)
{
    m_group.clear();
    for (CAutoRadioButton *button : group)
        m_group.append(button);
}

QList<CAutoRadioButton *> CAutoRadioButton::Group() const
{
    QList<CAutoRadioButton *> group;
    for (const QPointer<CAutoRadioButton> &button : m_group) {
        if (button)
            group.append(button);
    }
    if (group.isEmpty())
        group.append(const_cast<CAutoRadioButton *>(this));
    return group;
}

bool CAutoRadioButton::IsReachable() const
{
    return isEnabled() && isVisibleTo(window());
}

bool CAutoRadioButton::IsGroupTabStop() const
{
    const QList<CAutoRadioButton *> group = Group();
    QList<bool> reachable;
    int checked = -1;
    for (CAutoRadioButton *button : group) {
        if (checked < 0 && button->isChecked())
            checked = static_cast<int>(reachable.size());
        reachable.append(button->IsReachable());
    }
    const int stop = RadioGroupTabStop(reachable, checked);
    return stop >= 0 && group.at(stop) == this;
}

void CAutoRadioButton::Activate()
{
    if (IsReachable())
        click();
}

void CAutoRadioButton::nextCheckState()
{
    for (CAutoRadioButton *button : Group()) {
        if (button != this)
            button->setChecked(false);
    }
    setChecked(true);
}

void CAutoRadioButton::keyPressEvent(QKeyEvent *event)
{
    bool forward = true;
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Left:
        forward = false;
        break;
    case Qt::Key_Down:
    case Qt::Key_Right:
        break;
    default:
        QRadioButton::keyPressEvent(event);
        return;
    }
    event->accept();
    const QList<CAutoRadioButton *> group = Group();
    QList<bool> reachable;
    for (CAutoRadioButton *button : group)
        reachable.append(button->IsReachable());
    const int next = StepInRadioGroup(reachable, static_cast<int>(group.indexOf(this)), forward);
    if (next < 0)
        return;
    CAutoRadioButton *target = group.at(next);
    target->setFocus(Qt::OtherFocusReason);
    if (!target->isChecked())
        target->click();
}
