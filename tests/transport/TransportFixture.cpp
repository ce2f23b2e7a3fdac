#include "TransportFixture.h"

#include <algorithm>

namespace transport_test {

void CameraTest::Start(const CameraSetup& setup)
{
    cam_.reset();
    installed_.reset();
    port_ = std::make_unique<emu::EmulatedPort>(setup.cameras, setup.options);
    installed_ = std::make_unique<emu::ScopedDevicePort>(*port_);
    // The sensor running, as the camera's open sequence leaves it.
    for (int k = 0; k < setup.cameras; ++k)
        Camera(k).SetFpgaRegister(96, 1);
    cam_ = std::make_unique<CKelCy3Cam>();
    ASSERT_EQ(cam_->EnumerateDevices(), static_cast<uint32_t>(std::min(setup.cameras, 32)));
    ASSERT_EQ(cam_->SelectDevice(0), 1);
    if (setup.prepare) {
        ASSERT_EQ(cam_->PrepareTransfers(), 1);
    }
    for (int k = 0; k < setup.cameras; ++k)
        Camera(k).ClearLog();
}

std::vector<emu::LoggedRequest> CameraTest::Requests(uint32_t code) const
{
    std::vector<emu::LoggedRequest> picked;
    for (int k = 0; k < port_->CameraCount(); ++k)
        for (const auto& entry : port_->Camera(k).Log())
            if (entry.controlCode == code)
                picked.push_back(entry);
    return picked;
}

std::vector<emu::LoggedRequest> CameraTest::VendorRequests(uint8_t requestCode) const
{
    std::vector<emu::LoggedRequest> picked;
    for (const auto& entry : Requests(kEp0))
        if (entry.input.size() > 1 && entry.input[1] == requestCode)
            picked.push_back(entry);
    return picked;
}

std::vector<uint8_t> Pattern(size_t bytes, uint8_t seed)
{
    std::vector<uint8_t> data(bytes);
    for (size_t i = 0; i < bytes; ++i)
        data[i] = static_cast<uint8_t>(seed + i * 7 + (i >> 8));
    return data;
}

} // namespace transport_test
