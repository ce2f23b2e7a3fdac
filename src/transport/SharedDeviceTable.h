#pragma once
// The device table as the processes share it: one copy per process, shared
// by every transport of the process and guarded by one lock, and the named
// mapping "U3Q5-MemMap" through which the processes exchange it. Lookups run
// on the process copy; the copy is loaded from the mapping when a transport
// attaches and written back after every enumeration and when a transport
// detaches. Between processes no lock exists: each writes its whole copy and
// the last writer wins.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "platform/SharedMemory.h"
#include "transport/DeviceTable.h"

namespace tavix {

class SharedDeviceTable {
public:
    static SharedDeviceTable& Instance();

    // The mapping's name, "U3Q5-MemMap" unless changed. Test suites that run
    // beside other users of the library give their processes a name of
    // their own; a change applies to transports attached after it.
    void SetMappingName(const std::string& name);
    std::string MappingName() const;

    // Attaches one transport and yields its view of the mapping (null when
    // the mapping can be neither opened nor created; the process copy works
    // on its own then). The first user, finding the attach count 0, starts
    // from an empty table.
    std::unique_ptr<platform::SharedMemory> Attach();
    // Counts the transport out and writes the copy back; the view goes.
    void Detach(std::unique_ptr<platform::SharedMemory> view);

    // Runs change(table) on the process copy under its lock, then writes
    // the copy into the view (when there is one); yields what change yields.
    template <typename Change>
    auto Update(platform::SharedMemory* view, Change&& change)
    {
        std::lock_guard lock(lock_);
        auto result = change(copy_.table);
        WriteTo(view);
        return result;
    }

    // An empty entry for positions outside the table.
    DeviceEntry Entry(int32_t position) const;
    uint32_t Count() const;
    uint32_t AttachCount() const;
    // Reads the copy under its lock.
    template <typename Reader>
    auto Read(Reader&& reader) const
    {
        std::lock_guard lock(lock_);
        return reader(static_cast<const DeviceTable&>(copy_.table));
    }

private:
    SharedDeviceTable();
    void WriteTo(platform::SharedMemory* view);

    mutable std::mutex lock_;
    std::string name_ = kSharedTableName;
    SharedTableLayout copy_{};
};

} // namespace tavix
