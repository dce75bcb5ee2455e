#include "core/device/device_listing.h"

#include <array>
#include <cstring>
#include <vector>

namespace {

// The size of each name buffer the driver's list call fills.
constexpr size_t kNameBufferSize = 64;

} // namespace

DeviceNameList ListDeviceNames(const ListDevicesCall &call, DWORD openBy)
{
    DeviceNameList result;
    DWORD count = 0;
    if (call(&count, nullptr, FT_LIST_NUMBER_ONLY) != FT_OK)
        return result;
    result.count = count;
    result.outcome = DeviceNameList::Listed;
    if (count == 0 || (openBy != FT_OPEN_BY_SERIAL_NUMBER && openBy != FT_OPEN_BY_DESCRIPTION))
        return result;

    // The buffers are made for the number the driver reported just now; the
    // table ends with a null pointer, past which the driver writes nothing.
    const size_t bufferCount = qMin(count, kMaxListedDevices);
    std::vector<std::array<char, kNameBufferSize>> buffers(bufferCount);
    std::vector<char *> table(bufferCount + 1, nullptr);
    for (size_t i = 0; i < bufferCount; ++i) {
        buffers[i].fill('\0');
        table[i] = buffers[i].data();
    }

    DWORD listed = count;
    if (call(table.data(), &listed, FT_LIST_ALL | openBy) != FT_OK) {
        result.outcome = DeviceNameList::ListFailed;
        return result;
    }
    const size_t names = qMin<size_t>(listed, bufferCount);
    for (size_t i = 0; i < names; ++i) {
        const char *name = buffers[i].data();
        const size_t length = strnlen(name, kNameBufferSize);
        result.names.append(QString::fromLatin1(name, static_cast<qsizetype>(length)));
    }
    return result;
}
