#include "emulator/EmulatedPort.h"

#include <cstdio>
#include <cstring>

#include "emulator/CameraCore.h"

namespace tavix::emu {

namespace {

// What a request yields when the emulator itself fails (out of memory):
// no exception crosses the port.
constexpr platform::IoStatus kFailed = {false, platform::kErrorGenFailure, 0};

class EmulatedPendingIo final : public platform::PendingIo {
public:
    EmulatedPendingIo(std::shared_ptr<CameraCore> core, std::shared_ptr<Transfer> transfer)
        : core_(std::move(core)), transfer_(std::move(transfer))
    {
    }
    ~EmulatedPendingIo() override { core_->Cancel(transfer_); }
    bool Wait(uint32_t timeoutMs) override
    {
        try {
            return core_->Wait(transfer_, timeoutMs);
        } catch (...) {
            return false;
        }
    }
    platform::IoStatus Result() override
    {
        try {
            return core_->Result(transfer_);
        } catch (...) {
            return kFailed;
        }
    }

private:
    std::shared_ptr<CameraCore> core_;
    std::shared_ptr<Transfer> transfer_;
};

class EmulatedHandle final : public platform::DeviceHandle {
public:
    EmulatedHandle(std::shared_ptr<CameraCore> core, uint64_t id, uint64_t generation, bool overlapped)
        : core_(std::move(core)), id_(id), generation_(generation), overlapped_(overlapped)
    {
    }
    ~EmulatedHandle() override
    {
        if (id_ != 0)
            core_->CloseHandle(id_);
    }
    // The handle is made before it is opened, so that opening cannot leak it.
    void Bind(uint64_t id, uint64_t generation)
    {
        id_ = id;
        generation_ = generation;
    }

    platform::IoStatus Control(uint32_t code, void* in, uint32_t inSize, void* out, uint32_t outSize) override
    {
        try {
            std::shared_ptr<Transfer> unused;
            return core_->Control(id_, generation_, overlapped_, code, in, inSize, out, outSize, false, unused);
        } catch (...) {
            return kFailed;
        }
    }

    platform::IoStatus ControlOverlapped(uint32_t code, void* in, uint32_t inSize, void* out, uint32_t outSize,
                                         std::unique_ptr<platform::PendingIo>& pending) override
    {
        pending.reset();
        try {
            std::shared_ptr<Transfer> transfer;
            const platform::IoStatus status =
                core_->Control(id_, generation_, overlapped_, code, in, inSize, out, outSize, true, transfer);
            if (transfer)
                pending = std::make_unique<EmulatedPendingIo>(core_, std::move(transfer));
            return status;
        } catch (...) {
            return kFailed;
        }
    }

private:
    std::shared_ptr<CameraCore> core_;
    uint64_t id_;
    uint64_t generation_;
    bool overlapped_;
};

bool SameGuid(const platform::Guid& a, const platform::Guid& b)
{
    return a.data1 == b.data1 && a.data2 == b.data2 && a.data3 == b.data3 &&
           std::memcmp(a.data4, b.data4, sizeof a.data4) == 0;
}

} // namespace

EmulatedPort::EmulatedPort(int cameraCount, const CameraOptions& options)
    : ports_(std::make_shared<std::atomic<int>>(1)), defaults_(options)
{
    for (int k = 0; k < cameraCount; ++k)
        AddCamera();
}

EmulatedPort::~EmulatedPort()
{
    // Handles may outlive the port; to them the cameras are gone.
    for (auto& camera : cameras_)
        camera->Unplug();
}

int EmulatedPort::CameraCount() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int>(cameras_.size());
}

EmulatedCamera& EmulatedPort::Camera(int index)
{
    std::lock_guard<std::mutex> lock(mutex_);
    return *cameras_.at(static_cast<size_t>(index));
}

EmulatedCamera& EmulatedPort::AddCamera()
{
    CameraOptions options = defaults_;
    if (!options.serialNumber.empty()) {
        const int k = CameraCount();
        if (k > 0)
            options.serialNumber.append(1, '-').append(std::to_string(k));
    }
    return AddCamera(options);
}

EmulatedCamera& EmulatedPort::AddCamera(const CameraOptions& given)
{
    std::lock_guard<std::mutex> lock(mutex_);
    CameraOptions options = given;
    if (options.serialNumber.empty()) {
        char serial[16];
        std::snprintf(serial, sizeof serial, "TVX%05d", static_cast<int>(cameras_.size() + 1) % 100000);
        options.serialNumber = serial;
    }
    auto core = std::make_shared<CameraCore>(options, ports_->fetch_add(1));
    cameras_.push_back(std::make_unique<EmulatedCamera>(std::move(core), ports_));
    return *cameras_.back();
}

std::vector<std::string> EmulatedPort::ListInterfaces(const platform::Guid& interfaceClass)
{
    std::vector<std::string> paths;
    if (!SameGuid(interfaceClass, kCameraInterfaceGuid))
        return paths;
    try {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& camera : cameras_)
            if (camera->IsPlugged())
                paths.push_back(camera->InterfacePath());
    } catch (...) {
        paths.clear();
    }
    return paths;
}

std::unique_ptr<platform::DeviceHandle> EmulatedPort::Open(const std::string& path, bool overlapped)
{
    try {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& camera : cameras_) {
            auto handle = std::make_unique<EmulatedHandle>(camera->Core(), 0, 0, overlapped);
            uint64_t generation = 0;
            const uint64_t id = camera->Core()->OpenHandle(path, overlapped, generation);
            if (id != 0) {
                handle->Bind(id, generation);
                return handle;
            }
        }
    } catch (...) {
    }
    return nullptr;
}

} // namespace tavix::emu
