// The IMX264 power-up: ready handshakes, fixed writes, chip identification,
// defaults and the FPGA lock, with the long waits on a warped clock.

#include "Imx264Fixture.h"

namespace tavix::test {
namespace {

using Imx264Init = Imx264Fixture;

TEST_F(Imx264Init, BringsTheSensorUpWithItsDefaults)
{
    // Values set before initialisation do not survive it.
    ASSERT_EQ(sensor.SetGain(300), 1);
    ASSERT_EQ(sensor.SetExposureLines(100), 1);
    ASSERT_EQ(sensor.SetMirrorH(1), 1);
    TakeWrites();

    ASSERT_EQ(sensor.InitializeSensor(), 1);
    EXPECT_EQ(WritesTo(kFpgaPort), (std::vector<RegisterWrite>{{96, 1}}));
    const std::vector<RegisterWrite> writes = TakeWrites();
    const std::vector<RegisterWrite> head = {
        {0x0412, 0x08}, {0x0454, 0xF0}, {0x0455, 0x00},                                 // fixed
        {0x0404, 0x00}, {0x0405, 0x00},                                                 // gain 0
        {0x0212, 0x00}, {0x0211, 0x08}, {0x0210, 0x2E}, {0x028D, 0x00}, {0x028E, 0x02}, // 1582 lines
        {0x028F, 0x00}, {0x020E, 0x00}, {0x020E, 0x00},                                 // mirror, flip
        {0x0500, 0x00}};                                                                // full window
    ASSERT_EQ(writes.size(), head.size() + 11);
    EXPECT_EQ(std::vector<RegisterWrite>(writes.begin(), writes.begin() + head.size()), head);

    uint32_t value = 1;
    EXPECT_EQ(sensor.GetGain(&value), 1);
    EXPECT_EQ(value, 0u);
    EXPECT_EQ(sensor.GetExposureLines(&value), 1);
    EXPECT_EQ(value, 1582u);
    EXPECT_EQ(sensor.Info().windowWidth, 2448u);
    EXPECT_EQ(sensor.Info().windowMode, 0u);
    EXPECT_EQ(sensor.Info().frameLength, 2094u);
    EXPECT_EQ(Registers(0x0514, 2), 2448u);
    EXPECT_EQ(sensor.ModelCode(), 57u);
    EXPECT_GE(sensor.StatusWord(), 309);
}

TEST_F(Imx264Init, ChipIdentificationChoosesTheModelCode)
{
    struct Case {
        uint8_t low;  // 0x0348: bits 6-7 are bits 0-1 of the identification
        uint8_t high; // 0x0349: bits 0-6 are bits 2-8
        uint32_t modelCode;
    };
    const Case cases[] = {
        {0x80, 62, 59},        // 250
        {0x00, 63, 59},        // 252
        {0x3F, 0x42 | 0x80, 57}, // 264, the other bits ignored
        {0x40, 66, 58},        // 265
        {0x00, 0x00, 58},      // anything else
    };
    for (const Case& c : cases) {
        camera.SetSensorRegister(0x0348, c.low);
        camera.SetSensorRegister(0x0349, c.high);
        CSensorIMX264 fresh(&transport, 0x48);
        EXPECT_EQ(fresh.InitializeSensor(), 1);
        EXPECT_EQ(fresh.ModelCode(), c.modelCode) << int{c.low} << "/" << int{c.high};
    }
}

TEST_F(Imx264Init, UnreadableIdentificationKeepsTheModelCode)
{
    camera.SetSensorRegister(0x0349, 62);
    camera.SetSensorRegister(0x0348, 0x80);
    SetSensorAcknowledges(false);
    // The writes are best effort: initialisation still completes.
    EXPECT_EQ(sensor.InitializeSensor(), 1);
    EXPECT_EQ(sensor.ModelCode(), 57u);
    EXPECT_TRUE(TakeWrites().empty());
}

TEST_F(Imx264Init, SensorThatNeverAnswersReadyFailsAfterItsPolls)
{
    camera.SetReadiness({.readyDeviceAfterPolls = emu::kNever});
    EXPECT_EQ(sensor.InitializeSensor(), 0);
    EXPECT_EQ(camera.ReadyDevicePolls(), 300);
    const uint64_t slept = TakeSlept();
    EXPECT_GE(slept, 2990u);
    EXPECT_LE(slept, 3000u);
    EXPECT_TRUE(TakeWrites().empty());
    EXPECT_TRUE(WritesTo(kFpgaPort).empty());
}

TEST_F(Imx264Init, FpgaThatNeverSeesTheSensorFailsAfterItsPolls)
{
    camera.SetReadiness({.fpgaAfterPolls = emu::kNever});
    EXPECT_EQ(sensor.InitializeSensor(), 0);
    EXPECT_GE(camera.ReadyDevicePolls(), 1);
    const uint64_t slept = TakeSlept();
    EXPECT_GE(slept, 2990u);
    EXPECT_LE(slept, 3000u);
    EXPECT_TRUE(TakeWrites().empty());
    EXPECT_TRUE(WritesTo(kFpgaPort).empty());
}

TEST_F(Imx264Init, OldFpgaIsPulsedUntilItLocksOrTimesOut)
{
    const std::vector<RegisterWrite> pulsed = {{96, 1}, {0x81, 1}, {0x81, 0}};
    SetStatusWord(308);
    camera.SetReadiness({.lock = emu::FpgaLock::kNeverLocks});
    TakeSlept();
    EXPECT_EQ(sensor.InitializeSensor(), 1);
    EXPECT_EQ(sensor.StatusWord(), 308);
    EXPECT_EQ(WritesTo(kFpgaPort), pulsed);
    const uint64_t neverLocked = TakeSlept();
    EXPECT_GE(neverLocked, 200u + 5000u);
    EXPECT_LE(neverLocked, 200u + 5000u + 1000u);

    camera.SetReadiness({.lock = emu::FpgaLock::kLocksAfterPulse});
    camera.ClearLog();
    CSensorIMX264 pulsedOnce(&transport, 0x48);
    EXPECT_EQ(pulsedOnce.InitializeSensor(), 1);
    EXPECT_EQ(WritesTo(kFpgaPort), pulsed);
    EXPECT_LT(TakeSlept(), 1000u);

    // Already locked: nothing to pulse.
    camera.ClearLog();
    CSensorIMX264 locked(&transport, 0x48);
    EXPECT_EQ(locked.InitializeSensor(), 1);
    EXPECT_EQ(WritesTo(kFpgaPort), (std::vector<RegisterWrite>{{96, 1}}));
}

TEST_F(Imx264Init, RecentFpgaIsNotPulsed)
{
    SetStatusWord(309);
    camera.SetReadiness({.lock = emu::FpgaLock::kNeverLocks});
    EXPECT_EQ(sensor.InitializeSensor(), 1);
    EXPECT_EQ(sensor.StatusWord(), 309);
    EXPECT_EQ(WritesTo(kFpgaPort), (std::vector<RegisterWrite>{{96, 1}}));
    EXPECT_LT(TakeSlept(), 1000u);
}

TEST(Imx264InitWithoutTransport, Fails)
{
    platform::WarpClock clock;
    platform::ScopedClock useClock(clock);
    CSensorIMX264 sensor(nullptr, 0x48);
    EXPECT_EQ(sensor.ProbeSensor(), 1);
    EXPECT_EQ(sensor.InitializeSensor(), 0);
    EXPECT_EQ(sensor.SetGain(10), 0);
    EXPECT_EQ(sensor.SetExposureTime(100), 0);
    uint32_t value = 7;
    EXPECT_EQ(sensor.GetGain(&value), 1);
    EXPECT_EQ(value, 0u);
}

} // namespace
} // namespace tavix::test
