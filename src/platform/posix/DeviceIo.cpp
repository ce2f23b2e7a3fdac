#include "platform/DeviceIo.h"

namespace tavix::platform {

namespace {
// No USB access layer exists on POSIX systems yet: no camera is ever found,
// and no path opens.
class PosixDevicePort final : public DevicePort {
public:
    std::vector<std::string> ListInterfaces(const Guid&) override { return {}; }
    std::unique_ptr<DeviceHandle> Open(const std::string&, bool) override { return nullptr; }
};
} // namespace

DevicePort& SystemDevicePort()
{
    static PosixDevicePort port;
    return port;
}

} // namespace tavix::platform
