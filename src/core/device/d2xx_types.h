// The D2XX driver interface as FTDI publishes it: the types, constants and
// entry-point signatures the program and the simulated instrument share.
// Plain C calling convention; on 64-bit Linux ULONG and DWORD are 32 bits.
#ifndef TAVIX_CORE_DEVICE_D2XX_TYPES_H
#define TAVIX_CORE_DEVICE_D2XX_TYPES_H

#include <cstdint>

extern "C" {

typedef void *FT_HANDLE;
typedef uint32_t FT_STATUS;
typedef uint32_t ULONG;
typedef uint32_t DWORD;
typedef unsigned char UCHAR;

enum : FT_STATUS {
    FT_OK = 0,
    FT_INVALID_HANDLE = 1,
    FT_DEVICE_NOT_FOUND = 2,
    FT_DEVICE_NOT_OPENED = 3,
    FT_IO_ERROR = 4,
    FT_INSUFFICIENT_RESOURCES = 5,
    FT_INVALID_PARAMETER = 6,
    FT_INVALID_BAUD_RATE = 7,
    FT_OTHER_ERROR = 18,
};

enum : DWORD {
    FT_OPEN_BY_SERIAL_NUMBER = 1,
    FT_OPEN_BY_DESCRIPTION = 2,
    FT_OPEN_BY_LOCATION = 4,
    FT_LIST_NUMBER_ONLY = 0x80000000u,
    FT_LIST_BY_INDEX = 0x40000000u,
    FT_LIST_ALL = 0x20000000u,
};

enum : ULONG {
    FT_PURGE_RX = 1,
    FT_PURGE_TX = 2,
};

typedef FT_STATUS (*PFN_FT_Open)(int deviceNumber, FT_HANDLE *pHandle);
typedef FT_STATUS (*PFN_FT_OpenEx)(void *pArg1, DWORD flags, FT_HANDLE *pHandle);
typedef FT_STATUS (*PFN_FT_ListDevices)(void *pArg1, void *pArg2, DWORD flags);
typedef FT_STATUS (*PFN_FT_Close)(FT_HANDLE handle);
typedef FT_STATUS (*PFN_FT_Read)(FT_HANDLE handle, void *buffer, DWORD bytesToRead, DWORD *bytesReturned);
typedef FT_STATUS (*PFN_FT_Write)(FT_HANDLE handle, void *buffer, DWORD bytesToWrite, DWORD *bytesWritten);
typedef FT_STATUS (*PFN_FT_ResetDevice)(FT_HANDLE handle);
typedef FT_STATUS (*PFN_FT_Purge)(FT_HANDLE handle, ULONG mask);
typedef FT_STATUS (*PFN_FT_SetTimeouts)(FT_HANDLE handle, ULONG readTimeout, ULONG writeTimeout);
typedef FT_STATUS (*PFN_FT_GetQueueStatus)(FT_HANDLE handle, DWORD *rxBytes);
typedef FT_STATUS (*PFN_FT_GetStatus)(FT_HANDLE handle, DWORD *rxBytes, DWORD *txBytes, DWORD *eventDWord);
typedef FT_STATUS (*PFN_FT_SetChars)(FT_HANDLE handle, UCHAR eventChar, UCHAR eventCharEnabled,
                                     UCHAR errorChar, UCHAR errorCharEnabled);
typedef FT_STATUS (*PFN_FT_SetEventNotification)(FT_HANDLE handle, DWORD mask, void *param);

} // extern "C"

#endif
