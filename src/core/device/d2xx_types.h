// The D2XX driver interface as FTDI publishes it for Linux: the types,
// constants, structures and the prototype of every entry point, shared by
// the program's binding, the simulated instrument and the serial adapter.
// Plain C calling convention; on 64-bit Linux ULONG, DWORD, LONG and BOOL
// are 32 bits, as in FTDI's Linux headers. The constants are typed values
// (not enumerators), so flags of different groups combine without casts. The EEPROM structures are
// declared but not defined: nothing here reads or writes them.
#ifndef TAVIX_CORE_DEVICE_D2XX_TYPES_H
#define TAVIX_CORE_DEVICE_D2XX_TYPES_H

#include <cstdint>

extern "C" {

typedef void *FT_HANDLE;
typedef uint32_t FT_STATUS;
typedef uint32_t ULONG;
typedef uint32_t DWORD;
typedef uint32_t LONG;
typedef uint32_t BOOL;
typedef uint16_t WORD;
typedef uint16_t USHORT;
typedef unsigned char UCHAR;
typedef unsigned char BYTE;
typedef void *PVOID;
typedef void *LPVOID;
typedef void *HANDLE;
typedef char *PCHAR;
typedef const char *LPCTSTR;
typedef UCHAR *PUCHAR;
typedef DWORD *LPDWORD;
typedef ULONG *PULONG;
typedef LONG *LPLONG;
typedef WORD *LPWORD;
typedef ULONG FT_DEVICE;

constexpr FT_STATUS FT_OK = 0;
constexpr FT_STATUS FT_INVALID_HANDLE = 1;
constexpr FT_STATUS FT_DEVICE_NOT_FOUND = 2;
constexpr FT_STATUS FT_DEVICE_NOT_OPENED = 3;
constexpr FT_STATUS FT_IO_ERROR = 4;
constexpr FT_STATUS FT_INSUFFICIENT_RESOURCES = 5;
constexpr FT_STATUS FT_INVALID_PARAMETER = 6;
constexpr FT_STATUS FT_INVALID_BAUD_RATE = 7;
constexpr FT_STATUS FT_DEVICE_NOT_OPENED_FOR_ERASE = 8;
constexpr FT_STATUS FT_DEVICE_NOT_OPENED_FOR_WRITE = 9;
constexpr FT_STATUS FT_FAILED_TO_WRITE_DEVICE = 10;
constexpr FT_STATUS FT_EEPROM_READ_FAILED = 11;
constexpr FT_STATUS FT_EEPROM_WRITE_FAILED = 12;
constexpr FT_STATUS FT_EEPROM_ERASE_FAILED = 13;
constexpr FT_STATUS FT_EEPROM_NOT_PRESENT = 14;
constexpr FT_STATUS FT_EEPROM_NOT_PROGRAMMED = 15;
constexpr FT_STATUS FT_INVALID_ARGS = 16;
constexpr FT_STATUS FT_NOT_SUPPORTED = 17;
constexpr FT_STATUS FT_OTHER_ERROR = 18;
constexpr FT_STATUS FT_DEVICE_LIST_NOT_READY = 19;

constexpr DWORD FT_OPEN_BY_SERIAL_NUMBER = 1;
constexpr DWORD FT_OPEN_BY_DESCRIPTION = 2;
constexpr DWORD FT_OPEN_BY_LOCATION = 4;
constexpr DWORD FT_OPEN_MASK = 7;
constexpr DWORD FT_LIST_NUMBER_ONLY = 0x80000000u;
constexpr DWORD FT_LIST_BY_INDEX = 0x40000000u;
constexpr DWORD FT_LIST_ALL = 0x20000000u;
constexpr DWORD FT_LIST_MASK = 0xE0000000u;

// Line settings: FT_SetDataCharacteristics, FT_SetFlowControl.
constexpr UCHAR FT_BITS_7 = 7;
constexpr UCHAR FT_BITS_8 = 8;
constexpr UCHAR FT_STOP_BITS_1 = 0;
constexpr UCHAR FT_STOP_BITS_2 = 2;
constexpr UCHAR FT_PARITY_NONE = 0;
constexpr UCHAR FT_PARITY_ODD = 1;
constexpr UCHAR FT_PARITY_EVEN = 2;
constexpr UCHAR FT_PARITY_MARK = 3;
constexpr UCHAR FT_PARITY_SPACE = 4;

constexpr USHORT FT_FLOW_NONE = 0x0000;
constexpr USHORT FT_FLOW_RTS_CTS = 0x0100;
constexpr USHORT FT_FLOW_DTR_DSR = 0x0200;
constexpr USHORT FT_FLOW_XON_XOFF = 0x0400;

constexpr ULONG FT_PURGE_RX = 1;
constexpr ULONG FT_PURGE_TX = 2;

// FT_SetEventNotification's mask and FT_GetStatus's event word.
constexpr DWORD FT_EVENT_RXCHAR = 1;
constexpr DWORD FT_EVENT_MODEM_STATUS = 2;
constexpr DWORD FT_EVENT_LINE_STATUS = 4;

// FT_GetModemStatus: modem lines in the low byte, line status in the next.
constexpr ULONG FT_MODEM_STATUS_CTS = 0x10;
constexpr ULONG FT_MODEM_STATUS_DSR = 0x20;
constexpr ULONG FT_MODEM_STATUS_RI = 0x40;
constexpr ULONG FT_MODEM_STATUS_DCD = 0x80;
constexpr ULONG FT_LINE_STATUS_OE = 0x0200;
constexpr ULONG FT_LINE_STATUS_PE = 0x0400;
constexpr ULONG FT_LINE_STATUS_FE = 0x0800;
constexpr ULONG FT_LINE_STATUS_BI = 0x1000;

constexpr FT_DEVICE FT_DEVICE_BM = 0;
constexpr FT_DEVICE FT_DEVICE_AM = 1;
constexpr FT_DEVICE FT_DEVICE_100AX = 2;
constexpr FT_DEVICE FT_DEVICE_UNKNOWN = 3;
constexpr FT_DEVICE FT_DEVICE_2232C = 4;
constexpr FT_DEVICE FT_DEVICE_232R = 5;
constexpr FT_DEVICE FT_DEVICE_2232H = 6;
constexpr FT_DEVICE FT_DEVICE_4232H = 7;
constexpr FT_DEVICE FT_DEVICE_232H = 8;
constexpr FT_DEVICE FT_DEVICE_X_SERIES = 9;
constexpr FT_DEVICE FT_DEVICE_2233HP = 17;
constexpr FT_DEVICE FT_DEVICE_4233HP = 18;
constexpr FT_DEVICE FT_DEVICE_2232HP = 19;
constexpr FT_DEVICE FT_DEVICE_4232HP = 20;
constexpr FT_DEVICE FT_DEVICE_233HP = 21;
constexpr FT_DEVICE FT_DEVICE_232HP = 22;
constexpr FT_DEVICE FT_DEVICE_2232HA = 23;
constexpr FT_DEVICE FT_DEVICE_4232HA = 24;

constexpr UCHAR FT_BITMODE_RESET = 0x00;
constexpr UCHAR FT_BITMODE_ASYNC_BITBANG = 0x01;
constexpr UCHAR FT_BITMODE_MPSSE = 0x02;
constexpr UCHAR FT_BITMODE_SYNC_BITBANG = 0x04;
constexpr UCHAR FT_BITMODE_MCU_HOST = 0x08;
constexpr UCHAR FT_BITMODE_FAST_SERIAL = 0x10;
constexpr UCHAR FT_BITMODE_CBUS_BITBANG = 0x20;
constexpr UCHAR FT_BITMODE_SYNC_FIFO = 0x40;

// FT_DEVICE_LIST_INFO_NODE.Flags.
constexpr ULONG FT_FLAGS_OPENED = 1;
constexpr ULONG FT_FLAGS_HISPEED = 2;

constexpr ULONG FT_DEFAULT_RX_TIMEOUT = 300;
constexpr ULONG FT_DEFAULT_TX_TIMEOUT = 300;

// The Win32-style layer (FT_W32_*): the Windows values FTDI's Linux headers
// repeat.
constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x00000080;
constexpr DWORD FILE_FLAG_OVERLAPPED = 0x40000000u;
constexpr DWORD INVALID_HANDLE_VALUE = 0xFFFFFFFFu;
// Modem status (FT_W32_GetCommModemStatus).
constexpr DWORD MS_CTS_ON = 0x0010;
constexpr DWORD MS_DSR_ON = 0x0020;
constexpr DWORD MS_RING_ON = 0x0040;
constexpr DWORD MS_RLSD_ON = 0x0080;
// Error flags (FT_W32_ClearCommError).
constexpr DWORD CE_RXOVER = 0x0001;
constexpr DWORD CE_OVERRUN = 0x0002;
constexpr DWORD CE_RXPARITY = 0x0004;
constexpr DWORD CE_FRAME = 0x0008;
constexpr DWORD CE_BREAK = 0x0010;
constexpr DWORD CE_TXFULL = 0x0100;
// Events (FT_W32_SetCommMask, FT_W32_WaitCommEvent).
constexpr DWORD EV_RXCHAR = 0x0001;
constexpr DWORD EV_RXFLAG = 0x0002;
constexpr DWORD EV_TXEMPTY = 0x0004;
constexpr DWORD EV_CTS = 0x0008;
constexpr DWORD EV_DSR = 0x0010;
constexpr DWORD EV_RLSD = 0x0020;
constexpr DWORD EV_BREAK = 0x0040;
constexpr DWORD EV_ERR = 0x0080;
constexpr DWORD EV_RING = 0x0100;
constexpr DWORD EV_PERR = 0x0200;
constexpr DWORD EV_RX80FULL = 0x0400;
constexpr DWORD EV_EVENT1 = 0x0800;
constexpr DWORD EV_EVENT2 = 0x1000;
// Escape functions (FT_W32_EscapeCommFunction).
constexpr DWORD SETXOFF = 1;
constexpr DWORD SETXON = 2;
constexpr DWORD SETRTS = 3;
constexpr DWORD CLRRTS = 4;
constexpr DWORD SETDTR = 5;
constexpr DWORD CLRDTR = 6;
constexpr DWORD RESETDEV = 7;
constexpr DWORD SETBREAK = 8;
constexpr DWORD CLRBREAK = 9;
// Purge flags (FT_W32_PurgeComm).
constexpr DWORD PURGE_TXABORT = 0x0001;
constexpr DWORD PURGE_RXABORT = 0x0002;
constexpr DWORD PURGE_TXCLEAR = 0x0004;
constexpr DWORD PURGE_RXCLEAR = 0x0008;

// FTDCB.fDtrControl and fRtsControl.
constexpr DWORD DTR_CONTROL_DISABLE = 0;
constexpr DWORD DTR_CONTROL_ENABLE = 1;
constexpr DWORD DTR_CONTROL_HANDSHAKE = 2;
constexpr DWORD RTS_CONTROL_DISABLE = 0;
constexpr DWORD RTS_CONTROL_ENABLE = 1;
constexpr DWORD RTS_CONTROL_HANDSHAKE = 2;
constexpr DWORD RTS_CONTROL_TOGGLE = 3;

typedef struct _ft_device_list_info_node {
    ULONG Flags;
    ULONG Type;
    ULONG ID;
    DWORD LocId;
    char SerialNumber[16];
    char Description[64];
    FT_HANDLE ftHandle;
} FT_DEVICE_LIST_INFO_NODE;

typedef struct _OVERLAPPED {
    DWORD Internal;
    DWORD InternalHigh;
    union {
        struct {
            DWORD Offset;
            DWORD OffsetHigh;
        } Position;
        PVOID Pointer;
    };
    HANDLE hEvent;
} OVERLAPPED, *LPOVERLAPPED;

typedef struct _SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

typedef struct _FTCOMSTAT {
    DWORD fCtsHold : 1;
    DWORD fDsrHold : 1;
    DWORD fRlsdHold : 1;
    DWORD fXoffHold : 1;
    DWORD fXoffSent : 1;
    DWORD fEof : 1;
    DWORD fTxim : 1;
    DWORD fReserved : 25;
    DWORD cbInQue;
    DWORD cbOutQue;
} FTCOMSTAT, *LPFTCOMSTAT;

typedef struct _FTDCB {
    DWORD DCBlength;
    DWORD BaudRate;
    DWORD fBinary : 1;
    DWORD fParity : 1;
    DWORD fOutxCtsFlow : 1;
    DWORD fOutxDsrFlow : 1;
    DWORD fDtrControl : 2;
    DWORD fDsrSensitivity : 1;
    DWORD fTXContinueOnXoff : 1;
    DWORD fOutX : 1;
    DWORD fInX : 1;
    DWORD fErrorChar : 1;
    DWORD fNull : 1;
    DWORD fRtsControl : 2;
    DWORD fAbortOnError : 1;
    DWORD fDummy2 : 17;
    WORD wReserved;
    WORD XonLim;
    WORD XoffLim;
    BYTE ByteSize;
    BYTE Parity;
    BYTE StopBits;
    char XonChar;
    char XoffChar;
    char ErrorChar;
    char EofChar;
    char EvtChar;
    WORD wReserved1;
} FTDCB, *LPFTDCB;

typedef struct _FTTIMEOUTS {
    DWORD ReadIntervalTimeout;
    DWORD ReadTotalTimeoutMultiplier;
    DWORD ReadTotalTimeoutConstant;
    DWORD WriteTotalTimeoutMultiplier;
    DWORD WriteTotalTimeoutConstant;
} FTTIMEOUTS, *LPFTTIMEOUTS;

struct ft_program_data;
typedef struct ft_program_data FT_PROGRAM_DATA, *PFT_PROGRAM_DATA;

// Every entry point's prototype, FN_<name>; a pointer to one is FN_<name> *.
// Classic functions.
typedef FT_STATUS FN_FT_SetVIDPID(DWORD dwVID, DWORD dwPID);
typedef FT_STATUS FN_FT_GetVIDPID(DWORD *pdwVID, DWORD *pdwPID);
typedef FT_STATUS FN_FT_CreateDeviceInfoList(LPDWORD lpdwNumDevs);
typedef FT_STATUS FN_FT_GetDeviceInfoList(FT_DEVICE_LIST_INFO_NODE *pDest, LPDWORD lpdwNumDevs);
typedef FT_STATUS FN_FT_GetDeviceInfoDetail(DWORD dwIndex, LPDWORD lpdwFlags, LPDWORD lpdwType, LPDWORD lpdwID,
                                            LPDWORD lpdwLocId, LPVOID lpSerialNumber, LPVOID lpDescription,
                                            FT_HANDLE *pftHandle);
typedef FT_STATUS FN_FT_ListDevices(void *pArg1, void *pArg2, DWORD flags);
typedef FT_STATUS FN_FT_Open(int deviceNumber, FT_HANDLE *pHandle);
typedef FT_STATUS FN_FT_OpenEx(void *pArg1, DWORD flags, FT_HANDLE *pHandle);
typedef FT_STATUS FN_FT_Close(FT_HANDLE handle);
typedef FT_STATUS FN_FT_Read(FT_HANDLE handle, void *buffer, DWORD bytesToRead, DWORD *bytesReturned);
typedef FT_STATUS FN_FT_Write(FT_HANDLE handle, void *buffer, DWORD bytesToWrite, DWORD *bytesWritten);
typedef FT_STATUS FN_FT_SetBaudRate(FT_HANDLE handle, ULONG baudRate);
typedef FT_STATUS FN_FT_SetDivisor(FT_HANDLE handle, USHORT divisor);
typedef FT_STATUS FN_FT_SetDataCharacteristics(FT_HANDLE handle, UCHAR wordLength, UCHAR stopBits, UCHAR parity);
typedef FT_STATUS FN_FT_SetTimeouts(FT_HANDLE handle, ULONG readTimeout, ULONG writeTimeout);
typedef FT_STATUS FN_FT_SetFlowControl(FT_HANDLE handle, USHORT flowControl, UCHAR xonChar, UCHAR xoffChar);
typedef FT_STATUS FN_FT_SetDtr(FT_HANDLE handle);
typedef FT_STATUS FN_FT_ClrDtr(FT_HANDLE handle);
typedef FT_STATUS FN_FT_SetRts(FT_HANDLE handle);
typedef FT_STATUS FN_FT_ClrRts(FT_HANDLE handle);
typedef FT_STATUS FN_FT_GetModemStatus(FT_HANDLE handle, ULONG *modemStatus);
typedef FT_STATUS FN_FT_GetQueueStatus(FT_HANDLE handle, DWORD *rxBytes);
typedef FT_STATUS FN_FT_GetDeviceInfo(FT_HANDLE handle, FT_DEVICE *device, LPDWORD id, PCHAR serialNumber,
                                      PCHAR description, LPVOID dummy);
typedef FT_STATUS FN_FT_GetDeviceLocId(FT_HANDLE handle, LPDWORD locId);
typedef FT_STATUS FN_FT_GetDriverVersion(FT_HANDLE handle, LPDWORD version);
typedef FT_STATUS FN_FT_GetLibraryVersion(LPDWORD version);
typedef FT_STATUS FN_FT_GetComPortNumber(FT_HANDLE handle, LPLONG comPortNumber);
typedef FT_STATUS FN_FT_GetStatus(FT_HANDLE handle, DWORD *rxBytes, DWORD *txBytes, DWORD *eventDWord);
typedef FT_STATUS FN_FT_SetEventNotification(FT_HANDLE handle, DWORD mask, void *param);
typedef FT_STATUS FN_FT_SetChars(FT_HANDLE handle, UCHAR eventChar, UCHAR eventCharEnabled, UCHAR errorChar,
                                 UCHAR errorCharEnabled);
typedef FT_STATUS FN_FT_SetBreakOn(FT_HANDLE handle);
typedef FT_STATUS FN_FT_SetBreakOff(FT_HANDLE handle);
typedef FT_STATUS FN_FT_Purge(FT_HANDLE handle, ULONG mask);
typedef FT_STATUS FN_FT_ResetDevice(FT_HANDLE handle);
typedef FT_STATUS FN_FT_ResetPort(FT_HANDLE handle);
typedef FT_STATUS FN_FT_CyclePort(FT_HANDLE handle);
typedef FT_STATUS FN_FT_Rescan(void);
typedef FT_STATUS FN_FT_Reload(WORD vid, WORD pid);
typedef FT_STATUS FN_FT_SetResetPipeRetryCount(FT_HANDLE handle, DWORD count);
typedef FT_STATUS FN_FT_StopInTask(FT_HANDLE handle);
typedef FT_STATUS FN_FT_RestartInTask(FT_HANDLE handle);
typedef FT_STATUS FN_FT_SetDeadmanTimeout(FT_HANDLE handle, ULONG deadmanTimeout);
typedef FT_STATUS FN_FT_IoCtl(FT_HANDLE handle, DWORD ioControlCode, LPVOID inBuf, DWORD inBufSize, LPVOID outBuf,
                              DWORD outBufSize, LPDWORD bytesReturned, LPOVERLAPPED overlapped);
typedef FT_STATUS FN_FT_SetWaitMask(FT_HANDLE handle, DWORD mask);
typedef FT_STATUS FN_FT_WaitOnMask(FT_HANDLE handle, DWORD *mask);
typedef FT_STATUS FN_FT_GetEventStatus(FT_HANDLE handle, DWORD *eventDWord);
// EEPROM functions.
typedef FT_STATUS FN_FT_ReadEE(FT_HANDLE handle, DWORD wordOffset, LPWORD value);
typedef FT_STATUS FN_FT_WriteEE(FT_HANDLE handle, DWORD wordOffset, WORD value);
typedef FT_STATUS FN_FT_EraseEE(FT_HANDLE handle);
typedef FT_STATUS FN_FT_EE_Read(FT_HANDLE handle, PFT_PROGRAM_DATA data);
typedef FT_STATUS FN_FT_EE_ReadEx(FT_HANDLE handle, PFT_PROGRAM_DATA data, char *manufacturer, char *manufacturerId,
                                  char *description, char *serialNumber);
typedef FT_STATUS FN_FT_EE_Program(FT_HANDLE handle, PFT_PROGRAM_DATA data);
typedef FT_STATUS FN_FT_EE_ProgramEx(FT_HANDLE handle, PFT_PROGRAM_DATA data, char *manufacturer,
                                     char *manufacturerId, char *description, char *serialNumber);
typedef FT_STATUS FN_FT_EE_UASize(FT_HANDLE handle, LPDWORD size);
typedef FT_STATUS FN_FT_EE_UARead(FT_HANDLE handle, PUCHAR data, DWORD dataLen, LPDWORD bytesRead);
typedef FT_STATUS FN_FT_EE_UAWrite(FT_HANDLE handle, PUCHAR data, DWORD dataLen);
typedef FT_STATUS FN_FT_EEPROM_Read(FT_HANDLE handle, void *eepromData, DWORD eepromDataSize, char *manufacturer,
                                    char *manufacturerId, char *description, char *serialNumber);
typedef FT_STATUS FN_FT_EEPROM_Program(FT_HANDLE handle, void *eepromData, DWORD eepromDataSize,
                                       char *manufacturer, char *manufacturerId, char *description,
                                       char *serialNumber);
typedef FT_STATUS FN_FT_EE_ReadConfig(FT_HANDLE handle, UCHAR address, PUCHAR value);
typedef FT_STATUS FN_FT_EE_WriteConfig(FT_HANDLE handle, UCHAR address, UCHAR value);
typedef FT_STATUS FN_FT_EE_ReadECC(FT_HANDLE handle, UCHAR option, LPWORD value);
// Extended functions.
typedef FT_STATUS FN_FT_SetLatencyTimer(FT_HANDLE handle, UCHAR latency);
typedef FT_STATUS FN_FT_GetLatencyTimer(FT_HANDLE handle, PUCHAR latency);
typedef FT_STATUS FN_FT_SetBitMode(FT_HANDLE handle, UCHAR mask, UCHAR enable);
typedef FT_STATUS FN_FT_GetBitMode(FT_HANDLE handle, PUCHAR mode);
typedef FT_STATUS FN_FT_SetUSBParameters(FT_HANDLE handle, ULONG inTransferSize, ULONG outTransferSize);
typedef FT_STATUS FN_FT_GetQueueStatusEx(FT_HANDLE handle, DWORD *rxBytes);
typedef FT_STATUS FN_FT_ComPortIdle(FT_HANDLE handle);
typedef FT_STATUS FN_FT_ComPortCancelIdle(FT_HANDLE handle);
typedef FT_STATUS FN_FT_VendorCmdGet(FT_HANDLE handle, UCHAR request, UCHAR *buf, USHORT len);
typedef FT_STATUS FN_FT_VendorCmdSet(FT_HANDLE handle, UCHAR request, UCHAR *buf, USHORT len);
typedef FT_STATUS FN_FT_VendorCmdGetEx(FT_HANDLE handle, USHORT value, UCHAR *buf, USHORT len);
typedef FT_STATUS FN_FT_VendorCmdSetEx(FT_HANDLE handle, USHORT value, UCHAR *buf, USHORT len);
// The Win32-style functions: BOOL results (non-zero for success), the
// reason of a failure through FT_W32_GetLastError.
typedef FT_HANDLE FN_FT_W32_CreateFile(LPCTSTR name, DWORD access, DWORD shareMode,
                                       LPSECURITY_ATTRIBUTES securityAttributes, DWORD create,
                                       DWORD attrsAndFlags, HANDLE templateFile);
typedef BOOL FN_FT_W32_CloseHandle(FT_HANDLE handle);
typedef BOOL FN_FT_W32_ReadFile(FT_HANDLE handle, LPVOID buffer, DWORD bufferSize, LPDWORD bytesReturned,
                                LPOVERLAPPED overlapped);
typedef BOOL FN_FT_W32_WriteFile(FT_HANDLE handle, LPVOID buffer, DWORD bufferSize, LPDWORD bytesWritten,
                                 LPOVERLAPPED overlapped);
typedef BOOL FN_FT_W32_GetOverlappedResult(FT_HANDLE handle, LPOVERLAPPED overlapped, LPDWORD bytesTransferred,
                                           BOOL wait);
typedef BOOL FN_FT_W32_EscapeCommFunction(FT_HANDLE handle, DWORD function);
typedef BOOL FN_FT_W32_GetCommModemStatus(FT_HANDLE handle, LPDWORD modemStatus);
typedef BOOL FN_FT_W32_SetupComm(FT_HANDLE handle, DWORD readBufferSize, DWORD writeBufferSize);
typedef BOOL FN_FT_W32_SetCommState(FT_HANDLE handle, LPFTDCB dcb);
typedef BOOL FN_FT_W32_GetCommState(FT_HANDLE handle, LPFTDCB dcb);
typedef BOOL FN_FT_W32_SetCommTimeouts(FT_HANDLE handle, FTTIMEOUTS *timeouts);
typedef BOOL FN_FT_W32_GetCommTimeouts(FT_HANDLE handle, FTTIMEOUTS *timeouts);
typedef BOOL FN_FT_W32_SetCommBreak(FT_HANDLE handle);
typedef BOOL FN_FT_W32_ClearCommBreak(FT_HANDLE handle);
typedef BOOL FN_FT_W32_SetCommMask(FT_HANDLE handle, ULONG eventMask);
typedef BOOL FN_FT_W32_GetCommMask(FT_HANDLE handle, LPDWORD eventMask);
typedef BOOL FN_FT_W32_WaitCommEvent(FT_HANDLE handle, PULONG event, LPOVERLAPPED overlapped);
typedef BOOL FN_FT_W32_PurgeComm(FT_HANDLE handle, DWORD mask);
typedef DWORD FN_FT_W32_GetLastError(FT_HANDLE handle);
typedef BOOL FN_FT_W32_ClearCommError(FT_HANDLE handle, LPDWORD errors, LPFTCOMSTAT comstat);
typedef BOOL FN_FT_W32_CancelIo(FT_HANDLE handle);

// The serial adapter's additions: why the last failed open on the calling
// thread failed (see serial/README.md), in words, and the same as a code
// that a program words itself, in its own language.
typedef const char *FN_TavixSerial_LastError(void);

// The kinds of failure TavixSerial_LastErrorCode tells; `name` is the port's
// path unless said otherwise.
enum {
    TAVIXSERIAL_OPEN_OTHER = 0,        // only the words tell it (wrong arguments)
    TAVIXSERIAL_OPEN_MISSING = 1,      // the path does not exist
    TAVIXSERIAL_OPEN_NO_DEVICE = 2,    // the node exists but no device is behind it (error: ENXIO, ENODEV)
    TAVIXSERIAL_OPEN_NO_CONTROLLING_TERMINAL = 3, // /dev/tty in a process without a controlling terminal
    TAVIXSERIAL_OPEN_PERMISSION = 4,   // no permission to open the port
    TAVIXSERIAL_OPEN_NOT_A_PORT = 5,   // not a serial port; detail: TAVIXSERIAL_FILE_*
    TAVIXSERIAL_OPEN_BUSY = 6,         // another program holds it; holders as far as /proc tells
    TAVIXSERIAL_OPEN_ALREADY_OPEN = 7, // open in this program already
    TAVIXSERIAL_OPEN_SYSTEM = 8,       // any other error of the system: error is its number
    TAVIXSERIAL_OPEN_NOT_LISTED = 9,   // no listed device of that name: name is the name asked for,
                                       // detail the FT_OPEN_BY_* flag (0: FT_Open's index, in name)
};

// What a path given as a port is instead (TAVIXSERIAL_OPEN_NOT_A_PORT).
enum {
    TAVIXSERIAL_FILE_OTHER = 0,
    TAVIXSERIAL_FILE_REGULAR = 1,
    TAVIXSERIAL_FILE_FOLDER = 2,
    TAVIXSERIAL_FILE_FIFO = 3,
    TAVIXSERIAL_FILE_SOCKET = 4,
    TAVIXSERIAL_FILE_BLOCK_DEVICE = 5,
    TAVIXSERIAL_FILE_DEVICE_NOT_TERMINAL = 6,
};

typedef struct {
    int kind;                  // TAVIXSERIAL_OPEN_*
    int error;                 // the system's error number, 0 when none
    int detail;                // see the kinds
    const char *name;          // UTF-8, never null
    int holders;               // TAVIXSERIAL_OPEN_BUSY: how many are named (0 to 3)
    long holderPid[3];
    const char *holderName[3]; // the command name, "" when unknown; never null
} TAVIXSERIAL_OPEN_ERROR;

// Valid until the next open on the same thread; kind OTHER and empty texts
// before any failure.
typedef const TAVIXSERIAL_OPEN_ERROR *FN_TavixSerial_LastErrorCode(void);

// The thirteen entry points the program binds.
typedef FN_FT_Open *PFN_FT_Open;
typedef FN_FT_OpenEx *PFN_FT_OpenEx;
typedef FN_FT_ListDevices *PFN_FT_ListDevices;
typedef FN_FT_Close *PFN_FT_Close;
typedef FN_FT_Read *PFN_FT_Read;
typedef FN_FT_Write *PFN_FT_Write;
typedef FN_FT_ResetDevice *PFN_FT_ResetDevice;
typedef FN_FT_Purge *PFN_FT_Purge;
typedef FN_FT_SetTimeouts *PFN_FT_SetTimeouts;
typedef FN_FT_GetQueueStatus *PFN_FT_GetQueueStatus;
typedef FN_FT_GetStatus *PFN_FT_GetStatus;
typedef FN_FT_SetChars *PFN_FT_SetChars;
typedef FN_FT_SetEventNotification *PFN_FT_SetEventNotification;
typedef FN_TavixSerial_LastError *PFN_TavixSerial_LastError;
typedef FN_TavixSerial_LastErrorCode *PFN_TavixSerial_LastErrorCode;

} // extern "C"

// Every D2XX entry point by name, in the order of FTDI's header: X(name) for
// each, so that a list of them is written once (the adapter declares its
// exports with it; tests check them against a library).
#define TAVIX_D2XX_ENTRY_POINTS(X)                                                                                 \
    X(FT_SetVIDPID) X(FT_GetVIDPID) X(FT_CreateDeviceInfoList) X(FT_GetDeviceInfoList) X(FT_GetDeviceInfoDetail)   \
    X(FT_ListDevices) X(FT_Open) X(FT_OpenEx) X(FT_Close) X(FT_Read) X(FT_Write) X(FT_SetBaudRate)                 \
    X(FT_SetDivisor) X(FT_SetDataCharacteristics) X(FT_SetTimeouts) X(FT_SetFlowControl) X(FT_SetDtr)              \
    X(FT_ClrDtr) X(FT_SetRts) X(FT_ClrRts) X(FT_GetModemStatus) X(FT_GetQueueStatus) X(FT_GetDeviceInfo)           \
    X(FT_GetDeviceLocId) X(FT_GetDriverVersion) X(FT_GetLibraryVersion) X(FT_GetComPortNumber) X(FT_GetStatus)     \
    X(FT_SetEventNotification) X(FT_SetChars) X(FT_SetBreakOn) X(FT_SetBreakOff) X(FT_Purge) X(FT_ResetDevice)     \
    X(FT_ResetPort) X(FT_CyclePort) X(FT_Rescan) X(FT_Reload) X(FT_SetResetPipeRetryCount) X(FT_StopInTask)        \
    X(FT_RestartInTask) X(FT_SetDeadmanTimeout) X(FT_IoCtl) X(FT_SetWaitMask) X(FT_WaitOnMask)                     \
    X(FT_GetEventStatus) X(FT_ReadEE) X(FT_WriteEE) X(FT_EraseEE) X(FT_EE_Read) X(FT_EE_ReadEx) X(FT_EE_Program)   \
    X(FT_EE_ProgramEx) X(FT_EE_UASize) X(FT_EE_UARead) X(FT_EE_UAWrite) X(FT_EEPROM_Read) X(FT_EEPROM_Program)     \
    X(FT_SetLatencyTimer) X(FT_GetLatencyTimer) X(FT_SetBitMode) X(FT_GetBitMode) X(FT_SetUSBParameters)           \
    X(FT_W32_CreateFile) X(FT_W32_CloseHandle) X(FT_W32_ReadFile) X(FT_W32_WriteFile)                             \
    X(FT_W32_GetOverlappedResult) X(FT_W32_EscapeCommFunction) X(FT_W32_GetCommModemStatus) X(FT_W32_SetupComm)    \
    X(FT_W32_SetCommState) X(FT_W32_GetCommState) X(FT_W32_SetCommTimeouts) X(FT_W32_GetCommTimeouts)              \
    X(FT_W32_SetCommBreak) X(FT_W32_ClearCommBreak) X(FT_W32_SetCommMask) X(FT_W32_GetCommMask)                    \
    X(FT_W32_WaitCommEvent) X(FT_W32_PurgeComm) X(FT_W32_GetLastError) X(FT_W32_ClearCommError)                    \
    X(FT_W32_CancelIo) X(FT_EE_ReadConfig) X(FT_EE_WriteConfig) X(FT_EE_ReadECC) X(FT_GetQueueStatusEx)            \
    X(FT_ComPortIdle) X(FT_ComPortCancelIdle) X(FT_VendorCmdGet) X(FT_VendorCmdSet) X(FT_VendorCmdGetEx)           \
    X(FT_VendorCmdSetEx)

#endif
