// Plugging, pending reads at an unplug, handles that outlive their port,
// and the selection of the process's port.

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
    // Natively there is no USB layer; under Wine setupapi finds no device
    // of the camera's class: both must enumerate cleanly to zero.
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
