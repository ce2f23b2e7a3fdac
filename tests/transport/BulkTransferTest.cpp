#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "TransportFixture.h"
#include "emulator/FrameInfoBlock.h"
#include "emulator/Fpga.h"
#include "emulator/FrameRenderer.h"
#include "platform/Clock.h"

using namespace transport_test;
using tavix::TransferRequest;

namespace {
constexpr uint32_t kFullFrame = 2448 * 2048; // samples
constexpr uint32_t kPiece = 512 * 1024;

// A request over a buffer of its own, filled with 0xEE so that bytes
// written where they should not be show.
struct Frame {
    explicit Frame(size_t bytes) : buffer(bytes, 0xEE)
    {
        request.buffer = buffer.data();
        request.capacity = static_cast<uint32_t>(bytes);
    }
    Frame(const Frame&) = delete;
    std::vector<uint8_t> buffer;
    TransferRequest request{};
};

// Compares the payload with the bytes the emulator sent for that frame.
void ExpectPayloadMatches(const std::vector<uint8_t>& buffer, const emu::FrameSettings& settings)
{
    std::vector<uint8_t> sent(settings.PayloadBytes());
    emu::FrameRenderer().Render(settings, 0, static_cast<uint32_t>(sent.size()), sent.data());
    ASSERT_GE(buffer.size(), sent.size());
    const auto difference = std::mismatch(sent.begin(), sent.end(), buffer.begin()).first;
    EXPECT_TRUE(difference == sent.end()) << "the payloads differ from byte " << difference - sent.begin();
}

// Reads one whole frame (information block and payload) and checks both
// against what the emulator sent.
void ReadAndCheckFrame(CKelCy3Cam& cam, emu::EmulatedCamera& camera, uint32_t bytesPerSample)
{
    Frame frame(kFullFrame * 2 + 4096);
    ASSERT_EQ(cam.ReadFrameInfo(&frame.request), 1);
    EXPECT_EQ(std::memcmp(frame.request.frameInfo, "TFIB", 4), 0);
    const uint32_t payload = U32(frame.request.frameInfo + 16);
    EXPECT_EQ(payload, kFullFrame * bytesPerSample);
    EXPECT_EQ(frame.request.frameNumber, U32(frame.request.frameInfo + 32));
    const auto settings = camera.SettingsOfFrame(frame.request.frameNumber);
    ASSERT_TRUE(settings.has_value());
    ASSERT_EQ(settings->BytesPerSample(), bytesPerSample);
    ASSERT_EQ(cam.ReadFrameData(&frame.request, 3000), 1);
    ExpectPayloadMatches(frame.buffer, *settings);
    EXPECT_EQ(frame.buffer[payload], 0xEE) << "nothing written past the payload";
}

class BulkTest : public CameraTest {
protected:
    // A 64-byte direct read of the frame endpoint on the stream; the count
    // starts at 77 so that one left alone shows.
    int ReadBlock(uint32_t timeoutMs)
    {
        count_ = 77;
        return cam_->TransferDirect(cam_->GetStreamHandle(), block_, 64, kFrameIn, &count_, timeoutMs);
    }
    uint8_t block_[64] = {};
    uint32_t count_ = 77;
};
} // namespace

TEST_F(BulkTest, FullFramesOfEightAndSixteenBitsArriveWhole)
{
    ASSERT_EQ(cam_->OpenStream(), 1);
    ReadAndCheckFrame(*cam_, Camera(), 1);

    // The information block came in one direct read of 64 bytes, the payload
    // in 512 KiB pieces and a last piece of the rest.
    const auto direct = Requests(kDirect);
    ASSERT_EQ(direct.size(), 1 + (kFullFrame + kPiece - 1) / kPiece);
    for (const auto& entry : direct) {
        EXPECT_TRUE(entry.overlapped);
        EXPECT_EQ(entry.inSize, 38u);
        EXPECT_EQ(entry.input, Bytes(DirectHeader(kFrameIn)));
        EXPECT_EQ(entry.error, 0u);
    }
    EXPECT_EQ(direct[0].outSize, 64u);
    for (size_t i = 1; i + 1 < direct.size(); ++i)
        EXPECT_EQ(direct[i].outSize, kPiece);
    EXPECT_EQ(direct.back().outSize, kFullFrame % kPiece);
    EXPECT_EQ(VendorRequests(0xC2).size(), 1u);

    Camera().SetFpgaRegister(emu::fpga::kRegPixelDepth, emu::fpga::kDepth16);
    ReadAndCheckFrame(*cam_, Camera(), 2);
}

TEST_F(BulkTest, ReadsOpenTheStreamForThemselvesAndCloseIt)
{
    Frame frame(kFullFrame);
    ASSERT_EQ(cam_->ReadFrameInfo(&frame.request), 1);
    EXPECT_NE(cam_->GetStreamHandle(), nullptr) << "a successful information read keeps the stream";
    cam_->CloseStream();
    ASSERT_EQ(cam_->ReadFrameData(&frame.request, 3000), 1);
    EXPECT_EQ(cam_->GetStreamHandle(), nullptr) << "the data read closes the stream it opened";
    EXPECT_EQ(Camera().OpenHandles(), 0);
}

TEST_F(BulkTest, PayloadsThatDoNotFitOrComeShortFail)
{
    ASSERT_EQ(cam_->OpenStream(), 1);
    Frame frame(kFullFrame + 4096);
    frame.request.capacity = kFullFrame - 1;
    ASSERT_EQ(cam_->ReadFrameInfo(&frame.request), 1);
    Camera().ClearLog();
    EXPECT_EQ(cam_->ReadFrameData(&frame.request, 3000), 0);
    EXPECT_TRUE(Requests(kDirect).empty()) << "refused before any transfer";

    // A block that announces 100 bytes more than the frame carries: the last
    // piece ends short, and the frame does not count as read.
    frame.request.capacity = kFullFrame + 4096;
    PutU32(frame.request.frameInfo + 16, kFullFrame + 100);
    EXPECT_EQ(cam_->ReadFrameData(&frame.request, 3000), 0);
    const auto direct = Requests(kDirect);
    ASSERT_FALSE(direct.empty());
    EXPECT_EQ(direct.back().bytesReturned + 100, direct.back().outSize);

    // The stream goes on with the next frame.
    ASSERT_EQ(cam_->ReadFrameInfo(&frame.request), 1);
    EXPECT_EQ(cam_->ReadFrameData(&frame.request, 3000), 1);
}

TEST_F(BulkTest, DirectTransfersAreRefusedBeforeTheCameraIsPrepared)
{
    Start({.prepare = false});
    ASSERT_EQ(cam_->OpenStream(), 1);
    EXPECT_FALSE(cam_->IsPrepared());
    EXPECT_EQ(ReadBlock(100), 0);
    EXPECT_EQ(cam_->TransferDirectFixed(cam_->GetStreamHandle(), block_, 64, kFrameIn, &count_), 0);
    EXPECT_EQ(cam_->TransferBuffered(cam_->GetStreamHandle(), block_, 64, kFrameIn, &count_), 0);
    TransferRequest request{};
    EXPECT_EQ(cam_->ReadFrameInfo(&request), 0);
    EXPECT_EQ(count_, 77u);
    EXPECT_TRUE(Requests(kDirect).empty());
    EXPECT_TRUE(Requests(kBuffered).empty());

    ASSERT_EQ(cam_->PrepareTransfers(), 1);
    EXPECT_EQ(Requests(kResetPort).size(), 1u) << "preparing resets the port";
    ASSERT_EQ(cam_->SendStartRequest(nullptr), 1);
    EXPECT_EQ(ReadBlock(1000), 1);
    EXPECT_EQ(count_, 64u);
    EXPECT_EQ(cam_->GetLastDirectError(), 0u);

    // Too long for the driver, or nowhere to go.
    EXPECT_EQ(cam_->TransferDirect(cam_->GetStreamHandle(), block_, 0x4000001, kFrameIn, &count_, 100), 0);
    EXPECT_EQ(cam_->TransferDirect(nullptr, block_, 64, kFrameIn, &count_, 100), 0);
    EXPECT_EQ(Requests(kDirect).size(), 1u);
}

TEST_F(BulkTest, ATransferTheDeviceFinishesWithAnErrorStatusFails)
{
    tavix::platform::WarpClock clock;
    tavix::platform::ScopedClock scoped(clock);
    ASSERT_EQ(cam_->OpenStream(), 1);
    Camera().FailNextTransfers(1, 0, emu::driver::kUsbdStatusStallPid);
    EXPECT_EQ(ReadBlock(1000), 0);
    EXPECT_EQ(count_, 0u);
    EXPECT_EQ(cam_->GetLastDirectError(), 0u) << "the driver took the request at once";
    EXPECT_EQ(clock.SleptMilliseconds(), 1u);
    EXPECT_TRUE(Requests(kAbortPipe).empty()) << "a finished transfer needs no abort";

    Camera().FailNextTransfers(1, emu::driver::kNtStatusUnsuccessful, 0);
    EXPECT_EQ(cam_->TransferDirectFixed(cam_->GetStreamHandle(), block_, 64, kFrameIn, &count_), 0);
    EXPECT_EQ(clock.SleptMilliseconds(), 2u);

    // A failing piece fails the whole frame.
    Frame frame(kFullFrame);
    ASSERT_EQ(cam_->ReadFrameInfo(&frame.request), 1);
    Camera().FailNextTransfers(1, 0, emu::driver::kUsbdStatusDevNotResponding);
    EXPECT_EQ(cam_->ReadFrameData(&frame.request, 3000), 0);

    // A transfer the driver refuses outright has nothing to wait for, even
    // without a time-out.
    Camera().Unplug();
    EXPECT_EQ(ReadBlock(0xFFFFFFFFu), 0);
    EXPECT_EQ(cam_->GetLastDirectError(), 1167u);
    EXPECT_EQ(count_, 0u);
    EXPECT_EQ(cam_->ReadFrameInfo(&frame.request), 0);
}

TEST_F(BulkTest, AStalledReadEndsAtItsTimeOutAndTheStreamServesTheNextFrame)
{
    ASSERT_EQ(cam_->OpenStream(), 1);
    ASSERT_EQ(cam_->SendStartRequest(nullptr), 1);
    Camera().SetStalled(true);
    Camera().ClearLog();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ReadBlock(300), 0);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(290)) << "it waited its time-out";
    EXPECT_EQ(count_, 0u);
    EXPECT_EQ(cam_->GetLastDirectError(), 997u);

    // The pending read was aborted on the stream's frame endpoint and completed.
    const auto log = Camera().Log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].controlCode, kDirect);
    EXPECT_TRUE(log[0].completed);
    EXPECT_EQ(log[0].error, 995u);
    EXPECT_EQ(log[1].controlCode, kAbortPipe);
    EXPECT_EQ(log[1].input, std::vector<uint8_t>{kFrameIn});
    EXPECT_EQ(log[1].handleId, log[0].handleId);

    Camera().SetStalled(false);
    EXPECT_NE(cam_->GetStreamHandle(), nullptr);
    ReadAndCheckFrame(*cam_, Camera(), 1);
}

TEST_F(BulkTest, FrameInformationIsTriedFifteenTimesWithARestartBetween)
{
    tavix::platform::WarpClock clock;
    tavix::platform::ScopedClock scoped(clock);
    Camera().SetStalled(true);
    TransferRequest request{};
    std::memset(request.frameInfo, 0xEE, sizeof request.frameInfo);
    EXPECT_EQ(cam_->ReadFrameInfo(&request), 0);
    EXPECT_EQ(request.frameInfo[0], 0xEE);

    const auto reads = Requests(kDirect);
    ASSERT_EQ(reads.size(), 15u);
    for (const auto& read : reads) {
        EXPECT_EQ(read.outSize, 64u);
        EXPECT_EQ(read.error, 995u) << "aborted at its time-out";
    }
    EXPECT_EQ(Requests(kAbortPipe).size(), 15u);
    EXPECT_EQ(VendorRequests(0xC2).size(), 15u);
    EXPECT_TRUE(VendorRequests(0xC0).empty());
    const auto writes = Camera().FpgaWrites();
    ASSERT_EQ(writes.size(), 28u);
    for (size_t i = 0; i < writes.size(); ++i) {
        EXPECT_EQ(writes[i].address, 0x6C);
        EXPECT_EQ(writes[i].value, i % 2 == 0 ? 1 : 0);
    }
    EXPECT_EQ(clock.SleptMilliseconds(), 14u * 10u);
    EXPECT_EQ(cam_->GetStreamHandle(), nullptr) << "closed again: this call opened it";
    EXPECT_EQ(Camera().OpenHandles(), 0);
}

TEST_F(BulkTest, TheDualSlotModelTriesItsFrameInformationOnce)
{
    CameraSetup setup;
    setup.options.productId = 0x32D0;
    Start(setup);
    ASSERT_EQ(cam_->GetSelectedProductId(), 0x32D0);
    ASSERT_EQ(cam_->OpenStream(), 1);
    Camera().SetStalled(true);
    TransferRequest request{};
    EXPECT_EQ(cam_->ReadFrameInfo(&request), 0);
    EXPECT_EQ(Requests(kDirect).size(), 1u);
    EXPECT_EQ(VendorRequests(0xC0).size(), 1u);
    EXPECT_TRUE(Camera().FpgaWrites().empty());
    EXPECT_NE(cam_->GetStreamHandle(), nullptr) << "the caller's stream stays open";
}

TEST_F(BulkTest, BufferedTransfersStageThroughTheTransferBuffer)
{
    ASSERT_EQ(cam_->OpenStream(), 1);
    ASSERT_EQ(cam_->SendStartRequest(nullptr), 1);
    ASSERT_EQ(cam_->TransferBuffered(cam_->GetStreamHandle(), block_, 64, kFrameIn, &count_), 1);
    EXPECT_EQ(count_, 64u);
    EXPECT_EQ(std::memcmp(block_, "TFIB", 4), 0);
    const auto buffered = Requests(kBuffered);
    ASSERT_EQ(buffered.size(), 1u);
    EXPECT_EQ(buffered[0].inSize, 102u);
    EXPECT_EQ(buffered[0].outSize, 102u);
    // The direct header with the data offset and length filled in.
    auto header = DirectHeader(kFrameIn);
    PutU32(&header[30], 38);
    PutU32(&header[34], 64);
    ASSERT_GE(buffered[0].input.size(), header.size());
    EXPECT_TRUE(std::equal(header.begin(), header.end(), buffered[0].input.begin()));

    // The payload in one piece, copied out of the staging buffer.
    const uint32_t payload = U32(block_ + 16);
    std::vector<uint8_t> data(payload);
    ASSERT_EQ(cam_->TransferBuffered(cam_->GetStreamHandle(), data.data(), payload, kFrameIn, &count_), 1);
    EXPECT_EQ(count_, payload);
    const auto settings = Camera().SettingsOfFrame(U32(block_ + 32));
    ASSERT_TRUE(settings.has_value());
    ExpectPayloadMatches(data, *settings);
}

TEST_F(BulkTest, CommandReadsAskForWholeBlocksPastTheSize)
{
    // Camera memory at 0 holds a pattern, read back by command.
    const std::vector<uint8_t> pattern = Pattern(32767, 3);
    ASSERT_EQ(cam_->WriteMemory(0, pattern.data(), 32767), 1);
    Camera().ClearLog();
    Frame frame(32768);
    uint32_t size = 16384;
    ASSERT_EQ(cam_->ReadFrameByCommand(&frame.request, &size, 3000), 1);
    EXPECT_EQ(size, 32768u);
    EXPECT_TRUE(std::equal(pattern.begin(), pattern.end(), frame.buffer.begin()));
    EXPECT_EQ(frame.buffer[32767], 0) << "the write padded its last block with zeros";
    const auto direct = Requests(kDirect);
    ASSERT_EQ(direct.size(), 2u);
    EXPECT_EQ(direct[0].input, Bytes(DirectHeader(kCommandOut)));
    EXPECT_EQ(direct[0].payload, Bytes(MemoryCommandBytes("AU3R", 0, 32768)));
    EXPECT_EQ(direct[1].outSize, 32768u);

    // A size just below a block boundary asks for that boundary.
    size = 16383;
    ASSERT_EQ(cam_->ReadFrameByCommand(&frame.request, &size, 3000), 1);
    EXPECT_EQ(size, 16384u);

    // A buffer that cannot take the rounded-up read is refused unsent.
    Camera().ClearLog();
    frame.request.capacity = 16384;
    size = 16384;
    EXPECT_EQ(cam_->ReadFrameByCommand(&frame.request, &size, 3000), 0);
    EXPECT_EQ(size, 16384u);
    EXPECT_TRUE(Requests(kDirect).empty());
}

TEST_F(BulkTest, MemoryTransfersMoveWholeBlocksButOnlyTheCallersBytes)
{
    // The bytes at an address are a pattern seeded by its 4 KiB page, so
    // that a read row expects what the write row before it left there.
    const struct {
        const char* what;
        bool write;
        uint64_t address;
        uint32_t length;
        uint32_t blockBytes;
        int result = 1;
    } transfers[] = {
        {"100 bytes written travel as one zero-padded block", true, 0x1000, 100, 4096},
        {"4096 bytes written travel as two blocks", true, 0x3000, 4096, 8192},
        {"100 bytes read move a block, only 100 reach the caller", false, 0x1000, 100, 4096},
        {"the address travels in its two words; the camera refuses one beyond its memory", false,
         0x100000000ull, 100, 4096, 0},
    };
    for (const auto& row : transfers) {
        SCOPED_TRACE(row.what);
        Camera().ClearLog();
        const std::vector<uint8_t> data = Pattern(row.length, static_cast<uint8_t>(row.address >> 12));
        // A heap block of exactly the length, which the sanitizer watches.
        auto caller = std::make_unique<uint8_t[]>(row.length);
        if (row.write)
            std::copy(data.begin(), data.end(), caller.get());
        EXPECT_EQ(row.write ? cam_->WriteMemory(row.address, caller.get(), row.length)
                            : cam_->ReadMemory(row.address, caller.get(), row.length),
                  row.result);
        EXPECT_EQ(cam_->GetStreamHandle(), nullptr) << "the stream the call opened is closed again";
        const auto direct = Requests(kDirect);
        ASSERT_EQ(direct.size(), row.result == 1 ? 2u : 1u);
        EXPECT_EQ(direct[0].payload, Bytes(MemoryCommandBytes(row.write ? "AU3W" : "AU3R", row.address, row.blockBytes)));
        if (row.result == 0)
            continue;
        EXPECT_EQ(direct[1].outSize, row.blockBytes);
        std::vector<uint8_t> padded = data;
        padded.resize(row.blockBytes, 0);
        if (row.write)
            EXPECT_EQ(Camera().Memory(row.address, row.blockBytes), padded);
        else
            EXPECT_TRUE(std::equal(data.begin(), data.end(), caller.get()));
    }
}

TEST_F(BulkTest, AuxiliaryReadsMustFitTheirBuffer)
{
    ASSERT_EQ(cam_->OpenStream(), 1);
    Frame frame(1024);
    frame.request.expectedSize = 1025;
    Camera().ClearLog();
    EXPECT_EQ(cam_->ReadFrameDataAux(&frame.request), 0);
    EXPECT_TRUE(Camera().Log().empty()) << "nothing is asked of the camera for a read that cannot fit";

    // A read that fits does go to the camera: its start request (refused
    // here, so that the read ends at once) shows up in the log.
    frame.request.expectedSize = 1024;
    Camera().RefuseNextRequests(1, 31);
    EXPECT_EQ(cam_->ReadFrameDataAux(&frame.request), 0);
    EXPECT_EQ(Camera().Log().size(), 1u);
}
