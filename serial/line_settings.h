// D2XX line settings and their kernel counterparts: the termios flags for
// character size, stop bits, parity and flow control, the rate for a D2XX
// divisor, and the modem and line status bits from the kernel's modem
// lines and error counters. Pure functions; the port applies them.
#ifndef TAVIXSERIAL_LINE_SETTINGS_H
#define TAVIXSERIAL_LINE_SETTINGS_H

#include "core/device/d2xx_types.h"

#include <cstdint>
#include <optional>

struct termios;

namespace tavixserial {

// The settings as the D2XX calls last set them; the defaults are those of
// an FTDI chip after a D2XX open: 9600 baud, 8N1, no flow control.
struct LineSettings {
    ULONG baud = 9600;
    UCHAR wordLength = FT_BITS_8;
    UCHAR stopBits = FT_STOP_BITS_1;
    UCHAR parity = FT_PARITY_NONE;
    USHORT flow = FT_FLOW_NONE;
    UCHAR xonChar = 0x11;
    UCHAR xoffChar = 0x13;
    UCHAR eventChar = 0;
    bool eventCharOn = false;
    UCHAR errorChar = 0;
    bool errorCharOn = false;
    bool dtr = true; // the modem lines as last set; a tty raises both at open
    bool rts = true;
    bool operator==(const LineSettings &) const = default;
};

// The kernel's counts of line errors and breaks (TIOCGICOUNT).
struct LineCounts {
    int frame = 0;
    int overrun = 0;
    int parity = 0;
    int brk = 0;
    int bufferOverrun = 0;
};

// FT_SetDataCharacteristics' values: 7 or 8 bits, 1 or 2 stop bits, a
// parity of FT_PARITY_NONE to FT_PARITY_SPACE.
bool validCharacteristics(UCHAR wordLength, UCHAR stopBits, UCHAR parity);

// The termios framing and flow-control flags for the settings (c_cflag:
// CSIZE, CSTOPB, PARENB, PARODD, CMSPAR, CRTSCTS; c_iflag: IXON, IXOFF;
// the XON and XOFF characters). DTR/DSR flow control has no termios flag
// and is left out. The speed is set apart.
void applyFraming(const LineSettings &settings, termios *t);

// Whether the port took the framing asked for: the flags applyFraming sets
// (a pseudo-terminal, for one, keeps 8 bits without parity whatever it is
// told).
bool framingTaken(const termios &wanted, const termios &got);

// The termios speed constant (a speed_t, B9600 ...) for a rate; nothing for
// a rate without one (which then goes to the kernel as a custom rate).
std::optional<unsigned> standardSpeed(ULONG baud);

// The rate a D2XX divisor stands for: 3,000,000 baud divided by the low 14
// bits plus the fraction the top two bits encode (0, 0.5, 0.25, 0.125);
// divisor 0 is 3,000,000 baud and 1 is 2,000,000, as on the chip.
ULONG baudForDivisor(USHORT divisor);

// Whether the rate the kernel took is within 3 % of the rate asked for
// (the tolerance of an FTDI chip's rate generator).
bool baudMatches(ULONG asked, ULONG got);

// The D2XX modem status (CTS 0x10, DSR 0x20, RI 0x40, DCD 0x80; the same
// bits as MS_*_ON) for the kernel's modem lines (TIOCM_*).
ULONG modemStatusBits(int lines);

// The D2XX line status (FT_LINE_STATUS_*, in the second byte) for the
// errors counted between two readings of the kernel's counters.
ULONG lineStatusBits(const LineCounts &before, const LineCounts &after);

// The Win32 error flags (CE_*) for the same counts.
DWORD commErrorBits(const LineCounts &before, const LineCounts &after);

// Kernel calls (tty_ioctls.cpp): a custom rate through termios2, the
// output rate in use, and the error counters (false where the driver keeps
// none, as on a pseudo-terminal).
bool setCustomBaud(int fd, ULONG baud);
std::optional<ULONG> currentBaud(int fd);
bool readLineCounts(int fd, LineCounts *counts);

} // namespace tavixserial

#endif
