// The device list as D2XX hands it out.
#include "device_list.h"
#include "handles.h"
#include "open_errors.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <optional>

namespace tavixserial {

namespace {

enum class Listed { Serial, Description, Location };

Listed listedBy(DWORD flags)
{
    if (flags & FT_OPEN_BY_SERIAL_NUMBER)
        return Listed::Serial;
    if (flags & FT_OPEN_BY_DESCRIPTION)
        return Listed::Description;
    if (flags & FT_OPEN_BY_LOCATION)
        return Listed::Location;
    return Listed::Serial;
}

std::mutex g_listMutex;
std::optional<std::vector<DeviceInfo>> g_list;

} // namespace

void copyName(char *buffer, size_t size, const std::string &text)
{
    const size_t length = std::min(text.size(), size - 1);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
}

FT_STATUS listDevices(const std::vector<PortEntry> &ports, void *arg1, void *arg2, DWORD flags)
{
    const DWORD count = static_cast<DWORD>(ports.size());
    const Listed what = listedBy(flags);
    auto name = [what](const PortEntry &port) -> const std::string & {
        return what == Listed::Description ? port.description : port.serial;
    };
    if (flags & FT_LIST_NUMBER_ONLY) {
        if (!arg1)
            return FT_INVALID_PARAMETER;
        *static_cast<DWORD *>(arg1) = count;
        return FT_OK;
    }
    if (flags & FT_LIST_BY_INDEX) {
        if (!arg2)
            return FT_INVALID_PARAMETER;
        const auto index = reinterpret_cast<uintptr_t>(arg1);
        if (index >= ports.size())
            return FT_DEVICE_NOT_FOUND;
        if (what == Listed::Location)
            *static_cast<DWORD *>(arg2) = ports[index].location;
        else
            copyName(static_cast<char *>(arg2), kListNameSize, name(ports[index]));
        return FT_OK;
    }
    if (flags & FT_LIST_ALL) {
        if (!arg1 || !arg2)
            return FT_INVALID_PARAMETER;
        if (what == Listed::Location) {
            auto *locations = static_cast<DWORD *>(arg1);
            for (size_t i = 0; i < ports.size(); ++i)
                locations[i] = ports[i].location;
        } else {
            // A null entry ends the caller's table: it is never overrun.
            auto **table = static_cast<char **>(arg1);
            for (size_t i = 0; i < ports.size() && table[i]; ++i)
                copyName(table[i], kListNameSize, name(ports[i]));
        }
        *static_cast<DWORD *>(arg2) = count;
        return FT_OK;
    }
    return FT_INVALID_PARAMETER;
}

std::vector<DeviceInfo> currentDeviceInfo()
{
    std::vector<DeviceInfo> list;
    for (PortEntry &port : attachedPorts()) {
        DeviceInfo info;
        info.handle = Handles::instance().handleOf(port.path);
        if (info.handle || !lockHolders(port.path).empty())
            info.flags |= FT_FLAGS_OPENED;
        if (port.highSpeed)
            info.flags |= FT_FLAGS_HISPEED;
        info.entry = std::move(port);
        list.push_back(std::move(info));
    }
    return list;
}

std::vector<DeviceInfo> rebuildDeviceInfoList()
{
    std::vector<DeviceInfo> list = currentDeviceInfo();
    std::lock_guard lock(g_listMutex);
    g_list = list;
    return list;
}

std::vector<DeviceInfo> deviceInfoList()
{
    {
        std::lock_guard lock(g_listMutex);
        if (g_list)
            return *g_list;
    }
    return rebuildDeviceInfoList();
}

FT_DEVICE_LIST_INFO_NODE infoNode(const DeviceInfo &info)
{
    FT_DEVICE_LIST_INFO_NODE node{};
    node.Flags = info.flags;
    node.Type = info.entry.type;
    node.ID = info.entry.id();
    node.LocId = info.entry.location;
    copyName(node.SerialNumber, sizeof node.SerialNumber, info.entry.serial);
    copyName(node.Description, sizeof node.Description, info.entry.description);
    node.ftHandle = info.handle;
    return node;
}

} // namespace tavixserial
