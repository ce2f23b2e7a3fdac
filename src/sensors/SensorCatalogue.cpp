#include "sensors/SensorCatalogue.h"

namespace tavix {

namespace {
using M = SensorModel;
constexpr int32_t kNone = kNoModelCode;

// In the order of the SensorModel enumeration, which CatalogueRow indexes.
constexpr SensorConstants kRows[] = {
    // model, class, array, effective, line x frame, gain max, exposure max, clock, format, codes
    {M::kMT9F001, "CSensorMT9F001", 4608, 3288, 4608, 3288, 4920, 3431, 127, 20000, 96000, 0, kNone, kNone},
    {M::kMT9F002, "CSensorMT9F002", 4608, 3288, 4608, 3288, 4920, 3431, 127, 20000, 96000, 0, kNone, kNone},
    {M::kMT9P001, "CSensorMT9P001", 2592, 1944, 2592, 1944, 0, 0, 63, 20000, 96000, 0, kNone, kNone},
    {M::kMT9J001, "CSensorMT9J001", 3856, 2764, 3840, 2752, 4436, 2988, 127, 20000, 80000, 0, kNone, kNone},
    {M::kIMX178, "CSensorIMX178", 3072, 2048, 3072, 2048, 3400, 2138, 511, 30000, 364000, 0, kNone, kNone},
    {M::kIMX174, "CSensorIMX174", 1920, 1200, 1920, 1200, 2160, 1254, 480, 396, 74250, 0, kNone, kNone},
    {M::kICX274, "CSensorICX274", 1600, 1200, 1600, 1200, 1920, 1252, 1023, 1252, 60000, 0, kNone, kNone},
    {M::kArvo, "CSensorArvo", 2336, 1752, 2336, 1752, 2836, 1952, 1023, 8191, 60000, 4, kNone, kNone},
    {M::kBelin, "CSensorBelin", 4896, 3264, 4896, 3264, 5396, 3464, 1023, 8191, 40000, 0, kNone, kNone},
    {M::kCorra, "CSensorCorra", 6576, 4384, 6576, 4384, 7076, 4584, 1023, 2233, 40000, 0, kNone, kNone},
    {M::kIMX183, "CSensorIMX183", 5520, 3680, 5520, 3680, 6020, 3880, 8101, 666, 72000, 0, kNone, kNone},
    {M::kIMX159, "CSensorIMX159", 4800, 3520, 4672, 3504, 5172, 3704, 4095, 4095, 36000, 0, kNone, kNone},
    {M::kDask, "CSensorDask", 1280, 1024, 1280, 1024, 1280, 1024, 11, 30000, 37125, 0, kNone, kNone},
    {M::kGosk, "CSensorGosk", 640, 512, 640, 512, 640, 512, 255, 10000, 6250, 0, kNone, kNone},
    {M::kOska, "CSensorOska", 1920, 1080, 1920, 1080, 2200, 1125, 0, 0, 74250, 0, kNone, kNone},
    {M::kHebb, "CSensorHebb", 320, 256, 320, 256, 320, 256, 255, 10000, 6250, 0, kNone, kNone},
    // The line-scan heads report an array of 32768 lines.
    {M::kKesk, "CSensorKesk", 256, 32768, 256, 256, 256, 256, 255, 5039, 5000, 0, kNone, kNone},
    {M::kLumb, "CSensorLumb", 512, 32768, 512, 512, 512, 512, 255, 5039, 5000, 0, kNone, kNone},
    {M::kMorv, "CSensorMorv", 1024, 32768, 1024, 1024, 1024, 1024, 255, 5039, 5000, 0, kNone, kNone},
    {M::kIMX252, "CSensorIMX252", 2048, 1536, 2048, 1536, 2256, 1576, 480, 20000, 54545, 4, 56, kNone},
    {M::kIMX265, "CSensorIMX265", 2048, 1536, 2048, 1536, 2256, 1576, 480, 20000, 54545, 4, 58, kNone},
    {M::kIMX250, "CSensorIMX250", 2448, 2048, 2448, 2048, 582, 2094, 480, 20000, 54000, 4, 59, kNone},
    {M::kIlva, "CSensorIlva", 2048, 2048, 2048, 2048, 2048, 2048, 255, 10000, 50000, 0, 103, kNone},
    {M::kIMX226, "CSensorIMX226", 4168, 3062, 4160, 3056, 2368, 1582, 1957, 20000, 72000, 4, 60, kNone},
    {M::kFarn, "CSensorFarn", 640, 512, 640, 512, 640, 512, 0, 1230273, 9000, 4, 99, kNone},
    {M::kElvo, "CSensorElvo", 1280, 1024, 1280, 1024, 0, 0, 255, 10000, 72000, 2, 100, kNone},
    {M::kNald, "CSensorNald", 2048, 32768, 2048, 2048, 2048, 2048, 255, 5039, 5000, 0, kNone, kNone},
    {M::kG1467x, "CSensorG1467x", 320, 256, 320, 256, 320, 256, 255, 1000000, 6250, 2, 105, kNone},
    {M::kIMX990, "CSensorIMX990", 1280, 1024, 1280, 1024, 1376, 1048, 420, 20000, 54545, 4, 109, 110},
    {M::kIMX991, "CSensorIMX991", 640, 512, 640, 512, 736, 536, 420, 20000, 54545, 4, 111, 112},
    {M::kLI7050, "CSensorLI7050", 1936, 1096, 1936, 1096, 2016, 1134, 223, 10000, 48000, 4, 61, kNone},
    {M::kGLUX9701, "CSensorGLUX9701", 1280, 1024, 1280, 1024, 1344, 1054, 62, 20000, 37037, 3, 114, kNone},
    {M::kJorn, "CSensorJorn", 4096, 4096, 2048, 2048, 2048, 2048, 0, 10000000, 25000, 0, 115, kNone},
    {M::kIMX536, "CSensorIMX536", 2848, 2848, 2848, 2848, 2856, 2912, 480, 20000, 54545, 4, 62, kNone},
    {M::kIMX487, "CSensorIMX487", 2848, 2848, 2848, 2848, 2856, 2912, 480, 20000, 54545, 4, 63, kNone},
    {M::kIMX273, "CSensorIMX273", 1440, 1080, 1440, 1080, 2112, 1130, 480, 20000, 54545, 4, 128, kNone},
    {M::kLI8020, "CSensorLI8020", 19568, 12588, 19568, 12588, 19680, 12720, 3, 26000, 50000, 0, 116, kNone},
    {M::kLI5040, "CSensorLI5040", 2592, 2056, 2592, 2056, 3312, 2172, 63, 2000, 24000, 0, 117, kNone},
    {M::kLI3030, "CSensorLI3030", 2160, 1280, 2160, 1280, 2160, 1280, 4, 19598, 21000, 4, 118, kNone},
    {M::kLI5030, "CSensorLI5030", 5688, 3336, 5688, 3336, 7236, 3432, 3, 10000, 60000, 0, 119, kNone},
    {M::kIMX675, "CSensorIMX675", 2592, 4060, 2592, 4060, 2672, 4098, 2047, 329, 75000, 4, 121, kNone},
    {M::kIMX992, "CSensorIMX992", 2560, 2048, 2560, 2048, 2592, 2140, 420, 20000, 54545, 4, 129, 130},
    {M::kICE640, "CSensorICE640", 640, 513, 640, 513, 736, 537, 0, 200, 0, 4, 122, kNone},
    {M::kIMX993, "CSensorIMX993", 2048, 1536, 2048, 1536, 2080, 1628, 420, 20000, 54545, 4, 131, 132},
};

constexpr bool InEnumOrder()
{
    for (size_t i = 0; i < std::size(kRows); ++i) {
        if (static_cast<size_t>(kRows[i].model) != i) {
            return false;
        }
    }
    return true;
}
static_assert(InEnumOrder() && std::size(kRows) == static_cast<size_t>(SensorModel::kIMX993) + 1);
} // namespace

std::span<const SensorConstants> SensorCatalogue() { return kRows; }

const SensorConstants& CatalogueRow(SensorModel model) { return kRows[static_cast<size_t>(model)]; }

SensorInfo CatalogueSensorInfo(const SensorConstants& row)
{
    SensorInfo info{};
    info.sensorWidth = row.arrayWidth;
    info.sensorHeight = row.arrayHeight;
    info.effectiveWidth = row.effectiveWidth;
    info.effectiveHeight = row.effectiveHeight;
    info.windowFlagH = 1;
    info.windowFlagV = 1;
    info.windowWidth = row.effectiveWidth;
    info.windowHeight = row.effectiveHeight;
    info.lineLength = row.lineLength;
    info.frameLength = row.frameLength;
    const auto gainMax = static_cast<int32_t>(row.gainMax);
    info.gain = SensorRange{0, gainMax, 0, 0, gainMax > 0 ? 1 : 0};
    const auto timeMax = static_cast<int32_t>(row.exposureTimeMax);
    const int32_t timeMin = timeMax > 0 ? 1 : 0;
    info.exposureTime = SensorRange{timeMin, timeMax, timeMin, timeMin, timeMax > 0 ? 1 : 0};
    info.flipVEnabled = 1;
    info.flipHEnabled = 1;
    info.sensorClock = row.sensorClock;
    info.outputFormat = row.outputFormat;
    return info;
}

} // namespace tavix
