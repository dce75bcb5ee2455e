// The visible span of the graph window's time axis and how zoom and pan
// move it: always inside the file's span, never shorter than the least span.
#ifndef TAVIX_CORE_CHARTS_TIME_SPAN_VIEW_H
#define TAVIX_CORE_CHARTS_TIME_SPAN_VIEW_H

class TimeSpanView
{
public:
    // The whole span [first, last]; a single time gets one least span
    // around it. Shows it all.
    void SetLimits(double first, double last, double leastSpan);

    double From() const { return m_from; }
    double To() const { return m_to; }
    double Span() const { return m_to - m_from; }
    bool ShowsAll() const { return m_from <= m_first && m_to >= m_last; }

    void ShowAll();
    // Scales the span by factor (below 1 zooms in) keeping the time at
    // about where it is on the screen.
    void ZoomAbout(double about, double factor);
    // Moves the span by delta, stopping at the file's ends.
    void PanBy(double delta);
    // Shows [a, b] (either order), widened to the least span.
    void ZoomTo(double a, double b);

private:
    // Puts the span [from, to] inside the limits, at least the least span long.
    void Fit(double from, double to);

    double m_first = 0.0;
    double m_last = 1.0;
    double m_least = 1.0;
    double m_from = 0.0;
    double m_to = 1.0;
};

#endif
