// Exposure, gain, flips and frame rate of the IMX264 driver, read back from
// the sensor's register file, the order of the writes and the pauses taken.

#include "Imx264Fixture.h"

namespace tavix::test {
namespace {

class Imx264Exposure : public Imx264Fixture {
protected:
    uint32_t FrameLengthRegisters() { return Registers(0x0210, 3); }
    uint32_t ShutterRegisters() { return Registers(0x028D, 3); }

    uint32_t ExposureLines()
    {
        uint32_t lines = 0;
        EXPECT_EQ(sensor.GetExposureLines(&lines), 1);
        return lines;
    }
};

TEST_F(Imx264Exposure, ShortExposureMovesTheShutterInsideTheFrame)
{
    ASSERT_EQ(sensor.SetExposureTime(150), 1);
    TakeWrites();
    TakeSlept();
    ASSERT_EQ(sensor.SetExposureTime(100), 1);
    const std::vector<RegisterWrite> expected = {{0x0212, 0x00}, {0x0211, 0x08}, {0x0210, 0x2E},
                                                 {0x028D, 0x3B}, {0x028E, 0x05}, {0x028F, 0x00}};
    EXPECT_EQ(TakeWrites(), expected);
    EXPECT_EQ(TakeSlept(), 6u); // the 1 ms of each write, no pauses
    EXPECT_EQ(ExposureLines(), 755u);
    EXPECT_EQ(FrameLengthRegisters(), 2094u);
    EXPECT_EQ(ShutterRegisters(), 1339u);
    EXPECT_EQ(sensor.Info().frameLength, 2094u);
    uint32_t time = 0;
    EXPECT_EQ(sensor.GetExposureTime(&time), 1);
    EXPECT_EQ(time, 100u);
}

TEST_F(Imx264Exposure, LongExposureLengthensTheFrame)
{
    ASSERT_EQ(sensor.SetExposureTime(20000), 1);
    const uint32_t lines = static_cast<uint32_t>(20000 / CSensorIMX264::kLineTime);
    EXPECT_EQ(lines, 151104u);
    const std::vector<RegisterWrite> expected = {{0x0212, 0x02}, {0x0211, 0x4E}, {0x0210, 0x40},
                                                 {0x028D, 0x0A}, {0x028E, 0x00}, {0x028F, 0x00}};
    EXPECT_EQ(TakeWrites(), expected);
    EXPECT_EQ(TakeSlept(), 12u); // each write and a 1 ms pause after each
    EXPECT_EQ(ExposureLines(), lines);
    EXPECT_EQ(FrameLengthRegisters(), lines);
    EXPECT_EQ(ShutterRegisters(), 10u);
    // The frame of the window stays what the next short exposure goes back to.
    EXPECT_EQ(sensor.Info().frameLength, 2094u);
    ASSERT_EQ(sensor.SetExposureTime(100), 1);
    EXPECT_EQ(FrameLengthRegisters(), 2094u);
    EXPECT_EQ(ShutterRegisters(), 1339u);
}

TEST_F(Imx264Exposure, LengtheningOrdersTheFrameBytesByDirection)
{
    // A frame of 2053 lines (0x805): 2045 lines (0x7FD) does not fit and has
    // a smaller middle byte, written first.
    ASSERT_EQ(sensor.SetWindow(0, 2448, 0, 2007, 0), 1);
    ASSERT_EQ(sensor.Info().frameLength, 2053u);
    ASSERT_EQ(sensor.SetExposureLines(100), 1);
    TakeWrites();
    TakeSlept();
    ASSERT_EQ(sensor.SetExposureLines(2045), 1);
    std::vector<RegisterWrite> expected = {{0x0211, 0x07}, {0x0212, 0x00}, {0x0210, 0xFD},
                                           {0x028D, 0x0A}, {0x028E, 0x00}, {0x028F, 0x00}};
    EXPECT_EQ(TakeWrites(), expected);
    EXPECT_EQ(TakeSlept(), 6u + 1u + 3u);

    // Longer, with a larger middle byte: high byte first, no pauses.
    ASSERT_EQ(sensor.SetExposureLines(3000), 1);
    expected = {{0x0212, 0x00}, {0x0211, 0x0B}, {0x0210, 0xB8}, {0x028D, 0x0A}, {0x028E, 0x00}, {0x028F, 0x00}};
    // Within 10 lines of the current exposure the shutter stays.
    ASSERT_EQ(sensor.SetExposureLines(3005), 1);
    expected.insert(expected.end(), {{0x0212, 0x00}, {0x0211, 0x0B}, {0x0210, 0xBD}});
    EXPECT_EQ(TakeWrites(), expected);
    EXPECT_EQ(ExposureLines(), 3005u);
    EXPECT_EQ(ShutterRegisters(), 10u);
    EXPECT_EQ(FrameLengthRegisters(), 3005u);
}

TEST_F(Imx264Exposure, RequestsAreClampedIntoTheRanges)
{
    ASSERT_EQ(sensor.SetExposureLines(0x100000), 1);
    EXPECT_EQ(ExposureLines(), 0xFFFFFu);
    EXPECT_EQ(FrameLengthRegisters(), 0xFFFFFu);
    ASSERT_EQ(sensor.SetExposureLines(0xFFFFFFFF), 1);
    EXPECT_EQ(ExposureLines(), 0xFFFFFu);

    uint32_t time = 0;
    ASSERT_EQ(sensor.SetExposureTime(0), 1);
    EXPECT_EQ(sensor.GetExposureTime(&time), 1);
    EXPECT_EQ(time, 1u);
    EXPECT_EQ(ExposureLines(), 7u);
    ASSERT_EQ(sensor.SetExposureTime(30000), 1);
    EXPECT_EQ(sensor.GetExposureTime(&time), 1);
    EXPECT_EQ(time, 20000u);
    EXPECT_EQ(ExposureLines(), 151104u);

    TakeWrites();
    ASSERT_EQ(sensor.SetGain(481), 1);
    EXPECT_EQ(TakeWrites(), (std::vector<RegisterWrite>{{0x0404, 0xE0}, {0x0405, 0x01}}));
    uint32_t gain = 0;
    EXPECT_EQ(sensor.GetGain(&gain), 1);
    EXPECT_EQ(gain, 480u);
    ASSERT_EQ(sensor.SetGain(256), 1);
    EXPECT_EQ(TakeWrites(), (std::vector<RegisterWrite>{{0x0404, 0x00}, {0x0405, 0x01}}));
    ASSERT_EQ(sensor.SetGain(255), 1);
    EXPECT_EQ(TakeWrites(), (std::vector<RegisterWrite>{{0x0404, 0xFF}, {0x0405, 0x00}}));
    EXPECT_EQ(sensor.GetGain(&gain), 1);
    EXPECT_EQ(gain, 255u);
}

TEST_F(Imx264Exposure, FlipsShareOneRegister)
{
    uint32_t on = 9;
    ASSERT_EQ(sensor.SetFlipV(1), 1);
    EXPECT_EQ(camera.SensorRegister(0x020E), 0x01);
    ASSERT_EQ(sensor.SetMirrorH(5), 1);
    EXPECT_EQ(camera.SensorRegister(0x020E), 0x03);
    EXPECT_EQ(sensor.GetMirrorH(&on), 1);
    EXPECT_EQ(on, 1u);
    ASSERT_EQ(sensor.SetFlipV(0), 1);
    EXPECT_EQ(camera.SensorRegister(0x020E), 0x02);
    EXPECT_EQ(sensor.GetFlipV(&on), 1);
    EXPECT_EQ(on, 0u);
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

    uint32_t value = 0;
    EXPECT_EQ(sensor.GetGain(&value), 1);
    EXPECT_EQ(value, 100u);
    EXPECT_EQ(ExposureLines(), 755u);
    EXPECT_EQ(sensor.GetExposureTime(&value), 1);
    EXPECT_EQ(value, 100u);
    EXPECT_EQ(sensor.GetFlipV(&value), 1);
    EXPECT_EQ(value, 0u);
    EXPECT_EQ(sensor.GetMirrorH(&value), 1);
    EXPECT_EQ(value, 1u);
    // A frame rate that did not reach the sensor is not kept either.
    EXPECT_EQ(sensor.Info().frameLength, 2094u);

    SetSensorAcknowledges(true);
    EXPECT_EQ(sensor.SetGain(200), 1);
    EXPECT_EQ(camera.SensorRegister(0x0404), 200);
}

TEST_F(Imx264Exposure, FrameRateSetsTheFrameLengthAndKeepsTheExposure)
{
    ASSERT_EQ(sensor.SetExposureTime(100), 1);
    uint32_t rate = 300; // 30.0 frames per second
    ASSERT_EQ(sensor.SetParameter(0, &rate), 1);
    EXPECT_EQ(rate, 300u);
    EXPECT_EQ(sensor.Info().frameLength, 2518u);
    EXPECT_EQ(FrameLengthRegisters(), 2518u);
    EXPECT_EQ(ShutterRegisters(), 2518u - 755u);
    EXPECT_EQ(ExposureLines(), 755u);

    rate = 350;
    ASSERT_EQ(sensor.SetParameter(0, &rate), 1);
    EXPECT_EQ(sensor.Info().frameLength, 2158u);
    EXPECT_EQ(ShutterRegisters(), 2158u - 755u);

    // Faster than the window allows: the window's shortest frame.
    rate = 2000;
    ASSERT_EQ(sensor.SetParameter(0, &rate), 1);
    EXPECT_EQ(sensor.Info().frameLength, 2094u);

    // 1 frame per second: the longest frame, the shutter beyond 12 bits.
    rate = 10;
    ASSERT_EQ(sensor.SetParameter(0, &rate), 1);
    EXPECT_EQ(sensor.Info().frameLength, 65535u);
    EXPECT_EQ(FrameLengthRegisters(), 65535u);
    EXPECT_EQ(ShutterRegisters(), 65535u - 755u);

    // Half skip has its own line time and window.
    ASSERT_EQ(sensor.SetWindow(0, 2448, 0, 2048, 1), 1);
    rate = 300;
    ASSERT_EQ(sensor.SetParameter(0, &rate), 1);
    EXPECT_EQ(sensor.Info().frameLength, 1142u);
    EXPECT_EQ(ShutterRegisters(), 1142u - 755u);
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
    EXPECT_EQ(sensor.ProbeSensor(), 1);
    EXPECT_TRUE(TakeWrites().empty());

    const SensorInfo& info = sensor.Info();
    EXPECT_EQ(info.sensorWidth, 2448u);
    EXPECT_EQ(info.sensorHeight, 2048u);
    EXPECT_EQ(info.effectiveWidth, 2448u);
    EXPECT_EQ(info.effectiveHeight, 2048u);
    EXPECT_EQ(info.windowFlagH + info.windowFlagV, 2u);
    EXPECT_EQ(info.lineLength, 2656u);
    EXPECT_EQ(info.frameLength, 2094u);
    EXPECT_EQ(info.sensorFlags, 1u);
    EXPECT_EQ(info.exposureTime.supported, 0);
    EXPECT_EQ(info.flipVEnabled + info.flipHEnabled, 2u);
    EXPECT_EQ(info.transferBits, 0u);
    EXPECT_EQ(info.sensorClock, 74250u);
    EXPECT_EQ(info.outputFormat, 4u);
    EXPECT_EQ(info.blackLevel.supported + info.gainStage.supported + info.range2.supported, 0);
    EXPECT_EQ(sensor.ModelCode(), 57u);
    EXPECT_EQ(sensor.IsExposureSecondsSupported(), 0);
}

} // namespace
} // namespace tavix::test
