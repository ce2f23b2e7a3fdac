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
    std::vector<uint8_t> good = VendorRecord(kIn, 0xB0, 0, 0);
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
        std::vector<uint8_t> record = VendorRecord(kIn, 0xB0, 0, 0);
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
    std::vector<uint8_t> record = VendorRecord(kIn, 0xB0, 0, 0);
    EXPECT_FALSE(SendRecord(record, 101, 102).accepted);
    EXPECT_FALSE(SendRecord(record, 102, 64).accepted);
    EXPECT_EQ(client_.Send(codes::kEp0, nullptr, 0, nullptr, 0).error, platform::kErrorInvalidParameter);
    EXPECT_EQ(client_.Send(0x220000, record.data(), 102, record.data(), 102).error, 1u); // unknown control code
}

TEST_F(Vendor, LogRecordsDecodedFieldsPayloadAndReply)
{
    camera_.ClearLog();
    ASSERT_TRUE(client_.WriteFpga(0x3C, 2));
    std::vector<uint8_t> record;
    ASSERT_TRUE(client_.Vendor(kIn, 0xB0, 0, 0, {}, &record).accepted);
    const auto log = camera_.Log();
    ASSERT_EQ(log.size(), 2u);
    const emu::LoggedRequest& write = log[0];
    EXPECT_TRUE(write.hasHeader);
    EXPECT_EQ(write.header.requestType, 0x40);
    EXPECT_EQ(write.header.request, 0x30);
    EXPECT_EQ(write.header.value, 3);
    EXPECT_EQ(write.header.index, 0x40);
    EXPECT_EQ(write.header.length, 102);
    EXPECT_EQ(write.header.timeout, 3u);
    EXPECT_EQ(write.header.dataOffset, 38u);
    EXPECT_EQ(write.header.dataLength, 64u);
    ASSERT_EQ(write.payload.size(), 64u);
    EXPECT_EQ(write.payload[0], 0x3C);
    EXPECT_EQ(write.payload[1], 0);
    EXPECT_EQ(write.payload[2], 2);
    EXPECT_EQ(write.input.size(), 102u);
    EXPECT_EQ(write.bytesReturned, 102u);
    EXPECT_LT(write.sequence, log[1].sequence);
    EXPECT_EQ(log[1].reply.size(), 64u);
    EXPECT_EQ(log[1].bytesReturned, 38u + 64u);
    EXPECT_EQ(camera_.FpgaRegister(0x3C), 2);
}

TEST_F(Vendor, InformationBlocksCarryTheConfiguredFirmwareAndFlag)
{
    std::vector<uint8_t> record;
    platform::IoStatus status = client_.Vendor(kIn, 0xB0, 0, 0, {}, &record);
    ASSERT_TRUE(status.accepted);
    EXPECT_EQ(status.bytesReturned, 102u);
    EXPECT_EQ(record[38 + 24] | (record[38 + 25] << 8), 0x1101);
    EXPECT_EQ(record[38 + 52], 1);
    EXPECT_EQ(U32(&record[14]), 0u);
    EXPECT_EQ(U32(&record[18]), 0u);

    camera_.SetFirmwareVersion(0x1100);
    camera_.SetGpio25Flag(0);
    ASSERT_TRUE(client_.Vendor(kIn, 0xB0, 0, 0, {}, &record).accepted);
    EXPECT_EQ(record[38 + 24] | (record[38 + 25] << 8), 0x1100);
    EXPECT_EQ(record[38 + 52], 0);

    std::array<uint8_t, 64> b1{};
    for (size_t i = 0; i < b1.size(); ++i)
        b1[i] = static_cast<uint8_t>(200 - i);
    camera_.SetInfoBlockB1(b1);
    status = client_.Vendor(kIn, 0xB1, 0, 0, {}, &record);
    ASSERT_TRUE(status.accepted);
    EXPECT_EQ(status.bytesReturned, 102u);
    EXPECT_TRUE(std::equal(b1.begin(), b1.end(), record.begin() + 38));

    // A shortened reply is still accepted, with fewer bytes.
    camera_.ShortenNextReply(0xB0, 10);
    status = client_.Vendor(kIn, 0xB0, 0, 0, {}, &record);
    EXPECT_TRUE(status.accepted);
    EXPECT_EQ(status.bytesReturned, 48u);
    EXPECT_EQ(client_.Vendor(kIn, 0xB0, 0, 0).bytesReturned, 102u);
}

TEST_F(Vendor, Gpio25FlagReadsReadyAfterTheConfiguredPollsOrNever)
{
    auto poll = [&] {
        std::vector<uint8_t> record;
        const platform::IoStatus status = client_.Vendor(kIn, 0xC3, 0, 0, {}, &record);
        EXPECT_TRUE(status.accepted);
        EXPECT_EQ(status.bytesReturned, 102u);
        return record[38];
    };
    EXPECT_EQ(poll(), 1); // ready at once by default

    emu::Readiness readiness;
    readiness.gpio25AfterPolls = 3;
    camera_.SetReadiness(readiness);
    EXPECT_EQ(poll(), 0);
    EXPECT_EQ(poll(), 0);
    EXPECT_EQ(poll(), 0);
    EXPECT_EQ(poll(), 1);
    EXPECT_EQ(camera_.Gpio25Polls(), 4);

    readiness.gpio25AfterPolls = emu::kNever;
    camera_.SetReadiness(readiness);
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ(poll(), 0);
}

TEST_F(Vendor, ControllerRequestsKeepWhatTheyAreGiven)
{
    // 0x3C / 0x3D: a command byte and the status that echoes it.
    ASSERT_TRUE(client_.Vendor(kOut, 0x3C, 0, 0, {0x5A}).accepted);
    EXPECT_EQ(camera_.CommandByte(), 0x5A);
    std::vector<uint8_t> record;
    platform::IoStatus status = client_.Vendor(kIn, 0x3D, 0, 0, {}, &record);
    EXPECT_EQ(status.bytesReturned, 39u);
    EXPECT_EQ(record[38], 0x5A);
    EXPECT_FALSE(client_.Vendor(kOut, 0x3C, 0, 0, {0x5A, 1}).accepted); // a second byte

    // 0x3E / 0x3F: 16-bit sensor words, address and value high byte first.
    ASSERT_TRUE(client_.Vendor(kOut, 0x3E, 0, 0, {0x12, 0x34, 0xAB, 0xCD}).accepted);
    EXPECT_EQ(camera_.SensorWord(0x1234), 0xABCD);
    status = client_.Vendor(kIn, 0x3F, 0x1234, 0, {}, &record);
    EXPECT_EQ(status.bytesReturned, 40u);
    EXPECT_EQ(record[38], 0xCD);
    EXPECT_EQ(record[39], 0xAB);

    // 0xD0 / 0xD1: bit 15 of the address travels in value, bits 0..14 in index.
    ASSERT_TRUE(client_.Vendor(kOut, 0xD0, 1, 0x0123, {0x78, 0x56, 0x34, 0x12}).accepted);
    EXPECT_EQ(camera_.ControllerRegister(0x8123), 0x12345678u);
    status = client_.Vendor(kIn, 0xD1, 0, 0x8123, {}, &record);
    EXPECT_EQ(status.bytesReturned, 102u);
    EXPECT_EQ(record[38], 0x78);
    EXPECT_EQ(record[39], 0x56);
    EXPECT_EQ(record[40], 0);
    EXPECT_FALSE(client_.Vendor(kOut, 0xD0, 2, 0x0123, {1, 2, 3, 4}).accepted);
    EXPECT_FALSE(client_.Vendor(kOut, 0xD0, 0, 0x8123, {1, 2, 3, 4}).accepted);

    // 0xC0, 0xCC and 0xC2 carry nothing and have fixed request types.
    EXPECT_TRUE(client_.Vendor(kOut, 0xC0, 0, 0).accepted);
    EXPECT_TRUE(client_.Vendor(kOutEndpoint, 0xCC, 0, 0).accepted);
    EXPECT_TRUE(client_.Vendor(kOutEndpoint, 0xC2, 0, 0).accepted);
    EXPECT_FALSE(client_.Vendor(kOut, 0xC2, 0, 0).accepted);
    EXPECT_FALSE(client_.Vendor(kOutEndpoint, 0xC0, 0, 0).accepted);
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
