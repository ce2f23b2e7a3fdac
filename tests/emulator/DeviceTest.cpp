// The device behind the driver's control handles: plugging, the process's
// port, the vendor record's validation, the speed query, injected refusals
// and the I2C bus with its faults (plain access: the transport suite).

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "DriverClient.h"
#include "emulator/EmulatedPort.h"

using namespace tavix;
using namespace tavix::test;

namespace {

// An information block request on an open handle; its driver error.
uint32_t RequestOn(platform::DeviceHandle& handle)
{
    auto record = VendorRecord(kIn, 0xB0, 0, 0);
    return handle.Control(codes::kEp0, record.data(), 102, record.data(), 102).error;
}

class Vendor : public ::testing::Test {
protected:
    emu::EmulatedPort port_{1};
    emu::EmulatedCamera& camera_ = port_.Camera(0);
    DriverClient client_{port_, camera_.InterfacePath()};
};

} // namespace

TEST(Port, UnplugFailsOpensAndRequestsAndReplugGivesANewPath)
{
    emu::EmulatedPort port(2);
    auto& camera = port.Camera(0);
    const std::string oldPath = camera.InterfacePath();
    auto handle = port.Open(oldPath, false);
    ASSERT_TRUE(handle);
    camera.SetFpgaRegister(7, 0x5A);

    camera.Unplug();
    EXPECT_FALSE(camera.IsPlugged());
    EXPECT_FALSE(port.Open(oldPath, false));
    ASSERT_EQ(port.ListInterfaces(emu::kCameraInterfaceGuid).size(), 1u);
    EXPECT_EQ(RequestOn(*handle), platform::kErrorDeviceNotConnected);

    // The new plug: another USB port in the path, the old path and handle
    // dead, the camera powered up again (registers back to their start).
    camera.Replug();
    const std::string newPath = camera.InterfacePath();
    EXPECT_NE(newPath, oldPath);
    EXPECT_EQ(newPath.substr(0, 30), oldPath.substr(0, 30));
    EXPECT_FALSE(port.Open(oldPath, false));
    EXPECT_EQ(RequestOn(*handle), platform::kErrorDeviceNotConnected);
    EXPECT_EQ(DriverClient(port, newPath).Vendor(kIn, 0xB0, 0, 0).error, 0u);
    EXPECT_EQ(camera.FpgaRegister(7), 0);
    EXPECT_EQ(port.ListInterfaces(emu::kCameraInterfaceGuid).size(), 2u);
}

TEST(Port, UnplugCompletesPendingReadsWithAnError)
{
    emu::EmulatedPort port(1, Unpaced());
    auto& camera = port.Camera(0);
    DriverClient client(port, camera.InterfacePath());
    std::array<uint8_t, 38> header = DirectHeader(0x81);
    std::vector<uint8_t> data(64);
    std::unique_ptr<platform::PendingIo> pending;
    // Nothing armed: the read waits.
    ASSERT_EQ(client.Stream()->ControlOverlapped(codes::kDirect, header.data(), 38, data.data(), 64, pending).error,
              platform::kErrorIoPending);
    ASSERT_TRUE(pending);
    EXPECT_FALSE(pending->Wait(20));
    std::thread unplug([&] { camera.Unplug(); });
    EXPECT_TRUE(pending->Wait(5000));
    unplug.join();
    EXPECT_FALSE(pending->Result().accepted);
    EXPECT_EQ(pending->Result().error, platform::kErrorDeviceNotConnected);
    EXPECT_NE(U32(&header[14]), 0u); // the driver wrote a failure status
}

TEST(Port, PortDestroyedBeforeItsHandlesLeavesThemDead)
{
    std::unique_ptr<platform::DeviceHandle> handle;
    {
        emu::EmulatedPort port(1);
        handle = port.Open(port.Camera(0).InterfacePath(), false);
        ASSERT_TRUE(handle);
    }
    EXPECT_EQ(RequestOn(*handle), platform::kErrorDeviceNotConnected);
}

TEST(Port, SystemPortFindsNoCameraAndOpensNothing)
{
    // No USB layer natively, no device of the camera's class under Wine.
    platform::DevicePort& system = platform::SystemDevicePort();
    EXPECT_TRUE(system.ListInterfaces(emu::kCameraInterfaceGuid).empty());
    const std::string path = "\\\\?\\usb#vid_04b4&pid_31b4#none&1#{328184c5-93e6-49b7-94b8-2ada13aabb39}";
    EXPECT_FALSE(system.Open(path, true));
    EXPECT_FALSE(system.Open(path, false));
}

TEST(Port, InstalledPortReplacesTheCurrentOneOnlyWhileInstalled)
{
    platform::DevicePort& before = platform::CurrentDevicePort();
    {
        emu::EmulatedPort port(1);
        emu::ScopedDevicePort installed(port);
        EXPECT_EQ(&platform::CurrentDevicePort(), &port);
        EXPECT_EQ(platform::CurrentDevicePort().ListInterfaces(emu::kCameraInterfaceGuid).size(), 1u);
    }
    EXPECT_EQ(&platform::CurrentDevicePort(), &before);
}

// Run by CTest a second time with TAVIX_CAMEMU=3 and TAVIX_CAMEMU_STILL=1.
TEST(Environment, CamemuListsEmulatedCamerasInPlaceOfTheDriver)
{
    const char* count = std::getenv("TAVIX_CAMEMU");
    if (count == nullptr) {
        EXPECT_TRUE(platform::CurrentDevicePort().ListInterfaces(emu::kCameraInterfaceGuid).empty());
        GTEST_SKIP() << "TAVIX_CAMEMU is not set";
    }
    platform::DevicePort& port = platform::CurrentDevicePort();
    EXPECT_NE(&port, &platform::SystemDevicePort());
    EXPECT_EQ(&platform::CurrentDevicePort(), &port); // made once
    const auto paths = port.ListInterfaces(emu::kCameraInterfaceGuid);
    ASSERT_EQ(paths.size(), static_cast<size_t>(std::atoi(count)));

    // TAVIX_CAMEMU_STILL=1: two frames of the same settings are identical.
    DriverClient client(port, paths[0]);
    std::vector<uint8_t> info1, info2, frame1, frame2;
    ASSERT_TRUE(client.SetFormat(512, 256, false));
    ASSERT_TRUE(client.ReadFrame(info1, frame1));
    ASSERT_TRUE(client.ReadFrame(info2, frame2));
    EXPECT_NE(U32(&info1[32]), U32(&info2[32]));
    EXPECT_TRUE(frame1 == frame2);
}

TEST_F(Vendor, EachMalformedHeaderFieldIsRefusedAndLogged)
{
    // A well-formed information block request is accepted...
    std::vector<uint8_t> good = Bytes(VendorRecord(kIn, 0xB0, 0, 0));
    ASSERT_TRUE(client_.Send(codes::kEp0, good.data(), 102, good.data(), 102).accepted);

    // ...and every single deviation from the layout is refused.
    const struct {
        const char* field;
        size_t offset;
        uint8_t value;
    } faults[] = {
        {"request type", 0, 0xC1}, {"length", 6, 64},      {"time-out", 8, 5},         {"reserved", 12, 1},
        {"endpoint", 13, 0x81},    {"NT status", 14, 1},   {"USBD status", 18, 1},     {"iso offset", 22, 1},
        {"iso length", 26, 1},     {"data offset", 30, 0}, {"data length", 34, 102},   {"stray data", 38 + 63, 1},
        {"wrong type for the request", 0, 0x40},           {"unknown request", 1, 0xB7}, {"value", 2, 1},
    };
    for (const auto& fault : faults) {
        SCOPED_TRACE(fault.field);
        std::vector<uint8_t> record = Bytes(VendorRecord(kIn, 0xB0, 0, 0));
        record[fault.offset] = fault.value;
        camera_.ClearLog();
        const uint64_t refusedBefore = camera_.RefusedRequests();
        const platform::IoStatus status = client_.Send(codes::kEp0, record.data(), 102, record.data(), 102);
        EXPECT_FALSE(status.accepted);
        EXPECT_NE(status.error, 0u);
        EXPECT_EQ(camera_.RefusedRequests(), refusedBefore + 1);
        const auto log = camera_.Log();
        ASSERT_EQ(log.size(), 1u);
        EXPECT_TRUE(log[0].refused);
        EXPECT_FALSE(log[0].problem.empty());
        EXPECT_EQ(log[0].controlCode, codes::kEp0);
    }

    // Wrong buffer sizes are refused before anything is decoded.
    std::vector<uint8_t> record = Bytes(VendorRecord(kIn, 0xB0, 0, 0));
    EXPECT_FALSE(client_.Send(codes::kEp0, record.data(), 101, record.data(), 102).accepted);
    EXPECT_FALSE(client_.Send(codes::kEp0, record.data(), 102, record.data(), 64).accepted);
    EXPECT_EQ(client_.Send(codes::kEp0, nullptr, 0, nullptr, 0).error, platform::kErrorInvalidParameter);
    EXPECT_EQ(client_.Send(0x220000, record.data(), 102, record.data(), 102).error, 1u); // unknown control code
}

TEST_F(Vendor, SpeedQueryChecksItsInputAndInjectedRefusalsRunOut)
{
    uint32_t speed = 0;
    uint32_t in = 0;
    const platform::IoStatus status = client_.Send(codes::kSpeed, &in, 4, &speed, 4);
    ASSERT_TRUE(status.accepted);
    EXPECT_EQ(status.bytesReturned, 4u);
    EXPECT_EQ(speed, 4u);
    EXPECT_FALSE(client_.Send(codes::kSpeed, &in, 2, &speed, 4).accepted);

    camera_.RefuseNextRequests(2, platform::kErrorGenFailure);
    EXPECT_EQ(client_.Vendor(kIn, 0xB0, 0, 0).error, platform::kErrorGenFailure);
    EXPECT_EQ(client_.Vendor(kIn, 0xB0, 0, 0).error, platform::kErrorGenFailure);
    EXPECT_TRUE(client_.Vendor(kIn, 0xB0, 0, 0).accepted);
}

TEST_F(Vendor, SensorKeepsItsIdFillsConsecutiveRegistersAndRefusesWhatItDoesNotAcknowledge)
{
    // The IMX264 driver reads the default, 264, in the sensor suite.
    camera_.SetChipId(250);
    EXPECT_EQ((camera_.SensorRegister(0x0349) & 0x7F) * 4 + ((camera_.SensorRegister(0x0348) >> 6) & 3), 250);

    // A longer write fills consecutive registers.
    ASSERT_TRUE(client_.I2cWrite(DriverClient::kSensor, {0x05, 0x10, 1, 2, 3}));
    EXPECT_EQ(camera_.SensorRegister(0x0510), 1);
    EXPECT_EQ(camera_.SensorRegister(0x0512), 3);
    const auto writes = camera_.SensorWrites();
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(writes[2].address, 0x0512);
    EXPECT_EQ(writes[2].value, 3);

    // Faults: one register that does not take writes; a sensor that does not answer.
    camera_.SetSensorRegister(0x0404, 0x7B);
    camera_.SetSensorRegisterWriteFails(0x0404, true);
    EXPECT_FALSE(client_.WriteSensor(0x0404, 0x11));
    EXPECT_EQ(camera_.SensorRegister(0x0404), 0x7B);
    EXPECT_TRUE(client_.WriteSensor(0x0405, 1));
    camera_.SetI2cDeviceAbsent(DriverClient::kSensor, true);
    EXPECT_FALSE(client_.WriteSensor(0x0405, 0));
    const auto log = camera_.Log();
    EXPECT_TRUE(log.back().refused);
    EXPECT_EQ(log.back().error, platform::kErrorGenFailure);
    EXPECT_NE(log.back().problem.find("acknowledge"), std::string::npos);
}

TEST_F(Vendor, RegisterDevicesOfTheOtherHeadsTakeWholeValuesOnly)
{
    const struct {
        uint8_t device;
        std::vector<uint8_t> bytes;
        uint16_t address, value; // the last value written
    } writes[] = {{0x20, {0x30, 0x12, 0x03, 0xE8, 0x12, 0x34}, 0x3013, 0x1234}, // 16-bit values, consecutive
                  {0x90, {0x00, 0x2D, 0x00, 0x25}, 45, 0x25},
                  {0x42, {0x05, 0x7A, 0x7B}, 6, 0x7B}, // 8-bit address and values
                  {0x5A, {0x01, 0x01}, 1, 1}};
    for (const auto& w : writes) {
        ASSERT_TRUE(client_.I2cWrite(w.device, w.bytes));
        EXPECT_EQ(camera_.BusRegister(w.device, w.address), w.value);
    }
    EXPECT_EQ(camera_.BusRegister(0x20, 0x3012), 0x03E8);
    uint8_t high = 0;
    ASSERT_TRUE(client_.ReadAt(0x20, 0x3013, high)); // high byte first
    EXPECT_EQ(high, 0x12);
    EXPECT_FALSE(client_.I2cWrite(0x20, {0x30, 0x12, 0x05})); // half a value
    EXPECT_FALSE(client_.I2cWrite(0x90, {0x00}));             // half an address
    EXPECT_EQ(camera_.BusRegister(0x20, 0x3012), 0x03E8);
}

TEST_F(Vendor, EepromStartsErasedWithTheSerialNumberAndCanHaveAStuckCell)
{
    uint8_t value = 0;
    ASSERT_TRUE(client_.ReadEeprom(0x0123, value));
    EXPECT_EQ(value, 0xFF);

    // The serial number at 0x1040, ended by 0.
    std::string serial;
    for (uint16_t a = 0x1040; a < 0x1060 && value != 0; ++a) {
        ASSERT_TRUE(client_.ReadEeprom(a, value));
        serial.push_back(static_cast<char>(value));
    }
    EXPECT_EQ(serial, std::string("TVX00001", 9));
    camera_.SetSerialNumber("");
    ASSERT_TRUE(client_.ReadEeprom(0x1040, value));
    EXPECT_EQ(value, 0xFF);

    for (const auto& [stuck, reads] : {std::pair<bool, uint8_t>{true, 0xFF}, {false, 0x11}}) {
        SCOPED_TRACE(stuck ? "stuck cell" : "good cell");
        camera_.SetEepromCellStuck(0x0200, stuck);
        ASSERT_TRUE(client_.WriteEeprom(0x0200, 0x11));
        ASSERT_TRUE(client_.ReadEeprom(0x0200, value));
        EXPECT_EQ(value, reads);
    }
    EXPECT_FALSE(client_.I2cWrite(DriverClient::kEeprom, {0x01})); // no 16-bit address
}
