// libtavixserial: D2XX's classic functions over the kernel's serial driver
// (ftdi_sio's /dev/ttyUSB* ports, or any port named in TAVIX_SERIAL_PORTS):
// the device list and information, opening and closing, transfers, line
// settings, modem lines and status, events, purge and reset, versions.
#include "d2xx_exports.h"
#include "device_list.h"
#include "handles.h"

#include <cstring>
#include <sys/ioctl.h>
#include <sys/utsname.h>

using namespace tavixserial;

namespace {

// This library's version as D2XX numbers them (byte 2 major, byte 1 minor,
// byte 0 build, each as two decimal digits): 2.00.00.
constexpr DWORD kLibraryVersion = 0x00020000;

DWORD decimalDigits(unsigned long value)
{
    value = value > 99 ? 99 : value;
    return static_cast<DWORD>((value / 10) << 4 | (value % 10));
}

// The kernel's release ("6.1.0-18-amd64") in D2XX's version form
// (0x00060100): the serial driver is the kernel's.
DWORD kernelVersion()
{
    utsname names{};
    if (::uname(&names) != 0)
        return 0;
    unsigned long parts[3] = {0, 0, 0};
    const char *text = names.release;
    for (unsigned long &part : parts) {
        char *end = nullptr;
        part = std::strtoul(text, &end, 10);
        if (end == text || *end != '.') {
            text = end;
            break;
        }
        text = end + 1;
    }
    return decimalDigits(parts[0]) << 16 | decimalDigits(parts[1]) << 8 | decimalDigits(parts[2]);
}

FT_STATUS failedOpen(FT_STATUS status, const char *reason)
{
    setLastOpenError(argumentReason(reason));
    return status;
}

} // namespace

const char *TavixSerial_LastError(void)
{
    return lastOpenError();
}

const TAVIXSERIAL_OPEN_ERROR *TavixSerial_LastErrorCode(void)
{
    return lastOpenErrorCode();
}

FT_STATUS FT_ListDevices(void *pArg1, void *pArg2, DWORD flags)
{
    return listDevices(attachedPorts(), pArg1, pArg2, flags);
}

FT_STATUS FT_CreateDeviceInfoList(LPDWORD lpdwNumDevs)
{
    if (!lpdwNumDevs)
        return FT_INVALID_PARAMETER;
    *lpdwNumDevs = static_cast<DWORD>(rebuildDeviceInfoList().size());
    return FT_OK;
}

FT_STATUS FT_GetDeviceInfoList(FT_DEVICE_LIST_INFO_NODE *pDest, LPDWORD lpdwNumDevs)
{
    if (!pDest || !lpdwNumDevs)
        return FT_INVALID_PARAMETER;
    const auto list = deviceInfoList();
    for (size_t i = 0; i < list.size(); ++i)
        pDest[i] = infoNode(list[i]);
    *lpdwNumDevs = static_cast<DWORD>(list.size());
    return FT_OK;
}

FT_STATUS FT_GetDeviceInfoDetail(DWORD dwIndex, LPDWORD lpdwFlags, LPDWORD lpdwType, LPDWORD lpdwID,
                                 LPDWORD lpdwLocId, LPVOID lpSerialNumber, LPVOID lpDescription,
                                 FT_HANDLE *pftHandle)
{
    const auto list = deviceInfoList();
    if (dwIndex >= list.size())
        return FT_DEVICE_NOT_FOUND;
    const FT_DEVICE_LIST_INFO_NODE node = infoNode(list[dwIndex]);
    if (lpdwFlags)
        *lpdwFlags = node.Flags;
    if (lpdwType)
        *lpdwType = node.Type;
    if (lpdwID)
        *lpdwID = node.ID;
    if (lpdwLocId)
        *lpdwLocId = node.LocId;
    if (lpSerialNumber)
        std::memcpy(lpSerialNumber, node.SerialNumber, sizeof node.SerialNumber);
    if (lpDescription)
        std::memcpy(lpDescription, node.Description, sizeof node.Description);
    if (pftHandle)
        *pftHandle = node.ftHandle;
    return FT_OK;
}

FT_STATUS FT_Open(int deviceNumber, FT_HANDLE *pHandle)
{
    if (!pHandle)
        return failedOpen(FT_INVALID_PARAMETER, "FT_Open was given no place for the handle");
    return Handles::instance().openByIndex(deviceNumber, pHandle);
}

FT_STATUS FT_OpenEx(void *pArg1, DWORD flags, FT_HANDLE *pHandle)
{
    if (!pHandle || (flags != FT_OPEN_BY_LOCATION && !pArg1))
        return failedOpen(FT_INVALID_PARAMETER, "FT_OpenEx was given no name or no place for the handle");
    if (flags != FT_OPEN_BY_SERIAL_NUMBER && flags != FT_OPEN_BY_DESCRIPTION && flags != FT_OPEN_BY_LOCATION)
        return failedOpen(FT_INVALID_PARAMETER, "FT_OpenEx needs one of FT_OPEN_BY_SERIAL_NUMBER, "
                                                "FT_OPEN_BY_DESCRIPTION and FT_OPEN_BY_LOCATION");
    return Handles::instance().openBy(pArg1, flags, pHandle);
}

FT_STATUS FT_Close(FT_HANDLE handle)
{
    return Handles::instance().close(handle);
}

FT_STATUS FT_Read(FT_HANDLE handle, void *buffer, DWORD bytesToRead, DWORD *bytesReturned)
{
    return withPort(handle, [&](SerialPort &port) {
        if (!bytesReturned || (!buffer && bytesToRead))
            return FT_STATUS(FT_INVALID_PARAMETER);
        return port.read(buffer, bytesToRead, bytesReturned);
    });
}

FT_STATUS FT_Write(FT_HANDLE handle, void *buffer, DWORD bytesToWrite, DWORD *bytesWritten)
{
    return withPort(handle, [&](SerialPort &port) {
        if (!bytesWritten || (!buffer && bytesToWrite))
            return FT_STATUS(FT_INVALID_PARAMETER);
        return port.write(buffer, bytesToWrite, bytesWritten);
    });
}

FT_STATUS FT_SetBaudRate(FT_HANDLE handle, ULONG baudRate)
{
    return withPort(handle, [&](SerialPort &port) { return port.setBaudRate(baudRate); });
}

FT_STATUS FT_SetDivisor(FT_HANDLE handle, USHORT divisor)
{
    return withPort(handle, [&](SerialPort &port) { return port.setBaudRate(baudForDivisor(divisor)); });
}

FT_STATUS FT_SetDataCharacteristics(FT_HANDLE handle, UCHAR wordLength, UCHAR stopBits, UCHAR parity)
{
    return withPort(handle, [&](SerialPort &port) { return port.setDataCharacteristics(wordLength, stopBits, parity); });
}

FT_STATUS FT_SetTimeouts(FT_HANDLE handle, ULONG readTimeout, ULONG writeTimeout)
{
    return withPort(handle, [&](SerialPort &port) {
        port.setTimeouts(readTimeout, writeTimeout);
        return FT_STATUS(FT_OK);
    });
}

FT_STATUS FT_SetFlowControl(FT_HANDLE handle, USHORT flowControl, UCHAR xonChar, UCHAR xoffChar)
{
    return withPort(handle, [&](SerialPort &port) { return port.setFlowControl(flowControl, xonChar, xoffChar); });
}

FT_STATUS FT_SetDtr(FT_HANDLE handle)
{
    return withPort(handle, [](SerialPort &port) { return port.setModemLines(TIOCM_DTR, 0); });
}

FT_STATUS FT_ClrDtr(FT_HANDLE handle)
{
    return withPort(handle, [](SerialPort &port) { return port.setModemLines(0, TIOCM_DTR); });
}

FT_STATUS FT_SetRts(FT_HANDLE handle)
{
    return withPort(handle, [](SerialPort &port) { return port.setModemLines(TIOCM_RTS, 0); });
}

FT_STATUS FT_ClrRts(FT_HANDLE handle)
{
    return withPort(handle, [](SerialPort &port) { return port.setModemLines(0, TIOCM_RTS); });
}

FT_STATUS FT_GetModemStatus(FT_HANDLE handle, ULONG *modemStatus)
{
    return withPort(handle, [&](SerialPort &port) {
        return modemStatus ? port.modemStatus(modemStatus) : FT_STATUS(FT_INVALID_PARAMETER);
    });
}

FT_STATUS FT_GetQueueStatus(FT_HANDLE handle, DWORD *rxBytes)
{
    return withPort(handle, [&](SerialPort &port) {
        return rxBytes ? port.status(rxBytes, nullptr) : FT_STATUS(FT_INVALID_PARAMETER);
    });
}

FT_STATUS FT_GetQueueStatusEx(FT_HANDLE handle, DWORD *rxBytes)
{
    return FT_GetQueueStatus(handle, rxBytes);
}

FT_STATUS FT_GetDeviceInfo(FT_HANDLE handle, FT_DEVICE *device, LPDWORD id, PCHAR serialNumber, PCHAR description,
                           LPVOID)
{
    const OpenPort open = Handles::instance().describe(handle);
    if (!open.port)
        return FT_INVALID_HANDLE;
    if (device)
        *device = open.entry.type;
    if (id)
        *id = open.entry.id();
    // The sizes of FT_DEVICE_LIST_INFO_NODE's fields.
    if (serialNumber)
        copyName(serialNumber, 16, open.entry.serial);
    if (description)
        copyName(description, 64, open.entry.description);
    return FT_OK;
}

FT_STATUS FT_GetDeviceLocId(FT_HANDLE handle, LPDWORD locId)
{
    const OpenPort open = Handles::instance().describe(handle);
    if (!open.port)
        return FT_INVALID_HANDLE;
    if (!locId)
        return FT_INVALID_PARAMETER;
    *locId = open.entry.location;
    return FT_OK;
}

FT_STATUS FT_GetDriverVersion(FT_HANDLE handle, LPDWORD version)
{
    return withPort(handle, [&](SerialPort &) {
        if (!version)
            return FT_STATUS(FT_INVALID_PARAMETER);
        *version = kernelVersion();
        return FT_STATUS(FT_OK);
    });
}

FT_STATUS FT_GetLibraryVersion(LPDWORD version)
{
    if (!version)
        return FT_INVALID_PARAMETER;
    *version = kLibraryVersion;
    return FT_OK;
}

// A Linux port has no COM port number: -1, as D2XX answers for a device
// without one.
FT_STATUS FT_GetComPortNumber(FT_HANDLE handle, LPLONG comPortNumber)
{
    return withPort(handle, [&](SerialPort &) {
        if (!comPortNumber)
            return FT_STATUS(FT_INVALID_PARAMETER);
        *comPortNumber = static_cast<LONG>(-1);
        return FT_STATUS(FT_OK);
    });
}

FT_STATUS FT_GetStatus(FT_HANDLE handle, DWORD *rxBytes, DWORD *txBytes, DWORD *eventDWord)
{
    return withPort(handle, [&](SerialPort &port) {
        const FT_STATUS status = port.status(rxBytes, txBytes);
        if (status == FT_OK && eventDWord)
            *eventDWord = port.events()->takeEventStatus();
        return status;
    });
}

FT_STATUS FT_GetEventStatus(FT_HANDLE handle, DWORD *eventDWord)
{
    return withPort(handle, [&](SerialPort &port) {
        if (!eventDWord)
            return FT_STATUS(FT_INVALID_PARAMETER);
        *eventDWord = port.events()->takeEventStatus();
        return FT_STATUS(FT_OK);
    });
}

FT_STATUS FT_SetEventNotification(FT_HANDLE handle, DWORD mask, void *param)
{
    return withPort(handle, [&](SerialPort &port) {
        return port.events()->setNotification(mask, static_cast<EVENT_HANDLE *>(param));
    });
}

FT_STATUS FT_SetChars(FT_HANDLE handle, UCHAR eventChar, UCHAR eventCharEnabled, UCHAR errorChar,
                      UCHAR errorCharEnabled)
{
    return withPort(handle, [&](SerialPort &port) {
        return port.setChars(eventChar, eventCharEnabled != 0, errorChar, errorCharEnabled != 0);
    });
}

FT_STATUS FT_SetBreakOn(FT_HANDLE handle)
{
    return withPort(handle, [](SerialPort &port) { return port.setBreak(true); });
}

FT_STATUS FT_SetBreakOff(FT_HANDLE handle)
{
    return withPort(handle, [](SerialPort &port) { return port.setBreak(false); });
}

FT_STATUS FT_Purge(FT_HANDLE handle, ULONG mask)
{
    return withPort(handle, [&](SerialPort &port) { return port.purge(mask); });
}

FT_STATUS FT_ResetDevice(FT_HANDLE handle)
{
    return withPort(handle, [](SerialPort &port) { return port.reset(); });
}

// The list is read from sysfs at every call, so a rescan has nothing to do.
FT_STATUS FT_Rescan(void)
{
    return FT_OK;
}

// The kernel decides which devices ftdi_sio binds; the adapter lists them
// all, whatever their ids, and cannot add another pair.
FT_STATUS FT_SetVIDPID(DWORD, DWORD)
{
    return FT_NOT_SUPPORTED;
}

// FTDI's vendor id and the product id of its single-port chips.
FT_STATUS FT_GetVIDPID(DWORD *pdwVID, DWORD *pdwPID)
{
    if (!pdwVID || !pdwPID)
        return FT_INVALID_PARAMETER;
    *pdwVID = 0x0403;
    *pdwPID = 0x6001;
    return FT_OK;
}
