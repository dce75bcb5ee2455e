// The exported entry points of the simulated Tavix 3000: the thirteen D2XX
// functions the program binds (FT_GetQueueStatus left out in the variant
// built with TAVIXSIM_WITHOUT_GET_QUEUE_STATUS), the control entry point for
// tests and the count of program bytes received. Each one hands its call to
// the one Simulator instance.
#include "core/device/d2xx_types.h"
#include "simulator.h"

#define TAVIXSIM_EXPORT extern "C" __attribute__((visibility("default")))

using tavixsim::Simulator;

namespace {
// Reads the environment when the library is loaded, not at the first call.
__attribute__((constructor)) void loadSettings()
{
    Simulator::instance();
}
} // namespace

TAVIXSIM_EXPORT FT_STATUS FT_Open(int deviceNumber, FT_HANDLE *pHandle)
{
    return Simulator::instance().open(deviceNumber, pHandle);
}

TAVIXSIM_EXPORT FT_STATUS FT_OpenEx(void *pArg1, DWORD flags, FT_HANDLE *pHandle)
{
    return Simulator::instance().openEx(pArg1, flags, pHandle);
}

TAVIXSIM_EXPORT FT_STATUS FT_ListDevices(void *pArg1, void *pArg2, DWORD flags)
{
    return Simulator::instance().listDevices(pArg1, pArg2, flags);
}

TAVIXSIM_EXPORT FT_STATUS FT_Close(FT_HANDLE handle)
{
    return Simulator::instance().close(handle);
}

TAVIXSIM_EXPORT FT_STATUS FT_Read(FT_HANDLE handle, void *buffer, DWORD bytesToRead, DWORD *bytesReturned)
{
    return Simulator::instance().read(handle, buffer, bytesToRead, bytesReturned);
}

TAVIXSIM_EXPORT FT_STATUS FT_Write(FT_HANDLE handle, void *buffer, DWORD bytesToWrite, DWORD *bytesWritten)
{
    return Simulator::instance().write(handle, buffer, bytesToWrite, bytesWritten);
}

TAVIXSIM_EXPORT FT_STATUS FT_ResetDevice(FT_HANDLE handle)
{
    return Simulator::instance().resetDevice(handle);
}

TAVIXSIM_EXPORT FT_STATUS FT_Purge(FT_HANDLE handle, ULONG mask)
{
    return Simulator::instance().purge(handle, mask);
}

TAVIXSIM_EXPORT FT_STATUS FT_SetTimeouts(FT_HANDLE handle, ULONG readTimeout, ULONG writeTimeout)
{
    return Simulator::instance().setTimeouts(handle, readTimeout, writeTimeout);
}

#ifndef TAVIXSIM_WITHOUT_GET_QUEUE_STATUS
TAVIXSIM_EXPORT FT_STATUS FT_GetQueueStatus(FT_HANDLE handle, DWORD *rxBytes)
{
    return Simulator::instance().getQueueStatus(handle, rxBytes);
}
#endif

TAVIXSIM_EXPORT FT_STATUS FT_GetStatus(FT_HANDLE handle, DWORD *rxBytes, DWORD *txBytes, DWORD *eventDWord)
{
    return Simulator::instance().getStatus(handle, rxBytes, txBytes, eventDWord);
}

TAVIXSIM_EXPORT FT_STATUS FT_SetChars(FT_HANDLE handle, UCHAR eventChar, UCHAR eventCharEnabled, UCHAR errorChar,
                                      UCHAR errorCharEnabled)
{
    return Simulator::instance().setChars(handle, eventChar, eventCharEnabled, errorChar, errorCharEnabled);
}

TAVIXSIM_EXPORT FT_STATUS FT_SetEventNotification(FT_HANDLE handle, DWORD mask, void *param)
{
    return Simulator::instance().setEventNotification(handle, mask, param);
}

TAVIXSIM_EXPORT int TavixSim_Control(const char *setting)
{
    return Simulator::instance().control(setting);
}

TAVIXSIM_EXPORT unsigned long long TavixSim_ProgramBytes(void)
{
    return Simulator::instance().programBytes();
}
