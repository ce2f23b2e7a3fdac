// Exports of device selection, acquisition, image size and format, the
// configuration file, still images and the defect mask: each looks the handle up and
// forwards to its instance.

#include <cstring>

#include "TavixSdk.h"
#include "platform/Text.h"
#include "sdk/CallFrame.h"

using tavix::CallInstance;
using tavix::CTavix;

namespace {

constexpr size_t kNameChars = 256;
constexpr int kEnumNames = 10;

const char16_t* Utf16(const TavixWideChar* text) { return reinterpret_cast<const char16_t*>(text); }
char16_t* Utf16(TavixWideChar* text) { return reinterpret_cast<char16_t*>(text); }

// The multi-byte form of a wide text argument, or error 12 on the instance.
bool Narrowed(CTavix& tavix, const TavixWideChar* text, char (&out)[tavix::platform::kTextBufferBytes])
{
    if (tavix::platform::WideToMultiByte(Utf16(text), out, sizeof out))
        return true;
    tavix.PushError(TAVIX_ERR_CONVERSION);
    return false;
}

} // namespace

extern "C" {

int32_t TAVIX_API Tavix_SetDeviceNumber(uint32_t handle, int32_t number)
{
    return CallInstance(handle, 0, [&](CTavix& t) { return t.SetDeviceNumber(number); });
}

int32_t TAVIX_API Tavix_EnumDevice(uint32_t handle, char (*names)[256])
{
    return CallInstance(handle, 0, [&](CTavix& t) { return names == nullptr ? 0 : t.EnumDevice(names); });
}

int32_t TAVIX_API Tavix_EnumDeviceW(uint32_t handle, TavixWideChar (*names)[256])
{
    return CallInstance(handle, 0, [&](CTavix& t) {
        if (names == nullptr)
            return 0;
        char narrow[kEnumNames][kNameChars];
        const int count = t.EnumDevice(narrow);
        for (int k = 0; k < kEnumNames; ++k)
            if (!tavix::platform::MultiByteToWide(narrow[k], Utf16(names[k]), kNameChars))
                names[k][0] = 0;
        return count;
    });
}

int32_t TAVIX_API Tavix_GetDeviceName(uint32_t handle, int32_t index, char* text, int32_t length)
{
    return CallInstance(handle, 0, [&](CTavix& t) { return t.GetDeviceName(index, text, length); });
}

int32_t TAVIX_API Tavix_GetDeviceNameW(uint32_t handle, int32_t index, TavixWideChar* text, int32_t length)
{
    return CallInstance(handle, 0, [&](CTavix& t) {
        char narrow[kNameChars];
        if (!t.GetDeviceName(index, narrow, sizeof narrow))
            return 0;
        if (text == nullptr || length <= 0 ||
            !tavix::platform::MultiByteToWide(narrow, Utf16(text), static_cast<size_t>(length))) {
            t.PushError(TAVIX_ERR_CONVERSION);
            return 0;
        }
        return 1;
    });
}

int32_t TAVIX_API Tavix_Preview(uint32_t handle)
{
    return CallInstance(handle, 0, [](CTavix& t) { return t.Preview(); });
}

int32_t TAVIX_API Tavix_CallBackPreview(uint32_t handle, TavixWindow callbackWindow, void* buffer, int32_t size,
                                        int32_t rowOrder)
{
    return CallInstance(handle, 0, [&](CTavix& t) {
        return t.CallBackPreview(callbackWindow, static_cast<uint8_t*>(buffer), size, rowOrder);
    });
}

int32_t TAVIX_API Tavix_StartPreview(uint32_t handle)
{
    return CallInstance(handle, 0, [](CTavix& t) { return t.StartPreview(); });
}

int32_t TAVIX_API Tavix_StopPreview(uint32_t handle)
{
    return CallInstance(handle, 0, [](CTavix& t) { return t.StopPreview(); });
}

int32_t TAVIX_API Tavix_Capture(uint32_t handle)
{
    return CallInstance(handle, 0, [](CTavix& t) { return t.Capture(); });
}

int32_t TAVIX_API Tavix_SnapShot(uint32_t handle, void* buffer, int32_t size, int32_t rowOrder)
{
    return CallInstance(handle, 0,
                        [&](CTavix& t) { return t.SnapShot(static_cast<uint8_t*>(buffer), size, rowOrder); });
}

int32_t TAVIX_API Tavix_GetImage(uint32_t handle, void* buffer, int32_t size, int32_t rowOrder)
{
    return CallInstance(handle, 0,
                        [&](CTavix& t) { return t.GetImage(static_cast<uint8_t*>(buffer), size, rowOrder); });
}

int32_t TAVIX_API Tavix_Close(uint32_t handle)
{
    return CallInstance(handle, 0, [](CTavix& t) { return t.Close(); });
}

int32_t TAVIX_API Tavix_Width(uint32_t handle)
{
    return CallInstance(handle, 0, [](CTavix& t) { return t.Width(); });
}

int32_t TAVIX_API Tavix_Height(uint32_t handle)
{
    return CallInstance(handle, 0, [](CTavix& t) { return t.Height(); });
}

int32_t TAVIX_API Tavix_SetColorMode(uint32_t handle, int32_t bitsPerPixel)
{
    return CallInstance(handle, 0, [&](CTavix& t) { return t.SetColorMode(bitsPerPixel); });
}

int32_t TAVIX_API Tavix_GetColorMode(uint32_t handle)
{
    return CallInstance(handle, -1, [](CTavix& t) { return t.GetColorMode(); });
}

int32_t TAVIX_API Tavix_SetSubSample(uint32_t handle, int32_t mode)
{
    return CallInstance(handle, 0, [&](CTavix& t) { return t.SetSubSample(mode); });
}

int32_t TAVIX_API Tavix_GetSubSample(uint32_t handle)
{
    return CallInstance(handle, -1, [](CTavix& t) { return t.GetSubSample(); });
}

int32_t TAVIX_API Tavix_SetWaitTime(uint32_t handle, int32_t milliseconds)
{
    return CallInstance(handle, 0, [&](CTavix& t) { return t.SetWaitTime(milliseconds); });
}

int32_t TAVIX_API Tavix_GetWaitTime(uint32_t handle)
{
    return CallInstance(handle, -1, [](CTavix& t) { return t.GetWaitTime(); });
}

int32_t TAVIX_API Tavix_SetCaptureWindow(uint32_t handle, int32_t width, int32_t height)
{
    return CallInstance(handle, 0, [&](CTavix& t) { return t.SetCaptureWindow(width, height); });
}

int32_t TAVIX_API Tavix_SetCaptureWindowEx(uint32_t handle, int32_t hTotal, int32_t hStart, int32_t hEffective,
                                           int32_t vTotal, int32_t vStart, int32_t vEffective)
{
    return CallInstance(handle, 0, [&](CTavix& t) {
        return t.SetCaptureWindowEx(hTotal, hStart, hEffective, vTotal, vStart, vEffective);
    });
}

int32_t TAVIX_API Tavix_GetCaptureWindowEx(uint32_t handle, int32_t* hTotal, int32_t* hStart, int32_t* hEffective,
                                           int32_t* vTotal, int32_t* vStart, int32_t* vEffective)
{
    return CallInstance(handle, 0, [&](CTavix& t) {
        t.GetCaptureWindowEx(hTotal, hStart, hEffective, vTotal, vStart, vEffective);
        return 1;
    });
}

int32_t TAVIX_API Tavix_SetPreviewWindow(uint32_t handle, TavixWindow parent, int32_t left, int32_t top,
                                         int32_t right, int32_t bottom)
{
    return CallInstance(handle, 0, [&](CTavix& t) { return t.SetPreviewWindow(parent, left, top, right, bottom); });
}

int32_t TAVIX_API Tavix_LoadConfigFileA(uint32_t handle, const char* fileName)
{
    return CallInstance(handle, 0, [&](CTavix& t) { return t.LoadConfigFile(fileName); });
}

int32_t TAVIX_API Tavix_LoadConfigFileW(uint32_t handle, const TavixWideChar* fileName)
{
    return CallInstance(handle, 0, [&](CTavix& t) {
        char narrow[tavix::platform::kTextBufferBytes];
        return Narrowed(t, fileName, narrow) ? t.LoadConfigFile(narrow) : 0;
    });
}

int32_t TAVIX_API Tavix_SaveImage(uint32_t handle, const char* fileName, int32_t format)
{
    return CallInstance(handle, 0, [&](CTavix& t) { return t.SaveImage(fileName, format); });
}

int32_t TAVIX_API Tavix_SaveImageW(uint32_t handle, const TavixWideChar* fileName, int32_t format)
{
    return CallInstance(handle, 0, [&](CTavix& t) {
        char narrow[tavix::platform::kTextBufferBytes];
        return Narrowed(t, fileName, narrow) ? t.SaveImage(narrow, format) : 0;
    });
}

int32_t TAVIX_API Tavix_Record(uint32_t handle, const char* fileName, int32_t durationMs, int32_t showWindow)
{
    return CallInstance(handle, 0, [&](CTavix& t) { return t.Record(fileName, durationMs, showWindow); });
}

int32_t TAVIX_API Tavix_RecordW(uint32_t handle, const TavixWideChar* fileName, int32_t durationMs,
                                int32_t showWindow)
{
    return CallInstance(handle, 0, [&](CTavix& t) {
        char narrow[tavix::platform::kTextBufferBytes];
        return Narrowed(t, fileName, narrow) ? t.Record(narrow, durationMs, showWindow) : 0;
    });
}

int32_t TAVIX_API Tavix_UpdateMaskData(uint32_t handle, int32_t kind)
{
    return CallInstance(handle, 0, [&](CTavix& t) { return t.UpdateMaskData(kind); });
}

int32_t TAVIX_API Tavix_SaveMaskFile(uint32_t handle, const char* fileName)
{
    return CallInstance(handle, 0, [&](CTavix& t) { return t.SaveMaskFile(fileName); });
}

int32_t TAVIX_API Tavix_SaveMaskFileW(uint32_t handle, const TavixWideChar* fileName)
{
    return CallInstance(handle, 0, [&](CTavix& t) {
        char narrow[tavix::platform::kTextBufferBytes];
        return Narrowed(t, fileName, narrow) ? t.SaveMaskFile(narrow) : 0;
    });
}

int32_t TAVIX_API Tavix_LoadMaskFile(uint32_t handle, const char* fileName)
{
    return CallInstance(handle, 0, [&](CTavix& t) { return t.LoadMaskFile(fileName); });
}

int32_t TAVIX_API Tavix_LoadMaskFileW(uint32_t handle, const TavixWideChar* fileName)
{
    return CallInstance(handle, 0, [&](CTavix& t) {
        char narrow[tavix::platform::kTextBufferBytes];
        return Narrowed(t, fileName, narrow) ? t.LoadMaskFile(narrow) : 0;
    });
}

} // extern "C"
