// Bulk transfers as the driver runs them: the direct header's validation,
// payload pieces, stalls, injected failures, surplus payload, pipe and port
// resets, synchronous reads and cancelling. How the real transport copes
// with them is the transport suite's part; frame contents are FrameTest's.

#include <gtest/gtest.h>

#include <algorithm>

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
    std::array<uint8_t, 38> header_ = DirectHeader(0x81);
    std::vector<uint8_t> info_ = std::vector<uint8_t>(64);
    std::unique_ptr<platform::PendingIo> pending_;

    void SetUp() override { camera_.SetFpgaRegister(96, 1); } // the sensor running

    // A direct read into info_ with header_, started on the client's stream.
    platform::IoStatus Submit(uint32_t headerSize = 38, uint32_t length = 64)
    {
        return client_.Stream()->ControlOverlapped(codes::kDirect, header_.data(), headerSize, info_.data(), length,
                                                   pending_);
    }
};

} // namespace

TEST_F(Transfer, DirectHeaderWithAnyFieldBesidesTheEndpointIsRefused)
{
    for (size_t offset : {0, 1, 2, 4, 6, 8, 12, 14, 18, 22, 26, 30, 34}) {
        SCOPED_TRACE(offset);
        header_ = DirectHeader(0x81);
        header_[offset] = 1;
        camera_.ClearLog();
        const platform::IoStatus status = Submit();
        EXPECT_FALSE(status.accepted);
        EXPECT_EQ(status.error, platform::kErrorInvalidParameter);
        EXPECT_FALSE(pending_);
        const auto log = camera_.Log();
        ASSERT_EQ(log.size(), 1u);
        EXPECT_TRUE(log[0].refused);
        EXPECT_NE(log[0].problem.find("non-zero"), std::string::npos) << log[0].problem;
    }
    header_ = DirectHeader(0x82);
    EXPECT_FALSE(Submit().accepted);
    header_ = DirectHeader(0x81);
    EXPECT_FALSE(Submit(37).accepted);
    EXPECT_FALSE(Submit(38, 0x4000001).accepted);
    EXPECT_FALSE(
        client_.Stream()->ControlOverlapped(codes::kDirect, header_.data(), 38, nullptr, 0, pending_).accepted);

    // A control handle cannot run an overlapped request.
    auto control = port_.Open(camera_.InterfacePath(), false);
    EXPECT_EQ(control->ControlOverlapped(codes::kDirect, header_.data(), 38, info_.data(), 64, pending_).error,
              platform::kErrorInvalidParameter);
}

TEST_F(Transfer, PayloadArrivesInPiecesOfAnySizeAndShortAtItsEnd)
{
    std::vector<uint8_t> info, whole;
    ASSERT_TRUE(client_.SetFormat(320, 100, true));
    camera_.SetStill(true);
    ASSERT_TRUE(client_.ReadFrame(info, whole));
    const uint32_t size = 320 * 100 * 2;
    ASSERT_EQ(whole.size(), size);

    ASSERT_TRUE(client_.Arm() && client_.ReadDirect(0x81, info.data(), 64, 1000));
    std::vector<uint8_t> pieces(size + 100, 0xEE);
    uint32_t got = 0, count = 0;
    // The last read asks for more than is left and ends at the payload's end.
    for (uint32_t piece : {1u, 7u, 4096u, 10001u, size}) {
        ASSERT_TRUE(client_.ReadDirect(0x81, pieces.data() + got, piece, 1000, &count));
        EXPECT_EQ(count, std::min(piece, size - got));
        got += count;
    }
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

TEST_F(Transfer, StalledCameraStartsNoFrameAndServesTheWaitingReadWhenTheStallEnds)
{
    camera_.SetStalled(true);
    ASSERT_TRUE(client_.Arm());
    ASSERT_EQ(Submit().error, platform::kErrorIoPending);
    EXPECT_FALSE(pending_->Wait(0));
    EXPECT_EQ(camera_.FramesStarted(), 0u);
    camera_.SetStalled(false);
    ASSERT_TRUE(pending_->Wait(5000));
    const platform::IoStatus result = pending_->Result();
    EXPECT_TRUE(result.accepted);
    EXPECT_EQ(result.bytesReturned, 64u);
    EXPECT_EQ(info_[0], 'T');
}

TEST_F(Transfer, InjectedFailuresWriteTheirStatusIntoTheHeader)
{
    camera_.FailNextTransfers(2, 0xC0000001, 0xC0000004);
    ASSERT_TRUE(client_.Arm());
    std::array<uint8_t, 38> header{};
    uint32_t count = 0;
    for (int failure = 0; failure < 2; ++failure) {
        count = 99;
        EXPECT_FALSE(client_.ReadDirect(0x81, info_.data(), 64, 1000, &count, &header));
        EXPECT_EQ(count, 0u);
        EXPECT_EQ(U32(&header[14]), 0xC0000001u);
        EXPECT_EQ(U32(&header[18]), 0xC0000004u);
        EXPECT_EQ(camera_.Log().back().usbdStatus, 0xC0000004u);
    }
    EXPECT_TRUE(client_.ReadDirect(0x81, info_.data(), 64, 1000, &count, &header));
    EXPECT_EQ(count, 64u);
    EXPECT_EQ(U32(&header[18]), 0u);
}

TEST_F(Transfer, PayloadLargerThanAnnouncedLeavesBytesInThePipe)
{
    camera_.SetPayloadExcess(100);
    ASSERT_TRUE(client_.SetFormat(64, 4, false));
    std::vector<uint8_t> info, payload;
    ASSERT_TRUE(client_.ReadFrame(info, payload));
    EXPECT_EQ(U32(&info[16]), 256u);
    // The next "information block" is the surplus of the last payload.
    uint32_t count = 0;
    ASSERT_TRUE(client_.Arm() && client_.ReadDirect(0x81, info_.data(), 64, 1000, &count));
    EXPECT_EQ(count, 64u);
    EXPECT_NE(info_[0], 'T');

    // Resetting the pipe drops what is in flight; request 0xC0 too.
    uint8_t endpoint = 0x81;
    ASSERT_TRUE(client_.Send(codes::kResetPipe, &endpoint, 1, nullptr, 0).accepted);
    camera_.SetPayloadExcess(0);
    ASSERT_TRUE(client_.ReadFrame(info, payload));
    EXPECT_EQ(info[0], 'T');
    ASSERT_TRUE(client_.Arm());
    ASSERT_TRUE(client_.Vendor(kOut, 0xC0, 0, 0).accepted);
    EXPECT_FALSE(client_.ReadDirect(0x81, info_.data(), 64, 50)); // disarmed
    EXPECT_FALSE(client_.Send(codes::kResetPipe, &endpoint, 1, &endpoint, 1).accepted);
    EXPECT_TRUE(client_.Send(codes::kResetPort, nullptr, 0, nullptr, 0).accepted);
    EXPECT_FALSE(client_.Send(codes::kResetPort, &endpoint, 1, nullptr, 0).accepted);
}

TEST_F(Transfer, SynchronousReadWaitsAndClosingAHandleCancelsItsReads)
{
    auto control = port_.Open(camera_.InterfacePath(), false);
    ASSERT_TRUE(client_.Arm());
    const platform::IoStatus status = control->Control(codes::kDirect, header_.data(), 38, info_.data(), 64);
    EXPECT_TRUE(status.accepted);
    EXPECT_EQ(status.bytesReturned, 64u);
    uint8_t endpoint = 0x81;
    ASSERT_TRUE(client_.Send(codes::kResetPipe, &endpoint, 1, nullptr, 0).accepted); // drop the payload

    // Closing a stream handle cancels what runs on it.
    auto stream = port_.Open(camera_.InterfacePath(), true);
    ASSERT_EQ(stream->ControlOverlapped(codes::kDirect, header_.data(), 38, info_.data(), 64, pending_).error,
              platform::kErrorIoPending);
    stream.reset();
    EXPECT_TRUE(pending_->Wait(0));
    EXPECT_EQ(pending_->Result().error, platform::kErrorOperationAborted);

    // Dropping a pending request cancels it without touching its buffers.
    header_ = DirectHeader(0x81);
    ASSERT_EQ(Submit().error, platform::kErrorIoPending);
    pending_.reset();
    EXPECT_EQ(U32(&header_[14]), 0u);
    ASSERT_TRUE(client_.Arm() && client_.ReadDirect(0x81, info_.data(), 64, 1000));
    EXPECT_EQ(info_[0], 'T');
}
