// The graph's value conversion against the C library: the field with every
// "," replaced by "." and then narrowed to the low bytes, read by strtod.
// The conversion reads decimal numbers only, so the reference text is cut
// at the first character that cannot belong to one (which also keeps strtod
// from reading "inf", "nan" or a hexadecimal number), and at a zero byte.
#include "core/charts/graph_values.h"

#include <QString>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

float Reference(QStringView field)
{
    std::string text;
    for (QChar unit : field) {
        const char byte = unit == QLatin1Char(',') ? '.' : char(unit.unicode() & 0xFF);
        if (byte == '\0' || !std::strchr("0123456789+-.eE \t\n\v\f\r", byte))
            break;
        text += byte;
    }
    const double value = std::strtod(text.c_str(), nullptr);
    // Rounded to single precision as a store does: from half an ulp above
    // FLT_MAX on to infinity, below it to FLT_MAX at most.
    if (std::isfinite(value) && std::fabs(value) > FLT_MAX)
        return std::fabs(value) >= 0x1.ffffffp127 ? std::copysign(INFINITY, float(value > 0 ? 1 : -1))
                                                  : std::copysign(FLT_MAX, float(value > 0 ? 1 : -1));
    return static_cast<float>(value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The bytes as UTF-16 code units, little-endian; a spare byte is dropped.
    QString field(qsizetype(size / 2), Qt::Uninitialized);
    for (size_t i = 0; i < size / 2; ++i)
        field[qsizetype(i)] = QChar(char16_t(data[2 * i] | (data[2 * i + 1] << 8)));
    const float actual = GraphValueFromField(field);
    const float expected = Reference(field);
    if (std::memcmp(&actual, &expected, sizeof actual) != 0 && !(std::isnan(actual) && std::isnan(expected))) {
        std::fprintf(stderr, "field \"%s\": %.9g, strtod gives %.9g\n", qPrintable(field), double(actual),
                     double(expected));
        std::abort();
    }
    return 0;
}
