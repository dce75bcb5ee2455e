// The tty ioctls that need the kernel's own headers: custom rates through
// termios2 (BOTHER) and the error counters. Kept apart from the files that
// use <termios.h>, whose declarations clash with the kernel's.
#include "line_settings.h"

#include <asm/termbits.h>
#include <linux/serial.h>
#include <sys/ioctl.h>

#include <cstdint>
#include <optional>

namespace tavixserial {

bool setCustomBaud(int fd, uint32_t baud)
{
    termios2 settings{};
    if (::ioctl(fd, TCGETS2, &settings) != 0)
        return false;
    settings.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    settings.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    settings.c_ispeed = baud;
    settings.c_ospeed = baud;
    return ::ioctl(fd, TCSETS2, &settings) == 0;
}

std::optional<uint32_t> currentBaud(int fd)
{
    termios2 settings{};
    if (::ioctl(fd, TCGETS2, &settings) != 0)
        return std::nullopt;
    return settings.c_ospeed;
}

bool readLineCounts(int fd, LineCounts *counts)
{
    serial_icounter_struct kernel{};
    if (::ioctl(fd, TIOCGICOUNT, &kernel) != 0)
        return false;
    counts->frame = kernel.frame;
    counts->overrun = kernel.overrun;
    counts->parity = kernel.parity;
    counts->brk = kernel.brk;
    counts->bufferOverrun = kernel.buf_overrun;
    return true;
}

} // namespace tavixserial
