#include "transport/CFx3Api.h"

#include <cstring>

#include "transport/SharedDeviceTable.h"

namespace tavix {

CFx3Api::CFx3Api(const platform::Guid& interfaceGuid)
    : tableView_(SharedDeviceTable::Instance().Attach()), interfaceGuid_(interfaceGuid)
{
}

CFx3Api::~CFx3Api() { SharedDeviceTable::Instance().Detach(std::move(tableView_)); }

uint16_t CFx3Api::GetEntryVendorId(int32_t position) const
{
    return SharedDeviceTable::Instance().Entry(position).vendorId;
}

uint16_t CFx3Api::GetEntryProductId(int32_t position) const
{
    return SharedDeviceTable::Instance().Entry(position).productId;
}

int32_t CFx3Api::GetEntryDeviceNumber(int32_t position) const
{
    return SharedDeviceTable::Instance().Entry(position).deviceNumber;
}

std::string CFx3Api::GetEntryPath(int32_t position) const
{
    const DeviceEntry entry = SharedDeviceTable::Instance().Entry(position);
    return std::string(entry.path, strnlen(entry.path, kDevicePathBytes));
}

uint32_t CFx3Api::GetDeviceCount() const { return SharedDeviceTable::Instance().Count(); }

int32_t CFx3Api::FindDevicePosition(int32_t deviceNumber, uint16_t productId) const
{
    if (productId == 0)
        return -1;
    return SharedDeviceTable::Instance().Read([&](const DeviceTable& table) {
        for (int32_t position = 0; position < kMaxDevices; ++position) {
            const DeviceEntry& entry = table.entries[position];
            if (entry.deviceNumber == deviceNumber && entry.productId == productId)
                return position;
        }
        return int32_t{-1};
    });
}

} // namespace tavix
