#pragma once
// The parameter and state block of a sensor driver. The camera copies it
// whole to callers (CopySensorInfo), so the order and width of every field
// is part of the interface: the offsets are pinned below.

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace tavix {

// One adjustable parameter of the sensor; supported is non-zero when the
// parameter exists on this sensor.
struct SensorRange {
    int32_t minimum;
    int32_t maximum;
    int32_t current;
    int32_t defaultValue;
    int32_t supported;
};

struct SensorInfo {
    uint32_t sensorWidth;
    uint32_t sensorHeight;
    uint32_t originX;
    uint32_t originY;
    uint32_t effectiveWidth;
    uint32_t effectiveHeight;
    uint32_t windowFlagH;
    uint32_t windowFlagV;
    uint32_t windowX;
    uint32_t windowY;
    uint32_t windowWidth;
    uint32_t windowHeight;
    uint32_t lineLength;  // clocks per line (H total)
    uint32_t frameLength; // lines per frame (V total)
    uint32_t windowMode;  // sub-sampling mode of the capture window
    uint32_t reserved0;
    uint32_t sensorFlags;
    SensorRange gain;
    SensorRange exposureLines;
    SensorRange range2;
    SensorRange range3;
    SensorRange range4;
    SensorRange range5;
    SensorRange exposureTime; // units of 100 us
    SensorRange gainStage;
    SensorRange blackLevel;
    uint32_t featureFlag;
    uint32_t featureValue;
    double exposureSecondsMin;
    double exposureSecondsMax;
    double exposureSecondsCurrent;
    double exposureSecondsDefault;
    uint32_t exposureSecondsSupported;
    uint32_t reserved1[5];
    uint32_t flipV;
    uint32_t flipVAux; // vertical flip applied at initialisation
    uint32_t flipVEnabled;
    uint32_t flipH;
    uint32_t flipHAux; // horizontal mirror applied at initialisation
    uint32_t flipHEnabled;
    uint32_t transferBits; // 8, 12 or 16 bits per pixel on the wire
    uint32_t sensorClock;  // kHz
    uint32_t outputFormat;
    uint32_t reserved2;
};

static_assert(sizeof(SensorRange) == 20);
static_assert(std::is_standard_layout_v<SensorInfo> && std::is_trivially_copyable_v<SensorInfo>);
static_assert(offsetof(SensorInfo, sensorWidth) == 0);
static_assert(offsetof(SensorInfo, originX) == 8);
static_assert(offsetof(SensorInfo, effectiveWidth) == 16);
static_assert(offsetof(SensorInfo, windowFlagH) == 24);
static_assert(offsetof(SensorInfo, windowX) == 32);
static_assert(offsetof(SensorInfo, windowHeight) == 44);
static_assert(offsetof(SensorInfo, lineLength) == 48);
static_assert(offsetof(SensorInfo, frameLength) == 52);
static_assert(offsetof(SensorInfo, windowMode) == 56);
static_assert(offsetof(SensorInfo, sensorFlags) == 64);
static_assert(offsetof(SensorInfo, gain) == 68);
static_assert(offsetof(SensorInfo, exposureLines) == 88);
static_assert(offsetof(SensorInfo, range2) == 108);
static_assert(offsetof(SensorInfo, range5) == 168);
static_assert(offsetof(SensorInfo, exposureTime) == 188);
static_assert(offsetof(SensorInfo, gainStage) == 208);
static_assert(offsetof(SensorInfo, blackLevel) == 228);
static_assert(offsetof(SensorInfo, featureFlag) == 248);
static_assert(offsetof(SensorInfo, featureValue) == 252);
static_assert(offsetof(SensorInfo, exposureSecondsMin) == 256);
static_assert(offsetof(SensorInfo, exposureSecondsDefault) == 280);
static_assert(offsetof(SensorInfo, exposureSecondsSupported) == 288);
static_assert(offsetof(SensorInfo, reserved1) == 292);
static_assert(offsetof(SensorInfo, flipV) == 312);
static_assert(offsetof(SensorInfo, flipHEnabled) == 332);
static_assert(offsetof(SensorInfo, transferBits) == 336);
static_assert(offsetof(SensorInfo, sensorClock) == 340);
static_assert(offsetof(SensorInfo, outputFormat) == 344);
static_assert(sizeof(SensorInfo) == 352);

} // namespace tavix
