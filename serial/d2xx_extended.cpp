// libtavixserial: D2XX's extended functions, the undocumented ones of
// FTDI's header, and those the kernel's serial driver gives no access to.
//
// What a tty cannot do answers FT_NOT_SUPPORTED (after the handle is
// checked: an unknown handle is FT_INVALID_HANDLE first): the EEPROM and
// its user area (ftdi_sio exposes neither), bit modes other than reset
// (ftdi_sio drives the chip as a UART only), port cycling, port reset and
// driver reload, vendor commands, raw ioctls, and the idle states of
// Windows' COM port driver. Settings of the USB transfer (sizes, dead-man
// time-out, pipe retries) and the stopping of the receiving task are
// accepted without effect: the kernel keeps its own transfer settings and
// keeps receiving, so nothing the caller sees differs (no byte is lost).
#include "d2xx_exports.h"
#include "handles.h"

using namespace tavixserial;

namespace {

FT_STATUS notSupported(FT_HANDLE handle)
{
    return withPort(handle, [](SerialPort &) { return FT_STATUS(FT_NOT_SUPPORTED); });
}

FT_STATUS accepted(FT_HANDLE handle)
{
    return withPort(handle, [](SerialPort &) { return FT_STATUS(FT_OK); });
}

} // namespace

FT_STATUS FT_SetLatencyTimer(FT_HANDLE handle, UCHAR latency)
{
    return withPort(handle, [&](SerialPort &port) { return port.setLatencyTimer(latency); });
}

FT_STATUS FT_GetLatencyTimer(FT_HANDLE handle, PUCHAR latency)
{
    return withPort(handle, [&](SerialPort &port) {
        return latency ? port.latencyTimer(latency) : FT_STATUS(FT_INVALID_PARAMETER);
    });
}

// Reset (mode 0) is the UART the port already is.
FT_STATUS FT_SetBitMode(FT_HANDLE handle, UCHAR, UCHAR enable)
{
    return withPort(handle, [&](SerialPort &) {
        return enable == FT_BITMODE_RESET ? FT_STATUS(FT_OK) : FT_STATUS(FT_NOT_SUPPORTED);
    });
}

FT_STATUS FT_GetBitMode(FT_HANDLE handle, PUCHAR)
{
    return notSupported(handle);
}

// Transfer sizes: multiples of 64 from 64 to 65536 bytes, as D2XX takes them.
FT_STATUS FT_SetUSBParameters(FT_HANDLE handle, ULONG inTransferSize, ULONG outTransferSize)
{
    return withPort(handle, [&](SerialPort &) {
        for (ULONG size : {inTransferSize, outTransferSize})
            if (size != 0 && (size < 64 || size > 65536 || size % 64 != 0))
                return FT_STATUS(FT_INVALID_PARAMETER);
        return FT_STATUS(FT_OK);
    });
}

FT_STATUS FT_SetDeadmanTimeout(FT_HANDLE handle, ULONG)
{
    return accepted(handle);
}

FT_STATUS FT_SetResetPipeRetryCount(FT_HANDLE handle, DWORD)
{
    return accepted(handle);
}

FT_STATUS FT_StopInTask(FT_HANDLE handle)
{
    return accepted(handle);
}

FT_STATUS FT_RestartInTask(FT_HANDLE handle)
{
    return accepted(handle);
}

FT_STATUS FT_ResetPort(FT_HANDLE handle)
{
    return notSupported(handle);
}

FT_STATUS FT_CyclePort(FT_HANDLE handle)
{
    return notSupported(handle);
}

FT_STATUS FT_Reload(WORD, WORD)
{
    return FT_NOT_SUPPORTED;
}

FT_STATUS FT_IoCtl(FT_HANDLE handle, DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD, LPOVERLAPPED)
{
    return notSupported(handle);
}

// The undocumented pair that waits for events the Win32 way.
FT_STATUS FT_SetWaitMask(FT_HANDLE handle, DWORD mask)
{
    return withPort(handle, [&](SerialPort &port) {
        port.events()->setCommMask(mask);
        return FT_STATUS(FT_OK);
    });
}

FT_STATUS FT_WaitOnMask(FT_HANDLE handle, DWORD *mask)
{
    return withPort(handle, [&](SerialPort &port) {
        return mask ? port.events()->waitCommEvent(mask) : FT_STATUS(FT_INVALID_PARAMETER);
    });
}

FT_STATUS FT_ReadEE(FT_HANDLE handle, DWORD, LPWORD)
{
    return notSupported(handle);
}

FT_STATUS FT_WriteEE(FT_HANDLE handle, DWORD, WORD)
{
    return notSupported(handle);
}

FT_STATUS FT_EraseEE(FT_HANDLE handle)
{
    return notSupported(handle);
}

FT_STATUS FT_EE_Read(FT_HANDLE handle, PFT_PROGRAM_DATA)
{
    return notSupported(handle);
}

FT_STATUS FT_EE_ReadEx(FT_HANDLE handle, PFT_PROGRAM_DATA, char *, char *, char *, char *)
{
    return notSupported(handle);
}

FT_STATUS FT_EE_Program(FT_HANDLE handle, PFT_PROGRAM_DATA)
{
    return notSupported(handle);
}

FT_STATUS FT_EE_ProgramEx(FT_HANDLE handle, PFT_PROGRAM_DATA, char *, char *, char *, char *)
{
    return notSupported(handle);
}

FT_STATUS FT_EE_UASize(FT_HANDLE handle, LPDWORD)
{
    return notSupported(handle);
}

FT_STATUS FT_EE_UARead(FT_HANDLE handle, PUCHAR, DWORD, LPDWORD)
{
    return notSupported(handle);
}

FT_STATUS FT_EE_UAWrite(FT_HANDLE handle, PUCHAR, DWORD)
{
    return notSupported(handle);
}

FT_STATUS FT_EEPROM_Read(FT_HANDLE handle, void *, DWORD, char *, char *, char *, char *)
{
    return notSupported(handle);
}

FT_STATUS FT_EEPROM_Program(FT_HANDLE handle, void *, DWORD, char *, char *, char *, char *)
{
    return notSupported(handle);
}

FT_STATUS FT_EE_ReadConfig(FT_HANDLE handle, UCHAR, PUCHAR)
{
    return notSupported(handle);
}

FT_STATUS FT_EE_WriteConfig(FT_HANDLE handle, UCHAR, UCHAR)
{
    return notSupported(handle);
}

FT_STATUS FT_EE_ReadECC(FT_HANDLE handle, UCHAR, LPWORD)
{
    return notSupported(handle);
}

FT_STATUS FT_ComPortIdle(FT_HANDLE handle)
{
    return notSupported(handle);
}

FT_STATUS FT_ComPortCancelIdle(FT_HANDLE handle)
{
    return notSupported(handle);
}

FT_STATUS FT_VendorCmdGet(FT_HANDLE handle, UCHAR, UCHAR *, USHORT)
{
    return notSupported(handle);
}

FT_STATUS FT_VendorCmdSet(FT_HANDLE handle, UCHAR, UCHAR *, USHORT)
{
    return notSupported(handle);
}

FT_STATUS FT_VendorCmdGetEx(FT_HANDLE handle, USHORT, UCHAR *, USHORT)
{
    return notSupported(handle);
}

FT_STATUS FT_VendorCmdSetEx(FT_HANDLE handle, USHORT, UCHAR *, USHORT)
{
    return notSupported(handle);
}
