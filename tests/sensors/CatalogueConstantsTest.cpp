// Every product identifier of the factory builds its driver class with the
// constants of the family table in its SensorInfo, on the emulated camera
// (whose MT9 chip version 0 makes 0x3020 an MT9F001). The expectations are
// the table's, typed here, not read from the drivers' own table.

#include <gtest/gtest.h>

#include <typeinfo>

#include "Imx264Fixture.h"
#include "sensors/CSensorElvo.h"
#include "sensors/CSensorFarn.h"
#include "sensors/CSensorIMX264.h"
#include "sensors/CSensorOska.h"
#include "sensors/CooledImxSensors.h"
#include "sensors/ExtendedSensors.h"
#include "sensors/FpgaSensors.h"
#include "sensors/ImxLayoutSensors.h"
#include "sensors/ImxSensors.h"
#include "sensors/KaiSensors.h"
#include "sensors/LiSensors.h"
#include "sensors/Mt9Sensors.h"
#include "sensors/SensorFactory.h"

namespace tavix {
namespace {

constexpr int kUnset = -1; // the table's dash: the model code stays as the base leaves it (0)

struct Row {
    uint16_t productId;
    const std::type_info& type;
    uint8_t bus;
    uint32_t arrayW, arrayH, effW, effH, line, frame, gainMax, exposureMax, clock, format;
    int modelCode;
};

// clang-format off
const Row kRows[] = {
    {0x3030, typeid(CSensorMT9P001), 0x90, 2592, 1944, 2592, 1944, 0, 0, 63, 20000, 96000, 0, kUnset},
    {0x3040, typeid(CSensorMT9J001), 0x20, 3856, 2764, 3840, 2752, 4436, 2988, 127, 20000, 80000, 0, kUnset},
    {0x3042, typeid(CSensorMT9J001), 0x20, 3856, 2764, 3840, 2752, 4436, 2988, 127, 20000, 80000, 0, kUnset},
    {0x3050, typeid(CSensorICX274), 0x00, 1600, 1200, 1600, 1200, 1920, 1252, 1023, 1252, 60000, 0, kUnset},
    {0x3090, typeid(CSensorArvo), 0x00, 2336, 1752, 2336, 1752, 2836, 1952, 1023, 8191, 60000, 4, kUnset},
    {0x30B0, typeid(CSensorBelin), 0x00, 4896, 3264, 4896, 3264, 5396, 3464, 1023, 8191, 40000, 0, kUnset},
    {0x30C0, typeid(CSensorCorra), 0x00, 6576, 4384, 6576, 4384, 7076, 4584, 1023, 2233, 40000, 0, kUnset},
    {0x30F0, typeid(CSensorIMX178), 0x48, 3072, 2048, 3072, 2048, 3400, 2138, 511, 30000, 364000, 0, kUnset},
    {0x3100, typeid(CSensorIMX174), 0x48, 1920, 1200, 1920, 1200, 2160, 1254, 480, 396, 74250, 0, kUnset},
    {0x3110, typeid(CSensorIMX183), 0x48, 5520, 3680, 5520, 3680, 6020, 3880, 8101, 666, 72000, 0, kUnset},
    {0x3120, typeid(CSensorIMX159), 0x48, 4800, 3520, 4672, 3504, 5172, 3704, 4095, 4095, 36000, 0, kUnset},
    {0x3130, typeid(CSensorOska), 0x42, 1920, 1080, 1920, 1080, 2200, 1125, 0, 0, 74250, 0, kUnset},
    {0x3140, typeid(CSensorDask), 0x6C, 1280, 1024, 1280, 1024, 1280, 1024, 11, 30000, 37125, 0, kUnset},
    {0x3150, typeid(CSensorGosk), 0x6C, 640, 512, 640, 512, 640, 512, 255, 10000, 6250, 0, kUnset},
    {0x3170, typeid(CSensorHebb), 0x6C, 320, 256, 320, 256, 320, 256, 255, 10000, 6250, 0, kUnset},
    {0x3180, typeid(CSensorElvo), 0x48, 1280, 1024, 1280, 1024, 0, 0, 255, 10000, 72000, 2, 100},
    {0x3190, typeid(CSensorLumb), 0x20, 512, 32768, 512, 512, 512, 512, 255, 5039, 5000, 0, kUnset},
    {0x31A0, typeid(CSensorKesk), 0x20, 256, 32768, 256, 256, 256, 256, 255, 5039, 5000, 0, kUnset},
    {0x31B0, typeid(CSensorIMX250), 0x48, 2448, 2048, 2448, 2048, 582, 2094, 480, 20000, 54000, 4, 59},
    {0x31B4, typeid(CSensorIMX264), 0x48, 2448, 2048, 2448, 2048, 2656, 2094, 480, 20000, 74250, 4, 57},
    {0x31C0, typeid(CSensorIMX252), 0x48, 2048, 1536, 2048, 1536, 2256, 1576, 480, 20000, 54545, 4, 56},
    {0x31C4, typeid(CSensorIMX265), 0x48, 2048, 1536, 2048, 1536, 2256, 1576, 480, 20000, 54545, 4, 58},
    {0x31D0, typeid(CSensorMorv), 0x20, 1024, 32768, 1024, 1024, 1024, 1024, 255, 5039, 5000, 0, kUnset},
    {0x31E0, typeid(CSensorIlva), 0x6C, 2048, 2048, 2048, 2048, 2048, 2048, 255, 10000, 50000, 0, 103},
    {0x31F0, typeid(CSensorIMX226), 0x48, 4168, 3062, 4160, 3056, 2368, 1582, 1957, 20000, 72000, 4, 60},
    {0x3200, typeid(CSensorFarn), 0x48, 640, 512, 640, 512, 640, 512, 0, 1230273, 9000, 4, 99},
    {0x3210, typeid(CSensorNald), 0x20, 2048, 32768, 2048, 2048, 2048, 2048, 255, 5039, 5000, 0, kUnset},
    {0x3220, typeid(CSensorG1467x), 0x6C, 320, 256, 320, 256, 320, 256, 255, 1000000, 6250, 2, 105},
    {0x3260, typeid(CSensorIMX990), 0x48, 1280, 1024, 1280, 1024, 1376, 1048, 420, 20000, 54545, 4, 109},
    {0x3270, typeid(CSensorIMX990), 0x48, 1280, 1024, 1280, 1024, 1376, 1048, 420, 20000, 54545, 1, 110},
    {0x3280, typeid(CSensorIMX991), 0x48, 640, 512, 640, 512, 736, 536, 420, 20000, 54545, 4, 111},
    {0x3290, typeid(CSensorIMX991), 0x48, 640, 512, 640, 512, 736, 536, 420, 20000, 54545, 1, 112},
    {0x32A0, typeid(CSensorIMX250), 0x48, 2448, 2048, 2448, 2048, 582, 2094, 480, 20000, 54000, 4, 113},
    {0x32B0, typeid(CSensorLI7050), 0x48, 1936, 1096, 1936, 1096, 2016, 1134, 223, 10000, 48000, 4, 61},
    {0x32C0, typeid(CSensorGLUX9701), 0x48, 1280, 1024, 1280, 1024, 1344, 1054, 62, 20000, 37037, 3, 114},
    {0x33B0, typeid(CSensorGLUX9701), 0x48, 1280, 1024, 1280, 1024, 1344, 1054, 62, 20000, 37037, 3, 114},
    {0x32D0, typeid(CSensorJorn), 0x6C, 4096, 4096, 2048, 2048, 2048, 2048, 0, 10000000, 25000, 0, 115},
    {0x32E0, typeid(CSensorIMX536), 0x48, 2848, 2848, 2848, 2848, 2856, 2912, 480, 20000, 54545, 4, 62},
    {0x32F0, typeid(CSensorIMX487), 0x48, 2848, 2848, 2848, 2848, 2856, 2912, 480, 20000, 54545, 4, 63},
    {0x3300, typeid(CSensorIMX273), 0x48, 1440, 1080, 1440, 1080, 2112, 1130, 480, 20000, 54545, 4, 128},
    {0x3310, typeid(CSensorLI8020), 0x40, 19568, 12588, 19568, 12588, 19680, 12720, 3, 26000, 50000, 0, 116},
    {0x3320, typeid(CSensorLI5040), 0x40, 2592, 2056, 2592, 2056, 3312, 2172, 63, 2000, 24000, 0, 117},
    {0x3330, typeid(CSensorLI3030), 0x40, 2160, 1280, 2160, 1280, 2160, 1280, 4, 19598, 21000, 4, 118},
    {0x3340, typeid(CSensorLI5030), 0x40, 5688, 3336, 5688, 3336, 7236, 3432, 3, 10000, 60000, 0, 119},
    {0x3360, typeid(CSensorIMX675), 0x48, 2592, 4060, 2592, 4060, 2672, 4098, 2047, 329, 75000, 4, 121},
    {0x3370, typeid(CSensorIMX992), 0x48, 2560, 2048, 2560, 2048, 2592, 2140, 420, 20000, 54545, 4, 129},
    {0x3380, typeid(CSensorIMX992), 0x48, 2560, 2048, 2560, 2048, 2592, 2140, 420, 20000, 54545, 1, 130},
    {0x33A0, typeid(CSensorICE640), 0x48, 640, 513, 640, 513, 736, 537, 0, 200, 0, 4, 122},
    {0x33C0, typeid(CSensorIMX993), 0x48, 2048, 1536, 2048, 1536, 2080, 1628, 420, 20000, 54545, 4, 131},
    {0x33D0, typeid(CSensorIMX993), 0x48, 2048, 1536, 2048, 1536, 2080, 1628, 420, 20000, 54545, 1, 132},
    // 0x3020: the chip version picks the class (CatalogueFamily); both share these.
    {0x3020, typeid(CSensorMT9F001), 0x20, 4608, 3288, 4608, 3288, 4920, 3431, 127, 20000, 96000, 0, kUnset},
};
// clang-format on

using SensorCatalogue = test::Imx264Fixture;

TEST_F(SensorCatalogue, EveryProductBuildsItsClassWithTheTableConstants)
{
    ASSERT_EQ(std::size(kRows), SensorFactoryTable().size());
    for (const Row& row : kRows) {
        const std::unique_ptr<CSensorBase> driver = CreateSensorDriver(row.productId, &transport);
        ASSERT_NE(driver, nullptr) << std::hex << row.productId;
        SCOPED_TRACE(testing::Message() << std::hex << "0x" << row.productId << " " << typeid(*driver).name());
        EXPECT_TRUE(typeid(*driver) == row.type);
        EXPECT_EQ(driver->BusAddress(), row.bus);
        SensorInfo info{};
        ASSERT_EQ(driver->CopySensorInfo(&info), 1);
        const uint32_t got[] = {info.sensorWidth, info.sensorHeight, info.effectiveWidth, info.effectiveHeight,
                                info.lineLength, info.frameLength, static_cast<uint32_t>(info.gain.maximum),
                                static_cast<uint32_t>(info.exposureTime.maximum), info.sensorClock,
                                info.outputFormat};
        const uint32_t want[] = {row.arrayW, row.arrayH, row.effW, row.effH, row.line, row.frame,
                                 row.gainMax, row.exposureMax, row.clock, row.format};
        EXPECT_TRUE(std::equal(std::begin(got), std::end(got), std::begin(want)))
            << "sizes, timing, maxima, clock, format differ";
        EXPECT_EQ(driver->ModelCode(), static_cast<uint32_t>(row.modelCode == kUnset ? 0 : row.modelCode));
        // The capture window starts over the whole effective area.
        EXPECT_EQ(info.windowWidth, row.effW);
        EXPECT_EQ(info.windowHeight, row.effH);
        uint32_t gainMax = 0;
        if (driver->GetGainMax(&gainMax) == 1) {
            EXPECT_EQ(gainMax, row.gainMax);
        }
    }
}

} // namespace
} // namespace tavix
