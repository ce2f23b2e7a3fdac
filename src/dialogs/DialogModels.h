#pragma once
// The property dialogs as the rest of the library sees them: each edits a
// model that the camera instance implements, so that the dialogs know
// nothing of the instance and the instance nothing of Win32. The analog
// and image dialogs change their model live and tell the caller which
// button closed them; the camera format dialog edits a copy of the stored
// format and hands it back through `apply` for OK and "Apply(&A)".
//
// Everywhere but Windows the dialogs do not exist: the Show functions
// answer kUnavailable at once.

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/MessagePost.h"

namespace tavix::dialogs {

#ifdef _WIN32
constexpr bool kAvailable = true;
#else
constexpr bool kAvailable = false;
#endif
constexpr int kUnavailable = -1;
constexpr int kClosedOk = 1;     // IDOK
constexpr int kClosedCancel = 2; // IDCANCEL

// Posted to an open dialog when another thread changed what it shows
// (white balance, gray gains, Auto Iris): the dialog reads its model again.
constexpr uint32_t kRefreshMessage = 0x8000 + 0x40; // WM_APP + 0x40

struct Range {
    int32_t minimum = 0, maximum = 0;
};

// A dialog tells its model its window while it is open (null once it has
// closed), so that refreshes can be posted to it.
class OpenDialog {
public:
    virtual ~OpenDialog() = default;
    virtual void Opened(platform::WindowHandle dialog) = 0;
};

// --- image dialog: image filter and gray filter pages -------------------------

enum class ImageValue : int {
    kBrightness, kContrast, kHue, kSaturation, kSharpness, kGainRed, kGainGreen, kGainBlue, kGamma,
    kBayerMode, kGrayMode,
    kGrayGainR, kGrayGainG1, kGrayGainG2, kGrayGainB,
    kGrayOffsetR, kGrayOffsetG1, kGrayOffsetG2, kGrayOffsetB,
};

class ImageModel : public OpenDialog {
public:
    // Colour modes 2 to 5; otherwise the gray filter page is shown too.
    virtual bool Colour() const = 0;
    virtual int32_t Get(ImageValue value) const = 0;
    virtual void Set(ImageValue value, int32_t number) = 0;
    // Automatic white balance: measured on every frame ("All frames").
    virtual bool WhiteBalanceEveryFrame() const = 0;
    virtual void WhiteBalanceOnce() = 0;
    virtual void WhiteBalanceEveryFrame(bool on) = 0;
    virtual bool GrayGainEveryFrame() const = 0;
    virtual void GrayGainOnce() = 0;
    virtual void GrayGainEveryFrame(bool on) = 0;
};

// --- analog dialog -----------------------------------------------------------------

enum class AnalogValue : int {
    kGlobalGain, kColorGainG1, kColorGainR, kColorGainB, kColorGainG2, kExposure, kBlackLevel,
};
enum class AnalogFlag : int {
    kMirrorV, kMirrorH, kAutoIrisGain, kAutoIrisExposure, kCooling, kShortExposure,
};

class AnalogModel : public OpenDialog {
public:
    virtual bool Monochrome() const = 0;
    // A value the camera does not have is hidden.
    virtual bool Has(AnalogValue value) const = 0;
    virtual Range RangeOf(AnalogValue value) const = 0;
    virtual int32_t DefaultOf(AnalogValue value) const = 0;
    virtual int32_t Get(AnalogValue value) const = 0;
    virtual void Set(AnalogValue value, int32_t number) = 0;
    virtual bool Has(AnalogFlag flag) const = 0;
    virtual bool Get(AnalogFlag flag) const = 0;
    virtual void Set(AnalogFlag flag, bool on) = 0;
    // The gain stage ("High Gain" 0, "Low Gain" 1), where the camera has one.
    virtual bool HasGainMode() const = 0;
    virtual int32_t GainMode() const = 0;
    virtual void SetGainMode(int32_t mode) = 0;
    // The exposure in seconds, where the camera takes it in that form.
    virtual bool HasExposureSeconds() const = 0;
    virtual double ExposureSeconds() const = 0;
    virtual double ExposureSecondsMin() const = 0;
    virtual double ExposureSecondsMax() const = 0;
    virtual void SetExposureSeconds(double seconds) = 0;
};

// --- camera format dialog ----------------------------------------------------------

struct Preset {
    int32_t hTotal = 2448, vTotal = 2048, width = 2448, height = 2048, hStart = 0, vStart = 0, buffers = 4;
    bool operator==(const Preset&) const = default;
};

struct CameraFormat {
    std::vector<Preset> presets; // "Size_00" upward
    int32_t size = 0;            // the preset in use
    int32_t colorMode = 2, subSample = 0, waitTime = 1, clock = 0;
    // What the camera can do.
    bool eightBit = true, sixteenBit = true, monochrome = false;
    bool windowH = true, windowV = true;
    int32_t sensorWidth = 2448, sensorHeight = 2048; // a window must lie inside
};

int ShowImageDialog(platform::WindowHandle owner, ImageModel& model);
int ShowAnalogDialog(platform::WindowHandle owner, AnalogModel& model);
// `apply` receives the edited format for OK and for "Apply(&A)".
int ShowCameraDialog(platform::WindowHandle owner, CameraFormat& format,
                     const std::function<void(const CameraFormat&)>& apply);

} // namespace tavix::dialogs
