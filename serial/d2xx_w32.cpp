// libtavixserial: D2XX's Win32-style functions (FT_W32_*), over the same
// ports and calls as the classic ones. Each returns non-zero for success;
// a failure's D2XX status is kept per handle for FT_W32_GetLastError.
// Overlapped I/O does not exist on Linux: a call given an OVERLAPPED fails
// with FT_NOT_SUPPORTED (FTDI's Linux library does not offer it either),
// and the overlapped flag of FT_W32_CreateFile is ignored.
#include "d2xx_exports.h"
#include "handles.h"

#include <climits>
#include <sys/ioctl.h>

using namespace tavixserial;

namespace {

constexpr DWORD kMaxDword = 0xFFFFFFFFu;

// Runs the call on the handle's port and keeps a failure's status.
template<typename Call>
BOOL w32(FT_HANDLE handle, Call call)
{
    const std::shared_ptr<SerialPort> port = Handles::instance().find(handle);
    if (!port)
        return 0;
    const FT_STATUS status = call(*port);
    if (status != FT_OK)
        port->lastW32Error = status;
    return status == FT_OK;
}

// The time-out for a transfer of `count` bytes: the multiplier times the
// count plus the constant, at most 0xFFFFFFFF ms; 0 waits for ever.
ULONG totalTimeout(DWORD multiplier, DWORD constant, DWORD count)
{
    const unsigned long long total = 1ULL * multiplier * count + constant;
    return total > kMaxDword ? kMaxDword : static_cast<ULONG>(total);
}

FT_STATUS firstFailure(FT_STATUS current, FT_STATUS next)
{
    return current != FT_OK ? current : next;
}

} // namespace

FT_HANDLE FT_W32_CreateFile(LPCTSTR name, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD attrsAndFlags, HANDLE)
{
    const DWORD by = attrsAndFlags & FT_OPEN_MASK;
    FT_HANDLE handle = nullptr;
    if (by != FT_OPEN_BY_SERIAL_NUMBER && by != FT_OPEN_BY_DESCRIPTION && by != FT_OPEN_BY_LOCATION) {
        setLastOpenError(argumentReason("FT_W32_CreateFile needs one of FT_OPEN_BY_SERIAL_NUMBER, "
                                        "FT_OPEN_BY_DESCRIPTION and FT_OPEN_BY_LOCATION among its flags"));
    } else if (by != FT_OPEN_BY_LOCATION && !name) {
        setLastOpenError(argumentReason("FT_W32_CreateFile was given no name"));
    } else if (Handles::instance().openBy(name, by, &handle) == FT_OK) {
        return handle;
    }
    return reinterpret_cast<FT_HANDLE>(static_cast<uintptr_t>(INVALID_HANDLE_VALUE));
}

BOOL FT_W32_CloseHandle(FT_HANDLE handle)
{
    return Handles::instance().close(handle) == FT_OK;
}

BOOL FT_W32_ReadFile(FT_HANDLE handle, LPVOID buffer, DWORD bufferSize, LPDWORD bytesReturned,
                     LPOVERLAPPED overlapped)
{
    return w32(handle, [&](SerialPort &port) {
        if (overlapped)
            return FT_STATUS(FT_NOT_SUPPORTED);
        if (!bytesReturned || (!buffer && bufferSize))
            return FT_STATUS(FT_INVALID_PARAMETER);
        const FTTIMEOUTS t = port.w32Timeouts();
        // Win32's "return at once with what is there".
        if (t.ReadIntervalTimeout == kMaxDword && t.ReadTotalTimeoutMultiplier == 0
            && t.ReadTotalTimeoutConstant == 0) {
            DWORD waiting = 0;
            const FT_STATUS status = port.status(&waiting, nullptr);
            if (status != FT_OK) {
                *bytesReturned = 0;
                return status;
            }
            return port.read(buffer, waiting < bufferSize ? waiting : bufferSize, bytesReturned, 1);
        }
        return port.read(buffer, bufferSize, bytesReturned,
                         totalTimeout(t.ReadTotalTimeoutMultiplier, t.ReadTotalTimeoutConstant, bufferSize));
    });
}

BOOL FT_W32_WriteFile(FT_HANDLE handle, LPVOID buffer, DWORD bufferSize, LPDWORD bytesWritten,
                      LPOVERLAPPED overlapped)
{
    return w32(handle, [&](SerialPort &port) {
        if (overlapped)
            return FT_STATUS(FT_NOT_SUPPORTED);
        if (!bytesWritten || (!buffer && bufferSize))
            return FT_STATUS(FT_INVALID_PARAMETER);
        const FTTIMEOUTS t = port.w32Timeouts();
        return port.write(buffer, bufferSize, bytesWritten,
                          totalTimeout(t.WriteTotalTimeoutMultiplier, t.WriteTotalTimeoutConstant, bufferSize));
    });
}

BOOL FT_W32_GetOverlappedResult(FT_HANDLE handle, LPOVERLAPPED, LPDWORD, BOOL)
{
    return w32(handle, [](SerialPort &) { return FT_STATUS(FT_NOT_SUPPORTED); });
}

BOOL FT_W32_EscapeCommFunction(FT_HANDLE handle, DWORD function)
{
    return w32(handle, [&](SerialPort &port) {
        switch (function) {
        case SETXOFF:
            return port.holdOutput(true);
        case SETXON:
            return port.holdOutput(false);
        case SETRTS:
            return port.setModemLines(TIOCM_RTS, 0);
        case CLRRTS:
            return port.setModemLines(0, TIOCM_RTS);
        case SETDTR:
            return port.setModemLines(TIOCM_DTR, 0);
        case CLRDTR:
            return port.setModemLines(0, TIOCM_DTR);
        case RESETDEV:
            return port.reset();
        case SETBREAK:
            return port.setBreak(true);
        case CLRBREAK:
            return port.setBreak(false);
        default:
            return FT_STATUS(FT_INVALID_PARAMETER);
        }
    });
}

BOOL FT_W32_GetCommModemStatus(FT_HANDLE handle, LPDWORD modemStatus)
{
    return w32(handle, [&](SerialPort &port) {
        ULONG status = 0;
        const FT_STATUS result = modemStatus ? port.modemStatus(&status) : FT_STATUS(FT_INVALID_PARAMETER);
        if (result == FT_OK)
            *modemStatus = status & (MS_CTS_ON | MS_DSR_ON | MS_RING_ON | MS_RLSD_ON);
        return result;
    });
}

// The kernel sizes its own buffers.
BOOL FT_W32_SetupComm(FT_HANDLE handle, DWORD, DWORD)
{
    return w32(handle, [](SerialPort &) { return FT_STATUS(FT_OK); });
}

// Rate, framing, flow control (CTS or RTS handshake: RTS/CTS; DSR or DTR
// handshake: DTR/DSR, which is not supported; XON/XOFF with the DCB's
// characters), the DTR and RTS lines when they change, and the event and
// error characters. Everything is tried; the first failure is kept.
BOOL FT_W32_SetCommState(FT_HANDLE handle, LPFTDCB dcb)
{
    return w32(handle, [&](SerialPort &port) {
        if (!dcb)
            return FT_STATUS(FT_INVALID_PARAMETER);
        const LineSettings before = port.lineSettings();
        FT_STATUS status = port.setBaudRate(dcb->BaudRate);
        status = firstFailure(status, port.setDataCharacteristics(dcb->ByteSize, dcb->StopBits, dcb->Parity));
        USHORT flow = FT_FLOW_NONE;
        if (dcb->fOutxCtsFlow || dcb->fRtsControl == RTS_CONTROL_HANDSHAKE)
            flow = FT_FLOW_RTS_CTS;
        else if (dcb->fOutxDsrFlow || dcb->fDtrControl == DTR_CONTROL_HANDSHAKE)
            flow = FT_FLOW_DTR_DSR;
        else if (dcb->fOutX || dcb->fInX)
            flow = FT_FLOW_XON_XOFF;
        status = firstFailure(status, port.setFlowControl(flow, static_cast<UCHAR>(dcb->XonChar),
                                                          static_cast<UCHAR>(dcb->XoffChar)));
        const bool dtr = dcb->fDtrControl == DTR_CONTROL_ENABLE;
        if (dcb->fDtrControl != DTR_CONTROL_HANDSHAKE && dtr != before.dtr)
            status = firstFailure(status, port.setModemLines(dtr ? TIOCM_DTR : 0, dtr ? 0 : TIOCM_DTR));
        const bool rts = dcb->fRtsControl == RTS_CONTROL_ENABLE;
        if (dcb->fRtsControl != RTS_CONTROL_HANDSHAKE && rts != before.rts)
            status = firstFailure(status, port.setModemLines(rts ? TIOCM_RTS : 0, rts ? 0 : TIOCM_RTS));
        return firstFailure(status, port.setChars(static_cast<UCHAR>(dcb->EvtChar), dcb->EvtChar != 0,
                                                  static_cast<UCHAR>(dcb->ErrorChar), dcb->fErrorChar != 0));
    });
}

BOOL FT_W32_GetCommState(FT_HANDLE handle, LPFTDCB dcb)
{
    return w32(handle, [&](SerialPort &port) {
        if (!dcb)
            return FT_STATUS(FT_INVALID_PARAMETER);
        const LineSettings line = port.lineSettings();
        *dcb = FTDCB{};
        dcb->DCBlength = sizeof(FTDCB);
        dcb->BaudRate = line.baud;
        dcb->fBinary = 1;
        dcb->fParity = line.parity != FT_PARITY_NONE;
        dcb->fOutxCtsFlow = line.flow == FT_FLOW_RTS_CTS;
        dcb->fRtsControl = line.flow == FT_FLOW_RTS_CTS ? RTS_CONTROL_HANDSHAKE
                                                        : line.rts ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
        dcb->fDtrControl = line.dtr ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
        dcb->fOutX = dcb->fInX = line.flow == FT_FLOW_XON_XOFF;
        dcb->fErrorChar = line.errorCharOn;
        dcb->ByteSize = line.wordLength;
        dcb->Parity = line.parity;
        dcb->StopBits = line.stopBits;
        dcb->XonChar = static_cast<char>(line.xonChar);
        dcb->XoffChar = static_cast<char>(line.xoffChar);
        dcb->ErrorChar = static_cast<char>(line.errorChar);
        dcb->EvtChar = static_cast<char>(line.eventChar);
        return FT_STATUS(FT_OK);
    });
}

// Linux's interval time-out is not kept apart from the total ones (as in
// FTDI's Linux library), except for Win32's "return at once" setting.
BOOL FT_W32_SetCommTimeouts(FT_HANDLE handle, FTTIMEOUTS *timeouts)
{
    return w32(handle, [&](SerialPort &port) {
        if (!timeouts)
            return FT_STATUS(FT_INVALID_PARAMETER);
        port.setW32Timeouts(*timeouts);
        return FT_STATUS(FT_OK);
    });
}

BOOL FT_W32_GetCommTimeouts(FT_HANDLE handle, FTTIMEOUTS *timeouts)
{
    return w32(handle, [&](SerialPort &port) {
        if (!timeouts)
            return FT_STATUS(FT_INVALID_PARAMETER);
        *timeouts = port.w32Timeouts();
        return FT_STATUS(FT_OK);
    });
}

BOOL FT_W32_SetCommBreak(FT_HANDLE handle)
{
    return w32(handle, [](SerialPort &port) { return port.setBreak(true); });
}

BOOL FT_W32_ClearCommBreak(FT_HANDLE handle)
{
    return w32(handle, [](SerialPort &port) { return port.setBreak(false); });
}

BOOL FT_W32_SetCommMask(FT_HANDLE handle, ULONG eventMask)
{
    return w32(handle, [&](SerialPort &port) {
        port.events()->setCommMask(eventMask);
        return FT_STATUS(FT_OK);
    });
}

BOOL FT_W32_GetCommMask(FT_HANDLE handle, LPDWORD eventMask)
{
    return w32(handle, [&](SerialPort &port) {
        if (!eventMask)
            return FT_STATUS(FT_INVALID_PARAMETER);
        *eventMask = port.events()->commMask();
        return FT_STATUS(FT_OK);
    });
}

BOOL FT_W32_WaitCommEvent(FT_HANDLE handle, PULONG event, LPOVERLAPPED overlapped)
{
    return w32(handle, [&](SerialPort &port) {
        if (overlapped)
            return FT_STATUS(FT_NOT_SUPPORTED);
        if (!event)
            return FT_STATUS(FT_INVALID_PARAMETER);
        return port.events()->waitCommEvent(event);
    });
}

// Without overlapped I/O nothing is pending to abort.
BOOL FT_W32_PurgeComm(FT_HANDLE handle, DWORD mask)
{
    return w32(handle, [&](SerialPort &port) {
        const ULONG purge = ((mask & PURGE_RXCLEAR) ? ULONG(FT_PURGE_RX) : 0u) | ((mask & PURGE_TXCLEAR) ? ULONG(FT_PURGE_TX) : 0u);
        return port.purge(purge);
    });
}

DWORD FT_W32_GetLastError(FT_HANDLE handle)
{
    const std::shared_ptr<SerialPort> port = Handles::instance().find(handle);
    return port ? port->lastW32Error.load() : DWORD(FT_INVALID_HANDLE);
}

BOOL FT_W32_ClearCommError(FT_HANDLE handle, LPDWORD errors, LPFTCOMSTAT comstat)
{
    return w32(handle, [&](SerialPort &port) {
        DWORD rx = 0, tx = 0;
        const FT_STATUS status = port.status(&rx, &tx);
        if (status != FT_OK)
            return status;
        if (errors)
            *errors = port.commErrors();
        if (comstat) {
            *comstat = FTCOMSTAT{};
            comstat->cbInQue = rx;
            comstat->cbOutQue = tx;
        }
        return FT_STATUS(FT_OK);
    });
}

// No overlapped I/O is ever pending.
BOOL FT_W32_CancelIo(FT_HANDLE handle)
{
    return w32(handle, [](SerialPort &) { return FT_STATUS(FT_OK); });
}
