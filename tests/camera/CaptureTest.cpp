#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "CameraRig.h"
#include "emulator/Scene.h"

using namespace tavix;
using namespace tavix::test;
using Clock = std::chrono::steady_clock;

namespace {

class Capture : public ::testing::Test {
protected:
    explicit Capture(const emu::CameraOptions& options = Unpaced()) : rig(options) {}
    // A small window keeps the frames quick; a case that needs another sets it.
    void SetUp() override
    {
        ASSERT_EQ(rig.Open(), 1);
        ASSERT_EQ(camera.SetCaptureWindow(0, 0, 256, 128, 0), 1);
    }

    // Waits for the next stored frame and reads it; false on a time-out or failure.
    bool Next(std::vector<uint8_t>& frame, uint32_t* number = nullptr, uint32_t timeoutMs = 3000)
    {
        if (camera.WaitFrame(timeoutMs) != CTavixU3Q5Base::kWaitFrameReady)
            return false;
        frame.resize(camera.FrameSize());
        camera.ReadFrameAll(frame.data(), number, nullptr, nullptr, nullptr, nullptr, 1);
        return true;
    }
    // WaitFrame's answer once it is not "no frame", or "no frame" after `seconds`.
    int AnswerWithin(int seconds)
    {
        int answer = CTavixU3Q5Base::kWaitNoFrame;
        for (const auto end = Clock::now() + std::chrono::seconds(seconds);
             answer == CTavixU3Q5Base::kWaitNoFrame && Clock::now() < end;)
            answer = camera.WaitFrame(100);
        return answer;
    }

    CameraRig rig;
    CTavixU3Q5Base& camera = rig.camera;
};

struct PacedCapture : Capture {
    PacedCapture() : Capture(emu::CameraOptions{}) {} // frames at the sensor's own rate
};

// The FPGA's count of the frames it saw, polled in trigger mode.
constexpr uint8_t kFrameCounterRegister = 8;

struct Window {
    const char* name;
    uint32_t x, y, width, height, mode, depth;
    bool mirror, flip;
};

// The upright scene position a frame pixel (i, j) must show for the window
// asked for, worked out from the window alone: the window's own pixels,
// reversed by a mirror or flip; with 1/2 sub-sampling the sensor keeps
// pairs of columns and rows counted from its read-out start, the
// bottom-right corner of the upright picture.
void ScenePosition(const Window& w, uint32_t frameWidth, uint32_t frameHeight, int i, int j, int* x, int* y)
{
    if (w.mode == 1) {
        const int c = static_cast<int>(frameWidth) - 1 - i;
        const int r = static_cast<int>(frameHeight) - 1 - j;
        *x = emu::kArrayWidth - 1 - (4 * (c >> 1) + (c & 1));
        *y = emu::kArrayHeight - 1 - (4 * (r >> 1) + (r & 1));
        return;
    }
    *x = static_cast<int>(w.x) + (w.mirror ? static_cast<int>(frameWidth) - 1 - i : i);
    *y = static_cast<int>(w.y) + (w.flip ? static_cast<int>(frameHeight) - 1 - j : j);
}

} // namespace

TEST_F(Capture, FramesShowTheRequestedWindowUpright)
{
    const Window windows[] = {
        {"full, 8 bits", 0, 0, 2448, 2048, 0, 0, false, false},
        {"cropped and offset, 16 bits", 400, 200, 1024, 768, 0, 1, false, false},
        {"small, near the bottom right", 2000, 1800, 256, 128, 0, 0, false, false},
        {"wide, ending at the right edge", 48, 0, 2400, 2048, 0, 0, false, false},
        {"mirrored and flipped, 8 bits", 400, 200, 1024, 768, 0, 0, true, true},
        {"mirrored, 16 bits", 1200, 100, 512, 256, 0, 1, true, false},
        {"1/2 sub-sampled, 8 bits", 0, 0, 2448, 2048, 1, 0, false, false},
        {"1/2 sub-sampled, 16 bits", 0, 0, 2448, 2048, 1, 1, false, false},
    };
    for (const Window& w : windows) {
        SCOPED_TRACE(w.name);
        ASSERT_EQ(camera.SetCaptureWindow(w.x, w.y, w.width, w.height, w.mode), 1);
        ASSERT_EQ(camera.SetPixelDepth(w.depth), 1);
        ASSERT_EQ(camera.SetMirrorH(w.mirror), 1);
        ASSERT_EQ(camera.SetMirrorV(w.flip), 1);
        ASSERT_EQ(camera.StartTransfer(0), 1);
        std::vector<uint8_t> frame;
        const bool got = Next(frame);
        camera.StopTransfer(1);
        ASSERT_TRUE(got);
        // Sub-sampling halves the window, the FPGA takes whole 16-sample units.
        const uint32_t width = w.mode == 1 ? w.width / 2 / 16 * 16 : w.width;
        const uint32_t height = w.mode == 1 ? w.height / 2 : w.height;
        const size_t bytes = w.depth == 1 ? 2 : 1;
        ASSERT_EQ(frame.size(), width * height * bytes);
        // The camera's default exposure and gain give the scene's own levels.
        emu::FrameSettings levels;
        levels.sixteenBit = w.depth == 1;
        levels.still = true;
        int mismatches = 0;
        for (uint32_t j = 0; j < height; ++j) {
            const bool edgeRow = j < 2 || j + 2 >= height;
            for (uint32_t i = 0; i < width; i += (edgeRow || i < 2 || i + 2 >= width) ? 1 : 13) {
                if (!edgeRow && j % 7 != 0 && i >= 2 && i + 2 < width)
                    continue;
                int x = 0, y = 0;
                ScenePosition(w, width, height, static_cast<int>(i), static_cast<int>(j), &x, &y);
                const size_t at = (static_cast<size_t>(j) * width + i) * bytes;
                const uint16_t sample = bytes == 2 ? static_cast<uint16_t>(frame[at] | frame[at + 1] << 8) : frame[at];
                const uint16_t want = emu::SceneSample(levels, x, y);
                if (sample != want && ++mismatches <= 5)
                    ADD_FAILURE() << "pixel (" << i << ", " << j << "): " << sample << ", the scene at (" << x << ", "
                                  << y << ") is " << want;
            }
        }
        EXPECT_EQ(mismatches, 0);
    }
}

TEST_F(Capture, OneFrameModeStoresExactlyOneFrame)
{
    ASSERT_EQ(camera.StartTransfer(1), 1);
    ASSERT_EQ(camera.WaitFrame(3000), CTavixU3Q5Base::kWaitFrameReady);
    std::vector<uint8_t> frame(camera.FrameSize());
    camera.ReadFrame(frame.data(), 1);
    // The thread has ended after its one frame: nothing more arrives.
    EXPECT_EQ(camera.WaitFrame(300), CTavixU3Q5Base::kWaitNoFrame);
    EXPECT_FALSE(camera.IsCapturing());
    EXPECT_EQ(rig.Emulated().FramesStarted(), 1u);
}

TEST_F(Capture, WaitFrameTimesOutThenSeesTheNextFrame)
{
    rig.Emulated().SetStalled(true);
    ASSERT_EQ(camera.StartTransfer(0), 1);
    EXPECT_EQ(camera.WaitFrame(100), CTavixU3Q5Base::kWaitNoFrame);
    rig.Emulated().SetStalled(false);
    std::vector<uint8_t> frame;
    ASSERT_TRUE(Next(frame));
    EXPECT_EQ(camera.WaitFrame(3000), CTavixU3Q5Base::kWaitFrameReady) << "streaming goes on";
    camera.StopTransfer(1);
    EXPECT_EQ(camera.GetFrame(frame.data(), static_cast<uint32_t>(frame.size() - 1), nullptr, nullptr, nullptr,
                              nullptr, nullptr, 0, 1),
              0)
        << "a destination smaller than a frame is refused";
}

TEST_F(Capture, FiveConsecutiveFailuresEndTheThread)
{
    rig.Emulated().FailNextTransfers(1'000'000, 0xC0000001, 0x80000300);
    rig.Emulated().ClearLog();
    ASSERT_EQ(camera.StartTransfer(0), 1);
    EXPECT_EQ(AnswerWithin(30), CTavixU3Q5Base::kWaitCaptureFailed);
    EXPECT_TRUE(camera.CaptureFailed());
    // Four recoveries between the five failures: pipe reset, sensor restart.
    EXPECT_EQ(rig.RestartsAfterPipeResets(), (std::vector<bool>{true, true, true, true}));
}

TEST_F(Capture, TriggerModeReadsOnlyWhenTheFpgaCountedAFrame)
{
    ASSERT_EQ(camera.SetCameraMode(1, 0), 1);
    rig.Emulated().ClearLog();
    ASSERT_EQ(camera.StartTransfer(0), 1);
    EXPECT_EQ(camera.WaitFrame(150), CTavixU3Q5Base::kWaitNoFrame);
    size_t counterReads = 0;
    for (const auto& entry : rig.Emulated().Log())
        counterReads += CameraRig::ToFpgaPort(entry, 1) && entry.payload[0] == kFrameCounterRegister ? 1 : 0;
    EXPECT_EQ(rig.CountRequests(codes::kDirect), 0u) << "an unchanged counter reads no data";
    EXPECT_GT(counterReads, 10u) << "the counter is polled about every millisecond";

    // Each trigger pulse gives one frame, and only one.
    std::vector<uint8_t> frame;
    uint32_t previous = 0;
    for (int pulse = 0; pulse < 3; ++pulse) {
        ASSERT_TRUE(rig.Emulated().FireTrigger());
        uint32_t number = 0;
        ASSERT_TRUE(Next(frame, &number)) << "pulse " << pulse;
        EXPECT_TRUE(pulse == 0 || number == previous + 1) << number << " after " << previous;
        previous = number;
        EXPECT_EQ(camera.WaitFrame(150), CTavixU3Q5Base::kWaitNoFrame) << "pulse " << pulse;
    }

    // A counter that can no longer be read ends the thread as failed.
    rig.Emulated().Unplug();
    EXPECT_EQ(AnswerWithin(3), CTavixU3Q5Base::kWaitCaptureFailed);
}

TEST_F(Capture, AHungSensorIsRestartedAndFramesFlowAgain)
{
    ASSERT_EQ(camera.StartTransfer(0), 1);
    std::vector<uint8_t> frame;
    ASSERT_TRUE(Next(frame));
    const size_t restartWrites = rig.FpgaWritesTo(kSensorRestart).size();
    // Pipe resets and new start requests do not cure a hung sensor; only
    // the restart pulse of the stream's retries does.
    rig.Emulated().HangStream();
    const uint32_t firstAfterHang = rig.Emulated().FramesStarted();
    uint32_t number = 0;
    for (const auto end = Clock::now() + std::chrono::seconds(10); number < firstAfterHang && Clock::now() < end;)
        Next(frame, &number, 100);
    EXPECT_GE(number, firstAfterHang) << "no frame after the hang";
    EXPECT_GT(rig.FpgaWritesTo(kSensorRestart).size(), restartWrites);
    EXPECT_FALSE(camera.CaptureFailed());
}

TEST_F(Capture, StartWhileRunningRestartsAndTheOtherReadForms)
{
    ASSERT_EQ(camera.StartTransfer(0), 1);
    ASSERT_EQ(camera.WaitFrame(3000), CTavixU3Q5Base::kWaitFrameReady);
    ASSERT_EQ(camera.StartTransfer(0), 1) << "a start while the thread runs stops it first";
    EXPECT_TRUE(camera.IsCapturing());
    EXPECT_LE(rig.Emulated().OpenHandles(), 1);

    std::vector<uint8_t> frame(camera.FrameSize());
    EXPECT_EQ(camera.GetFrameInto(nullptr, 1), -2);
    ASSERT_EQ(camera.WaitFrame(3000), CTavixU3Q5Base::kWaitFrameReady);
    EXPECT_EQ(camera.GetFrameInto(frame.data(), 1), 0);
    uint64_t stamp = 1;
    uint32_t word = 1;
    EXPECT_EQ(camera.ReadFrameWithInfo(frame.data(), &stamp, &word, 0), 0);
    EXPECT_EQ(stamp, 0u);
    EXPECT_EQ(word, 0u);
}

TEST_F(Capture, ReadsAfterAWindowChangeKeepTheSlotsGeometry)
{
    ASSERT_EQ(camera.StartTransfer(0), 1);
    ASSERT_EQ(camera.WaitFrame(3000), CTavixU3Q5Base::kWaitFrameReady);
    camera.StopTransfer(1);
    const uint32_t small = camera.FrameSize();
    ASSERT_EQ(small, 256u * 128u);
    // A larger window applies with the next start; until then the slots and
    // every read keep the old size, so a buffer of FrameSize() is enough.
    ASSERT_EQ(camera.SetCaptureWindow(0, 0, 512, 256, 0), 1);
    ASSERT_EQ(camera.SetPixelDepth(0), 1);
    EXPECT_EQ(camera.FrameSize(), small);
    std::vector<uint8_t> frame(camera.FrameSize() + 64, 0xEE);
    EXPECT_EQ(camera.ReadFrame(frame.data(), 1), 0);
    EXPECT_EQ(std::count(frame.begin() + small, frame.end(), 0xEE), 64) << "written past the frame";
    ASSERT_EQ(camera.StartTransfer(0), 1);
    EXPECT_EQ(camera.FrameSize(), 512u * 256u);
}

TEST_F(Capture, UnpluggingMidStreamEndsTheWait)
{
    ASSERT_EQ(camera.StartTransfer(0), 1);
    ASSERT_EQ(camera.WaitFrame(3000), CTavixU3Q5Base::kWaitFrameReady);
    rig.Emulated().Unplug();
    const auto start = Clock::now();
    int answer = 0;
    while ((answer = camera.WaitFrame(100)) != CTavixU3Q5Base::kWaitCaptureFailed &&
           Clock::now() - start < std::chrono::milliseconds(camera.TransferTimeout() + 2000)) {
        std::vector<uint8_t> frame(camera.FrameSize());
        camera.ReadFrame(frame.data(), 1);
    }
    EXPECT_EQ(answer, CTavixU3Q5Base::kWaitCaptureFailed);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(camera.TransferTimeout()));
}

TEST_F(Capture, StopWithAbortEndsAPendingRead)
{
    rig.Emulated().SetStalled(true);
    rig.Emulated().ClearLog();
    ASSERT_EQ(camera.StartTransfer(0), 1);
    // Wait until the thread's read of the information block is pending.
    const auto pendingRead = [&] {
        const auto log = rig.Emulated().Log();
        return std::any_of(log.begin(), log.end(), [](const auto& entry) { return entry.pending && !entry.completed; });
    };
    for (const auto deadline = Clock::now() + std::chrono::seconds(10); !pendingRead() && Clock::now() < deadline;)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(pendingRead());
    rig.Emulated().ClearLog();
    const auto start = Clock::now();
    EXPECT_EQ(camera.StopTransfer(1), 1);
    // Without the abort the read would wait out its 400 ms time-out, 15 times.
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1500));
    EXPECT_FALSE(camera.IsCapturing());
    EXPECT_EQ(rig.CountRequests(codes::kDirect), 0u) << "the aborted frame is not restarted";
}

TEST_F(Capture, HundredStartStopCyclesLeaveNothingBehind)
{
    std::vector<uint8_t> frame;
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(camera.StartTransfer(0), 1) << "cycle " << i;
        ASSERT_TRUE(i % 10 != 0 || Next(frame)) << "cycle " << i;
        ASSERT_EQ(camera.StopTransfer(i % 2), 1);
        ASSERT_FALSE(camera.IsCapturing());
    }
    EXPECT_EQ(rig.Emulated().OpenHandles(), 0) << "every stream handle was closed";
}

TEST_F(PacedCapture, StreamDeliversConsecutiveFrames)
{
    // At 10 frames/s a dropped or doubled frame is the path's, not the
    // scheduler's: it shows as a gap or a repeat, and one stall of a loaded
    // machine may cost one gap, no more. Full rate is the benchmark's.
    uint32_t tenthsPerSecond = 100;
    const int frames = 40;
    ASSERT_EQ(camera.SetCaptureWindow(0, 0, 512, 256, 0), 1);
    ASSERT_EQ(camera.SetSensorParameter(0, 0, &tenthsPerSecond), 1);
    const double period = rig.Emulated().CurrentFrameSettings().FramePeriodMicroseconds();
    ASSERT_NEAR(period, 1e7 / tenthsPerSecond, 300.0);
    ASSERT_EQ(camera.StartTransfer(0), 1);
    std::vector<uint8_t> frame;
    uint32_t previous = 0;
    int gaps = 0;
    for (int i = 0; i < frames; ++i) {
        uint32_t number = 0;
        ASSERT_TRUE(Next(frame, &number)) << "frame " << i;
        if (i > 0) {
            ASSERT_GT(number, previous) << "frame " << i << " repeats or goes back";
            gaps += number != previous + 1 ? 1 : 0;
        }
        previous = number;
    }
    EXPECT_LE(gaps, 1);
}

TEST_F(PacedCapture, ALongExposureDelaysThePayloadWithinTheTransferTimeout)
{
    ASSERT_EQ(camera.SetExposureTime(3000), 1); // 300 ms
    const auto start = Clock::now();
    ASSERT_EQ(camera.StartTransfer(0), 1);
    std::vector<uint8_t> frame;
    ASSERT_TRUE(Next(frame));
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(295)) << "read out one exposure after arming";
    camera.StopTransfer(1);
    // A transfer time-out shorter than the exposure fails every frame.
    ASSERT_EQ(camera.SetTransferTimeout(100), 1);
    ASSERT_EQ(camera.StartTransfer(0), 1);
    EXPECT_EQ(AnswerWithin(20), CTavixU3Q5Base::kWaitCaptureFailed);
}

TEST_F(PacedCapture, FewerFailuresAreRecoveredAndTheCountStartsAgain)
{
    // Paced, so that the frames that follow the recoveries do not push them
    // out of the emulator's request log before the test has seen them.
    std::vector<uint8_t> frame;
    const auto streamThroughFourErrors = [&] {
        // A failed information block costs 15 transfers: 60 make four errors.
        rig.Emulated().ClearLog();
        rig.Emulated().FailNextTransfers(60, 0, 0x80000300);
        // Frames stored before the failures began are read away first.
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        while (rig.RestartsAfterPipeResets().size() < 4 && Clock::now() < deadline)
            Next(frame, nullptr, 100);
        EXPECT_EQ(rig.RestartsAfterPipeResets(), (std::vector<bool>{true, true, true, true}));
        EXPECT_TRUE(Next(frame)) << "frames flow again";
    };
    ASSERT_EQ(camera.StartTransfer(0), 1);
    streamThroughFourErrors();
    // A good frame clears the count: four more errors are recovered too.
    streamThroughFourErrors();
    EXPECT_FALSE(camera.CaptureFailed());
}
