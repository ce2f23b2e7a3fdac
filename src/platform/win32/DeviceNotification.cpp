#include "platform/DeviceNotification.h"

#include <windows.h>
#include <dbt.h>

#include <cstring>

namespace tavix::platform {

bool DeviceNotification::Register(WindowHandle window, const Guid& interfaceClass)
{
    if (handle_ != nullptr)
        UnregisterDeviceNotification(handle_);
    DEV_BROADCAST_DEVICEINTERFACE_A filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    static_assert(sizeof(GUID) == sizeof(Guid));
    std::memcpy(&filter.dbcc_classguid, &interfaceClass, sizeof(GUID));
    handle_ = RegisterDeviceNotificationA(static_cast<HWND>(window), &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    return handle_ != nullptr;
}

DeviceNotification::~DeviceNotification()
{
    if (handle_ != nullptr)
        UnregisterDeviceNotification(handle_);
}

} // namespace tavix::platform
