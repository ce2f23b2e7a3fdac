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
#define OPW(call, want) {#call, [&] { return static_cast<int>(sensor.call); }, want}
#define OP(call) OPW(call, 0)
    const struct {
        const char* call;
        std::function<int()> run;
        int want;
    } operations[] = {
        OP(ProbeSensor()), OP(InitializeSensor()), OP(EstablishSerialLink()), OP(RecoverAfterOpenTimeout()),
        OP(SetWindow(0, 16, 0, 16, 0)), OP(GetWindow(&a, &b, &c, &d, &e)), OP(SetTriggerMode(1)),
        OP(GetTriggerMode(&signedOut)), OP(ModelSet(1)), OP(ModelQuery1(&a)), OP(ModelQuery2(&a)),
        OP(SetTransferDepth(1)), OP(SetExposureLines(100)), OP(GetExposureLines(&a)), OP(SetGain(1)), OP(GetGain(&a)),
        OP(SetChannelValue1(1)), OP(SetChannelValue2(1)), OP(SetChannelValue3(1)), OP(SetChannelValue4(1)),
        OP(GetChannelValue1(&a)), OP(GetChannelValue2(&a)), OP(GetChannelValue3(&a)), OP(GetChannelValue4(&a)),
        OP(GetExposureLinesMin(&a)), OP(GetExposureLinesMax(&a)), OP(GetExposureLinesDefault(&a)), OP(GetGainMin(&a)),
        OP(GetGainMax(&a)), OP(GetGainDefault(&a)), OP(GetRange2Min(&a)), OP(GetRange2Max(&a)),
        OP(GetRange2Default(&a)), OP(SetChannelGain(1, 5)), OP(SetChannelOffset(1, 5)), OP(GetChannelGain(1, &a)),
        OP(GetChannelOffset(1, &a)), OP(GetChannelGainMin(&a)), OP(GetChannelGainMax(&a)),
        OP(GetChannelGainDefault(&a)), OP(GetChannelOffsetMin(&a)), OP(GetChannelOffsetMax(&a)),
        OP(GetChannelOffsetDefault(&a)), OP(SetBlackLevel(1)), OP(SetFeature(1)), OP(SetGainStage(1)),
        OP(ReadGainStage(&a)), OP(GetGainStageLabel(0, label, sizeof label)), OP(SetExposureTime(100)),
        OP(GetExposureTime(&a)), OP(GetExposureTimeMin(&a)), OP(GetExposureTimeMax(&a)), OP(GetExposureTimeDefault(&a)),
        OP(SetFlipV(1)), OP(SetMirrorH(1)), OP(GetFlipV(&a)), OP(GetMirrorH(&a)), OP(SetParameter(0, &rate)),
        OP(WriteRegister(0x0404, 1)), OP(WriteRegisterWhenIdle(0x0404, 1)), OP(ReadRegister(0x0404, &a)),
        OP(ReadRegisterWhenIdle(0x0404, &a)), OP(SetAuxValue(1)), OP(GetAuxValue(&a)), OP(ReservedA()), OP(ReservedB()),
        OP(ReservedC()), OP(ReservedD()), OP(SetClockMode(1)), OP(GetClockMode(&a)), OP(ReservedE()), OP(ReservedF()),
        OP(IsInternalCorrectionAvailable()), OP(SetInternalCorrection(1)), OP(GetInternalCorrection(&a)),
        OP(IsCoolingAvailable()), OP(GetCoolingState(&a)), OP(SetCoolingState(1)), OP(IsTemperatureAvailable()),
        OP(ReadTemperature(&seconds)), OP(IsWorkerRunning()), OP(IsAuxOutputAvailable()), OP(GetAuxOutput(&a)),
        OP(SetAuxOutput(1)), OP(ReceiveText(text, sizeof text)), OP(SendText("hello")), OP(IsExtendedModeAvailable()),
        OP(GetExtendedMode(&a)), OP(SetExtendedMode(1)), OP(ReservedQueryA(&a)), OP(ReservedQueryB(&a)),
        OP(ReservedQueryC(&a)), OP(GetTargetTemperature(&signedOut)), OP(SetTargetTemperature(20)),
        OP(SetExposureSeconds(0.5)), OP(IsSpecialModeAvailable()), OP(GetSpecialMode(&a)), OP(SetSpecialMode(1)),
        OP(CheckReadiness(0, 0)), OP(GetVersionInfo(&a, &half, &major, &minor)), OP(PostOpenStep()),
        OPW(ReadStatusBit(), -1), OP(SetStatusCompanion(1)), OP(ModelSpecificA()), OPW(ModelSpecificB(), -1),
        OP(ModelSpecificC()), OPW(CanOutputMode0(), 1), OPW(CanOutputMode1(), 1), OPW(CanOutputMode2(), 1),
        OP(ModelSpecificD()), OP(ModelSpecificE()),
    };
#undef OP
#undef OPW
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
