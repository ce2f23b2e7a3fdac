// Bulk transfers: header validation, the frame information block, payload
// pieces, abort, stalls, failure statuses, pipe and port resets, memory
// commands.

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <thread>

#include "DriverClient.h"
#include "emulator/EmulatedPort.h"

using namespace tavix;
using namespace tavix::test;

namespace {

class Transfer : public ::testing::Test {
protected:
    emu::EmulatedPort port_{1, Unpaced()};
    emu::EmulatedCamera& camera_ = port_.Camera(0);
    DriverClient client_{port_, camera_.InterfacePath()};

    void SetUp() override { camera_.SetFpgaRegister(96, 1); } // the sensor running

    platform::IoStatus Submit(uint32_t code, void* in, uint32_t inSize, void* out, uint32_t outSize,
                              std::unique_ptr<platform::PendingIo>& pending)
    {
        return client_.Stream()->ControlOverlapped(code, in, inSize, out, outSize, pending);
    }
};

} // namespace

TEST_F(Transfer, DirectHeaderWithAnyFieldBesidesTheEndpointIsRefused)
{
    std::vector<uint8_t> data(64);
    std::unique_ptr<platform::PendingIo> pending;
    for (size_t offset : {0, 1, 2, 4, 6, 8, 12, 14, 18, 22, 26, 30, 34}) {
        std::array<uint8_t, 38> header = DirectHeader(0x81);
        header[offset] = 1;
        camera_.ClearLog();
        const platform::IoStatus status = Submit(codes::kDirect, header.data(), 38, data.data(), 64, pending);
        EXPECT_FALSE(status.accepted) << offset;
        EXPECT_EQ(status.error, platform::kErrorInvalidParameter) << offset;
        EXPECT_FALSE(pending) << offset;
        ASSERT_EQ(camera_.Log().size(), 1u);
        EXPECT_TRUE(camera_.Log()[0].refused);
        EXPECT_NE(camera_.Log()[0].problem.find("non-zero"), std::string::npos) << camera_.Log()[0].problem;
    }
    std::array<uint8_t, 38> header = DirectHeader(0x82);
    EXPECT_FALSE(Submit(codes::kDirect, header.data(), 38, data.data(), 64, pending).accepted);
    header = DirectHeader(0x81);
    EXPECT_FALSE(Submit(codes::kDirect, header.data(), 37, data.data(), 64, pending).accepted);
    EXPECT_FALSE(Submit(codes::kDirect, header.data(), 38, nullptr, 0, pending).accepted);
    EXPECT_FALSE(Submit(codes::kDirect, header.data(), 38, data.data(), 0x4000001, pending).accepted);

    // A control handle cannot run an overlapped request.
    auto control = port_.Open(camera_.InterfacePath(), false);
    const platform::IoStatus status =
        control->ControlOverlapped(codes::kDirect, header.data(), 38, data.data(), 64, pending);
    EXPECT_EQ(status.error, platform::kErrorInvalidParameter);
}

TEST_F(Transfer, FrameInformationBlockDescribesThePayload)
{
    std::vector<uint8_t> info, payload;
    ASSERT_TRUE(client_.ReadFrame(info, payload));
    EXPECT_EQ(U32(&info[16]), 2448u * 2048u);
    EXPECT_EQ(payload.size(), 2448u * 2048u);
    EXPECT_EQ(U32(&info[32]), 0u);
    EXPECT_EQ(U32(&info[28]), 1582u); // exposure lines
    EXPECT_EQ(U32(&info[40]), 0u);    // gain
    EXPECT_EQ(U32(&info[36]), 2094u); // frame length
    EXPECT_EQ(info[4] | (info[5] << 8), 2448);
    EXPECT_EQ(info[6] | (info[7] << 8), 2048);
    EXPECT_EQ(info[8], 1);

    ASSERT_TRUE(client_.WriteSensor(0x0404, 0x2C));
    ASSERT_TRUE(client_.WriteSensor(0x0405, 1));
    ASSERT_TRUE(client_.SetFormat(640, 480, true));
    ASSERT_TRUE(client_.ReadFrame(info, payload));
    EXPECT_EQ(U32(&info[32]), 1u);
    EXPECT_EQ(U32(&info[16]), 640u * 480u * 2u);
    EXPECT_EQ(U32(&info[40]), 300u);
    EXPECT_EQ(info[8], 2);
    EXPECT_EQ(camera_.FramesStarted(), 2u);
    EXPECT_EQ(camera_.FpgaRegister(8), 2); // frame counter
    ASSERT_TRUE(camera_.SettingsOfFrame(1).has_value());
    EXPECT_EQ(camera_.SettingsOfFrame(1)->gain, 300u);
}

TEST_F(Transfer, PayloadArrivesInPiecesOfAnySizeAndShortAtItsEnd)
{
    std::vector<uint8_t> info, whole;
    ASSERT_TRUE(client_.SetFormat(320, 100, true));
    camera_.SetStill(true);
    ASSERT_TRUE(client_.ReadFrame(info, whole));
    const uint32_t size = U32(&info[16]);
    ASSERT_EQ(size, 64000u);

    ASSERT_TRUE(client_.Arm());
    uint32_t count = 0;
    ASSERT_TRUE(client_.ReadDirect(0x81, info.data(), 64, 1000, &count));
    std::vector<uint8_t> pieces(size + 100, 0xEE);
    uint32_t got = 0;
    for (uint32_t piece : {1u, 7u, 4096u, 10001u}) {
        ASSERT_TRUE(client_.ReadDirect(0x81, pieces.data() + got, piece, 1000, &count));
        EXPECT_EQ(count, piece);
        got += count;
    }
    // Asking for more than is left ends at the payload's end.
    ASSERT_TRUE(client_.ReadDirect(0x81, pieces.data() + got, size, 1000, &count));
    EXPECT_EQ(count, size - got);
    got += count;
    EXPECT_EQ(got, size);
    EXPECT_TRUE(std::equal(whole.begin(), whole.end(), pieces.begin()));
    EXPECT_EQ(pieces[size], 0xEE);

    // A read larger than the information block gets just the block.
    ASSERT_TRUE(client_.Arm());
    std::vector<uint8_t> big(1000);
    ASSERT_TRUE(client_.ReadDirect(0x81, big.data(), 1000, 1000, &count));
    EXPECT_EQ(count, 64u);
    EXPECT_EQ(big[0], 'T');
}

TEST_F(Transfer, StalledCameraSendsNothingUntilTheStallEnds)
{
    camera_.SetStalled(true);
    ASSERT_TRUE(client_.Arm());
    std::vector<uint8_t> info(64);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(client_.ReadDirect(0x81, info.data(), 64, 100));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    EXPECT_EQ(camera_.FramesStarted(), 0u);

    // A read waiting at the moment the stall ends is served.
    std::array<uint8_t, 38> header = DirectHeader(0x81);
    std::unique_ptr<platform::PendingIo> pending;
    ASSERT_EQ(Submit(codes::kDirect, header.data(), 38, info.data(), 64, pending).error, platform::kErrorIoPending);
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        camera_.SetStalled(false);
    });
    EXPECT_TRUE(pending->Wait(5000));
    release.join();
    const platform::IoStatus result = pending->Result();
    EXPECT_TRUE(result.accepted);
    EXPECT_EQ(result.bytesReturned, 64u);
    EXPECT_EQ(info[0], 'T');
}

TEST_F(Transfer, InjectedFailuresWriteTheirStatusIntoTheHeader)
{
    camera_.FailNextTransfers(2, 0xC0000001, 0xC0000004);
    ASSERT_TRUE(client_.Arm());
    std::vector<uint8_t> info(64);
    std::array<uint8_t, 38> header{};
    uint32_t count = 99;
    EXPECT_FALSE(client_.ReadDirect(0x81, info.data(), 64, 1000, &count, &header));
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(U32(&header[14]), 0xC0000001u);
    EXPECT_EQ(U32(&header[18]), 0xC0000004u);
    EXPECT_FALSE(client_.ReadDirect(0x81, info.data(), 64, 1000, &count, &header));
    EXPECT_TRUE(client_.ReadDirect(0x81, info.data(), 64, 1000, &count, &header));
    EXPECT_EQ(count, 64u);
    EXPECT_EQ(U32(&header[18]), 0u);
    const auto log = camera_.Log();
    EXPECT_EQ(log[log.size() - 2].usbdStatus, 0xC0000004u);
}

TEST_F(Transfer, PayloadLargerThanAnnouncedLeavesBytesInThePipe)
{
    camera_.SetPayloadExcess(100);
    ASSERT_TRUE(client_.SetFormat(64, 4, false));
    std::vector<uint8_t> info, payload;
    ASSERT_TRUE(client_.ReadFrame(info, payload));
    EXPECT_EQ(U32(&info[16]), 256u);
    // The next "information block" is the surplus of the last payload.
    ASSERT_TRUE(client_.Arm());
    std::vector<uint8_t> next(64, 0xEE);
    uint32_t count = 0;
    ASSERT_TRUE(client_.ReadDirect(0x81, next.data(), 64, 1000, &count));
    EXPECT_EQ(count, 64u);
    EXPECT_NE(next[0], 'T');

    // Resetting the pipe drops what is in flight; request 0xC0 too.
    uint8_t endpoint = 0x81;
    ASSERT_TRUE(client_.Send(codes::kResetPipe, &endpoint, 1, nullptr, 0).accepted);
    camera_.SetPayloadExcess(0);
    ASSERT_TRUE(client_.ReadFrame(info, payload));
    EXPECT_EQ(info[0], 'T');
    ASSERT_TRUE(client_.Arm());
    ASSERT_TRUE(client_.Vendor(kOut, 0xC0, 0, 0).accepted);
    EXPECT_FALSE(client_.ReadDirect(0x81, next.data(), 64, 50)); // disarmed
    EXPECT_FALSE(client_.Send(codes::kResetPipe, &endpoint, 1, &endpoint, 1).accepted);
    EXPECT_TRUE(client_.Send(codes::kResetPort, nullptr, 0, nullptr, 0).accepted);
    EXPECT_FALSE(client_.Send(codes::kResetPort, &endpoint, 1, nullptr, 0).accepted);
}

TEST_F(Transfer, SynchronousReadWaitsAndClosingAHandleCancelsItsReads)
{
    // A synchronous direct read waits for its frame.
    auto control = port_.Open(camera_.InterfacePath(), false);
    ASSERT_TRUE(client_.Arm());
    std::array<uint8_t, 38> header = DirectHeader(0x81);
    std::vector<uint8_t> info(64);
    const platform::IoStatus status = control->Control(codes::kDirect, header.data(), 38, info.data(), 64);
    EXPECT_TRUE(status.accepted);
    EXPECT_EQ(status.bytesReturned, 64u);
    uint8_t endpoint = 0x81;
    ASSERT_TRUE(client_.Send(codes::kResetPipe, &endpoint, 1, nullptr, 0).accepted); // drop the payload

    // Closing the stream handle cancels what runs on it.
    auto stream = port_.Open(camera_.InterfacePath(), true);
    std::unique_ptr<platform::PendingIo> pending;
    header = DirectHeader(0x81);
    ASSERT_EQ(stream->ControlOverlapped(codes::kDirect, header.data(), 38, info.data(), 64, pending).error,
              platform::kErrorIoPending);
    stream.reset();
    EXPECT_TRUE(pending->Wait(0));
    EXPECT_EQ(pending->Result().error, platform::kErrorOperationAborted);

    // Dropping a pending request cancels it without touching its buffers.
    header = DirectHeader(0x81);
    ASSERT_EQ(client_.Stream()->ControlOverlapped(codes::kDirect, header.data(), 38, info.data(), 64, pending).error,
              platform::kErrorIoPending);
    pending.reset();
    EXPECT_EQ(U32(&header[14]), 0u);
    ASSERT_TRUE(client_.Arm());
    std::vector<uint8_t> payload;
    uint32_t count = 0;
    ASSERT_TRUE(client_.ReadDirect(0x81, info.data(), 64, 1000, &count));
    EXPECT_EQ(info[0], 'T');
}
