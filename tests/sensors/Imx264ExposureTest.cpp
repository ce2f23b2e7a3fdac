// Exposure, gain, flips and frame rate of the IMX264 driver, read back from
// the sensor's register file, the order of the writes and the pauses taken.

#include "Imx264Fixture.h"

namespace tavix::test {
namespace {

class Imx264Exposure : public Imx264Fixture {
protected:
    uint32_t FrameLengthRegisters() { return Registers(0x0210, 3); }
    uint32_t ShutterRegisters() { return Registers(0x028D, 3); }
    uint32_t ExposureLines() { return Get(&CSensorIMX264::GetExposureLines); }
};

// The frame length goes to 0x0210-0x0212 and the shutter, counted back from
// the frame end, to 0x028D-0x028F. A frame stretched to a long exposure
// must never pass through a length shorter than the exposure on the way.
TEST_F(Imx264Exposure, ExposureLinesOrderTheFrameAndShutterWrites)
{
    struct Case {
        const char* name;
        uint32_t windowHeight, fromLines, lines;
        std::vector<RegisterWrite> writes;
        uint64_t slept; // the 1 ms of each write and the pauses
        uint32_t frameLength, shutter;
    };
    const Case cases[] = {
        {"inside the window's frame, back from a long one: no pause", 2048, 151104, 755,
         {{0x0212, 0}, {0x0211, 0x08}, {0x0210, 0x2E}, {0x028D, 0x3B}, {0x028E, 0x05}, {0x028F, 0}}, 6, 2094, 1339},
        {"beyond 16 bits: high byte first, a pause after each write", 2048, 1582, 151104,
         {{0x0212, 0x02}, {0x0211, 0x4E}, {0x0210, 0x40}, {0x028D, 0x0A}, {0x028E, 0}, {0x028F, 0}}, 12, 151104, 10},
        // The window's frame is 2053 lines (0x805) from here on.
        {"longer, smaller middle byte: middle byte first and paused", 2007, 100, 2045,
         {{0x0211, 0x07}, {0x0212, 0}, {0x0210, 0xFD}, {0x028D, 0x0A}, {0x028E, 0}, {0x028F, 0}}, 10, 2045, 10},
        {"longer, larger middle byte: high byte first, only the shutter paused", 2007, 2045, 3000,
         {{0x0212, 0}, {0x0211, 0x0B}, {0x0210, 0xB8}, {0x028D, 0x0A}, {0x028E, 0}, {0x028F, 0}}, 9, 3000, 10},
        {"within 10 lines of the exposure: the shutter stays", 2007, 3000, 3005,
         {{0x0212, 0}, {0x0211, 0x0B}, {0x0210, 0xBD}}, 3, 3005, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(sensor.SetWindow(0, 2448, 0, c.windowHeight, 0), 1);
        ASSERT_EQ(sensor.SetExposureLines(c.fromLines), 1);
        TakeWrites();
        TakeSlept();
        ASSERT_EQ(sensor.SetExposureLines(c.lines), 1);
        EXPECT_EQ(TakeWrites(), c.writes);
        EXPECT_EQ(TakeSlept(), c.slept);
        EXPECT_EQ(ExposureLines(), c.lines);
        EXPECT_EQ(FrameLengthRegisters(), c.frameLength);
        EXPECT_EQ(ShutterRegisters(), c.shutter);
        // The window's frame stays what the next short exposure goes back to.
        EXPECT_EQ(sensor.Info().frameLength, c.windowHeight + 46);
    }

    // A window made smaller after an exposure that fitted the long frame:
    // the frame is lengthened to the same exposure, and the shutter of the
    // long frame, which now lies past the frame's end, goes back to the
    // minimum instead of leaving the sensor all but unexposed.
    ASSERT_EQ(sensor.SetWindow(0, 2448, 0, 2048, 0), 1);
    ASSERT_EQ(sensor.SetExposureLines(755), 1);
    ASSERT_EQ(ShutterRegisters(), 2094u - 755u);
    ASSERT_EQ(sensor.SetWindow(0, 2448, 0, 128, 0), 1);
    ASSERT_EQ(sensor.SetExposureLines(755), 1);
    EXPECT_EQ(FrameLengthRegisters(), 755u);
    EXPECT_EQ(ShutterRegisters(), 10u);
}

TEST_F(Imx264Exposure, RequestsAreClampedIntoTheRanges)
{
    ASSERT_EQ(sensor.SetExposureLines(0x100000), 1);
    EXPECT_EQ(ExposureLines(), 0xFFFFFu);
    EXPECT_EQ(FrameLengthRegisters(), 0xFFFFFu);
    ASSERT_EQ(sensor.SetExposureLines(0xFFFFFFFF), 1);
    EXPECT_EQ(ExposureLines(), 0xFFFFFu);

    // Times in units of 100 us, lines of 0.13236 of them.
    ASSERT_EQ(sensor.SetExposureTime(0), 1);
    EXPECT_EQ(Get(&CSensorIMX264::GetExposureTime), 1u);
    EXPECT_EQ(ExposureLines(), 7u);
    ASSERT_EQ(sensor.SetExposureTime(30000), 1);
    EXPECT_EQ(Get(&CSensorIMX264::GetExposureTime), 20000u);
    EXPECT_EQ(ExposureLines(), 151104u);

    // Bit 8 of the gain goes to 0x0405.
    const struct {
        uint32_t request;
        std::vector<RegisterWrite> writes;
        uint32_t gain;
    } gains[] = {
        {481, {{0x0404, 0xE0}, {0x0405, 0x01}}, 480},
        {256, {{0x0404, 0x00}, {0x0405, 0x01}}, 256},
        {255, {{0x0404, 0xFF}, {0x0405, 0x00}}, 255},
    };
    TakeWrites();
    for (const auto& g : gains) {
        ASSERT_EQ(sensor.SetGain(g.request), 1);
        EXPECT_EQ(TakeWrites(), g.writes) << g.request;
        EXPECT_EQ(Get(&CSensorIMX264::GetGain), g.gain) << g.request;
    }
}

TEST_F(Imx264Exposure, FlipsShareOneRegister)
{
    ASSERT_EQ(sensor.SetFlipV(1), 1);
    ASSERT_EQ(sensor.SetMirrorH(5), 1);
    EXPECT_EQ(Get(&CSensorIMX264::GetMirrorH), 1u);
    ASSERT_EQ(sensor.SetFlipV(0), 1);
    EXPECT_EQ(Get(&CSensorIMX264::GetFlipV), 0u);
    EXPECT_EQ(TakeWrites(), (std::vector<RegisterWrite>{{0x020E, 1}, {0x020E, 3}, {0x020E, 2}}));
}

TEST_F(Imx264Exposure, FailedDecisiveWriteKeepsTheCurrentValue)
{
    ASSERT_EQ(sensor.SetGain(100), 1);
    ASSERT_EQ(sensor.SetExposureTime(100), 1);
    ASSERT_EQ(sensor.SetMirrorH(1), 1);
    TakeWrites();
    TakeSlept();

    SetSensorAcknowledges(false);
    EXPECT_EQ(sensor.SetGain(200), 0);
    // The bus was given its 100 polls, 10 ms apart.
    EXPECT_GE(TakeSlept(), 1000u);
    EXPECT_EQ(sensor.SetExposureLines(500), 0);   // shutter inside the frame
    EXPECT_EQ(sensor.SetExposureLines(90000), 0); // lengthened frame
    EXPECT_EQ(sensor.SetExposureTime(5000), 0);
    EXPECT_EQ(sensor.SetFlipV(1), 0);
    EXPECT_EQ(sensor.SetMirrorH(0), 0);
    uint32_t rate = 300;
    EXPECT_EQ(sensor.SetParameter(0, &rate), 0);
    EXPECT_TRUE(TakeWrites().empty());

    EXPECT_EQ(Get(&CSensorIMX264::GetGain), 100u);
    EXPECT_EQ(ExposureLines(), 755u);
    EXPECT_EQ(Get(&CSensorIMX264::GetExposureTime), 100u);
    EXPECT_EQ(Get(&CSensorIMX264::GetFlipV), 0u);
    EXPECT_EQ(Get(&CSensorIMX264::GetMirrorH), 1u);
    // A frame rate that did not reach the sensor is not kept either.
    EXPECT_EQ(sensor.Info().frameLength, 2094u);

    SetSensorAcknowledges(true);
    EXPECT_EQ(sensor.SetGain(200), 1);
    EXPECT_EQ(camera.SensorRegister(0x0404), 200);
}

// The frame rate, in tenths of frames per second, gives the frame length;
// the exposure of 755 lines is written again against it.
TEST_F(Imx264Exposure, FrameRateSetsTheFrameLengthAndKeepsTheExposure)
{
    ASSERT_EQ(sensor.SetExposureTime(100), 1);
    struct Case {
        const char* name;
        uint32_t windowMode, tenthsPerSecond, frameLength;
    };
    const Case cases[] = {
        {"30.0 frames per second", 0, 300, 2518},
        {"35.0 frames per second", 0, 350, 2158},
        {"faster than the window allows: the window's shortest frame", 0, 2000, 2094},
        {"1 frame per second: the longest frame, the shutter beyond 12 bits", 0, 10, 65535},
        {"half skip has its own line time and window", 1, 300, 1142},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(sensor.SetWindow(0, 2448, 0, 2048, c.windowMode), 1);
        uint32_t rate = c.tenthsPerSecond;
        ASSERT_EQ(sensor.SetParameter(0, &rate), 1);
        EXPECT_EQ(rate, c.tenthsPerSecond);
        EXPECT_EQ(sensor.Info().frameLength, c.frameLength);
        EXPECT_EQ(FrameLengthRegisters(), c.frameLength);
        EXPECT_EQ(ShutterRegisters(), c.frameLength - 755);
        EXPECT_EQ(ExposureLines(), 755u);
    }
}

TEST_F(Imx264Exposure, FrameRateRefusesOtherIndicesAndNoRate)
{
    TakeWrites();
    uint32_t rate = 300;
    EXPECT_EQ(sensor.SetParameter(1, &rate), 0);
    EXPECT_EQ(sensor.SetParameter(0, nullptr), 0);
    rate = 0;
    EXPECT_EQ(sensor.SetParameter(0, &rate), 0);
    EXPECT_TRUE(TakeWrites().empty());
    EXPECT_EQ(sensor.Info().frameLength, 2094u);
}

TEST_F(Imx264Exposure, RangeGettersAnswerTheConstructorValues)
{
    struct Case {
        int (CSensorIMX264::*getter)(uint32_t*);
        uint32_t expected;
    };
    const Case cases[] = {
        {&CSensorIMX264::GetExposureLinesMin, 0},      {&CSensorIMX264::GetExposureLinesMax, 0xFFFFF},
        {&CSensorIMX264::GetExposureLinesDefault, 1582}, {&CSensorIMX264::GetExposureLines, 1582},
        {&CSensorIMX264::GetGainMin, 0},               {&CSensorIMX264::GetGainMax, 480},
        {&CSensorIMX264::GetGainDefault, 0},           {&CSensorIMX264::GetGain, 0},
        {&CSensorIMX264::GetRange2Min, 0},             {&CSensorIMX264::GetRange2Max, 0},
        {&CSensorIMX264::GetRange2Default, 0},         {&CSensorIMX264::GetExposureTimeMin, 1},
        {&CSensorIMX264::GetExposureTimeMax, 20000},   {&CSensorIMX264::GetExposureTimeDefault, 200},
        {&CSensorIMX264::GetExposureTime, 100},        {&CSensorIMX264::GetFlipV, 0},
        {&CSensorIMX264::GetMirrorH, 0},
    };
    for (const Case& c : cases) {
        uint32_t value = 0xDEAD;
        EXPECT_EQ((sensor.*c.getter)(&value), 1);
        EXPECT_EQ(value, c.expected);
        EXPECT_EQ((sensor.*c.getter)(nullptr), 0);
    }
    int32_t mode = -5;
    EXPECT_EQ(sensor.SetTriggerMode(2), 1);
    EXPECT_EQ(sensor.GetTriggerMode(&mode), 1);
    EXPECT_EQ(mode, -5);
    EXPECT_TRUE(TakeWrites().empty());

    const SensorInfo& info = sensor.Info();
    EXPECT_EQ(info.windowFlagH + info.windowFlagV, 2u);
    EXPECT_EQ(info.lineLength, 2656u);
    EXPECT_EQ(info.sensorFlags, 1u);
    EXPECT_EQ(info.exposureTime.supported, 0);
    EXPECT_EQ(info.flipVEnabled + info.flipHEnabled, 2u);
    EXPECT_EQ(info.transferBits, 0u);
    EXPECT_EQ(info.sensorClock, 74250u);
    EXPECT_EQ(info.outputFormat, 4u);
    EXPECT_EQ(info.blackLevel.supported + info.gainStage.supported + info.range2.supported, 0);
    EXPECT_EQ(sensor.IsExposureSecondsSupported(), 0);
}

} // namespace
} // namespace tavix::test
