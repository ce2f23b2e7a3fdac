#include "transport/SharedDeviceTable.h"

#include <cstring>

namespace tavix {

using platform::SharedMemory;

SharedDeviceTable& SharedDeviceTable::Instance()
{
    static SharedDeviceTable table;
    return table;
}

SharedDeviceTable::SharedDeviceTable() { ClearDeviceTable(copy_.table); }

void SharedDeviceTable::SetMappingName(const std::string& name)
{
    std::lock_guard lock(lock_);
    name_ = name;
}

std::string SharedDeviceTable::MappingName() const
{
    std::lock_guard lock(lock_);
    return name_;
}

std::unique_ptr<SharedMemory> SharedDeviceTable::Attach()
{
    std::lock_guard lock(lock_);
    // A second look before creating: another process may be creating the
    // mapping right now.
    auto view = SharedMemory::Open(name_.c_str(), kSharedTableBytes);
    if (view == nullptr)
        view = SharedMemory::Open(name_.c_str(), kSharedTableBytes);
    if (view != nullptr)
        std::memcpy(&copy_, view->Data(), sizeof copy_);
    else
        view = SharedMemory::Create(name_.c_str(), kSharedTableBytes);

    // A table whose users are all gone starts empty. On POSIX a user that
    // died without detaching leaves its count behind; the region then tells
    // that nobody else holds it.
    if (view != nullptr && view->OpenedAlone())
        copy_.attachCount = 0;
    if (copy_.attachCount == 0)
        ClearDeviceTable(copy_.table);
    // A table copied from a foreign view may claim more entries than exist.
    if (copy_.table.count > static_cast<uint32_t>(kMaxDevices))
        copy_.table.count = kMaxDevices;
    ++copy_.attachCount;
    WriteTo(view.get());
    return view;
}

void SharedDeviceTable::Detach(std::unique_ptr<SharedMemory> view)
{
    std::lock_guard lock(lock_);
    if (copy_.attachCount > 0)
        --copy_.attachCount;
    WriteTo(view.get());
}

void SharedDeviceTable::WriteTo(SharedMemory* view)
{
    if (view != nullptr && view->Data() != nullptr)
        std::memcpy(view->Data(), &copy_, sizeof copy_);
}

DeviceEntry SharedDeviceTable::Entry(int32_t position) const
{
    if (position < 0 || position >= kMaxDevices)
        return EmptyDeviceEntry();
    std::lock_guard lock(lock_);
    return copy_.table.entries[position];
}

uint32_t SharedDeviceTable::Count() const
{
    std::lock_guard lock(lock_);
    return copy_.table.count;
}

uint32_t SharedDeviceTable::AttachCount() const
{
    std::lock_guard lock(lock_);
    return copy_.attachCount;
}

} // namespace tavix
