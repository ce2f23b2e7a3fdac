// The defaults of the sensor interface: what a driver that overrides
// nothing answers, and the parameter block it copies out.

#include <gtest/gtest.h>

#include <cstring>

#include "sensors/CSensorBase.h"
#include "transport/CControllerBase.h"

namespace tavix {
namespace {

// A driver that overrides nothing, with a parameter block the test fills.
class BareSensor final : public CSensorBase {
public:
    explicit BareSensor(CControllerBase* transport) : CSensorBase(transport, 0x48) {}
    SensorInfo& MutableInfo() { return info_; }
};

constexpr uint32_t kUntouched = 0xDEADBEEF;

TEST(SensorBase, StartsWithTheDocumentedMembers)
{
    CControllerBase controller;
    BareSensor sensor(&controller);
    EXPECT_EQ(sensor.Transport(), &controller);
    EXPECT_EQ(sensor.BusAddress(), 0x48);
    EXPECT_EQ(sensor.GetModeWord(), 15u);
    EXPECT_EQ(sensor.StatusWord(), 0);
    EXPECT_EQ(sensor.ResetEnabled(), 1u);
    SensorInfo zero{};
    EXPECT_EQ(std::memcmp(&sensor.Info(), &zero, sizeof zero), 0);

    EXPECT_EQ(sensor.SetModeWord(0x10000), 1);
    EXPECT_EQ(sensor.GetModeWord(), 0x10000u);
    EXPECT_EQ(sensor.SetModelCode(113), 1);
    EXPECT_EQ(sensor.ModelCode(), 113u);
}

TEST(SensorBase, OperationsWithoutDriverFailAndLeaveOutputsAlone)
{
    BareSensor sensor(nullptr);
    uint32_t a = kUntouched, b = kUntouched, c = kUntouched, d = kUntouched, e = kUntouched;
    int32_t signedOut = -7;
    double seconds = -1.0;

    EXPECT_EQ(sensor.ProbeSensor(), 0);
    EXPECT_EQ(sensor.InitializeSensor(), 0);
    EXPECT_EQ(sensor.EstablishSerialLink(), 0);
    EXPECT_EQ(sensor.RecoverAfterOpenTimeout(), 0);
    EXPECT_EQ(sensor.SetWindow(0, 16, 0, 16, 0), 0);
    EXPECT_EQ(sensor.GetWindow(&a, &b, &c, &d, &e), 0);
    EXPECT_EQ(sensor.SetTriggerMode(1), 0);
    EXPECT_EQ(sensor.GetTriggerMode(&signedOut), 0);
    EXPECT_EQ(sensor.ModelSet(1), 0);
    EXPECT_EQ(sensor.ModelQuery1(&a), 0);
    EXPECT_EQ(sensor.ModelQuery2(&a), 0);
    EXPECT_EQ(sensor.SetTransferDepth(1), 0);
    EXPECT_EQ(sensor.SetExposureLines(100), 0);
    EXPECT_EQ(sensor.GetExposureLines(&a), 0);
    EXPECT_EQ(sensor.SetGain(1), 0);
    EXPECT_EQ(sensor.GetGain(&a), 0);
    EXPECT_EQ(sensor.SetChannelValue1(1) + sensor.SetChannelValue2(1) + sensor.SetChannelValue3(1) +
                  sensor.SetChannelValue4(1),
              0);
    EXPECT_EQ(sensor.GetChannelValue1(&a) + sensor.GetChannelValue2(&a) + sensor.GetChannelValue3(&a) +
                  sensor.GetChannelValue4(&a),
              0);
    EXPECT_EQ(sensor.GetExposureLinesMin(&a) + sensor.GetExposureLinesMax(&a) +
                  sensor.GetExposureLinesDefault(&a),
              0);
    EXPECT_EQ(sensor.GetGainMin(&a) + sensor.GetGainMax(&a) + sensor.GetGainDefault(&a), 0);
    EXPECT_EQ(sensor.GetRange2Min(&a) + sensor.GetRange2Max(&a) + sensor.GetRange2Default(&a), 0);
    EXPECT_EQ(sensor.SetChannelGain(1, 5) + sensor.SetChannelOffset(1, 5), 0);
    EXPECT_EQ(sensor.GetChannelGain(1, &a) + sensor.GetChannelOffset(1, &a), 0);
    EXPECT_EQ(sensor.GetChannelGainMin(&a) + sensor.GetChannelGainMax(&a) + sensor.GetChannelGainDefault(&a) +
                  sensor.GetChannelOffsetMin(&a) + sensor.GetChannelOffsetMax(&a) +
                  sensor.GetChannelOffsetDefault(&a),
              0);
    EXPECT_EQ(sensor.SetBlackLevel(1), 0);
    EXPECT_EQ(sensor.SetFeature(1), 0);
    EXPECT_EQ(sensor.SetGainStage(1), 0);
    EXPECT_EQ(sensor.ReadGainStage(&a), 0);
    char label[8] = "x";
    EXPECT_EQ(sensor.GetGainStageLabel(0, label, sizeof label), 0);
    EXPECT_STREQ(label, "x");
    EXPECT_EQ(sensor.SetExposureTime(100), 0);
    EXPECT_EQ(sensor.GetExposureTime(&a) + sensor.GetExposureTimeMin(&a) + sensor.GetExposureTimeMax(&a) +
                  sensor.GetExposureTimeDefault(&a),
              0);
    EXPECT_EQ(sensor.SetFlipV(1) + sensor.SetMirrorH(1), 0);
    EXPECT_EQ(sensor.GetFlipV(&a) + sensor.GetMirrorH(&a), 0);
    uint32_t rate = 300;
    EXPECT_EQ(sensor.SetParameter(0, &rate), 0);
    EXPECT_EQ(sensor.WriteRegister(0x0404, 1) + sensor.WriteRegisterWhenIdle(0x0404, 1), 0);
    EXPECT_EQ(sensor.ReadRegister(0x0404, &a) + sensor.ReadRegisterWhenIdle(0x0404, &a), 0);
    EXPECT_EQ(sensor.SetAuxValue(1) + sensor.GetAuxValue(&a), 0);
    EXPECT_EQ(sensor.ReservedA() + sensor.ReservedB() + sensor.ReservedC() + sensor.ReservedD(), 0);
    EXPECT_EQ(sensor.SetClockMode(1) + sensor.GetClockMode(&a), 0);
    EXPECT_EQ(sensor.ReservedE() + sensor.ReservedF(), 0);
    sensor.RestartStreaming();
    sensor.RearmFpga();
    EXPECT_EQ(sensor.IsInternalCorrectionAvailable() + sensor.SetInternalCorrection(1) +
                  sensor.GetInternalCorrection(&a),
              0);
    EXPECT_EQ(sensor.IsCoolingAvailable() + sensor.GetCoolingState(&a) + sensor.SetCoolingState(1), 0);
    EXPECT_EQ(sensor.IsTemperatureAvailable() + sensor.ReadTemperature(&seconds), 0);
    sensor.StartWorker();
    EXPECT_EQ(sensor.IsWorkerRunning(), 0);
    sensor.StopWorker(1);
    EXPECT_EQ(sensor.IsAuxOutputAvailable() + sensor.GetAuxOutput(&a) + sensor.SetAuxOutput(1), 0);
    char text[8] = "x";
    EXPECT_EQ(sensor.ReceiveText(text, sizeof text) + sensor.SendText("hello"), 0);
    EXPECT_STREQ(text, "x");
    EXPECT_EQ(sensor.IsExtendedModeAvailable() + sensor.GetExtendedMode(&a) + sensor.SetExtendedMode(1), 0);
    EXPECT_EQ(sensor.ReservedQueryA(&a) + sensor.ReservedQueryB(&a) + sensor.ReservedQueryC(&a), 0);
    EXPECT_EQ(sensor.GetTargetTemperature(&signedOut) + sensor.SetTargetTemperature(20), 0);
    EXPECT_EQ(sensor.SetExposureSeconds(0.5), 0);
    EXPECT_EQ(sensor.IsSpecialModeAvailable() + sensor.GetSpecialMode(&a) + sensor.SetSpecialMode(1), 0);
    EXPECT_EQ(sensor.CheckReadiness(0, 0), 0);
    uint16_t half = 7;
    uint8_t major = 7, minor = 7;
    EXPECT_EQ(sensor.GetVersionInfo(&a, &half, &major, &minor), 0);
    EXPECT_EQ(sensor.PostOpenStep(), 0);
    EXPECT_EQ(sensor.ReadStatusBit(), -1);
    EXPECT_EQ(sensor.SetStatusCompanion(1), 0);
    EXPECT_EQ(sensor.ModelSpecificA(), 0);
    EXPECT_EQ(sensor.ModelSpecificB(), -1);
    EXPECT_EQ(sensor.ModelSpecificC(), 0);
    EXPECT_EQ(sensor.CanOutputMode0(), 1);
    EXPECT_EQ(sensor.CanOutputMode1(), 1);
    EXPECT_EQ(sensor.CanOutputMode2(), 1);
    EXPECT_EQ(sensor.ModelSpecificD() + sensor.ModelSpecificE(), 0);

    for (uint32_t out : {a, b, c, d, e}) {
        EXPECT_EQ(out, kUntouched);
    }
    EXPECT_EQ(signedOut, -7);
    EXPECT_EQ(seconds, -1.0);
    EXPECT_EQ(half, 7);
    EXPECT_EQ(major, 7);
}

TEST(SensorBase, FieldGettersAnswerFromTheParameterBlock)
{
    BareSensor sensor(nullptr);
    SensorInfo& info = sensor.MutableInfo();
    info.blackLevel = SensorRange{1, 4095, 240, 200, 1};
    info.gainStage = SensorRange{0, 3, 2, 1, 5};
    info.featureFlag = 1;
    info.featureValue = 9;
    info.flipVAux = 1;
    info.flipHAux = 2;
    info.flipVEnabled = 3;
    info.flipHEnabled = 4;
    info.exposureSecondsMin = 0.001;
    info.exposureSecondsMax = 60.0;
    info.exposureSecondsCurrent = 0.25;
    info.exposureSecondsDefault = 0.5;
    info.exposureSecondsSupported = 1;

    uint32_t value = 0;
    EXPECT_EQ(sensor.IsBlackLevelSupported(), 1);
    EXPECT_EQ(sensor.GetBlackLevel(&value), 1);
    EXPECT_EQ(value, 240u);
    EXPECT_EQ(sensor.GetBlackLevelMin(&value), 1);
    EXPECT_EQ(value, 1u);
    EXPECT_EQ(sensor.GetBlackLevelMax(&value), 1);
    EXPECT_EQ(value, 4095u);
    EXPECT_EQ(sensor.GetBlackLevelDefault(&value), 1);
    EXPECT_EQ(value, 200u);
    EXPECT_EQ(sensor.IsFeatureSupported(), 1);
    EXPECT_EQ(sensor.GetFeature(&value), 1);
    EXPECT_EQ(value, 9u);
    // The supported word is the result, whatever it holds.
    EXPECT_EQ(sensor.IsGainStageSupported(), 5);
    EXPECT_EQ(sensor.GetGainStageMin(&value), 5);
    EXPECT_EQ(value, 0u);
    EXPECT_EQ(sensor.GetGainStageMax(&value), 5);
    EXPECT_EQ(value, 3u);
    EXPECT_EQ(sensor.GetGainStageDefault(&value), 5);
    EXPECT_EQ(value, 1u);
    EXPECT_EQ(sensor.GetGainStage(&value), 5);
    EXPECT_EQ(value, 2u);
    EXPECT_EQ(sensor.GetFlipVAux(), 1);
    EXPECT_EQ(sensor.GetFlipHAux(), 2);
    EXPECT_EQ(sensor.GetFlipVEnabled(), 3);
    EXPECT_EQ(sensor.GetFlipHEnabled(), 4);

    double seconds = 0;
    EXPECT_EQ(sensor.IsExposureSecondsSupported(), 1);
    EXPECT_EQ(sensor.GetExposureSecondsMin(&seconds), 1.0);
    EXPECT_EQ(seconds, 0.001);
    EXPECT_EQ(sensor.GetExposureSecondsMax(&seconds), 1.0);
    EXPECT_EQ(seconds, 60.0);
    EXPECT_EQ(sensor.GetExposureSecondsDefault(&seconds), 1.0);
    EXPECT_EQ(seconds, 0.5);
    EXPECT_EQ(sensor.GetExposureSeconds(&seconds), 1);
    EXPECT_EQ(seconds, 0.25);

    // A null out-parameter is refused, not written through.
    EXPECT_EQ(sensor.GetBlackLevel(nullptr), 0);
    EXPECT_EQ(sensor.GetFeature(nullptr), 0);
    EXPECT_EQ(sensor.GetGainStage(nullptr), 0);
    EXPECT_EQ(sensor.GetExposureSecondsMin(nullptr), 0.0);
    EXPECT_EQ(sensor.GetExposureSeconds(nullptr), 0);
}

TEST(SensorBase, UnsupportedFieldGettersStillDeliverAndAnswerZero)
{
    BareSensor sensor(nullptr);
    uint32_t value = kUntouched;
    EXPECT_EQ(sensor.IsBlackLevelSupported(), 0);
    EXPECT_EQ(sensor.GetBlackLevelMax(&value), 0);
    EXPECT_EQ(value, 0u);
    double seconds = -1;
    EXPECT_EQ(sensor.GetExposureSecondsMax(&seconds), 0.0);
    EXPECT_EQ(seconds, 0.0);
    EXPECT_EQ(sensor.IsExposureSecondsSupported(), 0);
    EXPECT_EQ(sensor.IsFeatureSupported(), 0);
}

TEST(SensorBase, CopySensorInfoCopiesTheWholeBlockAndRefusesNull)
{
    BareSensor sensor(nullptr);
    SensorInfo& info = sensor.MutableInfo();
    info.sensorWidth = 2448;
    info.windowMode = 1;
    info.exposureTime = SensorRange{1, 20000, 100, 200, 0};
    info.exposureSecondsDefault = 1.5;
    info.outputFormat = 4;
    info.reserved2 = 0x5A5A5A5A;

    EXPECT_EQ(sensor.CopySensorInfo(nullptr), 0);

    SensorInfo copy;
    std::memset(&copy, 0xCC, sizeof copy);
    EXPECT_EQ(sensor.CopySensorInfo(&copy), 1);
    EXPECT_EQ(std::memcmp(&copy, &sensor.Info(), sizeof copy), 0);
    // Read back at the byte offsets callers rely on.
    const auto* bytes = reinterpret_cast<const uint8_t*>(&copy);
    uint32_t word = 0;
    std::memcpy(&word, bytes + 56, 4);
    EXPECT_EQ(word, 1u);
    std::memcpy(&word, bytes + 188 + 4, 4);
    EXPECT_EQ(word, 20000u);
    double seconds = 0;
    std::memcpy(&seconds, bytes + 280, 8);
    EXPECT_EQ(seconds, 1.5);
    std::memcpy(&word, bytes + 344, 4);
    EXPECT_EQ(word, 4u);
}

} // namespace
} // namespace tavix
