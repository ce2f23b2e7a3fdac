#pragma once
// The table of attached cameras: at most 32 entries, filled from position 0
// upwards and never reordered while the table lives. It is shared between
// processes through a named mapping (SharedDeviceTable.h) so that a camera
// keeps its per-model device number whichever process listed it first.

#include <cstddef>
#include <cstdint>

namespace tavix {

constexpr int32_t kMaxDevices = 32;
constexpr size_t kDevicePathBytes = 260; // NUL included
constexpr int32_t kNoDeviceNumber = -1;

#pragma pack(push, 1)
struct DeviceEntry {
    uint16_t vendorId;
    uint16_t productId;    // 0 marks an empty entry
    int32_t deviceNumber;  // 0 for the first camera of a model, 1 for the second, ...; -1 when empty
    char path[kDevicePathBytes];
};

struct DeviceTable {
    DeviceEntry entries[kMaxDevices];
    uint32_t count; // entries in use
};

// The named mapping and each process's copy of it.
struct SharedTableLayout {
    uint32_t attachCount;
    DeviceTable table;
};
#pragma pack(pop)

static_assert(sizeof(DeviceEntry) == 268);
static_assert(offsetof(DeviceEntry, vendorId) == 0);
static_assert(offsetof(DeviceEntry, productId) == 2);
static_assert(offsetof(DeviceEntry, deviceNumber) == 4);
static_assert(offsetof(DeviceEntry, path) == 8);
static_assert(sizeof(DeviceTable) == 32 * 268 + 4);
static_assert(offsetof(DeviceTable, count) == 32 * 268);

constexpr const char* kSharedTableName = "U3Q5-MemMap";
constexpr size_t kSharedTableBytes = 8584;
static_assert(sizeof(SharedTableLayout) == kSharedTableBytes);
static_assert(offsetof(SharedTableLayout, attachCount) == 0);
static_assert(offsetof(SharedTableLayout, table) == 4);
static_assert(offsetof(SharedTableLayout, table) + offsetof(DeviceTable, count) == 8580);

inline DeviceEntry EmptyDeviceEntry()
{
    DeviceEntry entry{};
    entry.deviceNumber = kNoDeviceNumber;
    return entry;
}

inline void ClearDeviceTable(DeviceTable& table)
{
    for (DeviceEntry& entry : table.entries)
        entry = EmptyDeviceEntry();
    table.count = 0;
}

} // namespace tavix
