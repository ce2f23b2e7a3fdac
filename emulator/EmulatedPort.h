#pragma once
// A device I/O port with emulated cameras behind it: it lists their
// interface paths for the camera's interface class and opens them, and the
// handles carry every control request to the camera byte for byte.
//
//     tavix::emu::CameraOptions options;
//     options.paced = false;                          // frames at once, for benchmarks
//     tavix::emu::EmulatedPort port(1, options);
//     tavix::emu::ScopedDevicePort installed(port);   // platform::CurrentDevicePort() is now `port`
//     port.Camera(0).SetStalled(true);
//
// Cameras live as long as the port; handles and pending requests keep what
// they use alive, so destroying the port before them is safe (they then
// behave as if the camera had been unplugged).

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "emulator/EmulatedCamera.h"
#include "platform/DeviceIo.h"

namespace tavix::emu {

// {328184C5-93E6-49B7-94B8-2ADA13AABB39}, the camera's interface class.
constexpr platform::Guid kCameraInterfaceGuid = {
    0x328184C5, 0x93E6, 0x49B7, {0x94, 0xB8, 0x2A, 0xDA, 0x13, 0xAA, 0xBB, 0x39}};

class EmulatedPort final : public platform::DevicePort {
public:
    // `cameraCount` cameras plugged into ports 1, 2, …; camera k gets the
    // serial number "TVX" followed by 5 digits of k + 1 unless the options
    // name one (then every camera gets that text with "-k" appended for k > 0).
    explicit EmulatedPort(int cameraCount = 1, const CameraOptions& options = {});
    ~EmulatedPort() override;

    int CameraCount() const;
    // Camera by plug order (0 first). Unplugged cameras keep their index.
    EmulatedCamera& Camera(int index);
    // Plugs one more camera in (into the next free port), with the port's
    // options or with its own; an empty serial number gets "TVX" + 5 digits.
    EmulatedCamera& AddCamera();
    EmulatedCamera& AddCamera(const CameraOptions& options);

    // The paths of the plugged cameras, in plug order, for the camera's
    // interface class; nothing for any other class.
    std::vector<std::string> ListInterfaces(const platform::Guid& interfaceClass) override;
    // Opens a plugged camera's current path (compared without regard to
    // case, as Windows does); null for anything else.
    std::unique_ptr<platform::DeviceHandle> Open(const std::string& path, bool overlapped) override;

private:
    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<EmulatedCamera>> cameras_;
    std::shared_ptr<std::atomic<int>> ports_; // the next USB port number
    CameraOptions defaults_;
};

// Installs a port as the process's device port for the lifetime of the scope.
class ScopedDevicePort {
public:
    explicit ScopedDevicePort(platform::DevicePort& port) { platform::SetDevicePort(&port); }
    ~ScopedDevicePort() { platform::SetDevicePort(nullptr); }
    ScopedDevicePort(const ScopedDevicePort&) = delete;
    ScopedDevicePort& operator=(const ScopedDevicePort&) = delete;
};

} // namespace tavix::emu
