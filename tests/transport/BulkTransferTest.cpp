#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "TransportFixture.h"
#include "emulator/FrameInfoBlock.h"
#include "emulator/Fpga.h"
#include "platform/Clock.h"

using namespace transport_test;
using tavix::TransferRequest;

namespace {
using BulkTest = CameraTest;

constexpr uint32_t kFullWidth = 2448;
constexpr uint32_t kFullHeight = 2048;
constexpr uint32_t kPiece = 512 * 1024;

// Compares every sample of a spread of rows (first, last and every 61st)
// with what the emulator's scene says the camera sent.
void ExpectPayloadMatches(const std::vector<uint8_t>& buffer, const emu::FrameSettings& settings)
{
    const uint32_t bytesPerSample = settings.BytesPerSample();
    ASSERT_GE(buffer.size(), static_cast<size_t>(settings.PayloadBytes()));
    std::vector<uint32_t> rows;
    for (uint32_t row = 0; row < settings.height; row += 61)
        rows.push_back(row);
    rows.push_back(settings.height - 1);
    for (const uint32_t row : rows) {
        for (uint32_t column = 0; column < settings.width; ++column) {
            const size_t at = (static_cast<size_t>(row) * settings.width + column) * bytesPerSample;
            const uint16_t got =
                bytesPerSample == 2 ? static_cast<uint16_t>(buffer[at] | (buffer[at + 1] << 8)) : buffer[at];
            const uint16_t want = emu::ExpectedPayloadSample(settings, static_cast<int>(column), static_cast<int>(row));
            ASSERT_EQ(got, want) << "row " << row << " column " << column;
        }
    }
}

// Reads one whole frame (information block and payload) and checks both
// against what the emulator sent.
void ReadAndCheckFrame(CKelCy3Cam& cam, emu::EmulatedCamera& camera, uint32_t bytesPerSample)
{
    TransferRequest request{};
    std::vector<uint8_t> buffer(kFullWidth * kFullHeight * 2 + 4096, 0xEE);
    request.buffer = buffer.data();
    request.capacity = static_cast<uint32_t>(buffer.size());
    ASSERT_EQ(cam.ReadFrameInfo(&request), 1);
    EXPECT_EQ(std::memcmp(request.frameInfo, "TFIB", 4), 0);
    const uint32_t payload = U32(request.frameInfo + 16);
    EXPECT_EQ(payload, kFullWidth * kFullHeight * bytesPerSample);
    EXPECT_EQ(request.frameNumber, U32(request.frameInfo + 32));
    const auto settings = camera.SettingsOfFrame(request.frameNumber);
    ASSERT_TRUE(settings.has_value());
    ASSERT_EQ(settings->BytesPerSample(), bytesPerSample);

    ASSERT_EQ(cam.ReadFrameData(&request, 3000), 1);
    ExpectPayloadMatches(buffer, *settings);
    EXPECT_EQ(buffer[payload], 0xEE) << "nothing written past the payload";
}
} // namespace

TEST_F(BulkTest, FullFramesOfEightAndSixteenBitsArriveWhole)
{
    ASSERT_EQ(cam_->OpenStream(), 1);
    ReadAndCheckFrame(*cam_, Camera(), 1);

    // The information block came in one direct read of 64 bytes on 0x81, the
    // payload in 512 KiB pieces and a last piece of the rest.
    const auto direct = Requests(kDirect);
    const uint32_t payload = kFullWidth * kFullHeight;
    ASSERT_EQ(direct.size(), 1 + (payload + kPiece - 1) / kPiece);
    const auto header = DirectHeader(0x81);
    for (const auto& entry : direct) {
        EXPECT_TRUE(entry.overlapped);
        EXPECT_EQ(entry.inSize, 38u);
        EXPECT_TRUE(std::equal(entry.input.begin(), entry.input.end(), header.begin()));
        EXPECT_EQ(entry.error, 0u);
    }
    EXPECT_EQ(direct[0].outSize, 64u);
    for (size_t i = 1; i + 1 < direct.size(); ++i)
        EXPECT_EQ(direct[i].outSize, kPiece);
    EXPECT_EQ(direct.back().outSize, payload % kPiece);
    EXPECT_EQ(VendorRequests(0xC2).size(), 1u);

    Camera().SetFpgaRegister(emu::fpga::kRegPixelDepth, emu::fpga::kDepth16);
    ReadAndCheckFrame(*cam_, Camera(), 2);
}

TEST_F(BulkTest, ReadsOpenTheStreamForThemselvesAndCloseIt)
{
    TransferRequest request{};
    std::vector<uint8_t> buffer(kFullWidth * kFullHeight);
    request.buffer = buffer.data();
    request.capacity = static_cast<uint32_t>(buffer.size());
    ASSERT_EQ(cam_->ReadFrameInfo(&request), 1);
    EXPECT_NE(cam_->GetStreamHandle(), nullptr) << "a successful information read keeps the stream";
    cam_->CloseStream();
    ASSERT_EQ(cam_->ReadFrameData(&request, 3000), 1);
    EXPECT_EQ(cam_->GetStreamHandle(), nullptr) << "the data read closes the stream it opened";
    EXPECT_EQ(Camera().OpenHandles(), 0);
}

TEST_F(BulkTest, PayloadsThatDoNotFitOrComeShortFail)
{
    ASSERT_EQ(cam_->OpenStream(), 1);
    TransferRequest request{};
    std::vector<uint8_t> buffer(kFullWidth * kFullHeight + 4096);
    request.buffer = buffer.data();
    request.capacity = kFullWidth * kFullHeight - 1;
    ASSERT_EQ(cam_->ReadFrameInfo(&request), 1);
    Camera().ClearLog();
    EXPECT_EQ(cam_->ReadFrameData(&request, 3000), 0);
    EXPECT_TRUE(Requests(kDirect).empty()) << "refused before any transfer";

    // A block that announces 100 bytes more than the frame carries: the last
    // piece ends short, and the frame does not count as read.
    request.capacity = static_cast<uint32_t>(buffer.size());
    const uint32_t announced = kFullWidth * kFullHeight + 100;
    std::memcpy(request.frameInfo + 16, &announced, 4);
    EXPECT_EQ(cam_->ReadFrameData(&request, 3000), 0);
    const auto direct = Requests(kDirect);
    ASSERT_FALSE(direct.empty());
    EXPECT_EQ(direct.back().bytesReturned + 100, direct.back().outSize);

    // The stream goes on with the next frame.
    ASSERT_EQ(cam_->ReadFrameInfo(&request), 1);
    EXPECT_EQ(cam_->ReadFrameData(&request, 3000), 1);
}

TEST_F(BulkTest, DirectTransfersAreRefusedBeforeTheCameraIsPrepared)
{
    CameraSetup setup;
    setup.prepare = false;
    Start(setup);
    ASSERT_EQ(cam_->OpenStream(), 1);
    EXPECT_FALSE(cam_->IsPrepared());
    uint8_t block[64];
    uint32_t count = 77;
    EXPECT_EQ(cam_->TransferDirect(cam_->GetStreamHandle(), block, 64, 0x81, &count, 100), 0);
    EXPECT_EQ(cam_->TransferDirectFixed(cam_->GetStreamHandle(), block, 64, 0x81, &count), 0);
    EXPECT_EQ(cam_->TransferBuffered(cam_->GetStreamHandle(), block, 64, 0x81, &count), 0);
    TransferRequest request{};
    request.buffer = block;
    request.capacity = sizeof block;
    EXPECT_EQ(cam_->ReadFrameInfo(&request), 0);
    EXPECT_EQ(count, 77u);
    EXPECT_TRUE(Requests(kDirect).empty());
    EXPECT_TRUE(Requests(kBuffered).empty());

    ASSERT_EQ(cam_->PrepareTransfers(), 1);
    EXPECT_EQ(Requests(kResetPort).size(), 1u) << "preparing resets the port";
    ASSERT_EQ(cam_->SendStartRequest(nullptr), 1);
    EXPECT_EQ(cam_->TransferDirect(cam_->GetStreamHandle(), block, 64, 0x81, &count, 1000), 1);
    EXPECT_EQ(count, 64u);
    EXPECT_EQ(cam_->GetLastDirectError(), 0u);

    // Too long for the driver, or nowhere to go.
    EXPECT_EQ(cam_->TransferDirect(cam_->GetStreamHandle(), block, 0x4000001, 0x81, &count, 100), 0);
    EXPECT_EQ(cam_->TransferDirect(nullptr, block, 64, 0x81, &count, 100), 0);
    EXPECT_EQ(Requests(kDirect).size(), 1u);
}

TEST_F(BulkTest, ATransferTheDeviceFinishesWithAnErrorStatusFails)
{
    tavix::platform::WarpClock clock;
    tavix::platform::ScopedClock scoped(clock);
    ASSERT_EQ(cam_->OpenStream(), 1);
    uint8_t block[64];
    uint32_t count = 77;
    Camera().FailNextTransfers(1, 0, emu::driver::kUsbdStatusStallPid);
    EXPECT_EQ(cam_->TransferDirect(cam_->GetStreamHandle(), block, 64, 0x81, &count, 1000), 0);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(cam_->GetLastDirectError(), 0u) << "the driver took the request at once";
    EXPECT_EQ(clock.SleptMilliseconds(), 1u);
    EXPECT_TRUE(Requests(kAbortPipe).empty()) << "a finished transfer needs no abort";

    Camera().FailNextTransfers(1, emu::driver::kNtStatusUnsuccessful, 0);
    EXPECT_EQ(cam_->TransferDirectFixed(cam_->GetStreamHandle(), block, 64, 0x81, &count), 0);
    EXPECT_EQ(clock.SleptMilliseconds(), 2u);

    // A failing piece fails the whole frame.
    TransferRequest request{};
    std::vector<uint8_t> buffer(kFullWidth * kFullHeight);
    request.buffer = buffer.data();
    request.capacity = static_cast<uint32_t>(buffer.size());
    ASSERT_EQ(cam_->ReadFrameInfo(&request), 1);
    Camera().FailNextTransfers(1, 0, emu::driver::kUsbdStatusDevNotResponding);
    EXPECT_EQ(cam_->ReadFrameData(&request, 3000), 0);

    // A transfer the driver refuses outright has nothing to wait for, even
    // without a time-out.
    Camera().Unplug();
    count = 77;
    EXPECT_EQ(cam_->TransferDirect(cam_->GetStreamHandle(), block, 64, 0x81, &count, 0xFFFFFFFFu), 0);
    EXPECT_EQ(cam_->GetLastDirectError(), 1167u);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(cam_->ReadFrameInfo(&request), 0);
}

TEST_F(BulkTest, AStalledReadEndsAtItsTimeOutAndTheStreamServesTheNextFrame)
{
    ASSERT_EQ(cam_->OpenStream(), 1);
    ASSERT_EQ(cam_->SendStartRequest(nullptr), 1);
    Camera().SetStalled(true);
    Camera().ClearLog();
    uint8_t block[64];
    uint32_t count = 77;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(cam_->TransferDirect(cam_->GetStreamHandle(), block, 64, 0x81, &count, 300), 0);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(290)) << "it waited for its time-out";
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(cam_->GetLastDirectError(), 997u);

    // The pending read was aborted on pipe 0x81 of the stream and completed.
    const auto log = Camera().Log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].controlCode, kDirect);
    EXPECT_TRUE(log[0].completed);
    EXPECT_EQ(log[0].error, 995u);
    EXPECT_EQ(log[1].controlCode, kAbortPipe);
    EXPECT_EQ(log[1].input, std::vector<uint8_t>{0x81});
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
    uint8_t block[64] = {};
    uint32_t count = 0;
    ASSERT_EQ(cam_->TransferBuffered(cam_->GetStreamHandle(), block, 64, 0x81, &count), 1);
    EXPECT_EQ(count, 64u);
    EXPECT_EQ(std::memcmp(block, "TFIB", 4), 0);
    const auto buffered = Requests(kBuffered);
    ASSERT_EQ(buffered.size(), 1u);
    EXPECT_EQ(buffered[0].inSize, 102u);
    EXPECT_EQ(buffered[0].outSize, 102u);
    ASSERT_GE(buffered[0].input.size(), 38u);
    EXPECT_EQ(buffered[0].input[13], 0x81);
    EXPECT_EQ(U32(&buffered[0].input[30]), 38u);
    EXPECT_EQ(U32(&buffered[0].input[34]), 64u);

    // The payload in one piece, copied out of the staging buffer.
    const uint32_t payload = U32(block + 16);
    std::vector<uint8_t> data(payload);
    ASSERT_EQ(cam_->TransferBuffered(cam_->GetStreamHandle(), data.data(), payload, 0x81, &count), 1);
    EXPECT_EQ(count, payload);
    const auto settings = Camera().SettingsOfFrame(U32(block + 32));
    ASSERT_TRUE(settings.has_value());
    ExpectPayloadMatches(data, *settings);
}

TEST_F(BulkTest, CommandReadsAskForWholeBlocksPastTheSize)
{
    // Camera memory at 0 holds a pattern, read back by command.
    const std::vector<uint8_t> pattern = Pattern(32768, 3);
    ASSERT_EQ(cam_->WriteMemory(0, pattern.data(), 32767), 1);
    Camera().ClearLog();

    TransferRequest request{};
    std::vector<uint8_t> buffer(32768);
    request.buffer = buffer.data();
    request.capacity = 32768;
    uint32_t size = 16384;
    ASSERT_EQ(cam_->ReadFrameByCommand(&request, &size, 3000), 1);
    EXPECT_EQ(size, 32768u);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 32767, pattern.begin()));
    EXPECT_EQ(buffer[32767], 0) << "the write padded its last block with zeros";

    const auto direct = Requests(kDirect);
    ASSERT_EQ(direct.size(), 2u);
    EXPECT_TRUE(std::equal(direct[0].input.begin(), direct[0].input.end(), DirectHeader(0x01).begin()));
    const auto command = MemoryCommandBytes("AU3R", 0, 32768);
    EXPECT_EQ(direct[0].payload, std::vector<uint8_t>(command.begin(), command.end()));
    EXPECT_EQ(direct[1].outSize, 32768u);

    // A size just below a block boundary asks for that boundary.
    size = 16383;
    ASSERT_EQ(cam_->ReadFrameByCommand(&request, &size, 3000), 1);
    EXPECT_EQ(size, 16384u);

    // A buffer that cannot take the rounded-up read is refused unsent.
    Camera().ClearLog();
    request.capacity = 16384;
    size = 16384;
    EXPECT_EQ(cam_->ReadFrameByCommand(&request, &size, 3000), 0);
    EXPECT_EQ(size, 16384u);
    EXPECT_TRUE(Requests(kDirect).empty());
}

TEST_F(BulkTest, MemoryTransfersMoveWholeBlocksButOnlyTheCallersBytes)
{
    // 100 bytes travel as one 4 KiB block, zero-padded.
    const std::vector<uint8_t> small = Pattern(100, 1);
    ASSERT_EQ(cam_->WriteMemory(0x1000, small.data(), 100), 1);
    auto direct = Requests(kDirect);
    ASSERT_EQ(direct.size(), 2u);
    const auto command = MemoryCommandBytes("AU3W", 0x1000, 4096);
    EXPECT_EQ(direct[0].payload, std::vector<uint8_t>(command.begin(), command.end()));
    EXPECT_EQ(direct[1].outSize, 4096u);
    auto memory = Camera().Memory(0x1000, 4096);
    EXPECT_TRUE(std::equal(small.begin(), small.end(), memory.begin()));
    EXPECT_TRUE(std::all_of(memory.begin() + 100, memory.end(), [](uint8_t b) { return b == 0; }));

    // 4096 bytes travel as two blocks.
    Camera().ClearLog();
    const std::vector<uint8_t> page = Pattern(4096, 2);
    ASSERT_EQ(cam_->WriteMemory(0x3000, page.data(), 4096), 1);
    direct = Requests(kDirect);
    ASSERT_EQ(direct.size(), 2u);
    EXPECT_EQ(U32(&direct[0].payload[16]), 8192u);
    EXPECT_EQ(direct[1].outSize, 8192u);
    memory = Camera().Memory(0x3000, 8192);
    EXPECT_TRUE(std::equal(page.begin(), page.end(), memory.begin()));

    // Reading 100 bytes moves a block but writes only into the 100 bytes
    // given (a heap block of exactly that size, which the sanitizer watches).
    Camera().ClearLog();
    auto readBack = std::make_unique<uint8_t[]>(100);
    ASSERT_EQ(cam_->ReadMemory(0x1000, readBack.get(), 100), 1);
    EXPECT_TRUE(std::equal(small.begin(), small.end(), readBack.get()));
    direct = Requests(kDirect);
    ASSERT_EQ(direct.size(), 2u);
    const auto readCommand = MemoryCommandBytes("AU3R", 0x1000, 4096);
    EXPECT_EQ(direct[0].payload, std::vector<uint8_t>(readCommand.begin(), readCommand.end()));
    EXPECT_EQ(direct[1].outSize, 4096u);

    // The address travels split in its two words; the camera refuses one
    // beyond its memory.
    Camera().ClearLog();
    EXPECT_EQ(cam_->ReadMemory(0x100000000ull, readBack.get(), 100), 0);
    direct = Requests(kDirect);
    ASSERT_EQ(direct.size(), 1u);
    const auto far = MemoryCommandBytes("AU3R", 0x100000000ull, 4096);
    EXPECT_EQ(direct[0].payload, std::vector<uint8_t>(far.begin(), far.end()));
    EXPECT_EQ(cam_->GetStreamHandle(), nullptr);
}

TEST_F(BulkTest, AuxiliaryReadsMustFitTheirBuffer)
{
    ASSERT_EQ(cam_->OpenStream(), 1);
    std::vector<uint8_t> buffer(1024);
    TransferRequest request{};
    request.buffer = buffer.data();
    request.capacity = 1024;
    request.expectedSize = 1025;
    Camera().ClearLog();
    EXPECT_EQ(cam_->ReadFrameDataAux(&request), 0);
    EXPECT_TRUE(Camera().Log().empty()) << "nothing is asked of the camera for a read that cannot fit";

    // A read that fits does go to the camera: its start request (refused
    // here, so that the read ends at once) shows up in the log.
    request.expectedSize = 1024;
    Camera().ClearLog();
    Camera().RefuseNextRequests(1, 31);
    EXPECT_EQ(cam_->ReadFrameDataAux(&request), 0);
    EXPECT_EQ(Camera().Log().size(), 1u);
}
