#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "CameraRig.h"
#include "emulator/Scene.h"

using namespace tavix;
using tavix::test::CameraRig;
using tavix::test::Unpaced;
using Clock = std::chrono::steady_clock;

namespace {
// Compares a frame read out upright with the scene of the frame the camera
// sent: every pixel of the border rows and columns and a grid inside.
void ExpectUprightScene(const emu::FrameSettings& settings, const std::vector<uint8_t>& frame)
{
    const int w = static_cast<int>(settings.width);
    const int h = static_cast<int>(settings.height);
    const size_t bytes = settings.BytesPerSample();
    ASSERT_EQ(frame.size(), static_cast<size_t>(w) * h * bytes);
    int mismatches = 0;
    for (int y = 0; y < h && mismatches < 5; ++y) {
        const bool edgeRow = y < 2 || y >= h - 2;
        for (int x = 0; x < w && mismatches < 5; x += (edgeRow || x < 2 || x >= w - 2) ? 1 : 13) {
            if (!edgeRow && y % 7 != 0 && x >= 2 && x < w - 2)
                continue;
            const size_t i = (static_cast<size_t>(y) * w + x) * bytes;
            const uint16_t got = bytes == 2 ? static_cast<uint16_t>(frame[i] | frame[i + 1] << 8) : frame[i];
            const uint16_t want = emu::ExpectedUprightSample(settings, x, y);
            if (got != want) {
                ADD_FAILURE() << "pixel (" << x << ", " << y << "): got " << got << ", want " << want;
                ++mismatches;
            }
        }
    }
}

// Streams in mode 0 and checks one frame read out upright against the scene.
void StreamAndCompare(CameraRig& rig, uint32_t x, uint32_t y, uint32_t w, uint32_t h, uint32_t mode, uint32_t depth)
{
    auto& camera = rig.camera;
    ASSERT_EQ(camera.SetCaptureWindow(x, y, w, h, mode), 1);
    ASSERT_EQ(camera.SetPixelDepth(depth), 1);
    ASSERT_EQ(camera.StartTransfer(0), 1);
    ASSERT_EQ(camera.WaitFrame(3000), CTavixU3Q5Base::kWaitFrameReady);
    std::vector<uint8_t> frame(camera.FrameSize());
    uint32_t number = 0;
    EXPECT_EQ(camera.ReadFrameAll(frame.data(), &number, nullptr, nullptr, nullptr, nullptr, 1), 0);
    camera.StopTransfer(1);
    auto settings = rig.Emulated().SettingsOfFrame(number);
    ASSERT_TRUE(settings.has_value()) << "frame " << number;
    ExpectUprightScene(*settings, frame);
}
} // namespace

TEST(Capture, FramesComeOutUprightForEveryWindowAndDepth)
{
    CameraRig rig;
    ASSERT_EQ(rig.Open(), 1);
    {
        SCOPED_TRACE("full window, 8 bits");
        StreamAndCompare(rig, 0, 0, 2448, 2048, 0, 0);
    }
    {
        SCOPED_TRACE("cropped window, 16 bits");
        StreamAndCompare(rig, 400, 200, 1024, 768, 0, 1);
    }
    {
        SCOPED_TRACE("1/2 skip, 8 bits");
        StreamAndCompare(rig, 0, 0, 2448, 2048, 1, 0);
    }
    {
        SCOPED_TRACE("1/2 skip of a cropped window, 16 bits");
        StreamAndCompare(rig, 800, 400, 1200, 1000, 1, 1);
    }
}

TEST(Capture, OneFrameModeStoresExactlyOneFrame)
{
    CameraRig rig;
    ASSERT_EQ(rig.Open(), 1);
    auto& camera = rig.camera;
    ASSERT_EQ(camera.StartTransfer(1), 1);
    ASSERT_EQ(camera.WaitFrame(3000), CTavixU3Q5Base::kWaitFrameReady);
    std::vector<uint8_t> frame(camera.FrameSize());
    camera.ReadFrame(frame.data(), 1);
    // The thread has ended after its one frame: nothing more arrives.
    EXPECT_EQ(camera.WaitFrame(300), CTavixU3Q5Base::kWaitNoFrame);
    EXPECT_FALSE(camera.IsCapturing());
    EXPECT_EQ(rig.Emulated().FramesStarted(), 1u);
    camera.StopTransfer(0);
}

TEST(Capture, WaitFrameTimesOutThenSeesTheNextFrame)
{
    CameraRig rig;
    ASSERT_EQ(rig.Open(), 1);
    auto& camera = rig.camera;
    rig.Emulated().SetStalled(true);
    ASSERT_EQ(camera.StartTransfer(0), 1);
    EXPECT_EQ(camera.WaitFrame(100), CTavixU3Q5Base::kWaitNoFrame);
    rig.Emulated().SetStalled(false);
    EXPECT_EQ(camera.WaitFrame(3000), CTavixU3Q5Base::kWaitFrameReady);
    std::vector<uint8_t> frame(camera.FrameSize());
    camera.ReadFrame(frame.data(), 1);
    EXPECT_EQ(camera.WaitFrame(3000), CTavixU3Q5Base::kWaitFrameReady) << "streaming goes on";
    camera.StopTransfer(1);
    EXPECT_EQ(camera.GetFrame(frame.data(), static_cast<uint32_t>(frame.size() - 1), nullptr, nullptr, nullptr,
                              nullptr, nullptr, 0, 1),
              0)
        << "a destination smaller than a frame is refused";
}

TEST(Capture, FiveConsecutiveFailuresEndTheThread)
{
    CameraRig rig;
    ASSERT_EQ(rig.Open(), 1);
    auto& camera = rig.camera;
    rig.Emulated().FailNextTransfers(1'000'000, 0xC0000001, 0x80000300);
    rig.Emulated().ClearLog();
    ASSERT_EQ(camera.StartTransfer(0), 1);
    const auto start = Clock::now();
    int answer = 0;
    while ((answer = camera.WaitFrame(500)) == CTavixU3Q5Base::kWaitNoFrame &&
           Clock::now() - start < std::chrono::seconds(30)) {
    }
    EXPECT_EQ(answer, CTavixU3Q5Base::kWaitCaptureFailed);
    EXPECT_TRUE(camera.CaptureFailed());
    // Four recoveries between the five failures, each a pipe reset and a
    // sensor restart.
    EXPECT_EQ(rig.RestartsAfterPipeResets(), (std::vector<bool>{true, true, true, true}));
    rig.Emulated().FailNextTransfers(0, 0, 0);
    camera.StopTransfer(1);
}

TEST(Capture, FewerFailuresAreRecovered)
{
    CameraRig rig;
    ASSERT_EQ(rig.Open(), 1);
    auto& camera = rig.camera;
    ASSERT_EQ(camera.SetPixelDepth(0), 1);
    // One failed information block costs 15 transfers; then 3 more fail.
    rig.Emulated().FailNextTransfers(18, 0, 0x80000300);
    rig.Emulated().ClearLog();
    ASSERT_EQ(camera.StartTransfer(0), 1);
    int answer = 0;
    for (int i = 0; i < 20 && (answer = camera.WaitFrame(1000)) == CTavixU3Q5Base::kWaitNoFrame; ++i) {
    }
    EXPECT_EQ(answer, CTavixU3Q5Base::kWaitFrameReady);
    EXPECT_FALSE(camera.CaptureFailed());
    const auto restarts = rig.RestartsAfterPipeResets();
    ASSERT_GE(restarts.size(), 1u);
    EXPECT_TRUE(restarts[0]);
    camera.StopTransfer(1);
}

TEST(Capture, UnpluggingMidStreamEndsTheWait)
{
    CameraRig rig;
    ASSERT_EQ(rig.Open(), 1);
    auto& camera = rig.camera;
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
    camera.StopTransfer(1);
}

TEST(Capture, StopWithAbortEndsAPendingRead)
{
    CameraRig rig;
    ASSERT_EQ(rig.Open(), 1);
    auto& camera = rig.camera;
    rig.Emulated().SetStalled(true);
    ASSERT_EQ(camera.StartTransfer(0), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(50)); // the read is pending now
    const auto start = Clock::now();
    EXPECT_EQ(camera.StopTransfer(1), 1);
    const auto took = Clock::now() - start;
    // Without the abort the read would wait out its 400 ms time-out, 15 times.
    EXPECT_LT(took, std::chrono::milliseconds(1500));
    EXPECT_FALSE(camera.IsCapturing());
}

TEST(Capture, HundredStartStopCyclesLeaveNothingBehind)
{
    CameraRig rig;
    ASSERT_EQ(rig.Open(), 1);
    auto& camera = rig.camera;
    ASSERT_EQ(camera.SetCaptureWindow(0, 0, 256, 128, 0), 1);
    std::vector<uint8_t> frame;
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(camera.StartTransfer(0), 1) << "cycle " << i;
        if (i % 10 == 0) {
            ASSERT_EQ(camera.WaitFrame(3000), CTavixU3Q5Base::kWaitFrameReady) << "cycle " << i;
            frame.resize(camera.FrameSize());
            camera.ReadFrame(frame.data(), 1);
        }
        ASSERT_EQ(camera.StopTransfer(i % 2), 1);
        ASSERT_FALSE(camera.IsCapturing());
    }
    EXPECT_EQ(rig.Emulated().OpenHandles(), 0) << "every stream handle was closed";
}

TEST(Capture, PacedStreamLosesNoFrame)
{
    emu::CameraOptions paced;
    paced.paced = true;
    CameraRig rig(paced);
    ASSERT_EQ(rig.Open(), 1);
    auto& camera = rig.camera;
    // A small window keeps the consumer's copy cheap even in sanitizer
    // builds; the frame rate of 36.0 frames/s keeps the sensor's full-size
    // frame period.
    ASSERT_EQ(camera.SetCaptureWindow(0, 0, 512, 256, 0), 1);
    uint32_t tenthsPerSecond = 360;
    ASSERT_EQ(camera.SetSensorParameter(0, 0, &tenthsPerSecond), 1);
    const double period = rig.Emulated().CurrentFrameSettings().FramePeriodMicroseconds();
    ASSERT_NEAR(period, 27'700.0, 300.0);
    ASSERT_EQ(camera.StartTransfer(0), 1);
    std::vector<uint8_t> frame(camera.FrameSize());
    uint32_t previous = 0;
    for (int i = 0; i < 300; ++i) {
        ASSERT_EQ(camera.WaitFrame(3000), CTavixU3Q5Base::kWaitFrameReady) << "frame " << i;
        uint32_t number = 0;
        camera.ReadFrameAll(frame.data(), &number, nullptr, nullptr, nullptr, nullptr, 1);
        if (i > 0) {
            ASSERT_EQ(number, previous + 1) << "frame " << i;
        }
        previous = number;
    }
    camera.StopTransfer(1);
}
