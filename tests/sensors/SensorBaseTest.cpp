// The defaults of the sensor interface: what a driver that overrides
// nothing answers, and the parameter block it copies out.

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

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
    char label[8] = "x";
    char text[8] = "x";
    uint32_t rate = 300;
    uint16_t half = 7;
    uint8_t major = 7, minor = 7;
    // Each operation with what a driver that overrides nothing answers.
#define OP(call, want) {#call, [&] { return static_cast<int>(sensor.call); }, want}
    const struct {
        const char* call;
        std::function<int()> run;
        int want;
    } operations[] = {
        OP(ProbeSensor(), 0), OP(InitializeSensor(), 0), OP(EstablishSerialLink(), 0),
        OP(RecoverAfterOpenTimeout(), 0), OP(SetWindow(0, 16, 0, 16, 0), 0), OP(GetWindow(&a, &b, &c, &d, &e), 0),
        OP(SetTriggerMode(1), 0), OP(GetTriggerMode(&signedOut), 0), OP(ModelSet(1), 0), OP(ModelQuery1(&a), 0),
        OP(ModelQuery2(&a), 0), OP(SetTransferDepth(1), 0), OP(SetExposureLines(100), 0),
        OP(GetExposureLines(&a), 0), OP(SetGain(1), 0), OP(GetGain(&a), 0), OP(SetChannelValue1(1), 0),
        OP(SetChannelValue2(1), 0), OP(SetChannelValue3(1), 0), OP(SetChannelValue4(1), 0),
        OP(GetChannelValue1(&a), 0), OP(GetChannelValue2(&a), 0), OP(GetChannelValue3(&a), 0),
        OP(GetChannelValue4(&a), 0), OP(GetExposureLinesMin(&a), 0), OP(GetExposureLinesMax(&a), 0),
        OP(GetExposureLinesDefault(&a), 0), OP(GetGainMin(&a), 0), OP(GetGainMax(&a), 0),
        OP(GetGainDefault(&a), 0), OP(GetRange2Min(&a), 0), OP(GetRange2Max(&a), 0), OP(GetRange2Default(&a), 0),
        OP(SetChannelGain(1, 5), 0), OP(SetChannelOffset(1, 5), 0), OP(GetChannelGain(1, &a), 0),
        OP(GetChannelOffset(1, &a), 0), OP(GetChannelGainMin(&a), 0), OP(GetChannelGainMax(&a), 0),
        OP(GetChannelGainDefault(&a), 0), OP(GetChannelOffsetMin(&a), 0), OP(GetChannelOffsetMax(&a), 0),
        OP(GetChannelOffsetDefault(&a), 0), OP(SetBlackLevel(1), 0), OP(SetFeature(1), 0), OP(SetGainStage(1), 0),
        OP(ReadGainStage(&a), 0), OP(GetGainStageLabel(0, label, sizeof label), 0), OP(SetExposureTime(100), 0),
        OP(GetExposureTime(&a), 0), OP(GetExposureTimeMin(&a), 0), OP(GetExposureTimeMax(&a), 0),
        OP(GetExposureTimeDefault(&a), 0), OP(SetFlipV(1), 0), OP(SetMirrorH(1), 0), OP(GetFlipV(&a), 0),
        OP(GetMirrorH(&a), 0), OP(SetParameter(0, &rate), 0), OP(WriteRegister(0x0404, 1), 0),
        OP(WriteRegisterWhenIdle(0x0404, 1), 0), OP(ReadRegister(0x0404, &a), 0),
        OP(ReadRegisterWhenIdle(0x0404, &a), 0), OP(SetAuxValue(1), 0), OP(GetAuxValue(&a), 0),
        OP(ReservedA(), 0), OP(ReservedB(), 0), OP(ReservedC(), 0), OP(ReservedD(), 0), OP(SetClockMode(1), 0),
        OP(GetClockMode(&a), 0), OP(ReservedE(), 0), OP(ReservedF(), 0), OP(IsInternalCorrectionAvailable(), 0),
        OP(SetInternalCorrection(1), 0), OP(GetInternalCorrection(&a), 0), OP(IsCoolingAvailable(), 0),
        OP(GetCoolingState(&a), 0), OP(SetCoolingState(1), 0), OP(IsTemperatureAvailable(), 0),
        OP(ReadTemperature(&seconds), 0), OP(IsWorkerRunning(), 0), OP(IsAuxOutputAvailable(), 0),
        OP(GetAuxOutput(&a), 0), OP(SetAuxOutput(1), 0), OP(ReceiveText(text, sizeof text), 0),
        OP(SendText("hello"), 0), OP(IsExtendedModeAvailable(), 0), OP(GetExtendedMode(&a), 0),
        OP(SetExtendedMode(1), 0), OP(ReservedQueryA(&a), 0), OP(ReservedQueryB(&a), 0), OP(ReservedQueryC(&a), 0),
        OP(GetTargetTemperature(&signedOut), 0), OP(SetTargetTemperature(20), 0), OP(SetExposureSeconds(0.5), 0),
        OP(IsSpecialModeAvailable(), 0), OP(GetSpecialMode(&a), 0), OP(SetSpecialMode(1), 0),
        OP(CheckReadiness(0, 0), 0), OP(GetVersionInfo(&a, &half, &major, &minor), 0), OP(PostOpenStep(), 0),
        OP(ReadStatusBit(), -1), OP(SetStatusCompanion(1), 0), OP(ModelSpecificA(), 0), OP(ModelSpecificB(), -1),
        OP(ModelSpecificC(), 0), OP(CanOutputMode0(), 1), OP(CanOutputMode1(), 1), OP(CanOutputMode2(), 1),
        OP(ModelSpecificD(), 0), OP(ModelSpecificE(), 0),
    };
#undef OP
    for (const auto& operation : operations)
        EXPECT_EQ(operation.run(), operation.want) << operation.call;
    sensor.RestartStreaming();
    sensor.RearmFpga();
    sensor.StartWorker();
    EXPECT_EQ(sensor.IsWorkerRunning(), 0);
    sensor.StopWorker(1);

    for (uint32_t out : {a, b, c, d, e}) {
        EXPECT_EQ(out, kUntouched);
    }
    EXPECT_EQ(signedOut, -7);
    EXPECT_EQ(seconds, -1.0);
    EXPECT_EQ(half, 7);
    EXPECT_EQ(major, 7);
    EXPECT_EQ(minor, 7);
    EXPECT_STREQ(label, "x");
    EXPECT_STREQ(text, "x");
}

// The getters that answer from the parameter block: the supported word is
// the result, whatever it holds, and the field goes out through any real
// pointer, supported or not.
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
    BareSensor unsupported(nullptr);

#define ROW(getter, ...) {#getter, &CSensorBase::getter, __VA_ARGS__}
    const struct {
        const char* name;
        int (CSensorBase::*get)();
        int answer;
    } flags[] = {
        ROW(IsBlackLevelSupported, 1), ROW(IsFeatureSupported, 1), ROW(IsGainStageSupported, 5),
        ROW(IsExposureSecondsSupported, 1), ROW(GetFlipVAux, 1), ROW(GetFlipHAux, 2),
        ROW(GetFlipVEnabled, 3), ROW(GetFlipHEnabled, 4),
    };
    const struct {
        const char* name;
        int (CSensorBase::*get)(uint32_t*);
        uint32_t value;
        int answer;
    } fields[] = {
        ROW(GetBlackLevel, 240, 1),    ROW(GetBlackLevelMin, 1, 1),  ROW(GetBlackLevelMax, 4095, 1),
        ROW(GetBlackLevelDefault, 200, 1), ROW(GetFeature, 9, 1),    ROW(GetGainStage, 2, 5),
        ROW(GetGainStageMin, 0, 5),    ROW(GetGainStageMax, 3, 5),   ROW(GetGainStageDefault, 1, 5),
    };
    const struct {
        const char* name;
        double (CSensorBase::*get)(double*);
        double value;
    } seconds[] = {
        ROW(GetExposureSecondsMin, 0.001), ROW(GetExposureSecondsMax, 60.0), ROW(GetExposureSecondsDefault, 0.5),
    };
#undef ROW
    for (const auto& flag : flags) {
        EXPECT_EQ((sensor.*flag.get)(), flag.answer) << flag.name;
        EXPECT_EQ((unsupported.*flag.get)(), 0) << flag.name;
    }
    for (const auto& field : fields) {
        SCOPED_TRACE(field.name);
        uint32_t value = kUntouched;
        EXPECT_EQ((sensor.*field.get)(&value), field.answer);
        EXPECT_EQ(value, field.value);
        EXPECT_EQ((sensor.*field.get)(nullptr), 0);
        value = kUntouched;
        EXPECT_EQ((unsupported.*field.get)(&value), 0);
        EXPECT_EQ(value, 0u);
    }
    for (const auto& field : seconds) {
        SCOPED_TRACE(field.name);
        double value = -1.0;
        EXPECT_EQ((sensor.*field.get)(&value), 1.0);
        EXPECT_EQ(value, field.value);
        EXPECT_EQ((sensor.*field.get)(nullptr), 0.0);
        value = -1.0;
        EXPECT_EQ((unsupported.*field.get)(&value), 0.0);
        EXPECT_EQ(value, 0.0);
    }
    double value = 0;
    EXPECT_EQ(sensor.GetExposureSeconds(&value), 1);
    EXPECT_EQ(value, 0.25);
    EXPECT_EQ(sensor.GetExposureSeconds(nullptr), 0);
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
