// The attached devices as the driver lists them: their number, then their
// names (descriptions or serial numbers) through FT_ListDevices's table of
// 64-byte buffers. Search fills the device lists with it, and the search for
// a lost instrument looks for its name among them.
#ifndef TAVIX_CORE_DEVICE_DEVICE_LISTING_H
#define TAVIX_CORE_DEVICE_DEVICE_LISTING_H

#include "core/device/d2xx_types.h"

#include <QStringList>

#include <functional>

// The driver's list call, with FT_ListDevices's three arguments.
using ListDevicesCall = std::function<FT_STATUS(void *arg1, void *arg2, DWORD flags)>;

struct DeviceNameList
{
    enum Outcome {
        Listed,      // count and names as the driver gave them
        CountFailed, // the count query failed: nothing is known
        ListFailed,  // the count is known, the names are not
    };
    Outcome outcome = CountFailed;
    DWORD count = 0;   // the number of attached devices the count query gave
    QStringList names; // each byte widened to the character of its code, in the driver's order
};

// The most names taken: a driver that reports more devices than this (a
// broken count) gets this many buffers, not gigabytes of them.
constexpr DWORD kMaxListedDevices = 1024;

// Asks the driver how many devices are attached, then, when openBy is
// FT_OPEN_BY_SERIAL_NUMBER or FT_OPEN_BY_DESCRIPTION and the count is not 0,
// their names (FT_LIST_ALL | openBy) into one zero-filled 64-byte buffer a
// device and a null entry that ends the table. openBy 0 asks the count only.
// A device unplugged between the two calls leaves fewer names than buffers;
// a name that fills its buffer without a terminator ends at the buffer's end.
DeviceNameList ListDeviceNames(const ListDevicesCall &call, DWORD openBy);

#endif
