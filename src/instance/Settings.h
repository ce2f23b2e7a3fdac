#pragma once
// The settings an instance keeps per camera number in the current user's
// settings store, below "Software\Kelvor\Tavix264ROR3Q5Sdk\Camera_%02d":
// the camera values and the geometry preset in use, and the groups "Gain",
// "Filter" and "Gray". A group is a table of (value name, field); a value
// that is missing or damaged leaves its field as it was.

#include <atomic>
#include <cstdint>
#include <span>
#include <string>

namespace tavix::settings {

// Settings are read by the frame thread without a lock.
using Setting = std::atomic<int32_t>;

struct Entry {
    const char* name;
    Setting* field;
};

constexpr const char* kProductKey = "Software\\Kelvor\\Tavix264ROR3Q5Sdk";

std::string CameraKey(int32_t cameraNumber);
std::string GroupKey(int32_t cameraNumber, const char* group); // "Gain", "Filter", "Gray", "Size_00"…

// Reads every value of the table into its field (negative numbers are
// stored as their two's complement); false when the key cannot be opened,
// and then no field changes.
bool ReadGroup(const std::string& key, std::span<const Entry> entries);
// Creates the key when it is missing and writes every value; false when
// the store refuses any of it.
bool WriteGroup(const std::string& key, std::span<const Entry> entries);

// The extended exposure time ("ExposureEx" of "Gain"), an IEEE 754 double.
bool ReadExposureSeconds(int32_t cameraNumber, double* seconds);
bool WriteExposureSeconds(int32_t cameraNumber, double seconds);

// What the camera can deliver, for the colour mode a stored index may ask.
struct Capabilities {
    bool eightBit = true;
    bool sixteenBit = true;
    bool monochrome = false;
};
// The colour mode written for a camera seen for the first time.
int32_t DefaultColorMode(const Capabilities& camera);
// A stored colour mode made one the camera can deliver.
int32_t CorrectColorMode(int32_t colorMode, const Capabilities& camera);

struct Geometry {
    Setting hTotal{2448}, vTotal{2048};
    Setting width{2448}, height{2048};
    Setting hStart{0}, vStart{0};
    Setting bufferCount{4};
};
struct CameraValues {
    Setting colorMode{0};
    Setting subSample{0};
    Setting waitTime{10};
    Setting clock{0};
};

// Reads the geometry preset in use and the camera values. A camera number
// seen for the first time gets its key with the defaults ("Size_00" of the
// whole sensor, colour mode by capability, wait time 1) and keeps the
// geometry it has; the camera values are then read back from the defaults.
void LoadGeometryAndCameraValues(int32_t cameraNumber, const Capabilities& camera, Geometry& geometry,
                                 CameraValues& values);

// Looks through the capture sizes stored directly below the product key,
// "Size_00" upward until one is missing, for the first that is width x
// height, and reads it into geometry (a value it lacks leaves its field as
// it was); false when the key or such a size is missing.
bool FindCapturePreset(int32_t width, int32_t height, Geometry& geometry);

} // namespace tavix::settings
