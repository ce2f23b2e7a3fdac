// Vendor requests: the 102-byte record's validation, the information
// blocks, the controller's own requests and the returned byte counts.

#include <gtest/gtest.h>

#include <functional>

#include "DriverClient.h"
#include "emulator/EmulatedPort.h"

using namespace tavix;
using namespace tavix::test;

namespace {

class Vendor : public ::testing::Test {
protected:
    emu::EmulatedPort port_{1};
    emu::EmulatedCamera& camera_ = port_.Camera(0);
    DriverClient client_{port_, camera_.InterfacePath()};

    platform::IoStatus SendRecord(std::vector<uint8_t>& record, uint32_t inSize = 102, uint32_t outSize = 102)
    {
        return client_.Send(codes::kEp0, record.data(), inSize, record.data(), outSize);
    }
};

} // namespace

TEST_F(Vendor, EachMalformedHeaderFieldIsRefusedAndLogged)
{
    // A well-formed information block request is accepted...
    std::vector<uint8_t> good = Bytes(VendorRecord(kIn, 0xB0, 0, 0));
    ASSERT_TRUE(SendRecord(good).accepted);

    // ...and every single deviation from the layout is refused.
    const std::vector<std::pair<const char*, std::function<void(std::vector<uint8_t>&)>>> faults = {
        {"request type", [](auto& r) { r[0] = 0xC1; }},
        {"length", [](auto& r) { PutU16(&r[6], 64); }},
        {"time-out", [](auto& r) { PutU32(&r[8], 5); }},
        {"reserved", [](auto& r) { r[12] = 1; }},
        {"endpoint", [](auto& r) { r[13] = 0x81; }},
        {"NT status", [](auto& r) { PutU32(&r[14], 1); }},
        {"USBD status", [](auto& r) { PutU32(&r[18], 1); }},
        {"iso offset", [](auto& r) { PutU32(&r[22], 1); }},
        {"iso length", [](auto& r) { PutU32(&r[26], 1); }},
        {"data offset", [](auto& r) { PutU32(&r[30], 0); }},
        {"data length", [](auto& r) { PutU32(&r[34], 102); }},
        {"stray data", [](auto& r) { r[38 + 63] = 1; }},
        {"wrong type for the request", [](auto& r) { r[0] = 0x40; }},
        {"unknown request", [](auto& r) { r[1] = 0xB7; }},
        {"value", [](auto& r) { PutU16(&r[2], 1); }},
    };
    for (const auto& [name, spoil] : faults) {
        std::vector<uint8_t> record = Bytes(VendorRecord(kIn, 0xB0, 0, 0));
        spoil(record);
        camera_.ClearLog();
        const uint64_t refusedBefore = camera_.RefusedRequests();
        const platform::IoStatus status = SendRecord(record);
        EXPECT_FALSE(status.accepted) << name;
        EXPECT_NE(status.error, 0u) << name;
        EXPECT_EQ(camera_.RefusedRequests(), refusedBefore + 1) << name;
        const auto log = camera_.Log();
        ASSERT_EQ(log.size(), 1u) << name;
        EXPECT_TRUE(log[0].refused) << name;
        EXPECT_FALSE(log[0].problem.empty()) << name;
        EXPECT_EQ(log[0].controlCode, codes::kEp0);
    }

    // Wrong buffer sizes are refused before anything is decoded.
    std::vector<uint8_t> record = Bytes(VendorRecord(kIn, 0xB0, 0, 0));
    EXPECT_FALSE(SendRecord(record, 101, 102).accepted);
    EXPECT_FALSE(SendRecord(record, 102, 64).accepted);
    EXPECT_EQ(client_.Send(codes::kEp0, nullptr, 0, nullptr, 0).error, platform::kErrorInvalidParameter);
    EXPECT_EQ(client_.Send(0x220000, record.data(), 102, record.data(), 102).error, 1u); // unknown control code
}

TEST_F(Vendor, RefusedRequestsFromFaultInjectionAndUsb2Speed)
{
    uint32_t speed = 0;
    uint32_t in = 0;
    platform::IoStatus status = client_.Send(codes::kSpeed, &in, 4, &speed, 4);
    ASSERT_TRUE(status.accepted);
    EXPECT_EQ(status.bytesReturned, 4u);
    EXPECT_EQ(speed, 4u);
    camera_.SetLinkSpeed(3);
    ASSERT_TRUE(client_.Send(codes::kSpeed, &in, 4, &speed, 4).accepted);
    EXPECT_EQ(speed, 3u);
    EXPECT_FALSE(client_.Send(codes::kSpeed, &in, 2, &speed, 4).accepted);

    camera_.RefuseNextRequests(2, platform::kErrorGenFailure);
    EXPECT_EQ(client_.Vendor(kIn, 0xB0, 0, 0).error, platform::kErrorGenFailure);
    EXPECT_EQ(client_.Vendor(kIn, 0xB0, 0, 0).error, platform::kErrorGenFailure);
    EXPECT_TRUE(client_.Vendor(kIn, 0xB0, 0, 0).accepted);
}
