#include "core/charts/graph_values.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

namespace {

// The byte a code unit counts as. The comma is made a point in the UTF-16
// text, before it is narrowed: only U+002C is a decimal comma, a character
// that merely ends in the byte 0x2C (U+012C, U+042C, U+FF2C) narrows to a
// comma that ends the number.
char ValueByte(QChar unit)
{
    if (unit == QLatin1Char(','))
        return '.';
    return static_cast<char>(unit.unicode() & 0xFF);
}

bool IsCSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The decimal order of magnitude of a number written as digits with an
// optional fraction (no sign, no exponent) plus a decimal exponent: the
// power of ten of its first non-zero digit. Used only to tell an overflow
// from an underflow, so a saturated exponent is good enough.
long long DecimalOrder(const std::string &mantissa, long long exponent)
{
    const std::size_t point = mantissa.find('.');
    const std::size_t intEnd = point == std::string::npos ? mantissa.size() : point;
    std::size_t first = 0;
    while (first < intEnd && mantissa[first] == '0')
        ++first;
    if (first < intEnd)
        return static_cast<long long>(intEnd - first - 1) + exponent;
    long long zeros = 0;
    for (std::size_t i = intEnd + 1; i < mantissa.size() && mantissa[i] == '0'; ++i)
        ++zeros;
    return exponent - zeros - 1;
}

// Rounds a double to single precision the way an IEEE store does, with an
// explicit infinity where the plain conversion would leave the float range.
float ToSingle(double value)
{
    // Half an ulp above FLT_MAX: from here on the value rounds to infinity.
    constexpr double kOverflow = 0x1.ffffffp127;
    if (std::isfinite(value) && std::fabs(value) >= kOverflow)
        return std::copysign(std::numeric_limits<float>::infinity(), static_cast<float>(value));
    return static_cast<float>(value);
}

} // namespace

float GraphValueFromField(QStringView field)
{
    const qsizetype n = field.size();
    qsizetype i = 0;
    // The field as the bytes a C reading would see; a zero byte ends it.
    auto at = [&field, n](qsizetype k) -> char { return k < n ? ValueByte(field[k]) : '\0'; };

    while (i < n && IsCSpace(at(i)))
        ++i;
    bool negative = false;
    if (at(i) == '+' || at(i) == '-') {
        negative = at(i) == '-';
        ++i;
    }

    std::string mantissa;
    qsizetype digits = 0;
    while (IsDigit(at(i))) {
        mantissa += at(i++);
        ++digits;
    }
    if (at(i) == '.') {
        qsizetype j = i + 1;
        std::string fraction;
        while (IsDigit(at(j)))
            fraction += at(j++);
        // A lone point without any digit around it is no number.
        if (digits > 0 || !fraction.empty()) {
            mantissa += '.';
            mantissa += fraction;
            digits += static_cast<qsizetype>(fraction.size());
            i = j;
        }
    }
    if (digits == 0)
        return 0.0f;

    // The exponent counts only when digits follow the letter (and its sign).
    std::string exponentText;
    long long exponent = 0;
    if (at(i) == 'e' || at(i) == 'E') {
        qsizetype j = i + 1;
        bool expNegative = false;
        if (at(j) == '+' || at(j) == '-') {
            expNegative = at(j) == '-';
            ++j;
        }
        if (IsDigit(at(j))) {
            exponentText = expNegative ? "e-" : "e";
            while (IsDigit(at(j))) {
                exponentText += at(j);
                if (exponent < 1000000000LL)
                    exponent = exponent * 10 + (at(j) - '0');
                ++j;
            }
            if (expNegative)
                exponent = -exponent;
            i = j;
        }
    }

    // All digits zero: 0 whatever the exponent says.
    if (mantissa.find_first_of("123456789") == std::string::npos)
        return negative ? -0.0f : 0.0f;

    const std::string text = mantissa + exponentText;
    double value = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value,
                                        std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        value = DecimalOrder(mantissa, exponent) > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (result.ec != std::errc()) {
        value = 0.0;
    }
    return ToSingle(negative ? -value : value);
}

qint32 StepGraphPosition(const QList<qint32> &list, int step, int &position)
{
    if (list.isEmpty())
        return -1;
    const quint32 size = static_cast<quint32>(list.size());
    const quint32 pos = static_cast<quint32>(position);
    switch (step) {
    case GraphStepPrevious:
        position = static_cast<int>((pos - 1u + size) % size);
        return list[position];
    case GraphStepNext:
        position = static_cast<int>((pos + 1u) % size);
        return list[position];
    case GraphStepFirst:
        position = 0;
        return list[0];
    case GraphStepLast:
        return list[size - 1];
    case GraphStepCurrent:
        if (position < 0 || pos >= size)
            return -1;
        return list[position];
    default:
        return -1;
    }
}

QString RowField(const QStringList &row, qint64 field)
{
    if (field < 0 || field >= row.size())
        return QString();
    return row[static_cast<qsizetype>(field)];
}
