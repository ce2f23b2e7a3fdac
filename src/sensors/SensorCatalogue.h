#pragma once
// What each driver of the camera family knows about its sensor before it
// has talked to it: sizes, default timing, the gain and exposure maxima, the
// clock, the output format and the model code. One row per driver class;
// the classes' constructors fill their SensorInfo from their row.

#include <cstdint>
#include <span>

#include "sensors/SensorInfo.h"

namespace tavix {

enum class SensorModel : uint8_t {
    kMT9F001, kMT9F002, kMT9P001, kMT9J001, kIMX178, kIMX174, kICX274, kArvo, kBelin, kCorra,
    kIMX183, kIMX159, kDask, kGosk, kOska, kHebb, kKesk, kLumb, kMorv, kIMX252,
    kIMX265, kIMX250, kIlva, kIMX226, kFarn, kElvo, kNald, kG1467x, kIMX990, kIMX991,
    kLI7050, kGLUX9701, kJorn, kIMX536, kIMX487, kIMX273, kLI8020, kLI5040, kLI3030, kLI5030,
    kIMX675, kIMX992, kICE640, kIMX993,
};

// The model code column's "the constructor leaves it unset".
inline constexpr int32_t kNoModelCode = -1;

struct SensorConstants {
    SensorModel model;
    const char* className;
    uint32_t arrayWidth, arrayHeight;
    uint32_t effectiveWidth, effectiveHeight;
    uint32_t lineLength, frameLength; // 0 where the driver has no default timing
    uint32_t gainMax;                 // register units; 0: no gain control
    uint32_t exposureTimeMax;         // units of 100 us
    uint32_t sensorClock;             // kHz; 0 where the driver leaves it unset
    uint32_t outputFormat;            // for the first model code of the pair
    int32_t modelCode;                // kNoModelCode where unset
    int32_t secondModelCode;          // the pair's second code (cooled sensors), else kNoModelCode
};

std::span<const SensorConstants> SensorCatalogue();
const SensorConstants& CatalogueRow(SensorModel model);

// The description a driver starts from: sizes, the window over the whole
// effective area, default timing, gain and exposure-time ranges (supported
// where the row gives a maximum), clock, output format, both flips enabled.
SensorInfo CatalogueSensorInfo(const SensorConstants& row);

} // namespace tavix
