// What the family drivers add to the IMX264 pattern, against the emulated
// camera's bus: its FPGA registers, the serial-bus register file at 0x48
// and the plain register devices of the other heads (MT9 at 0x20 and 0x90,
// the auxiliary device at 0x5A). Every expected number comes from the
// formulas and register values written here.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "Imx264Fixture.h"
#include "sensors/CSensorElvo.h"
#include "sensors/CSensorOska.h"
#include "sensors/CSensorFarn.h"
#include "sensors/CooledImxSensors.h"
#include "sensors/ExtendedSensors.h"
#include "sensors/FpgaSensors.h"
#include "sensors/ImxLayoutSensors.h"
#include "sensors/ImxSensors.h"
#include "sensors/KaiSensors.h"
#include "sensors/LiSensors.h"
#include "sensors/Mt9Sensors.h"
#include "sensors/SensorFactory.h"

namespace tavix::test {
namespace {

using CatalogueFamily = Imx264Fixture;

template <class Driver>
std::unique_ptr<CSensorBase> Make(CControllerBase* transport)
{
    return std::make_unique<Driver>(transport, kSensorBus);
}
using Maker = std::unique_ptr<CSensorBase> (*)(CControllerBase*);

SensorInfo InfoOf(CSensorBase& driver)
{
    SensorInfo info{};
    driver.CopySensorInfo(&info);
    return info;
}

TEST_F(CatalogueFamily, BlackLevelIsTwelveBitsOverTwoRegistersAndReadBack)
{
    for (Maker make : {&Make<CSensorIMX273>, &Make<CSensorIMX487>, &Make<CSensorIMX536>, &Make<CSensorIMX993>}) {
        const auto driver = make(&transport);
        EXPECT_EQ(driver->IsBlackLevelSupported(), 1);
        TakeWrites();
        EXPECT_EQ(driver->SetBlackLevel(0xDA3), 1);
        EXPECT_EQ(TakeWrites(), (std::vector<RegisterWrite>{{0x0454, 0xA3}, {0x0455, 0x0D}}));
        EXPECT_EQ(driver->SetBlackLevel(0x1000), 0); // beyond 12 bits: refused, nothing written
        EXPECT_TRUE(TakeWrites().empty());
        camera.SetSensorRegister(0x0454, 0x21);
        camera.SetSensorRegister(0x0455, 0xFB); // only bits 8-11 count
        uint32_t level = 0;
        EXPECT_EQ(driver->GetBlackLevel(&level), 1);
        EXPECT_EQ(level, 0xB21u);
    }
    CSensorIMX174 without(&transport, kSensorBus);
    EXPECT_EQ(without.SetBlackLevel(1), 0);
    EXPECT_TRUE(TakeWrites().empty());
}

TEST_F(CatalogueFamily, CooledHeadsTakeTheirTwoModelCodesCoolAndReadTemperature)
{
    const struct {
        Maker make;
        uint32_t first, second;
        int correction; // internal correction with status bit 15 set
    } heads[] = {{&Make<CSensorIMX990>, 109, 110, 1},
                 {&Make<CSensorIMX991>, 111, 112, 1},
                 {&Make<CSensorIMX992>, 129, 130, 1},
                 {&Make<CSensorIMX993>, 131, 132, 0}};
    for (const auto& head : heads) {
        SCOPED_TRACE(head.first);
        auto driver = head.make(&transport);
        EXPECT_EQ(driver->SetModelCode(head.second), 1);
        EXPECT_EQ(InfoOf(*driver).outputFormat, 1u);
        EXPECT_EQ(driver->SetModelCode(head.first), 1);
        EXPECT_EQ(InfoOf(*driver).outputFormat, 4u);
        for (uint32_t foreign : {57u, head.first + 2, 0u}) {
            EXPECT_EQ(driver->SetModelCode(foreign), 0);
        }
        EXPECT_EQ(driver->ModelCode(), head.first);
        EXPECT_EQ(driver->CanOutputMode2(), 0);

        EXPECT_EQ(driver->SetCoolingState(1), 1);
        EXPECT_EQ(camera.FpgaRegister(151), 1);
        uint32_t cooling = 7;
        EXPECT_EQ(driver->GetCoolingState(&cooling), 1);
        EXPECT_EQ(cooling, 1u);

        SetStatusWord(0x8135);
        EXPECT_EQ(driver->IsInternalCorrectionAvailable(), head.correction);
        SetStatusWord(309);
        EXPECT_EQ(head.make(&transport)->IsInternalCorrectionAvailable(), 0);
    }
    // Bits 3-10 whole degrees, bit 11 -256, bits 2, 1, 0: 0.5, 0.25, 0.125.
    const struct {
        uint16_t status;
        double celsius;
    } temperatures[] = {{0x0C8, 25.0}, {0x0CF, 25.875}, {0x805, -255.375}, {0xFF8, -1.0}, {0x7FA, 255.25}};
    CSensorIMX990 imx990(&transport, kSensorBus);
    CSensorFarn farn(&transport, kSensorBus); // the Farn head reports the same way
    for (const auto& t : temperatures) {
        camera.SetFpgaRegister(152, static_cast<uint8_t>(t.status));
        camera.SetFpgaRegister(153, static_cast<uint8_t>(t.status >> 8));
        for (CSensorBase* head : {static_cast<CSensorBase*>(&imx990), static_cast<CSensorBase*>(&farn)}) {
            double celsius = 0;
            EXPECT_EQ(head->IsTemperatureAvailable() + head->ReadTemperature(&celsius), 2);
            EXPECT_EQ(celsius, t.celsius) << std::hex << t.status;
        }
    }
}

TEST_F(CatalogueFamily, G1467xThermistorAndGluxCounterGiveDegrees)
{
    CSensorG1467x g1467x(&transport, kSensorBus);
    for (uint16_t adc : {512, 300, 800, 1000}) {
        const double r = 9994.24 / adc - 9.76;
        const auto expected = static_cast<int32_t>(1 / (std::log(r / 10) / 3950 + 0.0033540164346805303) - 273.15);
        camera.SetFpgaRegister(80, static_cast<uint8_t>(adc));
        camera.SetFpgaRegister(83, static_cast<uint8_t>(adc >> 8));
        camera.ClearLog();
        int32_t celsius = -999;
        EXPECT_EQ(g1467x.GetTargetTemperature(&celsius), 1);
        EXPECT_EQ(celsius, expected) << adc;
        EXPECT_EQ(WritesTo(kFpgaPort), (std::vector<RegisterWrite>{{84, 2}, {82, 0}, {82, 2}}));
    }
    for (uint16_t adc : {0, 1024, 4000}) { // no resistance there: no temperature
        camera.SetFpgaRegister(80, static_cast<uint8_t>(adc));
        camera.SetFpgaRegister(83, static_cast<uint8_t>(adc >> 8));
        int32_t celsius = -999;
        EXPECT_EQ(g1467x.GetTargetTemperature(&celsius), 0) << adc;
        EXPECT_EQ(celsius, -999);
    }

    // The target: the count the thermistor gives there, rounded, within 1 to 1023.
    for (int32_t target : {-20, 0, 25, 60, -273, 300}) {
        const double r = 10 * std::exp(3950 * (1 / (target + 273.15) - 0.0033540164346805303));
        const double count = std::clamp(std::round(9994.24 / (r + 9.76)), 1.0, 1023.0);
        EXPECT_EQ(g1467x.SetTargetTemperature(target), 1);
        EXPECT_EQ(camera.FpgaRegister(85) | camera.FpgaRegister(86) << 8, static_cast<int>(count)) << target;
    }
    camera.ClearLog();
    EXPECT_EQ(g1467x.SetTargetTemperature(-274), 0);
    EXPECT_TRUE(WritesTo(kFpgaPort).empty());

    CSensorGLUX9701 glux(&transport, kSensorBus);
    camera.SetSensorRegister(0x189, 0x03);
    camera.SetSensorRegister(0x188, 0x84);
    double celsius = 0;
    EXPECT_EQ(glux.IsTemperatureAvailable(), 1);
    EXPECT_EQ(glux.ReadTemperature(&celsius), 1);
    EXPECT_DOUBLE_EQ(celsius, 900 * 0.3213 - 287.09);
}

TEST_F(CatalogueFamily, ElvoHandshakesIdentifiesAndExchangesText)
{
    CSensorElvo elvo(&transport, kSensorBus);
    EXPECT_EQ(elvo.ProbeSensor(), 0); // link not up yet
    TakeSlept();
    ASSERT_EQ(elvo.EstablishSerialLink(), 1);
    EXPECT_EQ(WritesTo(kFpgaPort), (std::vector<RegisterWrite>{{255, 4}}));
    const char identification[20] = {'E', 'L', 'V', 'O', '-', '1', '2', '8', '0', 'x',
                                     '1', '0', '2', '4', '-', 'S', 'W', '\r', '\n', '\0'};
    std::vector<RegisterWrite> expected;
    for (char c : identification) {
        expected.push_back({0x0000, static_cast<uint8_t>(c)});
    }
    EXPECT_EQ(TakeWrites(), expected);
    EXPECT_GE(TakeSlept(), 10u + 19 * 10); // the handshake's wait, then 10 ms between characters
    EXPECT_EQ(elvo.ProbeSensor(), 1);

    EXPECT_EQ(elvo.SendText("AT\r"), 1);
    EXPECT_EQ(TakeWrites(), (std::vector<RegisterWrite>{{0, 'A'}, {0, 'T'}, {0, '\r'}}));
    EXPECT_EQ(elvo.SendText(nullptr), 0);
    const struct {
        uint8_t registerValue;
        uint32_t size;
        const char* text;
    } receptions[] = {{'x', 4, "xxx"}, {'\r', 16, ""}, {'\n', 16, ""}, {0, 16, ""}, {'y', 1, ""}};
    for (const auto& r : receptions) {
        camera.SetSensorRegister(0, r.registerValue);
        char buffer[16];
        std::memset(buffer, '#', sizeof buffer);
        EXPECT_EQ(elvo.ReceiveText(buffer, r.size), 1);
        EXPECT_STREQ(buffer, r.text);
    }
    char buffer[4];
    EXPECT_EQ(elvo.ReceiveText(buffer, 0), 0);
    EXPECT_EQ(elvo.ReceiveText(nullptr, 4), 0);

    // A head that never answers: ten handshakes, 10 ms apart, then failure.
    camera.SetI2cDeviceAbsent(kFpgaPort, true);
    TakeSlept();
    EXPECT_EQ(elvo.EstablishSerialLink(), 0);
    EXPECT_EQ(TakeSlept(), 100u);
    EXPECT_TRUE(TakeWrites().empty());
}

TEST_F(CatalogueFamily, FarnWorkerSendsQueuedCommandsAndStopsInTime)
{
    CSensorFarn farn(&transport, kSensorBus);
    uint32_t command = 0x0123;
    EXPECT_EQ(farn.SetParameter(0, &command), 0); // no worker, no queue
    farn.StartWorker();
    EXPECT_EQ(farn.IsWorkerRunning(), 1);
    for (uint32_t value : {0x0123u, 0x0456u}) {
        command = value;
        EXPECT_EQ(farn.SetParameter(0, &command), 1);
    }
    const auto start = std::chrono::steady_clock::now();
    while ((farn.QueuedCommands() != 0 || camera.SensorRegister(0x0004) != 0x56) &&
           std::chrono::steady_clock::now() - start < std::chrono::seconds(5)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(camera.SensorRegister(0x0001), 0x23);
    EXPECT_EQ(camera.SensorRegister(0x0004), 0x56);

    const auto stopStart = std::chrono::steady_clock::now();
    farn.StopWorker(0);
    EXPECT_LT(std::chrono::steady_clock::now() - stopStart, std::chrono::milliseconds(3000));
    EXPECT_EQ(farn.IsWorkerRunning(), 0);
    EXPECT_EQ(farn.SetParameter(0, &command), 0);
    farn.StartWorker(); // a restart runs again with an empty queue
    EXPECT_EQ(farn.IsWorkerRunning(), 1);
    EXPECT_EQ(farn.QueuedCommands(), 0u);
    farn.StopWorker(1);
    farn.StopWorker(1); // a second stop has nothing to wait for

    // (lineLength x 0.0625 + 26) x 10 / clock per line: 640 clocks at 9000 kHz.
    const double perLine = (640 * 0.0625 + 26) * 10 / 9000;
    uint32_t linesMax = 0;
    uint32_t minimum = 0;
    uint32_t maximum = 0;
    ASSERT_EQ(farn.GetExposureLinesMax(&linesMax), 1);
    EXPECT_EQ(farn.GetExposureTimeMin(&minimum), 1);
    EXPECT_EQ(farn.GetExposureTimeMax(&maximum), 1);
    EXPECT_EQ(minimum, 1u); // one line is below one unit: at least 1
    EXPECT_EQ(maximum, static_cast<uint32_t>(perLine * linesMax));

    EXPECT_EQ(farn.SetCoolingState(1), 1);
    EXPECT_EQ(farn.SetAuxOutput(0x5A), 1);
    EXPECT_EQ(camera.FpgaRegister(151), 1);
    EXPECT_EQ(camera.FpgaRegister(130), 0x5A);
}

TEST_F(CatalogueFamily, LayoutSiblingsShareTheWindowAndDifferInFrameRate)
{
    CSensorIMX265 imx265(&transport, kSensorBus);
    ASSERT_EQ(imx265.SetExposureLines(1000), 1); // short enough for every frame below
    // Line time lineLength x 3.0 / 2.2 / sensorClock ms; at least windowHeight + 40 lines.
    const double lineMs = 2256 * 3.0 / 2.2 / 54545;
    const struct {
        uint32_t rate; // tenths of frames per second
        uint32_t frameLength;
    } rates[] = {{100, static_cast<uint32_t>(10000.0 / 100 / lineMs)}, {50, static_cast<uint32_t>(10000.0 / 50 / lineMs)},
                 {300, 1536 + 40}};
    for (const auto& r : rates) {
        uint32_t rate = r.rate;
        EXPECT_EQ(imx265.SetParameter(0, &rate), 1);
        EXPECT_EQ(InfoOf(imx265).frameLength, r.frameLength);
        EXPECT_EQ(Registers(0x0210, 3), r.frameLength);
    }
    uint32_t rate = 100;
    EXPECT_EQ(CSensorIMX250(&transport, kSensorBus).SetParameter(0, &rate), 0);
    EXPECT_EQ(CSensorIMX252(&transport, kSensorBus).SetParameter(0, &rate), 0);

    // The shared window, sized by the sibling's array.
    TakeWrites();
    EXPECT_EQ(imx265.SetWindow(0, 2048, 0, 1536, 0), 1);
    EXPECT_EQ(Registers(0x0514, 2), 2048u);
    EXPECT_EQ(Registers(0x0516, 2), 1536u);
    EXPECT_EQ(imx265.SetWindow(0, 2448, 0, 2048, 0), 0);
}

TEST_F(CatalogueFamily, ExposureInSecondsIsClampedSentInMicrosecondsAndStored)
{
    const struct {
        Maker make;
        bool onFpga; // microseconds at FPGA 0x30-0x33, else sensor 0x0600-0x0603
        double request, seconds;
    } cases[] = {
        {&Make<CSensorLI5030>, true, 0.25, 0.25},    {&Make<CSensorLI5030>, true, 5.0, 1.0},
        {&Make<CSensorLI8020>, true, 0.0, 0.0001},   {&Make<CSensorIMX675>, false, 0.01, 0.01},
        {&Make<CSensorIMX675>, false, 1.0, 0.0329},  {&Make<CSensorLI7050>, false, 0.5, 0.5},
        {&Make<CSensorJorn>, true, 123.4567891, 123.4567891},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.request);
        auto driver = c.make(&transport);
        EXPECT_EQ(driver->IsExposureSecondsSupported(), 1);
        ASSERT_EQ(driver->SetExposureSeconds(c.request), 1);
        const auto microseconds = static_cast<uint32_t>(c.seconds * 1000000);
        const uint32_t sent = c.onFpga ? static_cast<uint32_t>(camera.FpgaRegister(0x30) | camera.FpgaRegister(0x31) << 8 |
                                                               camera.FpgaRegister(0x32) << 16 | camera.FpgaRegister(0x33) << 24)
                                       : Registers(0x0600, 4);
        EXPECT_EQ(sent, microseconds);
        const SensorInfo info = InfoOf(*driver);
        EXPECT_DOUBLE_EQ(info.exposureSecondsCurrent, c.seconds);
        EXPECT_EQ(info.exposureTime.current, static_cast<int32_t>(c.seconds * 10000));
        EXPECT_EQ(driver->SetExposureSeconds(std::nan("")), 0);
    }
    EXPECT_EQ(CSensorIMX174(&transport, kSensorBus).SetExposureSeconds(0.1), 0);
}

TEST_F(CatalogueFamily, KaiChannelsArePairsOfFpgaRegistersAndWordsGoToTheController)
{
    CSensorArvo arvo(&transport, 0);
    const struct {
        bool gain;
        uint32_t channel, value;
        uint8_t lowRegister;
        uint32_t stored;
    } cases[] = {{true, 1, 0x1234, 0xB0, 0x1234}, {true, 4, 0xBEEF, 0xB6, 0xBEEF}, {false, 1, 0xABCD, 0xB8, 0xABCD},
                 {false, 3, 70000, 0xBC, 0xFFFF}};
    for (const auto& c : cases) {
        EXPECT_EQ(c.gain ? arvo.SetChannelGain(c.channel, c.value) : arvo.SetChannelOffset(c.channel, c.value), 1);
        EXPECT_EQ(camera.FpgaRegister(c.lowRegister) | camera.FpgaRegister(c.lowRegister + 1) << 8, c.stored);
        uint32_t value = 0;
        EXPECT_EQ(c.gain ? arvo.GetChannelGain(c.channel, &value) : arvo.GetChannelOffset(c.channel, &value), 1);
        EXPECT_EQ(value, c.stored);
    }
    uint32_t value = 7;
    for (uint32_t channel : {0u, 5u}) {
        EXPECT_EQ(arvo.SetChannelGain(channel, 1), 0);
        EXPECT_EQ(arvo.SetChannelOffset(channel, 1), 0);
        EXPECT_EQ(arvo.GetChannelGain(channel, &value), 0);
    }
    uint32_t limits[6] = {};
    EXPECT_EQ(arvo.GetChannelGainMin(&limits[0]) + arvo.GetChannelGainMax(&limits[1]) +
                  arvo.GetChannelGainDefault(&limits[2]) + arvo.GetChannelOffsetMin(&limits[3]) +
                  arvo.GetChannelOffsetMax(&limits[4]) + arvo.GetChannelOffsetDefault(&limits[5]),
              6);
    EXPECT_EQ(std::vector<uint32_t>(limits, limits + 6), (std::vector<uint32_t>{0, 65535, 4096, 0, 65535, 0}));
    EXPECT_EQ(CSensorBelin(&transport, 0).GetChannelGain(2, &value), 1);
    EXPECT_EQ(value, 4096u);

    EXPECT_EQ(arvo.WriteRegister(33800, 0x3FFFFFF), 1);
    EXPECT_EQ(camera.ControllerRegister(33800), 0x3FFFFFFu);
    EXPECT_EQ(CSensorICX274(&transport, 0).InitializeSensor(), 0);
    EXPECT_EQ(CSensorICX274(&transport, 0).SetChannelGain(1, 1), 0);
}

TEST_F(CatalogueFamily, FpgaHeadsUseFpgaRegistersOnly)
{
    CSensorHebb hebb(&transport, 0x6C);
    EXPECT_EQ(hebb.WriteRegister(0x57, 0xA5), 1);
    EXPECT_EQ(WritesTo(kFpgaPort), (std::vector<RegisterWrite>{{0x57, 0xA5}}));
    uint32_t value = 0;
    EXPECT_EQ(hebb.ReadRegister(0x57, &value), 1);
    EXPECT_EQ(value, 0xA5u);
    EXPECT_EQ(hebb.WriteRegister(0x100, 1), 0);
    EXPECT_EQ(hebb.WriteRegister(1, 0x100), 0);
    EXPECT_TRUE(TakeWrites().empty());
    // Heads whose FPGA takes no flip keep the flip and answer 0; Dask and the LI heads keep nothing.
    for (Maker make : {&Make<CSensorHebb>, &Make<CSensorGosk>, &Make<CSensorKesk>, &Make<CSensorG1467x>,
                       &Make<CSensorDask>, &Make<CSensorLI5030>}) {
        auto head = make(&transport);
        const bool keeps = make != &Make<CSensorDask> && make != &Make<CSensorLI5030>;
        EXPECT_EQ(head->SetFlipV(1) + head->SetMirrorH(1), 0);
        EXPECT_EQ(InfoOf(*head).flipV + InfoOf(*head).flipH, keeps ? 2u : 0u);
    }
    EXPECT_TRUE(TakeWrites().empty());
    // The line-scan heads: lines and time share one range.
    const SensorInfo kesk = InfoOf(*Make<CSensorKesk>(&transport));
    EXPECT_EQ(std::memcmp(&kesk.exposureLines, &kesk.exposureTime, sizeof(SensorRange)), 0);
    EXPECT_EQ(kesk.exposureLines.maximum, 5039);
}

TEST_F(CatalogueFamily, ExtendedHeadsGainStagesModesStatusFlagAndVersion)
{
    CSensorJorn jorn(&transport, kSensorBus);
    const struct {
        uint32_t request, stage; // the stages 0-3; beyond them the last
    } stages[] = {{2, 2}, {0, 0}, {3, 3}, {7, 3}};
    for (const auto& st : stages) {
        EXPECT_EQ(jorn.SetGainStage(st.request), 1);
        EXPECT_EQ(camera.FpgaRegister(0x5C), st.stage);
        uint32_t stage = 9;
        EXPECT_EQ(jorn.GetGainStage(&stage), 1);
        EXPECT_EQ(stage, st.stage);
    }
    camera.SetFpgaRegister(0x5C, 1);
    uint32_t stage = 9;
    EXPECT_EQ(jorn.ReadGainStage(&stage), 1);
    EXPECT_EQ(stage, 1u);
    camera.SetFpgaRegister(0x5C, 4); // no such stage
    EXPECT_EQ(jorn.ReadGainStage(&stage), 0);
    EXPECT_EQ(stage, 1u);
    const char* labels[] = {"x1", "x2", "x4", "x8"};
    char text[3];
    for (uint32_t i = 0; i < 4; ++i) {
        EXPECT_EQ(jorn.GetGainStageLabel(i, text, sizeof text), 1);
        EXPECT_STREQ(text, labels[i]);
    }
    EXPECT_EQ(jorn.GetGainStageLabel(4, text, sizeof text) + jorn.GetGainStageLabel(0, text, 2) +
                  jorn.GetGainStageLabel(0, nullptr, 3), 0);
    EXPECT_EQ(CSensorIlva(&transport, kSensorBus).IsGainStageSupported(), 0);

    // Jorn and Ilva: argument to 32, command 4 to 160, the head answers the argument in 96.
    for (Maker make : {&Make<CSensorJorn>, &Make<CSensorIlva>}) {
        auto head = make(&transport);
        EXPECT_EQ(head->IsExtendedModeAvailable(), 1);
        const struct {
            uint32_t reply, mode;
            int result;
            uint32_t modeAfter;
            uint64_t sleptMs;
        } handshakes[] = {{1, 1, 1, 1, 10}, {1, 0, 0, 1, 100}, {0, 0, 1, 0, 10}, {2, 2, 0, 0, 0}};
        for (const auto& h : handshakes) {
            camera.SetFpgaRegister(96, static_cast<uint8_t>(h.reply));
            camera.ClearLog();
            TakeSlept();
            EXPECT_EQ(head->SetExtendedMode(h.mode), h.result);
            EXPECT_EQ(TakeSlept(), h.sleptMs);
            const std::vector<RegisterWrite> sent{{32, static_cast<uint8_t>(h.mode)}, {160, 4}};
            EXPECT_EQ(WritesTo(kFpgaPort), h.mode > 1 ? std::vector<RegisterWrite>{} : sent);
            uint32_t mode = 9;
            EXPECT_EQ(head->GetExtendedMode(&mode), 1);
            EXPECT_EQ(mode, h.modeAfter);
        }
        SetStatusWord(0x1234);
        for (uint8_t reg : {0x14, 0x15, 0x16, 0x17}) {
            camera.SetFpgaRegister(reg, static_cast<uint8_t>(reg * 3));
        }
        uint32_t version = 0;
        uint16_t revision = 0;
        uint8_t major = 0, minor = 0;
        EXPECT_EQ(head->GetVersionInfo(&version, &revision, &major, &minor), 1);
        EXPECT_EQ(version, 0x1234u);
        EXPECT_EQ(revision, 0x14 * 3 | 0x15 * 3 << 8);
        EXPECT_EQ(major, 0x16 * 3);
        EXPECT_EQ(minor, 0x17 * 3);
        EXPECT_EQ(head->GetVersionInfo(&version, nullptr, &major, &minor), 0);
    }

    CSensorGLUX9701 glux(&transport, kSensorBus);
    EXPECT_EQ(glux.IsSpecialModeAvailable(), 1);
    for (uint32_t mode : {1u, 0u, 2u}) {
        camera.SetSensorRegister(0x18A, 7);
        EXPECT_EQ(glux.SetSpecialMode(mode), mode <= 1 ? 1 : 0);
        EXPECT_EQ(camera.SensorRegister(0x18A), mode <= 1 ? mode : 7u);
        uint32_t got = 9;
        EXPECT_EQ(glux.GetSpecialMode(&got), 1);
        EXPECT_EQ(got, mode <= 1 ? mode : 0u); // a refused mode keeps the last one, 0
    }

    // The status flag: bit 0 of FPGA register 0x5D, set and cleared by its companion.
    for (Maker make : {&Make<CSensorJorn>, &Make<CSensorIlva>, &Make<CSensorGLUX9701>}) {
        auto head = make(&transport);
        for (uint32_t flag : {1u, 0u}) {
            EXPECT_EQ(head->SetStatusCompanion(flag), 1);
            EXPECT_EQ(camera.FpgaRegister(0x5D), flag);
            EXPECT_EQ(head->ReadStatusBit(), static_cast<int>(flag));
        }
        camera.SetFpgaRegister(0x5D, 0xFE);
        EXPECT_EQ(head->ReadStatusBit(), 0);
        EXPECT_EQ(head->SetStatusCompanion(2), 0);
        camera.SetI2cDeviceAbsent(kFpgaPort, true);
        EXPECT_EQ(head->ReadStatusBit(), -1);
        camera.SetI2cDeviceAbsent(kFpgaPort, false);
    }
    EXPECT_EQ(CSensorIMX174(&transport, kSensorBus).ReadStatusBit(), -1);
}

TEST_F(CatalogueFamily, OskaSetsItsParameterOverTheBusAndKeepsEveryOtherDefault)
{
    CSensorOska oska(&transport, 0x42);
    EXPECT_EQ(oska.ProbeSensor() + oska.InitializeSensor() + oska.SetTransferDepth(1), 3);
    for (uint32_t value : {0x7Au, 0x100u}) { // 8-bit values only
        EXPECT_EQ(oska.SetParameter(5, &value), value <= 0xFF ? 1 : 0);
        EXPECT_EQ(camera.BusRegister(0x42, 5), 0x7A);
    }
    uint32_t out = 77;
    EXPECT_EQ(oska.SetGain(1) + oska.SetExposureLines(1) + oska.SetWindow(0, 64, 0, 64, 0) + oska.SetFlipV(1) +
                  oska.GetGain(&out) + oska.GetWindow(&out, &out, &out, &out, &out) + oska.SetParameter(0x100, &out),
              0);
    EXPECT_EQ(out, 77u);
}

// Acknowledged I2C writes to a bus device, as the bytes that travelled.
std::vector<std::vector<uint8_t>> Sent(const emu::EmulatedCamera& camera, uint8_t bus)
{
    std::vector<std::vector<uint8_t>> sent;
    for (const emu::LoggedRequest& entry : camera.Log()) {
        if (entry.hasHeader && entry.header.request == kRequestI2cWrite && entry.header.index == bus &&
            !entry.refused && entry.error == 0 && entry.payload.size() >= entry.header.value) {
            sent.emplace_back(entry.payload.begin(), entry.payload.begin() + entry.header.value);
        }
    }
    return sent;
}

TEST_F(CatalogueFamily, Mt9HeadsWriteSixteenBitWordsChannelGainsExposureAndProbe)
{
    const struct {
        Maker make;
        uint8_t bus;
        bool sensorWord; // through the controller's sensor-word request
        uint16_t channelRegister[4];
        uint16_t channelBits; // or'ed into the low 7 bits of the value
        uint16_t exposureRegister;
    } heads[] = {
        {[](CControllerBase* t) -> std::unique_ptr<CSensorBase> { return std::make_unique<CSensorMT9F001>(t, 0x20); },
         0x20, false, {0x305A, 0x3056, 0x305C, 0x3058}, 0x1100, 0x3012},
        {[](CControllerBase* t) -> std::unique_ptr<CSensorBase> { return std::make_unique<CSensorMT9F002>(t, 0x20); },
         0x20, false, {0x305A, 0x3056, 0x305C, 0x3058}, 0x1100, 0x3012},
        {[](CControllerBase* t) -> std::unique_ptr<CSensorBase> { return std::make_unique<CSensorMT9J001>(t, 0x20); },
         0x20, true, {0x305A, 0x3056, 0x305C, 0x3058}, 0x1080, 0x3012},
        {[](CControllerBase* t) -> std::unique_ptr<CSensorBase> { return std::make_unique<CSensorMT9P001>(t, 0x90); },
         0x90, false, {45, 43, 46, 44}, 0, 9},
    };
    for (const auto& head : heads) {
        SCOPED_TRACE(head.channelBits);
        auto driver = head.make(&transport);
        const auto word = [&](uint16_t address) {
            return head.sensorWord ? camera.SensorWord(address) : camera.BusRegister(head.bus, address);
        };
        EXPECT_EQ(InfoOf(*driver).transferBits, 12u);
        // 0xA5 shows that only the low 7 bits join the channel bits (MT9P001: the value itself).
        const uint32_t values[4] = {0x25, 0x26, 0x27, head.channelBits != 0 ? 0xA5u : 0x28u};
        EXPECT_EQ(driver->SetChannelValue1(values[0]) + driver->SetChannelValue2(values[1]) +
                      driver->SetChannelValue3(values[2]) + driver->SetChannelValue4(values[3]), 4);
        EXPECT_EQ(driver->SetExposureLines(1000), 1);
        uint32_t stored[4] = {};
        driver->GetChannelValue1(&stored[0]);
        driver->GetChannelValue2(&stored[1]);
        driver->GetChannelValue3(&stored[2]);
        driver->GetChannelValue4(&stored[3]);
        for (int channel = 0; channel < 4; ++channel) {
            const uint32_t clamped = std::min(values[channel], 127u);
            EXPECT_EQ(stored[channel], head.channelBits != 0 ? clamped : values[channel]);
            EXPECT_EQ(word(head.channelRegister[channel]),
                      head.channelBits != 0 ? (clamped & 0x7F) | head.channelBits : values[channel]);
        }
        EXPECT_EQ(word(head.exposureRegister), 1000);

        camera.SetBusRegister(head.bus, 0, 0x2E01); // the chip version
        EXPECT_EQ(driver->ProbeSensor(), 1);
        camera.SetBusRegister(head.bus, 0, 0);
        EXPECT_EQ(driver->ProbeSensor(), 0);
    }
    // MT9J001 writes over the bus when the sensor-word request fails.
    CSensorMT9J001 mt9j(&transport, 0x20);
    camera.RefuseNextRequests(1, 31);
    EXPECT_EQ(mt9j.WriteRegister(0x0400, 0x1234), 1);
    EXPECT_EQ(camera.BusRegister(0x20, 0x0400), 0x1234);
    EXPECT_EQ(CSensorMT9F001(nullptr, 0x20).ProbeSensor(), 0);

    // Product 0x3020: register 0 of 0x20 read as two bytes, 0x2E 0x01 for an
    // MT9F002; a head that does not answer gets no driver.
    for (uint16_t version : {0x2E01, 0x2E02, 0x012E, 0xFFFF}) {
        camera.SetBusRegister(0x20, 0, version);
        camera.SetI2cDeviceAbsent(0x20, version == 0xFFFF);
        camera.ClearLog();
        const auto driver = CreateSensorDriver(0x3020, &transport);
        const std::vector<std::vector<uint8_t>> address{{0, 0}};
        EXPECT_EQ(Sent(camera, 0x20), version == 0xFFFF ? decltype(address){} : address);
        ASSERT_EQ(driver != nullptr, version != 0xFFFF);
        if (driver) {
            EXPECT_EQ(dynamic_cast<CSensorMT9F002*>(driver.get()) != nullptr, version == 0x2E01);
        }
    }
    camera.SetI2cDeviceAbsent(0x20, false);
}

TEST_F(CatalogueFamily, Mt9jClockModesAndMt9f002StreamingRestart)
{
    // Pixel clock = 24 MHz reference / pre-divider x multiplier / system divider / pixel divider.
    CSensorMT9J001 mt9j(&transport, 0x20);
    const uint32_t kiloHertz[3] = {32000, 16000, 80000};
    for (uint32_t mode : {0u, 1u, 2u, 1u}) {
        ASSERT_EQ(mt9j.SetClockMode(mode), 1);
        const uint32_t pix = camera.SensorWord(0x0300), sys = camera.SensorWord(0x0302);
        const uint32_t pre = camera.SensorWord(0x0304), mult = camera.SensorWord(0x0306);
        ASSERT_NE(pix * sys * pre, 0u);
        EXPECT_EQ(24000 * mult / pre / sys / pix, kiloHertz[mode]) << mode;
        EXPECT_EQ(camera.SensorWord(0x0308) * camera.SensorWord(0x030A), pix * sys) << "output clock follows";
        EXPECT_EQ(InfoOf(mt9j).sensorClock, kiloHertz[mode]);
        uint32_t got = 9;
        EXPECT_EQ(mt9j.GetClockMode(&got), 1);
        EXPECT_EQ(got, mode);
    }
    EXPECT_EQ(mt9j.SetClockMode(3), 0);
    EXPECT_EQ(InfoOf(mt9j).sensorClock, 16000u);
    EXPECT_EQ(CSensorMT9F001(&transport, 0x20).SetClockMode(0), 0);

    CSensorMT9F002 mt9f(&transport, 0x20);
    camera.SetBusRegister(0x20, 0x301A, 0x10DC);
    camera.ClearLog();
    mt9f.RestartStreaming(); // the stream bit (2) off, then on; the other bits kept
    mt9f.RearmFpga();        // the auxiliary device's register 1 pulsed
    using Bytes = std::vector<std::vector<uint8_t>>;
    EXPECT_EQ(Sent(camera, 0x20), (Bytes{{0x30, 0x1A}, {0x30, 0x1A, 0x10, 0xD8}, {0x30, 0x1A, 0x10, 0xDC}}));
    EXPECT_EQ(Sent(camera, 0x5A), (Bytes{{1, 1}, {1, 0}}));
    camera.SetI2cDeviceAbsent(0x20, true);
    camera.ClearLog();
    mt9f.RestartStreaming(); // unreadable: nothing written
    EXPECT_TRUE(Sent(camera, 0x20).empty());
}

} // namespace
} // namespace tavix::test
