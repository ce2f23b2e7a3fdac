#pragma once
// Arrival and removal notifications of a device-interface class, delivered
// to a window (WM_DEVICECHANGE on Windows). POSIX has no such messages: a
// camera that comes or goes is seen at the next enumeration, and
// registering succeeds without doing anything.

#include "platform/DeviceIo.h"
#include "platform/MessagePost.h"

namespace tavix::platform {

class DeviceNotification {
public:
    // Registers the window; false when the system refuses.
    bool Register(WindowHandle window, const Guid& interfaceClass);
    ~DeviceNotification();

    DeviceNotification() = default;
    DeviceNotification(const DeviceNotification&) = delete;
    DeviceNotification& operator=(const DeviceNotification&) = delete;

private:
    void* handle_ = nullptr;
};

} // namespace tavix::platform
