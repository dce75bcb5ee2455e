#include "core/charts/time_span_view.h"

#include <algorithm>

void TimeSpanView::SetLimits(double first, double last, double leastSpan)
{
    m_least = leastSpan > 0.0 ? leastSpan : 1.0;
    if (last - first < m_least) {
        const double middle = (first + last) / 2;
        first = middle - m_least / 2;
        last = middle + m_least / 2;
    }
    m_first = first;
    m_last = last;
    ShowAll();
}

void TimeSpanView::ShowAll()
{
    m_from = m_first;
    m_to = m_last;
}

void TimeSpanView::Fit(double from, double to)
{
    double span = std::clamp(to - from, m_least, m_last - m_first);
    if (span != to - from) {
        const double middle = (from + to) / 2;
        from = middle - span / 2;
    }
    from = std::clamp(from, m_first, m_last - span);
    m_from = from;
    m_to = from + span;
}

void TimeSpanView::ZoomAbout(double about, double factor)
{
    if (!(factor > 0.0))
        return;
    about = std::clamp(about, m_from, m_to);
    const double newSpan = std::clamp(Span() * factor, m_least, m_last - m_first);
    const double share = Span() > 0.0 ? (about - m_from) / Span() : 0.5;
    Fit(about - share * newSpan, about - share * newSpan + newSpan);
}

void TimeSpanView::PanBy(double delta)
{
    Fit(m_from + delta, m_to + delta);
}

void TimeSpanView::ZoomTo(double a, double b)
{
    if (b < a)
        std::swap(a, b);
    Fit(a, b);
}
