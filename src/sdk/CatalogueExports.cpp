// Exports of the filter values and their named forwarders, exposure and
// camera switches, registers, the I/O port, the serial memory and the
// camera information, and the calls this camera does not support.


#include "TavixSdk.h"
#include "platform/Text.h"
#include "sdk/CallFrame.h"

using tavix::CallInstance;
using tavix::CTavix;

namespace {

constexpr int32_t kFirstChannelGain = 29;
constexpr int32_t kFirstChannelOffset = 33;
constexpr int32_t kChannels = 4;

char16_t* Utf16(TavixWideChar* text) { return reinterpret_cast<char16_t*>(text); }

int32_t NotSupported(uint32_t handle)
{
    return CallInstance(handle, 0, [](CTavix& t) {
        t.PostError(TAVIX_ERR_NOT_SUPPORTED);
        return 0;
    });
}

} // namespace

extern "C" {

int32_t TAVIX_API Tavix_GetFilterValue(uint32_t handle, int32_t number, int32_t* ok)
{
    return CallInstance(handle, 0, [&](CTavix& t) { return t.GetFilterValue(number, ok); });
}

int32_t TAVIX_API Tavix_SetFilterValue(uint32_t handle, int32_t number, int32_t value)
{
    return CallInstance(handle, 0, [&](CTavix& t) { return t.SetFilterValue(number, value); });
}

// The named forms of the filter values: each passes its number on and does
// nothing of its own.
#define TAVIX_GETTER(Name, number)                                                                                 \
    int32_t TAVIX_API Tavix_Get##Name(uint32_t handle, int32_t* ok) { return Tavix_GetFilterValue(handle, number, ok); }
#define TAVIX_SETTER(Name, number)                                                                                 \
    int32_t TAVIX_API Tavix_Set##Name(uint32_t handle, int32_t value)                                               \
    {                                                                                                              \
        return Tavix_SetFilterValue(handle, number, value);                                                        \
    }
#define TAVIX_FILTER_VALUE(Name, number) TAVIX_GETTER(Name, number) TAVIX_SETTER(Name, number)

TAVIX_FILTER_VALUE(Brightness, 1)
TAVIX_FILTER_VALUE(Contrast, 2)
TAVIX_FILTER_VALUE(Hue, 3)
TAVIX_FILTER_VALUE(Saturation, 4)
TAVIX_FILTER_VALUE(Sharpness, 5)
TAVIX_FILTER_VALUE(BayerGainRGB, 6)
TAVIX_FILTER_VALUE(BayerGainRed, 7)
TAVIX_FILTER_VALUE(BayerGainGreen, 8)
TAVIX_FILTER_VALUE(BayerGainBlue, 9)
TAVIX_FILTER_VALUE(BayerGainAuto, 10)
TAVIX_FILTER_VALUE(Gamma, 11)
TAVIX_FILTER_VALUE(BayerMode, 12)
TAVIX_FILTER_VALUE(GlobalGain, 13)
TAVIX_FILTER_VALUE(ColorGainRed, 14)
TAVIX_FILTER_VALUE(ColorGainGreen1, 15)
TAVIX_FILTER_VALUE(ColorGainGreen2, 16)
TAVIX_FILTER_VALUE(ColorGainBlue, 17)
TAVIX_FILTER_VALUE(ExposureTime, 18)
TAVIX_FILTER_VALUE(GrayMode, 19)
TAVIX_FILTER_VALUE(GrayGainR, 20)
TAVIX_FILTER_VALUE(GrayGainG1, 21)
TAVIX_FILTER_VALUE(GrayGainG2, 22)
TAVIX_FILTER_VALUE(GrayGainB, 23)
TAVIX_FILTER_VALUE(GrayOffsetR, 24)
TAVIX_FILTER_VALUE(GrayOffsetG1, 25)
TAVIX_FILTER_VALUE(GrayOffsetG2, 26)
TAVIX_FILTER_VALUE(GrayOffsetB, 27)
TAVIX_FILTER_VALUE(Peltier, 100)
TAVIX_GETTER(Temperature, 101)
TAVIX_FILTER_VALUE(DotFilter, 102)
TAVIX_FILTER_VALUE(MaskFilter, 103)

#undef TAVIX_FILTER_VALUE
#undef TAVIX_SETTER
#undef TAVIX_GETTER

// Channels 1 to 4; any other channel answers 0 and records nothing.
int32_t TAVIX_API Tavix_GetChannelGain(uint32_t handle, int32_t channel, int32_t* ok)
{
    return channel >= 1 && channel <= kChannels ? Tavix_GetFilterValue(handle, kFirstChannelGain + channel - 1, ok)
                                                : 0;
}

int32_t TAVIX_API Tavix_SetChannelGain(uint32_t handle, int32_t channel, int32_t value)
{
    return channel >= 1 && channel <= kChannels
               ? Tavix_SetFilterValue(handle, kFirstChannelGain + channel - 1, value)
               : 0;
}

int32_t TAVIX_API Tavix_GetChannelOffset(uint32_t handle, int32_t channel, int32_t* ok)
{
    return channel >= 1 && channel <= kChannels
               ? Tavix_GetFilterValue(handle, kFirstChannelOffset + channel - 1, ok)
               : 0;
}

int32_t TAVIX_API Tavix_SetChannelOffset(uint32_t handle, int32_t channel, int32_t value)
{
    return channel >= 1 && channel <= kChannels
               ? Tavix_SetFilterValue(handle, kFirstChannelOffset + channel - 1, value)
               : 0;
}

int32_t TAVIX_API Tavix_SetMirrorH(uint32_t handle, int32_t flag)
{
    return CallInstance(handle, 0, [&](CTavix& t) { return t.SetMirror(true, flag); });
}

int32_t TAVIX_API Tavix_SetMirrorV(uint32_t handle, int32_t flag)
{
    return CallInstance(handle, 0, [&](CTavix& t) { return t.SetMirror(false, flag); });
}

int32_t TAVIX_API Tavix_GetMirrorH(uint32_t handle)
{
    return CallInstance(handle, 0, [](CTavix& t) { return t.GetMirror(true); });
}

int32_t TAVIX_API Tavix_GetMirrorV(uint32_t handle)
{
    return CallInstance(handle, 0, [](CTavix& t) { return t.GetMirror(false); });
}

int32_t TAVIX_API Tavix_SetExposureTimeEx(uint32_t handle, double seconds)
{
    return CallInstance(handle, 0, [&](CTavix& t) { return t.SetExposureSeconds(seconds); });
}

double TAVIX_API Tavix_GetExposureTimeEx(uint32_t handle, int32_t* ok)
{
    return CallInstance(handle, 0.0, [&](CTavix& t) { return t.GetExposureSeconds(ok); });
}

int32_t TAVIX_API Tavix_SetRealExposureTime(uint32_t handle, int32_t hundredths)
{
    return CallInstance(handle, 0, [&](CTavix& t) { return t.SetRealExposure(hundredths); });
}

int32_t TAVIX_API Tavix_GetRealExposureTime(uint32_t handle, int32_t* ok)
{
    return CallInstance(handle, 0, [&](CTavix& t) { return t.GetRealExposure(ok); });
}

double TAVIX_API Tavix_GetTemperatureEx(uint32_t handle, int32_t* ok)
{
    return CallInstance(handle, 0.0, [&](CTavix& t) { return t.GetTemperature(ok); });
}

int32_t TAVIX_API Tavix_SetAutoIris(uint32_t handle, int32_t mode)
{
    return CallInstance(handle, 0, [&](CTavix& t) { return t.SetAutoIris(mode); });
}

int32_t TAVIX_API Tavix_GetAutoIris(uint32_t handle, int32_t* ok)
{
    return CallInstance(handle, 0, [&](CTavix& t) { return t.GetAutoIris(ok); });
}

int32_t TAVIX_API Tavix_GetInternalCorrection(uint32_t handle, int32_t* ok)
{
    return CallInstance(handle, 0, [&](CTavix& t) { return t.GetInternalCorrection(ok); });
}

int32_t TAVIX_API Tavix_SetInternalCorrection(uint32_t handle, int32_t on)
{
    return CallInstance(handle, 0, [&](CTavix& t) { return t.SetInternalCorrection(on); });
}

int32_t TAVIX_API Tavix_GetConfigFilter(uint32_t handle)
{
    return CallInstance(handle, 0, [](CTavix& t) {
        t.PushError(TAVIX_ERR_NOT_SUPPORTED);
        return -1;
    });
}

int32_t TAVIX_API Tavix_SetConfigFilter(uint32_t handle, int32_t)
{
    return Tavix_GetConfigFilter(handle);
}

int32_t TAVIX_API Tavix_SetSamplingRate(uint32_t handle, uint32_t value)
{
    return CallInstance(handle, 0, [&](CTavix& t) { return t.SetSamplingRate(value); });
}

int32_t TAVIX_API Tavix_GetVideoFormat(uint32_t handle, int32_t* value)
{
    return CallInstance(handle, 0, [&](CTavix&) {
        if (value != nullptr)
            *value = 0;
        return 0;
    });
}

int32_t TAVIX_API Tavix_GetSamplingRate(uint32_t handle, int32_t* value) { return Tavix_GetVideoFormat(handle, value); }

int32_t TAVIX_API Tavix_GetStatus(uint32_t handle, void*)
{
    return CallInstance(handle, 0, [](CTavix&) { return 0; });
}

int32_t TAVIX_API Tavix_GetCameraInfo(uint32_t handle, void* record)
{
    return CallInstance(handle, 0, [&](CTavix& t) { return t.GetCameraInfo(static_cast<uint8_t*>(record)); });
}

uint32_t TAVIX_API Tavix_ReadRegister(uint32_t handle, uint8_t address, int32_t* ok)
{
    return CallInstance(handle, 0u, [&](CTavix& t) { return t.ReadSensorRegister(address, ok); });
}

uint32_t TAVIX_API Tavix_ReadRegisterEx(uint32_t handle, uint32_t address, int32_t* ok)
{
    return CallInstance(handle, 0u, [&](CTavix& t) { return t.ReadSensorRegister(address, ok); });
}

int32_t TAVIX_API Tavix_WriteRegister(uint32_t handle, uint8_t address, uint16_t value)
{
    return CallInstance(handle, 0, [&](CTavix& t) { return t.WriteSensorRegister(address, value); });
}

int32_t TAVIX_API Tavix_WriteRegisterEx(uint32_t handle, uint32_t address, uint32_t value)
{
    return CallInstance(handle, 0, [&](CTavix& t) { return t.WriteSensorRegister(address, value); });
}

uint32_t TAVIX_API Tavix_Fpga_ReadRegister(uint32_t handle, uint8_t reg, int32_t* ok)
{
    return CallInstance(handle, 0u, [&](CTavix& t) { return t.ReadFpgaRegister(reg, ok); });
}

int32_t TAVIX_API Tavix_Fpga_WriteRegister(uint32_t handle, uint8_t reg, uint16_t value)
{
    return CallInstance(handle, 0, [&](CTavix& t) { return t.WriteFpgaRegister(reg, value); });
}

int32_t TAVIX_API Tavix_GetIOPort(uint32_t handle, uint8_t* value)
{
    return CallInstance(handle, 0, [&](CTavix& t) { return t.GetIoPort(value); });
}

int32_t TAVIX_API Tavix_SetIOPort(uint32_t handle, uint8_t value)
{
    return CallInstance(handle, 0, [&](CTavix& t) { return t.SetIoPort(value); });
}

uint32_t TAVIX_API Tavix_ReadSromID(uint32_t handle, uint16_t address, int32_t* ok)
{
    return CallInstance(handle, 0u, [&](CTavix& t) { return t.ReadSrom(address, ok); });
}

int32_t TAVIX_API Tavix_WriteSromID(uint32_t handle, uint32_t address, uint32_t value)
{
    return CallInstance(handle, 0, [&](CTavix& t) { return t.WriteSrom(address, value); });
}

int32_t TAVIX_API Tavix_ReadSerialNumberA(uint32_t handle, char* text, int32_t size)
{
    return CallInstance(handle, 0, [&](CTavix& t) { return t.ReadSerialNumber(text, size); });
}

int32_t TAVIX_API Tavix_ReadSerialNumberW(uint32_t handle, TavixWideChar* text, uint32_t size)
{
    return CallInstance(handle, 0, [&](CTavix& t) {
        char narrow[tavix::platform::kTextBufferBytes] = {};
        if (!t.ReadSerialNumber(narrow, sizeof narrow))
            return 0;
        if (narrow[0] == '\0')
            return 1; // a blank memory leaves the caller's buffer as it was
        if (text == nullptr || size == 0 || !tavix::platform::MultiByteToWide(narrow, Utf16(text), size)) {
            t.PushError(TAVIX_ERR_CONVERSION);
            return 0;
        }
        return 1;
    });
}

int32_t TAVIX_API Tavix_SendText(uint32_t handle, const char*)
{
    return CallInstance(handle, 0, [](CTavix& t) {
        t.PushError(TAVIX_ERR_NOT_SUPPORTED);
        return 0;
    });
}

int32_t TAVIX_API Tavix_ReceiveText(uint32_t handle, char* text, int32_t) { return Tavix_SendText(handle, text); }

int32_t TAVIX_API Tavix_Fps(uint32_t handle) { return NotSupported(handle); }
int32_t TAVIX_API Tavix_GetHalfClock(uint32_t handle) { return NotSupported(handle); }
int32_t TAVIX_API Tavix_SetCrossbar(uint32_t handle) { return NotSupported(handle); }
int32_t TAVIX_API Tavix_SetHalfClock(uint32_t handle) { return NotSupported(handle); }
int32_t TAVIX_API Tavix_Trigger(uint32_t handle) { return NotSupported(handle); }

} // extern "C"
