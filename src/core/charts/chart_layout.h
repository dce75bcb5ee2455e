// The geometry of the chart window: bands, axes, value and time labels,
// captions and the pixel position of every sample, computed once per data
// set from the chart rectangle and the samples.
#ifndef TAVIX_CORE_CHARTS_CHART_LAYOUT_H
#define TAVIX_CORE_CHARTS_CHART_LAYOUT_H

#include <QList>
#include <QString>

// A rectangle as the chart keeps it: right and bottom lie just outside it,
// so the width is right - left (unlike QRect, whose right is inside).
struct ChartRect
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    friend bool operator==(const ChartRect &, const ChartRect &) = default;
};

struct ChartPoint
{
    int x = 0;
    int y = 0;
    friend bool operator==(const ChartPoint &, const ChartPoint &) = default;
};

// One value of the curve and its x-axis text (a time stamp in this program).
struct ChartSample
{
    QString label;
    float value = 0.0f;
};

// A text and the box it is drawn in, in chart client pixels.
struct ChartLabel
{
    ChartRect rc;
    QString text;
    friend bool operator==(const ChartLabel &, const ChartLabel &) = default;
};

// Truncation toward zero into a 32-bit integer. Values beyond the range
// (an infinite sample, say) saturate and NaN gives 0, where a plain
// conversion would be undefined.
int TruncToInt(double value);

// Everything RecalcLayout computes, for chart rectangle (L, T, R, B) and n samples.
//
// Edges:
// - no samples: bands and axes only; no labels, no points, captions unset (hasSamples false);
// - all samples equal (or a range too small for a single-precision step): the
//   zero-range label rules; a positive constant is labelled above a 0.000 label,
//   a negative one below it;
// - a range too small to show in three decimals gives lo = hi: a flat curve
//   halfway between the reference heights of the first and last y label;
// - non-finite samples (infinite or not a number) are left out of the range
//   and listed in gapRows: the curve breaks there and they get no dot; all
//   samples non-finite give the range 0 (labels 0.000);
// - a finite range past single precision (labels "inf" or "nan"): a flat
//   curve as for lo = hi;
// - more than four samples: four x labels, of samples trunc(j * stride) with
//   stride = n / 4 (integer division, kept as a single-precision number);
//   later samples have no x label;
// - the x labels' band starts 55 pixels left of the chart rectangle.
struct ChartLayout
{
    static ChartLayout Compute(const ChartRect &chart, const QList<ChartSample> &samples);

    bool hasSamples = false;

    ChartRect xLabelBand;   // (L - 55, B - 15, R, B)
    ChartRect yLabelBand;   // (L, T, L + 55, B - 15)
    ChartRect plot;         // (L + 55, T, R, B - 15)
    ChartPoint origin;      // (L + 60, B - 20)
    ChartPoint xAxisEnd;    // (R - 5, B - 20)
    ChartPoint yAxisEnd;    // (L + 60, T + 5)

    ChartRect valueCaptionRect; // fixed (0, 20, 55, 40)
    ChartLabel timeCaption;     // fixed (0, 253, 55, 273), "time"

    QList<ChartLabel> yLabels;  // four, lowest value first
    QList<ChartLabel> xLabels;  // min(n, 4)
    QList<ChartPoint> points;   // one per sample
    QList<qsizetype> gapRows;   // the samples of non-finite value, in order

    // Intermediate numbers, kept for checking.
    float minValue = 0.0f;
    float maxValue = 0.0f;
    float step = 0.0f;      // (max - min) / 3 in single precision
    int base = 0;           // B - 15
    int pitch = 0;          // (base - T - 20) / 4
    int yRefFirst = 0;      // reference height of the first y label
    int yRefLast = 0;       // reference height of the last y label
    float lo = 0.0f;        // value read back from the first y label's text
    float hi = 0.0f;        // value read back from the last y label's text
};

#endif // TAVIX_CORE_CHARTS_CHART_LAYOUT_H
