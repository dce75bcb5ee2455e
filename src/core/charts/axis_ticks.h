// The ticks and labels of the graph window's axes, chosen anew for every
// span: round steps of time (1, 2, 5, 10, 15, 30 seconds up to a year) and
// of value (1, 2 or 5 times a power of ten), as many as fit with room
// between their labels.
#ifndef TAVIX_CORE_CHARTS_AXIS_TICKS_H
#define TAVIX_CORE_CHARTS_AXIS_TICKS_H

#include <QList>
#include <QString>

struct AxisTick
{
    double at = 0.0;
    QString label;
};

// Time ticks for the span [t0, t1] drawn width pixels wide, at least
// minGap pixels apart: at whole multiples of the least step of the list
// that keeps them so (steps of a day or more counted in days since
// 2000-01-01). Labels read "hh:mm:ss"; with steps of a day or more the date
// ("yy-mm-dd") alone; when the span crosses midnight, the first tick and
// the first tick of each later day carry their date on a second line.
// byRow: the axis counts rows, labelled as row numbers from 1.
QList<AxisTick> TimeTicks(double t0, double t1, int width, int minGap, bool byRow = false);

// The time steps TimeTicks chooses from, in seconds.
const QList<double> &TimeTickSteps();

// Value ticks for [lo, hi] drawn height pixels high, at least minGap
// pixels apart: multiples of 1, 2 or 5 times a power of ten, labelled
// with as many decimals as the step needs. lo = hi gives the one tick.
QList<AxisTick> ValueTicks(double lo, double hi, int height, int minGap);

// The value range a strip shows for the finite extremes lo and hi: a
// little room above and below, and a unit around a constant.
void PadValueRange(double &lo, double &hi);

#endif
