#include "platform/DeviceNotification.h"

namespace tavix::platform {

bool DeviceNotification::Register(WindowHandle, const Guid&) { return true; }

DeviceNotification::~DeviceNotification() = default;

} // namespace tavix::platform
