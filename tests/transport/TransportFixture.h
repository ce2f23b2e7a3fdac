#pragma once
// Shared pieces of the transport suite: a fixture that starts every test from
// an unused shared device table, one with an emulated camera already listed,
// selected and prepared, and helpers that pick requests out of the emulator's
// log. The records the driver must receive are built by ../support/WireFormat.h.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "../support/PrivateDeviceTable.h"
#include "../support/WireFormat.h"
#include "emulator/EmulatedPort.h"
#include "platform/SharedMemory.h"
#include "transport/CKelCy3Cam.h"

namespace transport_test {

using tavix::CKelCy3Cam;
namespace emu = tavix::emu;

using namespace tavix::test;
using namespace tavix::test::codes;

// Bulk endpoints: frames and camera memory come in on one, commands and
// memory writes go out on the other.
constexpr uint8_t kFrameIn = 0x81;
constexpr uint8_t kCommandOut = 0x01;

// Each test gets a shared table of its own, under a name no other process
// uses (suites of other layers may be attached to "U3Q5-MemMap" right now),
// and starts from no table at all: POSIX regions outlive their users.
class SharedTableTest : public ::testing::Test {
protected:
    void SetUp() override { FreshTable(); }
    // Drops the table so that the next transport creates it anew.
    void FreshTable() const { tavix::platform::SharedMemory::Remove(TableName().c_str()); }
    const std::string& TableName() const { return table_.Name(); }

private:
    tavix::test::PrivateDeviceTable table_;
};

inline emu::CameraOptions UnpacedOptions()
{
    emu::CameraOptions options;
    options.paced = false;
    return options;
}

struct CameraSetup {
    int cameras = 1;
    emu::CameraOptions options = UnpacedOptions();
    bool prepare = true;
};

// An emulated camera installed as the device port, listed, selected and
// (unless asked otherwise) prepared; the log starts empty. The members end
// in reverse order: the transport, the installed port, then the port.
class CameraTest : public SharedTableTest {
protected:
    void SetUp() override
    {
        SharedTableTest::SetUp();
        Start(CameraSetup{});
    }

    void Start(const CameraSetup& setup);

    emu::EmulatedCamera& Camera(int index = 0) { return port_->Camera(index); }
    // Requests of one control code: camera by camera, each in its order.
    std::vector<emu::LoggedRequest> Requests(uint32_t code) const;
    // Vendor requests of one request code, in order.
    std::vector<emu::LoggedRequest> VendorRequests(uint8_t requestCode) const;

    std::unique_ptr<emu::EmulatedPort> port_;
    std::unique_ptr<emu::ScopedDevicePort> installed_;
    std::unique_ptr<CKelCy3Cam> cam_;
};

std::vector<uint8_t> Pattern(size_t bytes, uint8_t seed);

} // namespace transport_test
