// The device list as D2XX hands it out: FT_ListDevices over a list of
// ports, and the device information list of FT_CreateDeviceInfoList.
#ifndef TAVIXSERIAL_DEVICE_LIST_H
#define TAVIXSERIAL_DEVICE_LIST_H

#include "core/device/d2xx_types.h"
#include "serial_ports.h"

#include <string>
#include <vector>

namespace tavixserial {

// FT_ListDevices' buffers for serial numbers and descriptions.
constexpr size_t kListNameSize = 64;

// FT_ListDevices over these ports, for every flag combination FTDI
// documents:
// - FT_LIST_NUMBER_ONLY: *(DWORD *)arg1 = the number of ports;
// - FT_LIST_BY_INDEX: arg1 is the index; arg2 a 64-byte buffer for the
//   serial number or description, or a DWORD for the location;
// - FT_LIST_ALL: arg1 a table of 64-byte buffers ended by a null pointer
//   (filling stops there), or an array of one DWORD per port for
//   locations; *(DWORD *)arg2 = the number of ports.
// What is listed: FT_OPEN_BY_SERIAL_NUMBER, else FT_OPEN_BY_DESCRIPTION,
// else FT_OPEN_BY_LOCATION, and the serial number when none is given.
// Names are cut to 63 bytes and always ended by a zero byte. The first of
// NUMBER_ONLY, BY_INDEX and ALL that is set decides; none of them, or a
// null pointer where one is needed, is FT_INVALID_PARAMETER; an index past
// the list is FT_DEVICE_NOT_FOUND.
FT_STATUS listDevices(const std::vector<PortEntry> &ports, void *arg1, void *arg2, DWORD flags);

// Copies text into a buffer of `size` bytes, cut to size - 1 and ended by
// a zero byte.
void copyName(char *buffer, size_t size, const std::string &text);

struct DeviceInfo {
    PortEntry entry;
    ULONG flags = 0; // FT_FLAGS_OPENED, FT_FLAGS_HISPEED
    FT_HANDLE handle = nullptr; // this process's handle when open here
};

// The ports now, each marked opened when it is open here or another
// program holds a lock on it (/proc/locks).
std::vector<DeviceInfo> currentDeviceInfo();

// The list FT_CreateDeviceInfoList built last (built now when it has not
// been): FT_GetDeviceInfoList and FT_GetDeviceInfoDetail read it.
std::vector<DeviceInfo> rebuildDeviceInfoList();
std::vector<DeviceInfo> deviceInfoList();

// One node of FT_GetDeviceInfoList.
FT_DEVICE_LIST_INFO_NODE infoNode(const DeviceInfo &info);

} // namespace tavixserial

#endif
