// Register access of the IMX264 driver: the three-byte write, the
// address-then-read pair, the waits for an idle bus, and the register lock
// that keeps two threads' transactions apart.

#include <atomic>
#include <thread>

#include "Imx264Fixture.h"

namespace tavix::test {
namespace {

using Imx264Register = Imx264Fixture;

TEST_F(Imx264Register, WritesAndReadsOneRegister)
{
    EXPECT_EQ(sensor.WriteRegister(0x0404, 0x1AB), 1);
    EXPECT_EQ(TakeSlept(), 1u);
    // 16-bit addresses, 8-bit values.
    EXPECT_EQ(sensor.WriteRegister(0x10210, 0x07), 1);
    EXPECT_EQ(TakeWrites(), (std::vector<RegisterWrite>{{0x0404, 0xAB}, {0x0210, 0x07}}));

    camera.SetSensorRegister(0x0348, 0x5C);
    uint32_t value = 0;
    EXPECT_EQ(sensor.ReadRegister(0x0348, &value), 1);
    EXPECT_EQ(value, 0x5Cu);
    EXPECT_EQ(sensor.ReadRegister(0x0348, nullptr), 0);
    value = 0;
    EXPECT_EQ(sensor.ReadRegisterWhenIdle(0x0404, &value), 1);
    EXPECT_EQ(value, 0xABu);
    EXPECT_EQ(sensor.WriteRegisterWhenIdle(0x0405, 1), 1);
    EXPECT_EQ(camera.SensorRegister(0x0405), 1);
}

TEST_F(Imx264Register, BusyBusIsWaitedForAHundredPolls)
{
    TakeSlept();
    camera.SetReadiness({.busBusyPolls = 100});
    EXPECT_EQ(sensor.WriteRegisterWhenIdle(0x0404, 5), 0);
    EXPECT_EQ(TakeSlept(), 100u * 10u);
    camera.SetReadiness({.busBusyPolls = 100});
    uint32_t value = 77;
    EXPECT_EQ(sensor.ReadRegisterWhenIdle(0x0404, &value), 0);
    EXPECT_EQ(TakeSlept(), 100u * 3u);
    EXPECT_EQ(value, 77u);
    EXPECT_TRUE(TakeWrites().empty());

    // Busy for a while, then idle: the write goes through.
    camera.SetReadiness({.busBusyPolls = 5});
    EXPECT_EQ(sensor.WriteRegisterWhenIdle(0x0404, 5), 1);
    EXPECT_EQ(TakeSlept(), 5u * 10u + 1u);
    camera.SetReadiness({.busBusyPolls = 99});
    EXPECT_EQ(sensor.ReadRegisterWhenIdle(0x0404, &value), 1);
    EXPECT_EQ(value, 5u);
    EXPECT_EQ(TakeSlept(), 99u * 3u);
}

TEST_F(Imx264Register, SilentSensorOrNoTransportFailsEveryAccess)
{
    SetSensorAcknowledges(false);
    CSensorIMX264 detached(nullptr, kSensorBus);
    EXPECT_EQ(detached.ProbeSensor(), 1);
    EXPECT_EQ(detached.InitializeSensor(), 0);
    const struct {
        const char* name;
        CSensorIMX264& sensor;
        uint64_t slept;
    } cases[] = {
        {"no transport: only the write's own breath", detached, 1},
        {"silent: the breaths, 100 idle writes 10 ms apart, 100 idle reads 3 ms apart", sensor, 1 + 100 * 11 + 100 * 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TakeSlept();
        uint32_t value = 77;
        EXPECT_EQ(c.sensor.WriteRegister(0x0404, 1), 0);
        EXPECT_EQ(c.sensor.ReadRegister(0x0404, &value), 0);
        EXPECT_EQ(c.sensor.WriteRegisterWhenIdle(0x0404, 1), 0);
        EXPECT_EQ(c.sensor.ReadRegisterWhenIdle(0x0404, &value), 0);
        EXPECT_EQ(value, 77u);
        EXPECT_EQ(TakeSlept(), c.slept);
    }
    EXPECT_TRUE(TakeWrites().empty());
    EXPECT_EQ(detached.SetGain(10), 0);
    EXPECT_EQ(detached.SetExposureTime(100), 0);
    uint32_t gain = 7;
    EXPECT_EQ(detached.GetGain(&gain), 1);
    EXPECT_EQ(gain, 0u);
}

// A read is two bus transfers (address, then data). Another thread's write
// between them would move the sensor's address pointer and the read would
// return the wrong register.
TEST_F(Imx264Register, TransactionsOfTwoThreadsDoNotInterleave)
{
    camera.SetSensorRegister(0x0100, 0x11);
    constexpr int kRounds = 1000;
    std::atomic<int> wrongReads{0};
    std::atomic<int> failures{0};
    std::thread reader([&] {
        for (int i = 0; i < kRounds; ++i) {
            uint32_t value = 0;
            if (sensor.ReadRegister(0x0100, &value) == 0) {
                ++failures;
            } else if (value != 0x11) {
                ++wrongReads;
            }
        }
    });
    std::thread writer([&] {
        for (int i = 0; i < kRounds; ++i) {
            if (sensor.WriteRegister(0x0200, static_cast<uint32_t>(0x20 + i % 8)) == 0 ||
                sensor.WriteRegisterWhenIdle(0x0201, 0x22) == 0) {
                ++failures;
            }
        }
    });
    reader.join();
    writer.join();
    EXPECT_EQ(wrongReads.load(), 0);
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(camera.SensorRegister(0x0100), 0x11);
    EXPECT_EQ(camera.SensorRegister(0x0201), 0x22);
}

TEST_F(Imx264Register, SettingsOfTwoThreadsDoNotInterleave)
{
    // One thread sets frame rates (frame length, then the exposure against
    // it), the other exposures that fit every frame. Whatever the order, the
    // sensor must end up with the frame and exposure the driver reports, and
    // under ThreadSanitizer no setting may read another's half-written state.
    // On the real clock, so that the writes' pauses let the threads meet.
    platform::ScopedClock realTime(platform::SystemClock());
    constexpr int kRounds = 30;
    std::thread rates([&] {
        for (int i = 0; i < kRounds; ++i) {
            uint32_t tenthsPerSecond = i % 2 == 0 ? 100 : 300;
            sensor.SetParameter(0, &tenthsPerSecond);
        }
    });
    std::thread exposures([&] {
        for (int i = 0; i < kRounds; ++i)
            sensor.SetExposureTime(i % 2 == 0 ? 100 : 200);
    });
    rates.join();
    exposures.join();
    SensorInfo info{};
    ASSERT_EQ(sensor.CopySensorInfo(&info), 1);
    const uint32_t frameLength = Registers(0x0210, 3);
    const uint32_t shutter = Registers(0x028D, 3);
    EXPECT_EQ(frameLength, info.frameLength);
    EXPECT_EQ(frameLength - shutter, static_cast<uint32_t>(info.exposureLines.current));
}

} // namespace
} // namespace tavix::test
