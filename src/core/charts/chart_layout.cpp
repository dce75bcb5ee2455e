#include "core/charts/chart_layout.h"

#include <QLocale>

#include <cmath>
#include <limits>

int TruncToInt(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (value <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

namespace {

QString FormatValue(float value)
{
    return QString::asprintf("%.3f", double(value));
}

// The label text read back as a number, rounded to single precision
// through double as the C library's atof would give it; a text that is not
// a number reads as 0.
float ReadBack(const QString &text)
{
    bool ok = false;
    const double v = QLocale::c().toDouble(text, &ok);
    return ok ? float(v) : 0.0f;
}

ChartLabel YLabel(int left, int right, double base, double pitch, double topFactor,
                  double bottomFactor, float value)
{
    ChartLabel label;
    label.rc = {left, TruncToInt(base - topFactor * pitch), right,
                TruncToInt(base - bottomFactor * pitch)};
    label.text = FormatValue(value);
    return label;
}

int ReferenceHeight(const ChartRect &rc)
{
    return TruncToInt((1.5 * rc.top + 0.5 * rc.bottom) * 0.5);
}

} // namespace

ChartLayout ChartLayout::Compute(const ChartRect &chart, const QList<ChartSample> &samples)
{
    const int L = chart.left;
    const int T = chart.top;
    const int R = chart.right;
    const int B = chart.bottom;

    ChartLayout out;
    out.xLabelBand = {L - 55, B - 15, R, B};
    out.yLabelBand = {L, T, L + 55, B - 15};
    out.plot = {L + 55, T, R, B - 15};
    out.origin = {L + 60, B - 20};
    out.xAxisEnd = {R - 5, B - 20};
    out.yAxisEnd = {L + 60, T + 5};
    out.base = B - 15;
    out.pitch = (out.base - T - 20) / 4;
    if (samples.isEmpty())
        return out;
    out.hasSamples = true;

    // Range: a later value equal to min or max takes its place (no visible
    // difference). Only finite values count: a value that reads as infinite
    // (a field such as "1e39") or not a number is a gap in the curve, never
    // a bound of the scale. Without any finite value the range is 0.
    float minValue = 0.0f;
    float maxValue = 0.0f;
    bool anyFinite = false;
    for (qsizetype i = 0; i < samples.size(); ++i) {
        const float v = samples[i].value;
        if (!std::isfinite(v)) {
            out.gapRows.append(i);
            continue;
        }
        if (!anyFinite) {
            minValue = maxValue = v;
            anyFinite = true;
            continue;
        }
        if (v <= minValue)
            minValue = v;
        if (v >= maxValue)
            maxValue = v;
    }
    out.minValue = minValue;
    out.maxValue = maxValue;
    const float step = (maxValue - minValue) / 3.0f;
    out.step = step;

    // Four y labels, lowest value first, in the y-label band narrowed by 2.
    const double base = out.base;
    const double s = out.pitch;
    const int left = L + 2;
    const int right = L + 53;
    if (step != 0.0f) {
        for (int k = 0; k < 4; ++k) {
            const float value = minValue + float(k) * step;
            out.yLabels.append(YLabel(left, right, base, s, k + 0.6, k - 0.4, value));
        }
    } else if (minValue == 0.0f) {
        // All four at one height; min + k * step is +0 even for a -0 minimum.
        for (int k = 0; k < 4; ++k)
            out.yLabels.append(YLabel(left, right, base, s, 2.1, 1.1, minValue + float(k) * step));
    } else {
        const float upper = std::max(minValue, 0.0f);
        const float lower = std::min(minValue, 0.0f);
        for (int k = 0; k < 3; ++k)
            out.yLabels.append(YLabel(left, right, base, s, 2.6, 1.6, upper));
        out.yLabels.append(YLabel(left, right, base, s, 1.6, 0.6, lower));
    }

    out.valueCaptionRect = {0, 20, 55, 40};
    out.timeCaption = {{0, 253, 55, 273}, QStringLiteral("time")};

    // X labels: up to four, evenly pitched over the x-label band.
    const qsizetype n = samples.size();
    const int nx = int(std::min<qsizetype>(n, 4));
    const int dx = (R - (L - 55)) / (nx + 2);
    const float stride = float(static_cast<unsigned int>(n) / static_cast<unsigned int>(nx));
    for (int j = 0; j < nx; ++j) {
        const qsizetype index = std::min<qsizetype>(TruncToInt(double(float(j) * stride)), n - 1);
        out.xLabels.append({{L - 55 + (j + 1) * dx, B - 15, L - 55 + (j + 2) * dx, B},
                            samples[index].label});
    }

    // Points. The scale runs between the values printed on the first and
    // last y label, so the curve agrees with the labels. It is computed in
    // double from the single-precision value, lo and hi, so that a sample at
    // lo or hi lands exactly 2 pixels above its reference height. Labels
    // that read as infinity or NaN (finite values whose range passes single
    // precision) give no usable scale either: the curve is then flat, as for
    // lo = hi. A gap's point gets the flat height; it is neither drawn nor
    // joined.
    const int y0 = ReferenceHeight(out.yLabels.first().rc);
    const int y1 = ReferenceHeight(out.yLabels.last().rc);
    const float lo = ReadBack(out.yLabels.first().text);
    const float hi = ReadBack(out.yLabels.last().text);
    out.yRefFirst = y0;
    out.yRefLast = y1;
    out.lo = lo;
    out.hi = hi;
    const double plotWidth = double(R - (L + 55));
    out.points.reserve(n);
    for (qsizetype i = 0; i < n; ++i) {
        ChartPoint p;
        p.x = TruncToInt(plotWidth * (double(i) + 0.5) / double(n + 1) + (L + 55));
        if (lo == hi || !std::isfinite(lo) || !std::isfinite(hi) || !std::isfinite(samples[i].value))
            p.y = (y0 + y1) / 2;
        else
            p.y = TruncToInt((double(samples[i].value) - double(lo)) * double(y1 - y0)
                                 / (double(hi) - double(lo))
                             + y0 - 2);
        out.points.append(p);
    }
    return out;
}
