#include "instance/CameraFormatStore.h"

#include <cstdio>
#include <string>

#include "instance/Settings.h"

namespace tavix::settings {

namespace {

constexpr int32_t kPresetCount = 100;

std::string PresetKey(int32_t cameraNumber, size_t preset)
{
    char name[16];
    std::snprintf(name, sizeof name, "Size_%02d", static_cast<int>(preset));
    return GroupKey(cameraNumber, name);
}

// The stored words of a preset, through the settings' own fields.
struct PresetFields {
    Setting hTotal, vTotal, width, height, hStart, vStart, buffers;
    explicit PresetFields(const dialogs::Preset& p)
        : hTotal(p.hTotal), vTotal(p.vTotal), width(p.width), height(p.height), hStart(p.hStart),
          vStart(p.vStart), buffers(p.buffers)
    {
    }
    dialogs::Preset Value() const { return {hTotal, vTotal, width, height, hStart, vStart, buffers}; }
};

struct CameraFields {
    Setting size, color, subSample, waitTime, clock;
};

} // namespace

void ReadCameraFormat(int32_t cameraNumber, dialogs::CameraFormat& format)
{
    format.presets.clear();
    for (int32_t k = 0; k < kPresetCount; ++k) {
        PresetFields f{dialogs::Preset{}};
        const Entry entries[] = {
            {"TH", &f.hTotal}, {"TV", &f.vTotal}, {"EH", &f.width}, {"EV", &f.height},
            {"EHS", &f.hStart}, {"EVS", &f.vStart}, {"Buf", &f.buffers},
        };
        if (!ReadGroup(PresetKey(cameraNumber, static_cast<size_t>(k)), entries))
            break;
        format.presets.push_back(f.Value());
    }
    CameraFields c{format.size, format.colorMode, format.subSample, format.waitTime, format.clock};
    const Entry values[] = {{"Size", &c.size}, {"Color", &c.color}, {"SubSample", &c.subSample},
                            {"WaitTime", &c.waitTime}, {"Clock", &c.clock}};
    ReadGroup(CameraKey(cameraNumber), values);
    format.size = c.size;
    format.colorMode = c.color;
    format.subSample = c.subSample;
    format.waitTime = c.waitTime;
    format.clock = c.clock;
}

bool WriteCameraFormat(int32_t cameraNumber, const dialogs::CameraFormat& format)
{
    bool written = true;
    for (size_t k = 0; k < format.presets.size() && k < static_cast<size_t>(kPresetCount); ++k) {
        PresetFields f(format.presets[k]);
        const Entry entries[] = {
            {"TH", &f.hTotal}, {"TV", &f.vTotal}, {"EH", &f.width}, {"EV", &f.height},
            {"EHS", &f.hStart}, {"EVS", &f.vStart}, {"Buf", &f.buffers},
        };
        written = WriteGroup(PresetKey(cameraNumber, k), entries) && written;
    }
    CameraFields c{format.size, format.colorMode, format.subSample, format.waitTime, format.clock};
    const Entry values[] = {{"Size", &c.size}, {"Color", &c.color}, {"SubSample", &c.subSample},
                            {"WaitTime", &c.waitTime}, {"Clock", &c.clock}};
    return WriteGroup(CameraKey(cameraNumber), values) && written;
}

} // namespace tavix::settings
