// Frame pacing by the sensor's frame length, and the camera used from
// several threads at once.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

#include "DriverClient.h"
#include "emulator/EmulatedPort.h"

using namespace tavix;
using namespace tavix::test;

namespace {

constexpr double kLine = 13.2358803987;           // µs per line of the full read-out
constexpr double kSubsampledLine = 29.1827242525; // and of the 1/2 sub-sampled one

// The frame's own time stamp, µs.
double Stamp(const std::vector<uint8_t>& info)
{
    return static_cast<double>(U32(&info[20]) | (static_cast<uint64_t>(U32(&info[24])) << 32));
}

// Over 30 frames: the frames' own time stamps lie whole periods apart (one
// period, or more where a loaded host armed too late and the frame in
// between went by), and frames never reach the host faster than their
// period. A scheduler stall may cost frames, never the timing.
void ExpectPeriod(DriverClient& client, double period)
{
    std::vector<uint8_t> info, payload;
    // The first frame pays for painting the scene; the clock starts after
    // the second, which waits for its turn.
    EXPECT_TRUE(client.ReadFrame(info, payload));
    EXPECT_TRUE(client.ReadFrame(info, payload));
    double previous = Stamp(info);
    int next = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 30; ++i) {
        ASSERT_TRUE(client.ReadFrame(info, payload));
        const double apart = (Stamp(info) - previous) / period;
        previous = Stamp(info);
        EXPECT_GE(std::lround(apart), 1) << "frame " << i;
        EXPECT_NEAR(apart, std::round(apart), 0.01) << "frame " << i;
        next += std::lround(apart) == 1 ? 1 : 0;
    }
    const double wall = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(next, 15) << "most frames follow the one before";
    EXPECT_GE(wall / 30, period * 0.97);
}

} // namespace

TEST(Pacing, FramesFollowTheFrameLengthTimesTheLineTime)
{
    emu::EmulatedPort port(1);
    auto& camera = port.Camera(0);
    DriverClient client(port, camera.InterfacePath());
    // A small payload keeps the reading short against the frame period.
    ASSERT_TRUE(client.SetFormat(256, 64, false));
    EXPECT_NEAR(camera.CurrentFrameSettings().FramePeriodMicroseconds(), 2094 * kLine, 0.01);
    ExpectPeriod(client, 2094 * kLine);

    // A frame of 1000 lines; sub-sampled, the longer line time of that mode.
    ASSERT_TRUE(client.WriteSensor(0x0210, 1000) && client.WriteSensor(0x0211, 1000 >> 8));
    ExpectPeriod(client, 1000 * kLine);
    ASSERT_TRUE(client.WriteSensor(0x020D, 0x11));
    EXPECT_NEAR(camera.CurrentFrameSettings().FramePeriodMicroseconds(), 1000 * kSubsampledLine, 0.01);
}

TEST(Pacing, ConcurrentRegisterTrafficWhileFramesStream)
{
    emu::EmulatedPort port(2, Unpaced());
    auto& camera = port.Camera(0);
    DriverClient streamer(port, camera.InterfacePath());
    ASSERT_TRUE(streamer.SetFormat(512, 128, false));
    std::atomic<bool> stop{false};
    std::atomic<int> frames{0};
    std::thread capture([&] {
        std::vector<uint8_t> info, payload;
        while (!stop.load() && streamer.ReadFrame(info, payload, 4096))
            ++frames;
    });
    std::thread registers([&] {
        DriverClient client(port, camera.InterfacePath());
        for (int i = 0; i < 200; ++i) {
            uint8_t value = 0;
            EXPECT_TRUE(client.WriteFpga(7, i));
            EXPECT_TRUE(client.ReadSensor(0x0348, value));
        }
    });
    std::thread other([&] {
        DriverClient client(port, port.Camera(1).InterfacePath());
        for (int i = 0; i < 200; ++i)
            EXPECT_TRUE(client.WriteEeprom(static_cast<uint16_t>(i), i));
    });
    registers.join();
    other.join();
    // The register traffic may all be done before the first frame is.
    for (const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
         frames.load() == 0 && std::chrono::steady_clock::now() < end;)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    stop = true;
    capture.join();
    EXPECT_GT(frames.load(), 0);
    EXPECT_EQ(camera.FpgaRegister(7), 199);
    EXPECT_EQ(port.Camera(1).EepromByte(199), 199);
    EXPECT_EQ(camera.RefusedRequests(), 0u);
}

TEST(Pacing, ArmingFromIdleWaitsOneExposureAndArmingLateWaitsForTheNextFrame)
{
    emu::EmulatedPort port(1);
    DriverClient client(port, port.Camera(0).InterfacePath());
    ASSERT_TRUE(client.SetFormat(256, 64, false));
    // A frame of 20000 lines (265 ms) exposed for 4000 lines (53 ms).
    const uint32_t frameLines = 20000;
    const uint32_t shutter = frameLines - 4000;
    ASSERT_TRUE(client.WriteSensor(0x0210, frameLines) && client.WriteSensor(0x0211, frameLines >> 8) &&
                client.WriteSensor(0x0212, frameLines >> 16) && client.WriteSensor(0x028D, shutter) &&
                client.WriteSensor(0x028E, shutter >> 8));
    const double period = frameLines * kLine;
    std::vector<uint8_t> info, payload;
    const auto readFrame = [&] {
        EXPECT_TRUE(client.ReadFrame(info, payload));
        return Stamp(info);
    };
    // The first frame is read out one exposure after its arming, its
    // payload over the read-out of its 64 lines.
    const auto start = std::chrono::steady_clock::now();
    const double first = readFrame();
    const double took = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(took, (4000 + 64) * kLine);
    // Armed late, a frame waits for the next frame boundary: its read-out
    // starts a whole number of periods after the first one's.
    std::this_thread::sleep_for(std::chrono::microseconds(static_cast<int64_t>(period * 1.5)));
    const double late = readFrame();
    const double periods = (late - first) / period;
    EXPECT_GE(periods, 1.99);
    EXPECT_NEAR(periods, std::round(periods), 4.0 / period);
    // Armed in time, the next frame follows one period later.
    EXPECT_NEAR(readFrame() - late, period, 2.0);
}
