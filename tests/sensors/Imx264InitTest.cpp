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
    const std::vector<RegisterWrite> expected = {
        {0x0412, 0x08}, {0x0454, 0xF0}, {0x0455, 0x00},                                 // fixed
        {0x0404, 0x00}, {0x0405, 0x00},                                                 // gain 0
        {0x0212, 0x00}, {0x0211, 0x08}, {0x0210, 0x2E}, {0x028D, 0x00}, {0x028E, 0x02}, // 1582 lines
        {0x028F, 0x00}, {0x020E, 0x00}, {0x020E, 0x00},                                 // mirror, flip
        {0x0500, 0x00}, {0x0510, 0x00}, {0x0511, 0x00}, {0x0512, 0x00}, {0x0513, 0x00}, // the full window
        {0x0514, 0x90}, {0x0515, 0x09}, {0x0516, 0x00}, {0x0517, 0x08}, {0x020D, 0x00},
        {0x0214, 0xE4}, {0x0215, 0x03}};
    EXPECT_EQ(TakeWrites(), expected);

    EXPECT_EQ(Get(&CSensorIMX264::GetGain), 0u);
    EXPECT_EQ(Get(&CSensorIMX264::GetExposureLines), 1582u);
    EXPECT_EQ(Get(&CSensorIMX264::GetMirrorH), 0u);
    EXPECT_EQ(sensor.ModelCode(), 57u);
    EXPECT_GE(sensor.StatusWord(), 309);
}

TEST_F(Imx264Init, ChipIdentificationChoosesTheModelCode)
{
    struct Case {
        uint8_t low;  // 0x0348: bits 6-7 are bits 0-1 of the identification
        uint8_t high; // 0x0349: bits 0-6 are bits 2-8
        bool answers;
        uint32_t modelCode;
    };
    const Case cases[] = {
        {0x80, 62, true, 59},          // 250
        {0x00, 63, true, 59},          // 252
        {0x3F, 0x42 | 0x80, true, 57}, // 264, the other bits ignored
        {0x40, 66, true, 58},          // 265
        {0x00, 0x00, true, 58},        // anything else
        // Unreadable: the product's model stays, and the writes being best
        // effort, initialisation still completes.
        {0x80, 62, false, 57},
    };
    for (const Case& c : cases) {
        camera.SetSensorRegister(0x0348, c.low);
        camera.SetSensorRegister(0x0349, c.high);
        SetSensorAcknowledges(c.answers);
        TakeWrites();
        CSensorIMX264 fresh(&transport, kSensorBus);
        EXPECT_EQ(fresh.InitializeSensor(), 1);
        EXPECT_EQ(fresh.ModelCode(), c.modelCode) << int{c.low} << "/" << int{c.high} << " " << c.answers;
        EXPECT_EQ(TakeWrites().empty(), !c.answers);
    }
}

TEST_F(Imx264Init, SensorOrFpgaThatNeverGetsReadyFailsAfterItsPolls)
{
    struct Case {
        const char* name;
        emu::Readiness readiness;
        int readyDevicePolls;
        int fpgaPolls;
    };
    const Case cases[] = {
        {"the ready device never answers", {.readyDeviceAfterPolls = emu::kNever}, 300, 0},
        {"the FPGA never sees the sensor", {.fpgaAfterPolls = emu::kNever}, 1, 300},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        camera.SetReadiness(c.readiness);
        TakeSlept();
        EXPECT_EQ(sensor.InitializeSensor(), 0);
        EXPECT_EQ(camera.ReadyDevicePolls(), c.readyDevicePolls);
        EXPECT_EQ(camera.FpgaReadyPolls(), c.fpgaPolls);
        // 300 polls, 10 ms apart.
        const uint64_t slept = TakeSlept();
        EXPECT_GE(slept, 2990u);
        EXPECT_LE(slept, 3000u);
        EXPECT_TRUE(WritesTo(kFpgaPort).empty());
        EXPECT_TRUE(TakeWrites().empty());
    }
}

TEST_F(Imx264Init, OldFpgaIsPulsedUntilItLocksOrTimesOut)
{
    const std::vector<RegisterWrite> enabled = {{96, 1}};
    const std::vector<RegisterWrite> pulsed = {{96, 1}, {0x81, 1}, {0x81, 0}};
    struct Case {
        const char* name;
        uint16_t statusWord;
        emu::FpgaLock lock;
        const std::vector<RegisterWrite>& fpgaWrites;
        uint64_t minSlept, maxSlept;
    };
    const Case cases[] = {
        // The pulse's two 100 ms halves, then 5 s of polls.
        {"old, never locks", 308, emu::FpgaLock::kNeverLocks, pulsed, 200 + 5000, 200 + 5000 + 1000},
        {"old, locks after the pulse", 308, emu::FpgaLock::kLocksAfterPulse, pulsed, 0, 999},
        {"old, already locked", 308, emu::FpgaLock::kLocked, enabled, 0, 999},
        {"recent, locks by itself", 309, emu::FpgaLock::kNeverLocks, enabled, 0, 999},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        camera.SetReadiness({.lock = c.lock});
        SetStatusWord(c.statusWord);
        camera.ClearLog();
        TakeSlept();
        CSensorIMX264 fresh(&transport, kSensorBus);
        EXPECT_EQ(fresh.InitializeSensor(), 1);
        EXPECT_EQ(fresh.StatusWord(), c.statusWord);
        EXPECT_EQ(WritesTo(kFpgaPort), c.fpgaWrites);
        const uint64_t slept = TakeSlept();
        EXPECT_GE(slept, c.minSlept);
        EXPECT_LE(slept, c.maxSlept);
    }
}

} // namespace
} // namespace tavix::test
