// What the simulated Tavix 3000 sends: the built-in print-out of its Print
// button (reports, note book and five log files), the display line it
// answers to a space and the version line it answers to 'v'. All texts are
// the instrument's 8-bit bytes: 0x84 for ä, 0xBA for º, "\r\n" line ends.
#ifndef TAVIXSIM_SIM_PRINTOUT_H
#define TAVIXSIM_SIM_PRINTOUT_H

#include <cstdint>
#include <string>
#include <string_view>

namespace tavixsim {

// The print-out of an instrument with the given serial number. The same
// serial number always gives the same bytes; the rows are generated, not
// stored, and only the serial number in the brand lines differs.
std::string builtInPrintout(std::string_view serial);

// The values on the instrument's display, drifting a little with every
// reading. Deterministic: a fresh state gives the same sequence of lines.
class DisplayState {
public:
    // One line such as "  0.27 m/s    22.4 \xBA" "C\r\n", then drifts the values.
    std::string nextLine();

private:
    int nextStep(int spread);

    uint32_t m_random = 0x2545F491u;
    int m_velocity = 27;     // hundredths of m/s
    int m_temperature = 224; // tenths of a degree
};

// The reply to 'v'.
std::string versionLine();

// What the instrument sends when a program transfer has been stored.
std::string_view programOkMessage();

} // namespace tavixsim

#endif
