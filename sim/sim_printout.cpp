// The built-in print-out. Every log file follows the printed layout that the
// log parser reads:
//   "File N " (a blank after the number) and CR LF;
//   a header opened by the brand word "Tavix" and closed by an empty line,
//   whose last two lines carry the only time-unit words ("sec") of the header;
//   then either a plain table (column names, a rule line of hyphens, one line
//   per sample, an empty line) or Logp entries ("Log" and the entry number
//   padded to eight characters, date, time, then one "Name value unit" line
//   per variable, an empty line after each entry).
// Every report and file ends with the date and signature lines. The reports
// come first so that none of their words lies inside a log file's range.
#include "sim_printout.h"

#include <cstdio>
#include <vector>

namespace tavixsim {

namespace {

constexpr const char *kCrLf = "\r\n";
constexpr const char *kDegC = "\xBA" "C"; // the instrument's "ºC"
constexpr const char *kFooter = "Date ......................\r\n Signature .................\r\n\r\n";

// Deterministic xorshift noise, so the print-out is the same on every run.
class Noise {
public:
    explicit Noise(uint32_t seed) : m_state(seed) {}
    // A whole number from -spread to spread.
    int step(int spread)
    {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        return static_cast<int>(m_state % static_cast<uint32_t>(2 * spread + 1)) - spread;
    }

private:
    uint32_t m_state;
};

int clamp(int value, int low, int high)
{
    return value < low ? low : (value > high ? high : value);
}

// value / 10^decimals with the given decimal sign: fixed(-4, 1, '.') = "-0.4".
std::string fixed(int value, int decimals, char sign)
{
    int scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    const int magnitude = value < 0 ? -value : value;
    std::string text = value < 0 ? "-" : "";
    text += std::to_string(magnitude / scale);
    if (decimals > 0) {
        std::string fraction = std::to_string(magnitude % scale);
        text += sign;
        text += std::string(static_cast<size_t>(decimals) - fraction.size(), '0') + fraction;
    }
    return text;
}

// Time of day for the samples; a log never runs past midnight.
std::string clockText(int secondsOfDay)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", (secondsOfDay / 3600) % 24,
                  (secondsOfDay / 60) % 60, secondsOfDay % 60);
    return buffer;
}

std::string padded(std::string text, size_t width)
{
    if (text.size() < width)
        text.append(width - text.size(), ' ');
    return text;
}

std::string brandLine(std::string_view serial)
{
    return "Tavix 3000 S/N: " + std::string(serial) + kCrLf;
}

// The header of a log file: marker, brand line, the given lines, then the
// time constant and log interval as the last two lines, then the empty line.
std::string fileHeader(int number, std::string_view serial, const std::vector<std::string> &lines,
                       int intervalSeconds)
{
    std::string text = "File " + std::to_string(number) + " " + kCrLf + brandLine(serial);
    for (const std::string &line : lines)
        text += line + kCrLf;
    text += "Time Constant 1 sec";
    text += kCrLf;
    text += "Log Interval " + std::to_string(intervalSeconds) + " sec" + kCrLf;
    text += kCrLf;
    return text;
}

std::string noteBook(std::string_view serial)
{
    struct Note {
        const char *time;
        int velocity;    // hundredths of m/s
        int temperature; // tenths of a degree
        int humidity;    // tenths of a per cent
        int dewPoint;    // tenths of a degree
        const char *place;
    };
    static const Note notes[] = {
        {"09:12:40", 18, 217, 385, 68, "Office 2.14"},
        {"09:20:05", 31, 224, 402, 84, "Meeting room"},
        {"09:41:17", 12, 198, 455, 75, "K\x84lteraum 1"},        // Kälteraum
        {"10:03:52", 47, 236, 352, 71, "Corridor B"},
        {"10:15:30", 9, 211, 418, 78, "Server room"},
        {"10:32:11", 22, 229, 391, 83, "H\x94rsaal B\x81ro"},     // Hörsaal Büro
    };
    std::string text = kCrLf;
    text += brandLine(serial);
    text += "Note book";
    text += kCrLf;
    text += kCrLf;
    int number = 1;
    for (const Note &note : notes) {
        text += padded("Note " + std::to_string(number++), 8) + "08-01-02 " + note.time + kCrLf;
        text += std::string("Place ") + note.place + kCrLf;
        text += "Velocity " + fixed(note.velocity, 2, '.') + " m/s" + kCrLf;
        text += "Temperature " + fixed(note.temperature, 1, '.') + " " + kDegC + kCrLf;
        text += "Rel Humidity " + fixed(note.humidity, 1, '.') + " %RH" + kCrLf;
        text += "Dew Point " + fixed(note.dewPoint, 1, '.') + " " + kDegC + kCrLf;
        text += kCrLf;
    }
    text += kFooter;
    return text;
}

std::string ductReport(std::string_view serial)
{
    std::string text = brandLine(serial);
    text += "Duct Traverse Flow\r\n";
    text += "08-01-02 11:05:24\r\n";
    text += "Diam. 315 mm\r\n";
    text += "Area 0.0779 m2\r\n";
    text += "K-factor 1.00\r\n";
    text += "Measuring Time 60 sec\r\n";
    text += "Measurements 12\r\n";
    text += "Average by Points\r\n";
    text += "Avg Velocity 4.82 m/s\r\n";
    text += "Avg Flow 375.5 l/s\r\n";
    text += "Avg Pressure 28.4 Pa\r\n";
    text += std::string("Avg Temp 19.8 ") + kDegC + kCrLf;
    text += kCrLf;
    text += kFooter;
    return text;
}

// A plain log: columns Date, Time, V(m/s), T(ºC), DR(%), B(hPa).
std::string plainLog(int number, std::string_view serial, const char *date, int startSeconds,
                     int intervalSeconds, int rows, char sign, uint32_t seed)
{
    Noise noise(seed);
    std::string text = fileHeader(number, serial,
                                  {"Probe QRT Log", std::string("Start ") + date + " " + clockText(startSeconds)},
                                  intervalSeconds);
    text += padded("Date", 10) + padded("Time", 10) + padded("V(m/s)", 8) + padded(std::string("T(") + kDegC + ")", 7)
            + padded("DR(%)", 7) + "B(hPa)" + kCrLf;
    text += std::string(47, '-') + kCrLf;
    int velocity = 25, temperature = 223, rating = 14, barometer = 1013;
    for (int row = 0; row < rows; ++row) {
        text += padded(date, 10) + padded(clockText(startSeconds + row * intervalSeconds), 10)
                + padded(fixed(velocity, 2, sign), 8) + padded(fixed(temperature, 1, sign), 7)
                + padded(std::to_string(rating), 7) + std::to_string(barometer) + kCrLf;
        velocity = clamp(velocity + noise.step(3), 8, 55);
        temperature = clamp(temperature + noise.step(2), 205, 245);
        rating = clamp(rating + noise.step(2), 4, 30);
        if (row % 12 == 11)
            barometer = clamp(barometer + noise.step(1), 1008, 1018);
    }
    text += kCrLf;
    text += kFooter;
    return text;
}

struct LogpShape {
    int number;
    const char *probe;         // "Probe QRT 03" and the like; the log type test reads it
    const char *extraLine;     // one more header line, or nullptr
    const char *date;
    int startSeconds;
    int intervalSeconds;
    int entries;
    char sign;                 // decimal sign of the values
    bool draughtRating;        // QRT 03 logs carry it, QRT 31 logs do not
    int temperature;           // starting temperature, tenths of a degree
    uint32_t seed;
};

// A Logp log: one entry per sample, variables Barometer, Avg Velocity, Max
// Velocity, Min Velocity, Std Deviation, Avg Temp and (QRT 03) Draught Rating.
std::string logpLog(const LogpShape &shape, std::string_view serial)
{
    Noise noise(shape.seed);
    std::vector<std::string> lines{shape.probe};
    if (shape.extraLine)
        lines.emplace_back(shape.extraLine);
    std::string text = fileHeader(shape.number, serial, lines, shape.intervalSeconds);
    int barometer = 1012, average = 18, temperature = shape.temperature, rating = 12;
    for (int entry = 1; entry <= shape.entries; ++entry) {
        const int spread = clamp(4 + noise.step(2), 2, 7);
        const int maximum = average + 2 * spread + clamp(noise.step(3), 0, 3);
        const int minimum = clamp(average - 2 * spread + noise.step(1), 1, average);
        // The date starts at character 8: "Log " and the number padded to four.
        text += padded("Log " + std::to_string(entry), 8) + shape.date + " "
                + clockText(shape.startSeconds + (entry - 1) * shape.intervalSeconds) + kCrLf;
        text += "Barometer " + std::to_string(barometer) + " B-hPa" + kCrLf;
        text += "Avg Velocity " + fixed(average, 2, shape.sign) + " m/s" + kCrLf;
        text += "Max Velocity " + fixed(maximum, 2, shape.sign) + " m/s" + kCrLf;
        text += "Min Velocity " + fixed(minimum, 2, shape.sign) + " m/s" + kCrLf;
        text += "Std Deviation " + fixed(spread, 2, shape.sign) + " m/s" + kCrLf;
        text += "Avg Temp " + fixed(temperature, 1, shape.sign) + " " + kDegC + kCrLf;
        // Draught Rating comes last: its one-character unit ends the entry.
        if (shape.draughtRating)
            text += "Draught Rating " + std::to_string(rating) + " %" + kCrLf;
        text += kCrLf;
        average = clamp(average + noise.step(3), 6, 45);
        temperature += noise.step(2);
        rating = clamp(rating + noise.step(2), 3, 28);
        if (entry % 8 == 0)
            barometer = clamp(barometer + noise.step(1), 1006, 1018);
    }
    text += kFooter;
    return text;
}

} // namespace

std::string builtInPrintout(std::string_view serial)
{
    std::string text = noteBook(serial);
    text += ductReport(serial);
    text += plainLog(1, serial, "08-01-02", 12 * 3600 + 30 * 60, 10, 48, '.', 0x1A2B3C4Du);
    text += logpLog({2, "Probe QRT 03", "Location Office 2.14", "08-01-03", 8 * 3600, 60, 20, '.', true, 216,
                     0x0BADF00Du},
                    serial);
    text += logpLog({3, "Probe QRT03", nullptr, "08-01-04", 10 * 3600 + 15 * 60, 120, 10, ',', true, 228,
                     0x600DCAFEu},
                    serial);
    text += logpLog({4, "Probe QRT 31", "Location K\x84lteraum 1", "08-01-05", 6 * 3600, 30, 12, '.', false, 2,
                     0x13572468u},
                    serial);
    text += plainLog(5, serial, "08-01-06", 14 * 3600, 60, 24, ',', 0x2468ACE0u);
    return text;
}

int DisplayState::nextStep(int spread)
{
    m_random ^= m_random << 13;
    m_random ^= m_random >> 17;
    m_random ^= m_random << 5;
    return static_cast<int>(m_random % static_cast<uint32_t>(2 * spread + 1)) - spread;
}

std::string DisplayState::nextLine()
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%6s m/s  %6s %s\r\n", fixed(m_velocity, 2, '.').c_str(),
                  fixed(m_temperature, 1, '.').c_str(), kDegC);
    m_velocity = clamp(m_velocity + nextStep(2), 5, 60);
    m_temperature = clamp(m_temperature + nextStep(1), 180, 260);
    return buffer;
}

std::string versionLine()
{
    return "Tavix 3000 version 1.23\r\n";
}

std::string_view programOkMessage()
{
    return "\r\nProgram OK\r\n";
}

} // namespace tavixsim
