#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "TransportFixture.h"
#include "platform/Clock.h"

using namespace transport_test;

namespace {
using VendorTest = CameraTest;
} // namespace

TEST_F(VendorTest, EveryRequestTravelsAsOneExactRecordOnAHandleOfItsOwn)
{
    ASSERT_EQ(cam_->OpenStream(), 1);
    Camera().ClearLog();
    uint8_t byte = 0;
    uint32_t word = 0;
    uint8_t block[64] = {};
    uint8_t two[2] = {};
    const uint8_t fpgaBytes[3] = {7, 0, 5};

    struct Case {
        const char* what;
        std::function<int()> call;
        std::array<uint8_t, 102> record;
    };
    const Case cases[] = {
        {"I2cWrite", [&] { return cam_->I2cWrite(0x40, fpgaBytes, 3); }, VendorRecord(kOut, 0x30, 3, 0x40, {7, 0, 5})},
        {"I2cRead", [&] { return cam_->I2cRead(0x40, two, 2); }, VendorRecord(kIn, 0x31, 2, 0x41)},
        {"SendCommandByte", [&] { return cam_->SendCommandByte(0x5A); }, VendorRecord(kOut, 0x3C, 0, 0, {0x5A})},
        {"ReadStatusByte", [&] { return cam_->ReadStatusByte(&byte); }, VendorRecord(kIn, 0x3D, 0, 0)},
        {"WriteSensorWord", [&] { return cam_->WriteSensorWord(0x1234, 0xABCD); },
         VendorRecord(kOut, 0x3E, 0, 0, {0x12, 0x34, 0xAB, 0xCD})},
        {"ReadSensorWord", [&] { return cam_->ReadSensorWord(0x0345, &word); }, VendorRecord(kIn, 0x3F, 0x0345, 0)},
        {"ReadInfoBlock", [&] { return cam_->ReadInfoBlock(block); }, VendorRecord(kIn, 0xB0, 0, 0)},
        {"ReadInfoBlockB1", [&] { return cam_->ReadInfoBlockB1(block); }, VendorRecord(kIn, 0xB1, 0, 0)},
        {"SendRequestC0", [&] { return cam_->SendRequestC0(); }, VendorRecord(kOut, 0xC0, 0, 0)},
        {"SendStartRequest", [&] { return cam_->SendStartRequest(nullptr); }, VendorRecord(kOutEndpoint, 0xC2, 0, 0)},
        {"ReadGpio25Flag", [&] { return cam_->ReadGpio25Flag(&byte); }, VendorRecord(kIn, 0xC3, 0, 0)},
        {"SendEndpointRequestCC", [&] { return cam_->SendEndpointRequestCC(); }, VendorRecord(kOutEndpoint, 0xCC, 0, 0)},
        {"WriteRegister32", [&] { return cam_->WriteRegister32(0x8123, 0xDEADBEEF); },
         VendorRecord(kOut, 0xD0, 1, 0x0123, {0xEF, 0xBE, 0xAD, 0xDE})},
        {"ReadRegister16", [&] { return cam_->ReadRegister16(0x0456, &word); }, VendorRecord(kIn, 0xD1, 0, 0x0456)},
    };

    std::set<uint64_t> controlHandles;
    uint64_t streamHandleId = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Camera().ClearLog();
        EXPECT_EQ(c.call(), 1);
        const auto log = Camera().Log();
        ASSERT_EQ(log.size(), 1u);
        const auto& entry = log[0];
        EXPECT_EQ(entry.controlCode, kEp0);
        EXPECT_FALSE(entry.overlapped);
        EXPECT_EQ(entry.inSize, 102u);
        EXPECT_EQ(entry.outSize, 102u);
        EXPECT_TRUE(entry.problem.empty()) << entry.problem;
        EXPECT_EQ(entry.input, Bytes(c.record));
        if (c.record[1] == 0xC2)
            streamHandleId = entry.handleId;
        else
            EXPECT_TRUE(controlHandles.insert(entry.handleId).second) << "a control handle was reused";
    }
    // The start request rides on the stream; every other request had a handle
    // that is closed again, so only the stream is open now.
    EXPECT_NE(streamHandleId, 0u);
    EXPECT_EQ(controlHandles.count(streamHandleId), 0u);
    EXPECT_EQ(Camera().OpenHandles(), 1);

    // Without a stream the start request has nowhere to go.
    cam_->CloseStream();
    Camera().ClearLog();
    EXPECT_EQ(cam_->SendStartRequest(nullptr), 0);
    EXPECT_TRUE(Camera().Log().empty());
    EXPECT_EQ(Camera().OpenHandles(), 0);
}

TEST_F(VendorTest, ReadsTakeTheirAnswerOnlyByTheirRuleButStillCountAsAccepted)
{
    // Full answers arrive.
    std::array<uint8_t, 64> info{};
    for (size_t i = 0; i < info.size(); ++i)
        info[i] = static_cast<uint8_t>(i * 3 + 1);
    Camera().SetInfoBlock(info);
    std::array<uint8_t, 64> bytes{};
    ASSERT_EQ(cam_->ReadInfoBlock(bytes.data()), 1);
    EXPECT_EQ(bytes, info);
    ASSERT_EQ(cam_->SendCommandByte(0x5A), 1);
    ASSERT_EQ(cam_->ReadStatusByte(bytes.data()), 1);
    EXPECT_EQ(bytes[0], 0x5A);
    ASSERT_EQ(cam_->ReadGpio25Flag(bytes.data()), 1);
    EXPECT_EQ(bytes[0], 1);
    ASSERT_EQ(cam_->WriteSensorWord(0x0100, 0xBEEF), 1);
    uint32_t word = 0xFFFFFFFF;
    ASSERT_EQ(cam_->ReadSensorWord(0x0100, &word), 1);
    EXPECT_EQ(word, 0xBEEFu) << "zero-extended";
    ASSERT_EQ(cam_->WriteRegister32(0x0456, 0x12345678), 1);
    EXPECT_EQ(Camera().ControllerRegister(0x0456), 0x12345678u);
    ASSERT_EQ(cam_->ReadRegister16(0x0456, &word), 1);
    EXPECT_EQ(word, 0x5678u);

    // Short answers to the same reads: accepted, the output left as it was,
    // except that ReadRegister16 clears its output before it looks at the count.
    const struct {
        const char* what;
        uint8_t request;
        uint32_t dataBytes;
        std::function<int()> read;
        uint32_t wordAfter = 0xEEEEEEEE;
    } shortReplies[] = {
        {"ReadInfoBlock", 0xB0, 63, [&] { return cam_->ReadInfoBlock(bytes.data()); }},
        {"ReadInfoBlockB1", 0xB1, 0, [&] { return cam_->ReadInfoBlockB1(bytes.data()); }},
        {"ReadGpio25Flag", 0xC3, 63, [&] { return cam_->ReadGpio25Flag(bytes.data()); }},
        {"I2cRead", 0x31, 1, [&] { return cam_->I2cRead(0x40, bytes.data(), 2); }},
        {"ReadStatusByte", 0x3D, 0, [&] { return cam_->ReadStatusByte(bytes.data()); }},
        {"ReadSensorWord", 0x3F, 0, [&] { return cam_->ReadSensorWord(0x0100, &word); }},
        {"ReadRegister16", 0xD1, 2, [&] { return cam_->ReadRegister16(0x0456, &word); }, 0},
    };
    for (const auto& row : shortReplies) {
        SCOPED_TRACE(row.what);
        bytes.fill(0xEE);
        word = 0xEEEEEEEE;
        Camera().ShortenNextReply(row.request, row.dataBytes);
        EXPECT_EQ(row.read(), 1);
        EXPECT_TRUE(std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0xEE; }));
        EXPECT_EQ(word, row.wordAfter);
    }

    // A refused request fails and leaves the output alone, cleared or not.
    bytes.fill(0xEE);
    word = 0xEEEEEEEE;
    Camera().RefuseNextRequests(1, 31);
    EXPECT_EQ(cam_->ReadRegister16(0x0456, &word), 0);
    EXPECT_EQ(word, 0xEEEEEEEEu);
    Camera().RefuseNextRequests(1, 31);
    EXPECT_EQ(cam_->ReadInfoBlock(bytes.data()), 0);
    EXPECT_EQ(bytes[0], 0xEE);
}

TEST_F(VendorTest, I2cTransfersAboveSixtyFourBytesAreRefusedWithoutARequest)
{
    std::vector<uint8_t> bytes(65, 0);
    const uint64_t opened = Camera().HandlesOpened();
    EXPECT_EQ(cam_->I2cWrite(0xA2, bytes.data(), 65), 0);
    EXPECT_EQ(cam_->I2cRead(0xA2, bytes.data(), 65), 0);
    EXPECT_EQ(cam_->I2cWrite(0xA2, bytes.data(), 255), 0);
    EXPECT_TRUE(Camera().Log().empty());
    EXPECT_EQ(Camera().HandlesOpened(), opened) << "not even a handle was opened";

    // 64 bytes fill the data area exactly: EEPROM address and 62 bytes.
    std::vector<uint8_t> write = Pattern(64, 9);
    write[0] = 0x02;
    write[1] = 0x00;
    ASSERT_EQ(cam_->I2cWrite(0xA2, write.data(), 64), 1);
    const auto logged = VendorRequests(0x30);
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(logged[0].input, Bytes(VendorRecord(kOut, 0x30, 64, 0xA2, write)));
    for (size_t i = 0; i < 62; ++i)
        ASSERT_EQ(Camera().EepromByte(static_cast<uint16_t>(0x200 + i)), write[2 + i]) << i;

    const uint8_t address[2] = {0x02, 0x00};
    ASSERT_EQ(cam_->I2cWrite(0xA2, address, 2), 1);
    std::vector<uint8_t> read(64, 0);
    ASSERT_EQ(cam_->I2cRead(0xA2, read.data(), 64), 1);
    EXPECT_TRUE(std::equal(read.begin(), read.begin() + 62, write.begin() + 2));
}

TEST_F(VendorTest, RegisterAndEepromAccessFollowTheBusFraming)
{
    tavix::platform::WarpClock clock;
    tavix::platform::ScopedClock scoped(clock);

    // FPGA: three bytes register, 0, value; a read selects, then reads two
    // bytes of which the second is the value.
    ASSERT_EQ(cam_->WriteFpgaRegister(0x22, 0x5C), 1);
    EXPECT_EQ(Camera().FpgaRegister(0x22), 0x5C);
    Camera().SetFpgaRegister(0x23, 0xA7);
    Camera().ClearLog();
    uint8_t value = 0;
    ASSERT_EQ(cam_->ReadFpgaRegister(0x23, &value), 1);
    EXPECT_EQ(value, 0xA7);
    auto log = Camera().Log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].input, Bytes(VendorRecord(kOut, 0x30, 1, 0x40, {0x23})));
    EXPECT_EQ(log[1].input, Bytes(VendorRecord(kIn, 0x31, 2, 0x41)));

    Camera().SetFpgaRegister(0x10, 0x35);
    Camera().SetFpgaRegister(0x11, 0x01);
    uint16_t fpgaWord = 0;
    ASSERT_EQ(cam_->ReadFpgaWord(&fpgaWord), 1);
    EXPECT_EQ(fpgaWord, 0x0135);

    // EEPROM: address high, low (and the value); settling pauses through the clock.
    ASSERT_EQ(cam_->WriteSromByte(0x1234, 0x77), 1);
    EXPECT_EQ(Camera().EepromByte(0x1234), 0x77);
    EXPECT_EQ(clock.SleptMilliseconds(), 14u);
    EXPECT_EQ(VendorRequests(0x30).back().input, Bytes(VendorRecord(kOut, 0x30, 3, 0xA2, {0x12, 0x34, 0x77})));
    Camera().SetSerialNumber("KELVOR01");
    ASSERT_EQ(cam_->ReadSromByte(0x1040, &value), 1);
    EXPECT_EQ(value, 'K');
    EXPECT_EQ(clock.SleptMilliseconds(), 24u);

    // A read that comes back short reports no value: the register or cell
    // would otherwise read as whatever the buffer held.
    Camera().ShortenNextReply(0x31, 1);
    value = 0xEE;
    EXPECT_EQ(cam_->ReadFpgaRegister(0x23, &value), 0);
    EXPECT_EQ(value, 0xEE);
    Camera().ShortenNextReply(0x31, 0);
    EXPECT_EQ(cam_->ReadSromByte(0x1040, &value), 0);
    EXPECT_EQ(value, 0xEE);
    EXPECT_EQ(clock.SleptMilliseconds(), 34u);

    // Devices that do not answer: nothing is stored, no pause is taken.
    Camera().SetI2cDeviceAbsent(0x40, true);
    Camera().SetI2cDeviceAbsent(0xA2, true);
    value = 0xEE;
    fpgaWord = 0xEEEE;
    EXPECT_EQ(cam_->ReadFpgaRegister(0x23, &value), 0);
    EXPECT_EQ(cam_->ReadFpgaWord(&fpgaWord), 0);
    EXPECT_EQ(cam_->WriteFpgaRegister(0x22, 1), 0);
    EXPECT_EQ(cam_->WriteSromByte(0x1234, 0x78), 0);
    EXPECT_EQ(cam_->ReadSromByte(0x1234, &value), 0);
    EXPECT_EQ(value, 0xEE);
    EXPECT_EQ(fpgaWord, 0xEEEE);
    EXPECT_EQ(clock.SleptMilliseconds(), 34u);

    // The auxiliary register device of the MT9F002 models: a write of
    // address and value, a read as an address write and a one-byte read.
    Camera().ClearLog();
    value = 0;
    EXPECT_EQ(cam_->WriteAuxRegister(0x03, 0x09), 1);
    EXPECT_EQ(cam_->ReadAuxRegister(0x03, &value), 1);
    EXPECT_EQ(value, 0x09);
    log = Camera().Log();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].input, Bytes(VendorRecord(kOut, 0x30, 2, 0x5A, {3, 9})));
    EXPECT_EQ(log[1].input, Bytes(VendorRecord(kOut, 0x30, 1, 0x5A, {3})));
}

TEST_F(VendorTest, DriverControlsUseFreshHandlesAndReportWhatTheDriverSaid)
{
    ASSERT_EQ(cam_->ResetPipe(0x81), 1);
    ASSERT_EQ(cam_->ResetPort(), 1);
    uint32_t speed = 0;
    ASSERT_EQ(cam_->GetDeviceSpeed(&speed), 1);
    EXPECT_EQ(speed, 4u);
    Camera().SetLinkSpeed(3);
    ASSERT_EQ(cam_->GetDeviceSpeed(&speed), 1);
    EXPECT_EQ(speed, 3u);

    const auto pipe = Requests(kResetPipe);
    ASSERT_EQ(pipe.size(), 1u);
    EXPECT_EQ(pipe[0].input, std::vector<uint8_t>{0x81});
    EXPECT_EQ(pipe[0].outSize, 0u);
    ASSERT_EQ(Requests(kResetPort).size(), 1u);
    EXPECT_EQ(Requests(kResetPort)[0].inSize, 0u);
    EXPECT_EQ(Requests(kSpeed).size(), 2u);
    EXPECT_EQ(Camera().OpenHandles(), 0);

    // A refused speed query still counts as done; the value stays.
    speed = 77;
    Camera().RefuseNextRequests(1, 31);
    EXPECT_EQ(cam_->GetDeviceSpeed(&speed), 1);
    EXPECT_EQ(speed, 77u);
    Camera().RefuseNextRequests(2, 31);
    EXPECT_EQ(cam_->ResetPipe(0x81), 0);
    EXPECT_EQ(cam_->ResetPort(), 0);

    // Gone camera: nothing opens, everything fails.
    Camera().Unplug();
    EXPECT_EQ(cam_->GetDeviceSpeed(&speed), 0);
    EXPECT_EQ(cam_->SendRequestC0(), 0);
    uint8_t value = 0;
    EXPECT_EQ(cam_->ReadFpgaRegister(0, &value), 0);
    EXPECT_EQ(cam_->OpenStream(), 0);
}
