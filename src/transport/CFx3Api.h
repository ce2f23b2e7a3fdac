#pragma once
// The first base of the transport: attachment to the shared device table,
// the table position of the camera this transport serves, the interface
// class it enumerates, and the outcome of its last direct transfer. Table
// lookups answer from the process's copy of the table.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/DeviceIo.h"
#include "platform/SharedMemory.h"
#include "transport/DeviceTable.h"

namespace tavix {

// {328184C5-93E6-49B7-94B8-2ADA13AABB39}, the interface class of the
// camera's driver.
constexpr platform::Guid kCameraInterfaceGuid = {
    0x328184C5, 0x93E6, 0x49B7, {0x94, 0xB8, 0x2A, 0xDA, 0x13, 0xAA, 0xBB, 0x39}};

class CFx3Api {
public:
    explicit CFx3Api(const platform::Guid& interfaceGuid = kCameraInterfaceGuid);
    virtual ~CFx3Api();
    CFx3Api(const CFx3Api&) = delete;
    CFx3Api& operator=(const CFx3Api&) = delete;

    // Table answers for any position; outside the table they yield the
    // values of an empty entry (0, 0, -1, "").
    uint16_t GetEntryVendorId(int32_t position) const;
    uint16_t GetEntryProductId(int32_t position) const;
    int32_t GetEntryDeviceNumber(int32_t position) const;
    std::string GetEntryPath(int32_t position) const;
    uint32_t GetDeviceCount() const;
    static constexpr int32_t GetMaxDevices() { return kMaxDevices; }

    // The first position, over all 32 entries, that holds this device number
    // of this model; -1 when none does (always for product identifier 0,
    // which marks empty entries).
    int32_t FindDevicePosition(int32_t deviceNumber, uint16_t productId) const;

    int32_t GetSelectedPosition() const { return devicePosition_.load(std::memory_order_relaxed); }
    // The product identifier of the selected entry (0 when it is empty).
    uint16_t GetSelectedProductId() const { return GetEntryProductId(GetSelectedPosition()); }
    const platform::Guid& GetInterfaceGuid() const { return interfaceGuid_; }
    // 0: the last direct transfer was accepted at once; 997: it had to be
    // waited for; else the system error that refused it.
    uint32_t GetLastDirectError() const { return lastDirectError_.load(std::memory_order_relaxed); }

protected:
    // This transport's view of the shared mapping (null when it could not be made).
    platform::SharedMemory* TableView() const { return tableView_.get(); }
    void SetSelectedPosition(int32_t position) { devicePosition_.store(position, std::memory_order_relaxed); }
    void SetLastDirectError(uint32_t error) { lastDirectError_.store(error, std::memory_order_relaxed); }

private:
    std::unique_ptr<platform::SharedMemory> tableView_;
    std::atomic<int32_t> devicePosition_{0};
    platform::Guid interfaceGuid_;
    std::atomic<uint32_t> lastDirectError_{0};
};

} // namespace tavix
