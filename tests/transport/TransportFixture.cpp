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
    for (const auto& entry : Requests(kEp0Control))
        if (entry.input.size() > 1 && entry.input[1] == requestCode)
            picked.push_back(entry);
    return picked;
}

namespace {
void Put16(uint8_t* at, uint16_t value)
{
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}
void Put32(uint8_t* at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<uint8_t>(value >> (8 * i));
}
} // namespace

std::array<uint8_t, 102> VendorRecord(uint8_t type, uint8_t code, uint16_t value, uint16_t index,
                                      const std::vector<uint8_t>& payload)
{
    std::array<uint8_t, 102> record{};
    record[0] = type;
    record[1] = code;
    Put16(&record[2], value);
    Put16(&record[4], index);
    Put16(&record[6], 102); // the whole record
    Put32(&record[8], 3);   // seconds
    Put32(&record[30], 38); // data offset
    Put32(&record[34], 64); // data length
    std::copy(payload.begin(), payload.end(), record.begin() + 38);
    return record;
}

std::array<uint8_t, 38> DirectHeader(uint8_t endpoint)
{
    std::array<uint8_t, 38> header{};
    header[13] = endpoint;
    return header;
}

std::array<uint8_t, 32> MemoryCommandBytes(const char* magic, uint64_t address, uint32_t count)
{
    std::array<uint8_t, 32> command{};
    std::copy(magic, magic + 4, command.begin());
    Put32(&command[4], 2);
    Put32(&command[8], static_cast<uint32_t>(address));
    Put32(&command[12], static_cast<uint32_t>(address >> 32));
    Put32(&command[16], count);
    return command;
}

std::vector<uint8_t> Pattern(size_t bytes, uint8_t seed)
{
    std::vector<uint8_t> data(bytes);
    for (size_t i = 0; i < bytes; ++i)
        data[i] = static_cast<uint8_t>(seed + i * 7 + (i >> 8));
    return data;
}

uint32_t LoadU32(const uint8_t* bytes)
{
    return static_cast<uint32_t>(bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<uint32_t>(bytes[3]) << 24));
}

} // namespace transport_test
