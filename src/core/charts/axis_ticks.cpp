#include "core/charts/axis_ticks.h"

#include "core/charts/log_series.h"

#include <cmath>

const QList<double> &TimeTickSteps()
{
    static const QList<double> steps{1,     2,     5,      10,     15,     30,      60,      120,     300,
                                     600,   900,   1800,   3600,   7200,   10800,   21600,   43200,   86400,
                                     172800, 604800, 1209600, 2592000, 7776000, 15552000, 31536000};
    return steps;
}

namespace {

// A nice step (1, 2 or 5 times a power of ten) of at least raw.
double NiceStep(double raw)
{
    if (!(raw > 0.0) || !std::isfinite(raw))
        return 1.0;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0}) {
        if (m * power >= raw * (1.0 - 1e-9))
            return m * power;
    }
    return 10.0 * power;
}

} // namespace

QList<AxisTick> TimeTicks(double t0, double t1, int width, int minGap, bool byRow)
{
    QList<AxisTick> ticks;
    if (!(t1 > t0) || width <= 0)
        return ticks;
    const double perPixel = (t1 - t0) / width;
    const double needed = perPixel * std::max(minGap, 1);
    if (byRow) {
        const double step = std::max(1.0, NiceStep(needed));
        for (double t = std::ceil(t0 / step) * step; t <= t1; t += step)
            ticks.append({t, QString::number(qint64(t) + 1)});
        return ticks;
    }
    double step = TimeTickSteps().last();
    for (double s : TimeTickSteps()) {
        if (s >= needed) {
            step = s;
            break;
        }
    }
    // Past a year, whole years of 365 days.
    if (step < needed)
        step = std::ceil(needed / 31536000.0) * 31536000.0;
    const bool dates = step >= kSecondsPerDay;
    const bool crossesMidnight = std::floor(t0 / kSecondsPerDay) != std::floor(t1 / kSecondsPerDay);
    qint64 lastDay = std::numeric_limits<qint64>::min();
    for (double t = std::ceil(t0 / step) * step; t <= t1; t += step) {
        const qint64 day = qint64(std::floor(t / kSecondsPerDay));
        QString label;
        if (dates) {
            label = InstrumentDateText(DayOfTime(t));
        } else {
            label = TimeOfDayText(t);
            if (crossesMidnight && day != lastDay)
                label += QLatin1Char('\n') + InstrumentDateText(DayOfTime(t));
        }
        lastDay = day;
        ticks.append({t, label});
    }
    return ticks;
}

QList<AxisTick> ValueTicks(double lo, double hi, int height, int minGap)
{
    QList<AxisTick> ticks;
    if (!std::isfinite(lo) || !std::isfinite(hi) || hi < lo)
        return ticks;
    if (hi == lo || height <= 0) {
        ticks.append({lo, QString::number(lo, 'g', 6)});
        return ticks;
    }
    const double step = NiceStep((hi - lo) * std::max(minGap, 1) / height);
    const int decimals = std::max(0, int(-std::floor(std::log10(step) + 1e-9)));
    const double first = std::ceil(lo / step - 1e-9);
    const double last = std::floor(hi / step + 1e-9);
    for (double k = first; k <= last; k += 1.0) {
        double v = k * step;
        if (std::fabs(v) < step * 1e-9)
            v = 0.0;
        ticks.append({v, QString::number(v, 'f', decimals)});
    }
    return ticks;
}

void PadValueRange(double &lo, double &hi)
{
    if (hi == lo) {
        const double room = lo == 0.0 ? 1.0 : std::fabs(lo) * 0.1;
        lo -= room;
        hi += room;
        return;
    }
    const double room = (hi - lo) * 0.05;
    lo -= room;
    hi += room;
}
