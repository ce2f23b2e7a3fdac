#include "platform/DeviceIo.h"

#include <atomic>
#include <cstdlib>
#include <mutex>

namespace tavix::platform {

namespace {
// More cameras than the device table can list makes no sense; the cap keeps
// a mistyped value from building thousands of emulated cameras.
constexpr int kMaxEmulatedCameras = 64;

std::atomic<DevicePort*> g_installed{nullptr};
std::atomic<EmulatedPortFactory> g_factory{nullptr};
std::atomic<DevicePort*> g_default{nullptr};
std::mutex g_defaultMutex;

// TAVIX_CAMEMU=<n>: n emulated cameras in place of the driver's devices.
// Anything but a plain decimal 1..64 leaves the driver in charge.
int EmulatedCameraCount()
{
    const char* text = std::getenv("TAVIX_CAMEMU");
    if (text == nullptr || *text == '\0')
        return 0;
    int count = 0;
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c < '0' || *c > '9')
            return 0;
        count = count * 10 + (*c - '0');
        if (count > kMaxEmulatedCameras)
            return 0;
    }
    return count;
}
} // namespace

DevicePort& CurrentDevicePort()
{
    if (DevicePort* installed = g_installed.load(std::memory_order_acquire))
        return *installed;
    if (DevicePort* resolved = g_default.load(std::memory_order_acquire))
        return *resolved;
    std::lock_guard<std::mutex> lock(g_defaultMutex);
    if (DevicePort* resolved = g_default.load(std::memory_order_acquire))
        return *resolved;
    const int count = EmulatedCameraCount();
    if (count == 0) {
        g_default.store(&SystemDevicePort(), std::memory_order_release);
        return SystemDevicePort();
    }
    const EmulatedPortFactory factory = g_factory.load(std::memory_order_acquire);
    if (factory == nullptr)
        return SystemDevicePort(); // the emulator has not registered (yet)
    DevicePort* emulated = nullptr;
    try {
        emulated = factory(count);
    } catch (...) {
        emulated = nullptr;
    }
    if (emulated == nullptr)
        return SystemDevicePort();
    g_default.store(emulated, std::memory_order_release);
    return *emulated;
}

void SetDevicePort(DevicePort* port) { g_installed.store(port, std::memory_order_release); }

void RegisterEmulatedPortFactory(EmulatedPortFactory factory) { g_factory.store(factory, std::memory_order_release); }

} // namespace tavix::platform
