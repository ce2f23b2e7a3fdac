#pragma once
// Gives a test process a shared device table of its own for the lifetime of
// the object, so that suites running side by side, or a table left behind
// by another run, never change what a test enumerates.

#include <cstdio>
#include <random>
#include <string>

#include "platform/SharedMemory.h"
#include "transport/SharedDeviceTable.h"

namespace tavix::test {

class PrivateDeviceTable {
public:
    PrivateDeviceTable()
    {
        std::random_device random;
        char name[64];
        std::snprintf(name, sizeof name, "U3Q5-MemMap-test-%08x%08x", random(), random());
        name_ = name;
        SharedDeviceTable::Instance().SetMappingName(name_);
    }
    ~PrivateDeviceTable()
    {
        platform::SharedMemory::Remove(name_.c_str());
        SharedDeviceTable::Instance().SetMappingName(kSharedTableName);
    }
    const std::string& Name() const { return name_; }

    PrivateDeviceTable(const PrivateDeviceTable&) = delete;
    PrivateDeviceTable& operator=(const PrivateDeviceTable&) = delete;

private:
    std::string name_;
};

} // namespace tavix::test
