#include <gtest/gtest.h>

#include <cstring>

#include "TransportFixture.h"

using namespace transport_test;
using tavix::platform::DeviceHandle;
using tavix::platform::Guid;

namespace {
constexpr uint16_t kThisProduct = 0x31B4;

using EnumerationTest = CameraTest;

// A port in front of the emulated one that lists interfaces the emulator
// cannot produce: paths that are listed but never open (a camera going away
// between listing and probing) and paths of any length that open one of the
// emulated cameras.
class ListingPort final : public tavix::platform::DevicePort {
public:
    explicit ListingPort(emu::EmulatedPort& inner) : inner_(inner) {}

    // camera -1: listed, never opens.
    void List(const std::string& path, int camera) { listing_.emplace_back(path, camera); }

    std::vector<std::string> ListInterfaces(const Guid& interfaceClass) override
    {
        std::vector<std::string> paths;
        if (std::memcmp(&interfaceClass, &emu::kCameraInterfaceGuid, sizeof interfaceClass) != 0)
            return paths;
        for (const auto& [path, camera] : listing_)
            paths.push_back(path);
        return paths;
    }

    std::unique_ptr<DeviceHandle> Open(const std::string& path, bool overlapped) override
    {
        for (const auto& [listed, camera] : listing_)
            if (listed == path)
                return camera < 0 ? nullptr : inner_.Open(inner_.Camera(camera).InterfacePath(), overlapped);
        return inner_.Open(path, overlapped);
    }

private:
    emu::EmulatedPort& inner_;
    std::vector<std::pair<std::string, int>> listing_;
};

std::string PathOfLength(size_t length, char fill)
{
    std::string path = "\\\\?\\usb#vid_04b4&pid_31b4#";
    path.append(length - path.size() - 1, fill);
    return path + "}";
}
} // namespace

TEST_F(EnumerationTest, CamerasOfAModelAreNumberedInTheOrderTheyAreSeen)
{
    Start({.cameras = 2});
    EXPECT_EQ(cam_->GetDeviceCount(), 2u);
    for (int position = 0; position < 2; ++position) {
        SCOPED_TRACE(position);
        EXPECT_EQ(cam_->GetEntryVendorId(position), 0x04B4);
        EXPECT_EQ(cam_->GetEntryProductId(position), kThisProduct);
        EXPECT_EQ(cam_->GetEntryDeviceNumber(position), position);
        EXPECT_EQ(cam_->GetEntryPath(position), Camera(position).InterfacePath());
        EXPECT_EQ(cam_->FindDevicePosition(position, kThisProduct), position);
        EXPECT_EQ(cam_->CheckDeviceNumber(position, kThisProduct), 1);
    }
    // Listing again changes nothing.
    EXPECT_EQ(cam_->EnumerateDevices(), 2u);
    EXPECT_EQ(cam_->GetEntryDeviceNumber(1), 1);
    EXPECT_EQ(cam_->FindDevicePosition(2, kThisProduct), -1);
    EXPECT_EQ(cam_->FindDevicePosition(0, 0x3042), -1);
    EXPECT_EQ(cam_->FindDevicePosition(-1, 0), -1) << "empty entries are nobody's";
    EXPECT_EQ(cam_->CheckDeviceNumber(2, kThisProduct), 0);
    EXPECT_EQ(cam_->CountCameras(kThisProduct), 2u);

    // A second model counts on its own from 0.
    emu::CameraOptions other = UnpacedOptions();
    other.productId = 0x3042;
    port_->AddCamera(other);
    EXPECT_EQ(cam_->EnumerateDevices(), 3u);
    EXPECT_EQ(cam_->GetEntryProductId(2), 0x3042);
    EXPECT_EQ(cam_->GetEntryDeviceNumber(2), 0);
    EXPECT_EQ(cam_->CountCameras(kThisProduct), 2u);
    EXPECT_EQ(cam_->CountCameras(0x3042), 1u);
    EXPECT_EQ(cam_->CountCameras(0), 3u);
}

TEST_F(EnumerationTest, AReplugGetsANewEntryAndTheOldOneStaysBehind)
{
    Start({.cameras = 2});
    const std::string oldPath = Camera(0).InterfacePath();
    Camera(0).Replug();
    ASSERT_NE(Camera(0).InterfacePath(), oldPath);

    EXPECT_EQ(cam_->CountCameras(0), 3u) << "the raw count holds the stale entry";
    EXPECT_EQ(cam_->CountCameras(kThisProduct), 2u) << "only entries that open count as cameras";
    EXPECT_EQ(cam_->GetEntryPath(0), oldPath);
    EXPECT_EQ(cam_->GetEntryDeviceNumber(0), 0);
    EXPECT_EQ(cam_->GetEntryPath(2), Camera(0).InterfacePath());
    EXPECT_EQ(cam_->GetEntryDeviceNumber(2), 2);
    EXPECT_EQ(cam_->CanOpenDevice(0), 0);
    EXPECT_EQ(cam_->CanOpenDevice(2), 1);
    EXPECT_EQ(cam_->CheckDeviceNumber(0, kThisProduct), 0);
    EXPECT_EQ(cam_->CheckDeviceNumber(2, kThisProduct), 1);

    Camera(1).Unplug();
    EXPECT_EQ(cam_->CountCameras(kThisProduct), 1u);
    EXPECT_EQ(cam_->CountCameras(0), 3u);
}

TEST_F(EnumerationTest, SelectingAPositionThatDoesNotOpenKeepsTheOldOne)
{
    Start({.cameras = 2});
    ASSERT_EQ(cam_->SelectDevice(1), 1);
    ASSERT_EQ(cam_->OpenStream(), 1);
    Camera(0).Replug();

    EXPECT_EQ(cam_->SelectDevice(0), 0);
    EXPECT_EQ(cam_->GetSelectedPosition(), 1);
    EXPECT_EQ(cam_->GetStreamHandle(), nullptr) << "the stream was closed before the check";
    EXPECT_EQ(cam_->SelectDevice(-1), 0);
    EXPECT_EQ(cam_->SelectDevice(2), 0) << "beyond the count until listed";
    EXPECT_EQ(cam_->GetSelectedPosition(), 1);

    // Requests go to the selected camera.
    Camera(0).ClearLog();
    Camera(1).ClearLog();
    ASSERT_EQ(cam_->SendRequestC0(), 1);
    EXPECT_TRUE(Camera(0).Log().empty());
    EXPECT_EQ(Camera(1).Log().size(), 1u);

    ASSERT_EQ(cam_->EnumerateDevices(), 3u);
    EXPECT_EQ(cam_->SelectDevice(2), 1);
    EXPECT_EQ(cam_->GetSelectedPosition(), 2);
    EXPECT_EQ(cam_->SendRequestC0(), 1);
    EXPECT_EQ(Camera(0).Log().size(), 1u);
}

TEST_F(EnumerationTest, TheTableHoldsThirtyTwoCamerasAndIgnoresMore)
{
    Start({.cameras = 33});
    EXPECT_EQ(cam_->GetDeviceCount(), 32u);
    for (int position = 0; position < 32; ++position)
        ASSERT_EQ(cam_->GetEntryDeviceNumber(position), position);
    EXPECT_EQ(cam_->CheckDeviceNumber(32, kThisProduct), 0) << "the 33rd camera is never listed";

    // With a free member index the table is still full.
    Camera(0).Unplug();
    port_->AddCamera();
    EXPECT_EQ(cam_->EnumerateDevices(), 32u);
    for (int position = 0; position < 32; ++position)
        EXPECT_NE(cam_->GetEntryPath(position), Camera(33).InterfacePath());
    EXPECT_EQ(cam_->CountCameras(kThisProduct), 31u);

    // Position 32 and beyond answer as empty entries.
    EXPECT_EQ(cam_->GetEntryVendorId(32), 0);
    EXPECT_EQ(cam_->GetEntryProductId(32), 0);
    EXPECT_EQ(cam_->GetEntryDeviceNumber(32), -1);
    EXPECT_EQ(cam_->GetEntryPath(32), "");
    EXPECT_EQ(cam_->GetEntryDeviceNumber(-1), -1);
    EXPECT_EQ(cam_->CanOpenDevice(32), 0);
    EXPECT_EQ(cam_->SelectDevice(32), 0);
    EXPECT_EQ(CKelCy3Cam::GetMaxDevices(), 32);
}

TEST_F(EnumerationTest, OnlyPathsThatOpenAndFitAnEntryAreListed)
{
    Start({.cameras = 2});
    cam_.reset();
    const std::string first = Camera(0).InterfacePath();
    const std::string second = Camera(1).InterfacePath();
    const std::string fits = PathOfLength(259, 'a');
    const std::string noVendor = "\\\\?\\usb#vid_zzzz&pid_31b4#x&1#{328184c5-93e6-49b7-94b8-2ada13aabb39}";
    const struct {
        const char* what;
        std::vector<std::pair<std::string, int>> listing; // path, camera it opens (-1: none)
        std::vector<std::string> listed;
    } cases[] = {
        {"each path is probed on its own: one that does not open is left out, even after one that did",
         {{first, 0}, {PathOfLength(80, 'g'), -1}, {second, 1}},
         {first, second}},
        {"259 characters and the NUL fill an entry; a longer path is not cut but left out",
         {{PathOfLength(260, 'b'), 0}, {fits, 1}, {PathOfLength(2000, 'c'), 0}},
         {fits}},
        {"a path without a vendor identifier", {{noVendor, 0}}, {}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.what);
        FreshTable();
        ListingPort listing(*port_);
        for (const auto& [path, camera] : row.listing)
            listing.List(path, camera);
        emu::ScopedDevicePort installed(listing);
        CKelCy3Cam cam;
        ASSERT_EQ(cam.EnumerateDevices(), row.listed.size());
        for (int position = 0; position < static_cast<int>(row.listed.size()); ++position) {
            EXPECT_EQ(cam.GetEntryPath(position), row.listed[position]);
            EXPECT_EQ(cam.GetEntryDeviceNumber(position), position);
            EXPECT_EQ(cam.CanOpenDevice(position), 1);
        }
        EXPECT_EQ(cam.GetEntryPath(static_cast<int>(row.listed.size())), "");
    }
}

TEST_F(EnumerationTest, OtherModelNamesAreNotThisProductsBusiness)
{
    char name[64] = "untouched";
    EXPECT_EQ(cam_->FormatDeviceName(0, name, sizeof name), 0);
    EXPECT_STREQ(name, "untouched");
    Camera().Unplug();
    EXPECT_EQ(cam_->FormatDeviceName(0, name, sizeof name), 0);
    EXPECT_EQ(cam_->FormatDeviceName(32, name, sizeof name), 0);
}

TEST_F(EnumerationTest, AnotherInterfaceClassFindsNothing)
{
    cam_.reset();
    FreshTable();
    const Guid other = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    CKelCy3Cam cam(other);
    EXPECT_EQ(cam.GetInterfaceGuid().data1, 0x12345678u);
    EXPECT_EQ(cam.EnumerateDevices(), 0u);
}
