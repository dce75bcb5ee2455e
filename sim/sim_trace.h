// The call trace of the simulated instrument: one line per driver call,
// appended to a file and flushed at once, so that tests and benchmarks can
// count requests even when the process ends abruptly.
#ifndef TAVIXSIM_SIM_TRACE_H
#define TAVIXSIM_SIM_TRACE_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace tavixsim {

class Trace {
public:
    Trace() = default;
    Trace(const Trace &) = delete;
    Trace &operator=(const Trace &) = delete;
    ~Trace();

    // Opens the file for appending; an empty path switches the trace off.
    // Returns false when the file cannot be opened (the trace is then off).
    bool setPath(const std::string &path);
    bool enabled() const { return m_file != nullptr; }
    // Appends the text and a line feed, and flushes.
    void line(std::string_view text);

    // Upper-case hexadecimal, two digits a byte, no separators.
    static std::string hex(const uint8_t *bytes, size_t count);
    // A name in double quotes; bytes outside 0x20..0x7E and the quote and
    // backslash are written as \xHH so that the line stays one line.
    static std::string quoted(std::string_view text);

private:
    std::FILE *m_file = nullptr;
};

} // namespace tavixsim

#endif
