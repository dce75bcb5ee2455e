// A D2XX library with one listed device ("TX300001", "Tavix 3000") that
// cannot be opened: every open fails with FT_DEVICE_NOT_OPENED and leaves,
// for the calling thread, the reason set with TavixTest_SetOpenFailure in
// TavixSerial_LastError, as the serial adapter words a busy port. The other
// calls answer FT_INVALID_HANDLE.
#include "core/device/d2xx_types.h"

#include <cstring>
#include <string>

#define TEST_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
std::string g_reason;
int g_opens = 0;
thread_local std::string t_lastError;

FT_STATUS Refuse()
{
    ++g_opens;
    t_lastError = g_reason;
    return FT_DEVICE_NOT_OPENED;
}
} // namespace

TEST_EXPORT void TavixTest_SetOpenFailure(const char *reason) { g_reason = reason; }
TEST_EXPORT int TavixTest_OpenAttempts() { return g_opens; }
TEST_EXPORT const char *TavixSerial_LastError() { return t_lastError.c_str(); }

TEST_EXPORT FT_STATUS FT_Open(int, FT_HANDLE *) { return Refuse(); }
TEST_EXPORT FT_STATUS FT_OpenEx(void *, DWORD, FT_HANDLE *) { return Refuse(); }
TEST_EXPORT FT_STATUS FT_ListDevices(void *arg1, void *arg2, DWORD flags)
{
    if (flags & FT_LIST_NUMBER_ONLY) {
        *static_cast<DWORD *>(arg1) = 1;
        return FT_OK;
    }
    char **table = static_cast<char **>(arg1);
    if (table[0])
        std::strcpy(table[0], (flags & FT_OPEN_BY_DESCRIPTION) ? "Tavix 3000" : "TX300001");
    *static_cast<DWORD *>(arg2) = 1;
    return FT_OK;
}
TEST_EXPORT FT_STATUS FT_Close(FT_HANDLE) { return FT_INVALID_HANDLE; }
TEST_EXPORT FT_STATUS FT_Read(FT_HANDLE, void *, DWORD, DWORD *) { return FT_INVALID_HANDLE; }
TEST_EXPORT FT_STATUS FT_Write(FT_HANDLE, void *, DWORD, DWORD *) { return FT_INVALID_HANDLE; }
TEST_EXPORT FT_STATUS FT_ResetDevice(FT_HANDLE) { return FT_INVALID_HANDLE; }
TEST_EXPORT FT_STATUS FT_Purge(FT_HANDLE, ULONG) { return FT_INVALID_HANDLE; }
TEST_EXPORT FT_STATUS FT_SetTimeouts(FT_HANDLE, ULONG, ULONG) { return FT_INVALID_HANDLE; }
TEST_EXPORT FT_STATUS FT_GetQueueStatus(FT_HANDLE, DWORD *) { return FT_INVALID_HANDLE; }
TEST_EXPORT FT_STATUS FT_GetStatus(FT_HANDLE, DWORD *, DWORD *, DWORD *) { return FT_INVALID_HANDLE; }
TEST_EXPORT FT_STATUS FT_SetChars(FT_HANDLE, UCHAR, UCHAR, UCHAR, UCHAR) { return FT_INVALID_HANDLE; }
TEST_EXPORT FT_STATUS FT_SetEventNotification(FT_HANDLE, DWORD, void *) { return FT_INVALID_HANDLE; }
