#include "instance/Settings.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/SettingsStore.h"

namespace tavix::settings {

using platform::SettingsKey;

std::string CameraKey(int32_t cameraNumber)
{
    char name[32];
    std::snprintf(name, sizeof name, "\\Camera_%02d", static_cast<int>(cameraNumber));
    return kProductKey + std::string(name);
}

std::string GroupKey(int32_t cameraNumber, const char* group) { return CameraKey(cameraNumber) + "\\" + group; }

bool ReadGroup(const std::string& key, std::span<const Entry> entries)
{
    const auto opened = SettingsKey::Open(key);
    if (opened == nullptr)
        return false;
    for (const Entry& entry : entries) {
        uint32_t word = 0;
        if (opened->ReadDword(entry.name, &word))
            entry.field->store(static_cast<int32_t>(word), std::memory_order_relaxed);
    }
    return true;
}

bool WriteGroup(const std::string& key, std::span<const Entry> entries)
{
    const auto created = SettingsKey::Create(key);
    if (created == nullptr)
        return false;
    std::vector<SettingsKey::Word> words;
    words.reserve(entries.size());
    for (const Entry& entry : entries)
        words.push_back({entry.name, static_cast<uint32_t>(entry.field->load(std::memory_order_relaxed))});
    return created->WriteDwords(words);
}

bool ReadExposureSeconds(int32_t cameraNumber, double* seconds)
{
    const auto opened = SettingsKey::Open(GroupKey(cameraNumber, "Gain"));
    return opened != nullptr && opened->ReadBinary("ExposureEx", seconds, sizeof *seconds);
}

bool WriteExposureSeconds(int32_t cameraNumber, double seconds)
{
    const auto created = SettingsKey::Create(GroupKey(cameraNumber, "Gain"));
    return created != nullptr && created->WriteBinary("ExposureEx", &seconds, sizeof seconds);
}

int32_t DefaultColorMode(const Capabilities& camera)
{
    if (!camera.monochrome)
        return 2;
    return camera.sixteenBit ? 1 : camera.eightBit ? 0 : 2;
}

int32_t CorrectColorMode(int32_t colorMode, const Capabilities& camera)
{
    if (!camera.eightBit && (colorMode == 0 || colorMode == 3))
        colorMode = camera.sixteenBit ? 1 : 2;
    if (camera.monochrome && colorMode == 2)
        colorMode = camera.sixteenBit ? 1 : 0;
    if (!camera.sixteenBit && colorMode == 1)
        colorMode = camera.monochrome ? 0 : 2;
    return colorMode;
}

namespace {

constexpr int32_t kPresetCount = 100;

std::string PresetName(int32_t preset)
{
    char name[16];
    std::snprintf(name, sizeof name, "Size_%02d", static_cast<int>(preset));
    return name;
}

// The seven values of a capture-size preset, bound to a geometry.
std::array<Entry, 7> PresetEntries(Geometry& geometry)
{
    return {{
        {"TH", &geometry.hTotal}, {"TV", &geometry.vTotal},  {"EH", &geometry.width},      {"EV", &geometry.height},
        {"EHS", &geometry.hStart}, {"EVS", &geometry.vStart}, {"Buf", &geometry.bufferCount},
    }};
}

bool ReadPreset(int32_t cameraNumber, int32_t preset, Geometry& geometry)
{
    if (preset < 0 || preset >= kPresetCount)
        return false;
    return ReadGroup(GroupKey(cameraNumber, PresetName(preset).c_str()), PresetEntries(geometry));
}

void WriteDefaults(int32_t cameraNumber, const Capabilities& camera)
{
    Setting size{0}, color{DefaultColorMode(camera)}, subSample{0}, waitTime{1}, clock{0};
    const Entry values[] = {
        {"Size", &size}, {"Color", &color}, {"SubSample", &subSample}, {"WaitTime", &waitTime}, {"Clock", &clock}};
    WriteGroup(CameraKey(cameraNumber), values);
    Geometry whole;
    WriteGroup(GroupKey(cameraNumber, "Size_00"), PresetEntries(whole));
}

} // namespace

void LoadGeometryAndCameraValues(int32_t cameraNumber, const Capabilities& camera, Geometry& geometry,
                                 CameraValues& values)
{
    // A camera number without a key of its own is treated like a first run:
    // its defaults are written, and the geometry stays as it is.
    const std::string key = CameraKey(cameraNumber);
    if (SettingsKey::Open(key) == nullptr) {
        WriteDefaults(cameraNumber, camera);
    } else {
        Setting preset{0};
        const Entry size[] = {{"Size", &preset}};
        ReadGroup(key, size);
        ReadPreset(cameraNumber, preset, geometry);
    }
    const Entry cameraValues[] = {
        {"Color", &values.colorMode}, {"SubSample", &values.subSample}, {"WaitTime", &values.waitTime},
        {"Clock", &values.clock}};
    ReadGroup(key, cameraValues);
    values.colorMode = CorrectColorMode(values.colorMode, camera);
}

bool FindCapturePreset(int32_t width, int32_t height, Geometry& geometry)
{
    for (int32_t preset = 0; preset < kPresetCount; ++preset) {
        std::string key = kProductKey;
        key.append("\\").append(PresetName(preset));
        Setting presetWidth{-1}, presetHeight{-1};
        const Entry size[] = {{"EH", &presetWidth}, {"EV", &presetHeight}};
        if (!ReadGroup(key, size))
            return false; // the presets end at the first one missing
        if (presetWidth == width && presetHeight == height)
            return ReadGroup(key, PresetEntries(geometry));
    }
    return false;
}

} // namespace tavix::settings
