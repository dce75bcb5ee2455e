// The text windows' scroll bars.
#ifndef TAVIX_GUI_WIDGETS_VIEW_SCROLL_BAR_H
#define TAVIX_GUI_WIDGETS_VIEW_SCROLL_BAR_H

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QRect>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>

// A scroll bar that repaints only when what it shows changes: a range or a
// value that moves the handle by less than a pixel (a line appended to a
// million) leaves it as it is. A change is looked at when the window is
// about to be painted, so that a range and a value changed one after the
// other (a line appended, then the view scrolled to the end) are compared
// with what was shown only once both are set. It paints all of its area,
// so nothing behind it is painted with it.
class ViewScrollBar : public QScrollBar
{
public:
    explicit ViewScrollBar(Qt::Orientation orientation)
        : QScrollBar(orientation)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

    // While held, a change waits for the release to be looked at.
    void Hold(bool hold)
    {
        m_held = hold;
        if (!hold && m_changedWhileHeld) {
            m_changedWhileHeld = false;
            sliderChange(SliderValueChange);
        }
    }

protected:
    void sliderChange(SliderChange change) override
    {
        if (change == SliderOrientationChange || !isVisible()) {
            QScrollBar::sliderChange(change);
            return;
        }
        if (m_held) {
            m_changedWhileHeld = true;
            return;
        }
        if (m_checkPending)
            return;
        QWidget *top = window();
        if (top != m_window) {
            if (m_window)
                m_window->removeEventFilter(this);
            m_window = top;
            m_window->installEventFilter(this);
        }
        m_checkPending = true;
        // The window is painted after any change of its widgets; this one
        // may have changed nothing else.
        QCoreApplication::postEvent(top, new QEvent(QEvent::UpdateRequest), Qt::LowEventPriority);
    }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_window && event->type() == QEvent::UpdateRequest && m_checkPending) {
            m_checkPending = false;
            if (Current() != m_shown)
                update();
        }
        return QScrollBar::eventFilter(watched, event);
    }
    void paintEvent(QPaintEvent *event) override
    {
        m_shown = Current();
        QScrollBar::paintEvent(event);
    }

private:
    struct Look
    {
        QRect handle;
        bool atMinimum = false;
        bool atMaximum = false;
        friend bool operator==(const Look &, const Look &) = default;
    };
    Look Current() const
    {
        QStyleOptionSlider option;
        initStyleOption(&option);
        return {style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this),
                value() == minimum(), value() == maximum()};
    }
    Look m_shown;
    bool m_checkPending = false;
    bool m_held = false;
    bool m_changedWhileHeld = false;
    QPointer<QWidget> m_window;
};

#endif
