// What the family drivers add to the IMX264 pattern, against the emulated
// camera's bus (its FPGA registers and the serial-bus register file at
// 0x48), and for the MT9 heads, which the emulator does not carry, against
// a recording bus. Every expected number comes from the formulas and
// register values written here.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "Imx264Fixture.h"
#include "sensors/CSensorElvo.h"
#include "sensors/CSensorFarn.h"
#include "sensors/CooledImxSensors.h"
#include "sensors/ExtendedSensors.h"
#include "sensors/FpgaSensors.h"
#include "sensors/ImxLayoutSensors.h"
#include "sensors/ImxSensors.h"
#include "sensors/KaiSensors.h"
#include "sensors/LiSensors.h"
#include "sensors/Mt9Sensors.h"

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
    for (const auto& t : temperatures) {
        camera.SetFpgaRegister(152, static_cast<uint8_t>(t.status));
        camera.SetFpgaRegister(153, static_cast<uint8_t>(t.status >> 8));
        double celsius = 0;
        EXPECT_EQ(imx990.ReadTemperature(&celsius), 1);
        EXPECT_EQ(celsius, t.celsius) << std::hex << t.status;
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
    // The line-scan heads: lines and time share one range.
    const SensorInfo kesk = InfoOf(*Make<CSensorKesk>(&transport));
    EXPECT_EQ(std::memcmp(&kesk.exposureLines, &kesk.exposureTime, sizeof(SensorRange)), 0);
    EXPECT_EQ(kesk.exposureLines.maximum, 5039);
}

// The MT9 heads' bus: four-byte word writes and the sensor-word request are
// recorded; reads answer one word.
class Mt9Bus final : public CControllerBase {
public:
    int I2cWrite(uint8_t address, const uint8_t* data, uint8_t count) override
    {
        if (address != 0x20 && address != 0x90) {
            return 0;
        }
        if (count == 4) {
            words.push_back({static_cast<uint16_t>(data[0] << 8 | data[1]), static_cast<uint16_t>(data[2] << 8 | data[3])});
        }
        return 1;
    }
    int I2cRead(uint8_t /*address*/, uint8_t* data, uint8_t count) override
    {
        if (count != 2) {
            return 0;
        }
        data[0] = static_cast<uint8_t>(reply >> 8);
        data[1] = static_cast<uint8_t>(reply);
        return 1;
    }
    int WriteSensorWord(uint16_t address, uint16_t value) override
    {
        if (sensorWordFails) {
            return 0;
        }
        sensorWords.push_back({address, value});
        return 1;
    }
    using Word = std::pair<uint16_t, uint16_t>;
    std::vector<Word> words;
    std::vector<Word> sensorWords;
    uint16_t reply = 0;
    bool sensorWordFails = false;
};

TEST(CatalogueMt9, ChannelGainsExposureAndProbeAsSixteenBitWords)
{
    using Words = std::vector<Mt9Bus::Word>;
    const struct {
        Maker make;
        uint8_t bus;
        bool sensorWord; // written through the sensor-word request
        Words channelWords; // channels 1-4 set to 0x25, 0x26, 0x27, 0x28
        Mt9Bus::Word exposure; // 1000 lines
    } heads[] = {
        {[](CControllerBase* t) -> std::unique_ptr<CSensorBase> { return std::make_unique<CSensorMT9F001>(t, 0x20); },
         0x20, false, {{0x305A, 0x1125}, {0x3056, 0x1126}, {0x305C, 0x1127}, {0x3058, 0x1128}}, {0x3012, 1000}},
        {[](CControllerBase* t) -> std::unique_ptr<CSensorBase> { return std::make_unique<CSensorMT9F002>(t, 0x20); },
         0x20, false, {{0x305A, 0x1125}, {0x3056, 0x1126}, {0x305C, 0x1127}, {0x3058, 0x1128}}, {0x3012, 1000}},
        {[](CControllerBase* t) -> std::unique_ptr<CSensorBase> { return std::make_unique<CSensorMT9J001>(t, 0x20); },
         0x20, true, {{0x305A, 0x10A5}, {0x3056, 0x10A6}, {0x305C, 0x10A7}, {0x3058, 0x10A8}}, {0x3012, 1000}},
        {[](CControllerBase* t) -> std::unique_ptr<CSensorBase> { return std::make_unique<CSensorMT9P001>(t, 0x90); },
         0x90, false, {{45, 0x25}, {43, 0x26}, {46, 0x27}, {44, 0x28}}, {9, 1000}},
    };
    for (const auto& head : heads) {
        Mt9Bus bus;
        auto driver = head.make(&bus);
        SCOPED_TRACE(head.bus);
        EXPECT_EQ(InfoOf(*driver).transferBits, 12u);
        EXPECT_EQ(driver->SetChannelValue1(0x25) + driver->SetChannelValue2(0x26) + driver->SetChannelValue3(0x27) +
                      driver->SetChannelValue4(0x28),
                  4);
        EXPECT_EQ(driver->SetExposureLines(1000), 1);
        Words expected = head.channelWords;
        expected.push_back(head.exposure);
        EXPECT_EQ(head.sensorWord ? bus.sensorWords : bus.words, expected);
        uint32_t values[4] = {};
        driver->GetChannelValue1(&values[0]);
        driver->GetChannelValue2(&values[1]);
        driver->GetChannelValue3(&values[2]);
        driver->GetChannelValue4(&values[3]);
        EXPECT_EQ(std::vector<uint32_t>(values, values + 4), (std::vector<uint32_t>{0x25, 0x26, 0x27, 0x28}));
        // A channel value beyond the gain maximum is clamped to it.
        uint32_t gainMax = 0;
        driver->GetGainMax(&gainMax);
        EXPECT_EQ(driver->SetChannelValue1(1000), 1);
        driver->GetChannelValue1(&values[0]);
        EXPECT_EQ(values[0], gainMax);

        bus.reply = 0x2E01;
        EXPECT_EQ(driver->ProbeSensor(), 1);
        bus.reply = 0;
        EXPECT_EQ(driver->ProbeSensor(), 0);
    }
    // MT9J001 falls back to the bus when the sensor-word request fails.
    Mt9Bus bus;
    bus.sensorWordFails = true;
    CSensorMT9J001 mt9j(&bus, 0x20);
    EXPECT_EQ(mt9j.WriteRegister(0x0300, 0x1234), 1);
    EXPECT_EQ(bus.words, (std::vector<Mt9Bus::Word>{{0x0300, 0x1234}}));
    EXPECT_EQ(CSensorMT9F001(nullptr, 0x20).ProbeSensor(), 0);
}

} // namespace
} // namespace tavix::test
