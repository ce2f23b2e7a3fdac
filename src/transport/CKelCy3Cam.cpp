#include "transport/CKelCy3Cam.h"

#include <array>
#include <cstdio>
#include <new>

#include "transport/DeviceEnumeration.h"
#include "transport/SharedDeviceTable.h"

namespace tavix {

using platform::DeviceHandle;

namespace {
// Model names of the other members of the camera family, by product
// identifier; this product names its cameras in the camera instance.
struct ModelName {
    uint16_t productId;
    const char* pattern; // "<model>_%02d", formatted with the device number
};
constexpr std::array<ModelName, 0> kOtherModelNames{};
} // namespace

CKelCy3Cam::CKelCy3Cam(const platform::Guid& interfaceGuid) : CFx3Api(interfaceGuid) {}

CKelCy3Cam::~CKelCy3Cam() { Close(); }

int CKelCy3Cam::Close()
{
    CloseStream();
    transferBuffer_.reset();
    return 1;
}

std::unique_ptr<DeviceHandle> CKelCy3Cam::OpenDeviceAt(int32_t position, bool overlapped) const
{
    if (position < 0 || position >= kMaxDevices || static_cast<uint32_t>(position) >= GetDeviceCount())
        return nullptr;
    const std::string path = GetEntryPath(position);
    if (path.empty())
        return nullptr;
    return platform::CurrentDevicePort().Open(path, overlapped);
}

int CKelCy3Cam::OpenStream()
{
    std::lock_guard lock(streamLock_);
    if (streamHandle_ != nullptr)
        return 1;
    streamHandle_ = OpenDeviceAt(GetSelectedPosition(), true);
    streamAborted_ = false;
    return streamHandle_ != nullptr ? 1 : 0;
}

int CKelCy3Cam::CloseStream()
{
    std::lock_guard lock(streamLock_);
    streamHandle_.reset();
    return 1;
}

int CKelCy3Cam::EnsureStream(bool* opened)
{
    *opened = false;
    {
        std::lock_guard lock(streamLock_);
        if (streamHandle_ != nullptr)
            return 1;
    }
    if (!OpenStream())
        return 0;
    *opened = true;
    return 1;
}

void CKelCy3Cam::CloseStreamIf(bool opened)
{
    if (opened)
        CloseStream();
}

int CKelCy3Cam::SelectDevice(int32_t position)
{
    CloseStream();
    if (!CanOpenDevice(position))
        return 0;
    SetSelectedPosition(position);
    return 1;
}

int CKelCy3Cam::CanOpenDevice(int32_t position) { return OpenDeviceAt(position, false) != nullptr ? 1 : 0; }

int CKelCy3Cam::PrepareTransfers()
{
    if (transferBuffer_ == nullptr) {
        transferBuffer_.reset(new (std::nothrow) uint8_t[kTransferBufferBytes]);
        if (transferBuffer_ == nullptr)
            return 0;
    }
    ResetPort();
    return 1;
}

int CKelCy3Cam::DriverControl(uint32_t code, void* in, uint32_t inBytes, void* out, uint32_t outBytes,
                              bool* accepted)
{
    auto handle = OpenControlHandle();
    if (handle == nullptr)
        return 0;
    *accepted = handle->Control(code, in, inBytes, out, outBytes).accepted;
    return 1;
}

int CKelCy3Cam::ResetPipe(uint8_t endpoint)
{
    bool accepted = false;
    return DriverControl(kIoctlResetPipe, &endpoint, sizeof endpoint, nullptr, 0, &accepted) && accepted ? 1 : 0;
}

int CKelCy3Cam::ResetPort()
{
    bool accepted = false;
    return DriverControl(kIoctlResetParentPort, nullptr, 0, nullptr, 0, &accepted) && accepted ? 1 : 0;
}

int CKelCy3Cam::GetDeviceSpeed(uint32_t* speed)
{
    if (speed == nullptr)
        return 0;
    uint32_t query = 0;
    uint32_t answer = 0;
    bool accepted = false;
    if (!DriverControl(kIoctlGetDeviceSpeed, &query, sizeof query, &answer, sizeof answer, &accepted))
        return 0;
    if (accepted)
        *speed = answer;
    return 1;
}

uint32_t CKelCy3Cam::EnumerateDevices()
{
    platform::DevicePort& port = platform::CurrentDevicePort();
    const platform::Guid guid = GetInterfaceGuid();
    return SharedDeviceTable::Instance().Update(
        TableView(), [&](DeviceTable& table) { return EnumerateInto(table, port, guid); });
}

uint32_t CKelCy3Cam::CountCameras(uint16_t productId)
{
    const uint32_t count = EnumerateDevices();
    if (productId == 0)
        return count;
    uint32_t cameras = 0;
    for (int32_t position = 0; position < static_cast<int32_t>(count) && position < kMaxDevices; ++position)
        if (GetEntryProductId(position) == productId && CanOpenDevice(position))
            ++cameras;
    return cameras;
}

int CKelCy3Cam::CheckDeviceNumber(int32_t deviceNumber, uint16_t productId)
{
    if (productId == 0)
        return 0;
    for (int32_t position = 0; position < kMaxDevices; ++position) {
        if (GetEntryProductId(position) == productId && GetEntryDeviceNumber(position) == deviceNumber &&
            CanOpenDevice(position))
            return 1;
    }
    return 0;
}

int CKelCy3Cam::FormatDeviceName(int32_t position, char* name, size_t nameBytes)
{
    if (name == nullptr || nameBytes == 0 || !CanOpenDevice(position))
        return 0;
    const uint16_t productId = GetEntryProductId(position);
    const int32_t deviceNumber = GetEntryDeviceNumber(position);
    for (const ModelName& model : kOtherModelNames) {
        if (model.productId != productId)
            continue;
        const int written = std::snprintf(name, nameBytes, model.pattern, deviceNumber);
        return written >= 0 && static_cast<size_t>(written) < nameBytes ? 1 : 0;
    }
    return 0;
}

} // namespace tavix
