// D2XX line settings and their kernel counterparts.
#include "line_settings.h"

#include <sys/ioctl.h>
#include <termios.h>

namespace tavixserial {

namespace {

struct SpeedEntry {
    ULONG baud;
    speed_t speed;
};

constexpr SpeedEntry kSpeeds[] = {
    {50, B50},         {75, B75},           {110, B110},         {134, B134},         {150, B150},
    {200, B200},       {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
    {2400, B2400},     {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
    {57600, B57600},   {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000}, {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
    {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
};

} // namespace

bool validCharacteristics(UCHAR wordLength, UCHAR stopBits, UCHAR parity)
{
    return (wordLength == FT_BITS_7 || wordLength == FT_BITS_8)
           && (stopBits == FT_STOP_BITS_1 || stopBits == FT_STOP_BITS_2) && parity <= FT_PARITY_SPACE;
}

void applyFraming(const LineSettings &settings, termios *t)
{
    t->c_cflag &= ~(CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS);
    t->c_cflag |= settings.wordLength == FT_BITS_7 ? CS7 : CS8;
    if (settings.stopBits == FT_STOP_BITS_2)
        t->c_cflag |= CSTOPB;
    switch (settings.parity) {
    case FT_PARITY_ODD:
        t->c_cflag |= PARENB | PARODD;
        break;
    case FT_PARITY_EVEN:
        t->c_cflag |= PARENB;
        break;
    case FT_PARITY_MARK:
        t->c_cflag |= PARENB | CMSPAR | PARODD;
        break;
    case FT_PARITY_SPACE:
        t->c_cflag |= PARENB | CMSPAR;
        break;
    default:
        break;
    }
    t->c_iflag &= ~(IXON | IXOFF | IXANY);
    if (settings.flow == FT_FLOW_RTS_CTS)
        t->c_cflag |= CRTSCTS;
    if (settings.flow == FT_FLOW_XON_XOFF) {
        t->c_iflag |= IXON | IXOFF;
        t->c_cc[VSTART] = settings.xonChar;
        t->c_cc[VSTOP] = settings.xoffChar;
    }
}

bool framingTaken(const termios &wanted, const termios &got)
{
    constexpr tcflag_t cflags = CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS;
    constexpr tcflag_t iflags = IXON | IXOFF;
    if ((wanted.c_cflag & cflags) != (got.c_cflag & cflags) || (wanted.c_iflag & iflags) != (got.c_iflag & iflags))
        return false;
    return !(wanted.c_iflag & IXON)
           || (wanted.c_cc[VSTART] == got.c_cc[VSTART] && wanted.c_cc[VSTOP] == got.c_cc[VSTOP]);
}

std::optional<unsigned> standardSpeed(ULONG baud)
{
    for (const SpeedEntry &entry : kSpeeds)
        if (entry.baud == baud)
            return entry.speed;
    return std::nullopt;
}

ULONG baudForDivisor(USHORT divisor)
{
    const unsigned whole = divisor & 0x3FFF;
    if (whole == 0)
        return 3000000;
    if (whole == 1)
        return 2000000;
    // In eighths: the fraction codes 0, 1, 2, 3 stand for 0, 4/8, 2/8, 1/8.
    static constexpr unsigned kEighths[] = {0, 4, 2, 1};
    const unsigned eighths = whole * 8 + kEighths[divisor >> 14];
    return static_cast<ULONG>((24000000ULL + eighths / 2) / eighths);
}

bool baudMatches(ULONG asked, ULONG got)
{
    const unsigned long long difference = asked > got ? asked - got : got - asked;
    return difference * 100 <= 3ULL * asked;
}

ULONG modemStatusBits(int lines)
{
    ULONG status = 0;
    if (lines & TIOCM_CTS)
        status |= FT_MODEM_STATUS_CTS;
    if (lines & TIOCM_DSR)
        status |= FT_MODEM_STATUS_DSR;
    if (lines & TIOCM_RI)
        status |= FT_MODEM_STATUS_RI;
    if (lines & TIOCM_CD)
        status |= FT_MODEM_STATUS_DCD;
    return status;
}

ULONG lineStatusBits(const LineCounts &before, const LineCounts &after)
{
    ULONG status = 0;
    if (after.overrun != before.overrun || after.bufferOverrun != before.bufferOverrun)
        status |= FT_LINE_STATUS_OE;
    if (after.parity != before.parity)
        status |= FT_LINE_STATUS_PE;
    if (after.frame != before.frame)
        status |= FT_LINE_STATUS_FE;
    if (after.brk != before.brk)
        status |= FT_LINE_STATUS_BI;
    return status;
}

DWORD commErrorBits(const LineCounts &before, const LineCounts &after)
{
    DWORD errors = 0;
    if (after.bufferOverrun != before.bufferOverrun)
        errors |= CE_RXOVER;
    if (after.overrun != before.overrun)
        errors |= CE_OVERRUN;
    if (after.parity != before.parity)
        errors |= CE_RXPARITY;
    if (after.frame != before.frame)
        errors |= CE_FRAME;
    if (after.brk != before.brk)
        errors |= CE_BREAK;
    return errors;
}

} // namespace tavixserial
