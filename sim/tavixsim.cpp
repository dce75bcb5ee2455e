// Simulated Tavix 3000 behind an FTDI bridge: a D2XX-compatible shared
// library. This first cut lists one instrument, opens it and answers the
// readiness probe; the full behaviour follows.
#include "link/d2xx_types.h"

#include <cstring>
#include <deque>
#include <mutex>

#define TAVIXSIM_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
std::mutex g_mutex;
bool g_open = false;
std::deque<unsigned char> g_rx;
const char *kSerial = "TX300001";
const char *kDescription = "Tavix 3000";
FT_HANDLE handleValue() { return reinterpret_cast<FT_HANDLE>(static_cast<uintptr_t>(1)); }
bool valid(FT_HANDLE h) { return g_open && h == handleValue(); }
void copyName(char *dst, const char *src)
{
    std::strncpy(dst, src, 63);
    dst[63] = 0;
}
} // namespace

TAVIXSIM_EXPORT FT_STATUS FT_Open(int deviceNumber, FT_HANDLE *pHandle)
{
    std::lock_guard lock(g_mutex);
    if (!pHandle) return FT_INVALID_PARAMETER;
    if (deviceNumber != 0) return FT_DEVICE_NOT_FOUND;
    g_open = true;
    *pHandle = handleValue();
    return FT_OK;
}

TAVIXSIM_EXPORT FT_STATUS FT_OpenEx(void *pArg1, DWORD flags, FT_HANDLE *pHandle)
{
    std::lock_guard lock(g_mutex);
    if (!pHandle || !pArg1) return FT_INVALID_PARAMETER;
    const char *name = static_cast<const char *>(pArg1);
    const char *want = (flags & FT_OPEN_BY_DESCRIPTION) ? kDescription : kSerial;
    if (std::strcmp(name, want) != 0) return FT_DEVICE_NOT_FOUND;
    g_open = true;
    *pHandle = handleValue();
    return FT_OK;
}

TAVIXSIM_EXPORT FT_STATUS FT_ListDevices(void *pArg1, void *pArg2, DWORD flags)
{
    if (flags & FT_LIST_NUMBER_ONLY) {
        if (!pArg1) return FT_INVALID_PARAMETER;
        *static_cast<DWORD *>(pArg1) = 1;
        return FT_OK;
    }
    if (flags & FT_LIST_ALL) {
        char **table = static_cast<char **>(pArg1);
        if (!table) return FT_INVALID_PARAMETER;
        if (table[0]) copyName(table[0], (flags & FT_OPEN_BY_DESCRIPTION) ? kDescription : kSerial);
        if (pArg2) *static_cast<DWORD *>(pArg2) = 1;
        return FT_OK;
    }
    return FT_INVALID_PARAMETER;
}

TAVIXSIM_EXPORT FT_STATUS FT_Close(FT_HANDLE handle)
{
    std::lock_guard lock(g_mutex);
    if (!valid(handle)) return FT_INVALID_HANDLE;
    g_open = false;
    g_rx.clear();
    return FT_OK;
}

TAVIXSIM_EXPORT FT_STATUS FT_Read(FT_HANDLE handle, void *buffer, DWORD bytesToRead, DWORD *bytesReturned)
{
    std::lock_guard lock(g_mutex);
    if (!valid(handle)) return FT_INVALID_HANDLE;
    DWORD n = 0;
    auto *out = static_cast<unsigned char *>(buffer);
    while (n < bytesToRead && !g_rx.empty()) {
        out[n++] = g_rx.front();
        g_rx.pop_front();
    }
    if (bytesReturned) *bytesReturned = n;
    return FT_OK;
}

TAVIXSIM_EXPORT FT_STATUS FT_Write(FT_HANDLE handle, void *buffer, DWORD bytesToWrite, DWORD *bytesWritten)
{
    std::lock_guard lock(g_mutex);
    if (!valid(handle)) return FT_INVALID_HANDLE;
    const auto *in = static_cast<const unsigned char *>(buffer);
    if (bytesToWrite == 1 && in[0] == 0x80) g_rx.push_back(0x80);
    if (bytesWritten) *bytesWritten = bytesToWrite;
    return FT_OK;
}

TAVIXSIM_EXPORT FT_STATUS FT_ResetDevice(FT_HANDLE handle)
{
    std::lock_guard lock(g_mutex);
    if (!valid(handle)) return FT_INVALID_HANDLE;
    g_rx.clear();
    return FT_OK;
}

TAVIXSIM_EXPORT FT_STATUS FT_Purge(FT_HANDLE handle, ULONG mask)
{
    std::lock_guard lock(g_mutex);
    if (!valid(handle)) return FT_INVALID_HANDLE;
    if (mask & FT_PURGE_RX) g_rx.clear();
    return FT_OK;
}

TAVIXSIM_EXPORT FT_STATUS FT_SetTimeouts(FT_HANDLE handle, ULONG, ULONG)
{
    std::lock_guard lock(g_mutex);
    return valid(handle) ? FT_OK : FT_INVALID_HANDLE;
}

#ifndef TAVIXSIM_WITHOUT_GET_QUEUE_STATUS
TAVIXSIM_EXPORT FT_STATUS FT_GetQueueStatus(FT_HANDLE handle, DWORD *rxBytes)
{
    std::lock_guard lock(g_mutex);
    if (!valid(handle)) return FT_INVALID_HANDLE;
    if (rxBytes) *rxBytes = static_cast<DWORD>(g_rx.size());
    return FT_OK;
}
#endif

TAVIXSIM_EXPORT FT_STATUS FT_GetStatus(FT_HANDLE handle, DWORD *rxBytes, DWORD *txBytes, DWORD *eventDWord)
{
    std::lock_guard lock(g_mutex);
    if (!valid(handle)) return FT_INVALID_HANDLE;
    if (rxBytes) *rxBytes = static_cast<DWORD>(g_rx.size());
    if (txBytes) *txBytes = 0;
    if (eventDWord) *eventDWord = 0;
    return FT_OK;
}

TAVIXSIM_EXPORT FT_STATUS FT_SetChars(FT_HANDLE handle, UCHAR, UCHAR, UCHAR, UCHAR)
{
    std::lock_guard lock(g_mutex);
    return valid(handle) ? FT_OK : FT_INVALID_HANDLE;
}

TAVIXSIM_EXPORT FT_STATUS FT_SetEventNotification(FT_HANDLE handle, DWORD, void *)
{
    std::lock_guard lock(g_mutex);
    return valid(handle) ? FT_OK : FT_INVALID_HANDLE;
}

TAVIXSIM_EXPORT int TavixSim_Control(const char *setting)
{
    std::lock_guard lock(g_mutex);
    if (setting && std::strcmp(setting, "RESET") == 0) {
        g_open = false;
        g_rx.clear();
        return 0;
    }
    return 1;
}

TAVIXSIM_EXPORT unsigned long long TavixSim_ProgramBytes(void)
{
    return 0;
}
