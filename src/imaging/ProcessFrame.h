#pragma once
// The conversion of every delivered frame, from the raw image the camera
// wrote into to the result image of the colour mode.

#include <cstdint>

#include "imaging/FrameImages.h"
#include "imaging/GrayGains.h"
#include "imaging/ImageFilters.h"

namespace tavix::imaging {

// The settings one frame is converted with, read once per frame by the
// caller (the instance keeps them as plain fields that change between
// frames).
struct FrameSettings {
    int32_t colorMode = 0;
    int32_t grayMode = 0;  // 0 none, 1 per-class gains, 2 luminance of the demosaic
    int32_t bayerMode = 2; // phase of the colour filter pattern, 0..3
    bool mirrorVertical = false;
    bool mirrorHorizontal = false;
    // The camera flipped these directions itself; they are not repeated
    // in software.
    bool hardwareMirrorVertical = false;
    bool hardwareMirrorHorizontal = false;
    int32_t gainRed = 100; // Bayer gains, 0..400
    int32_t gainGreen = 100;
    int32_t gainBlue = 100;
    bool whiteBalance = false; // measure the Bayer gains before each demosaic
    GrayGains gray{};          // gray mode 1
    bool grayAutoGains = false; // measure the gray gains first (a countdown is running)
    FilterSettings filters{};
    int32_t autoIris = 0; // 0 off, 1 exposure, 2 gain
};

// What a frame measured, for the caller to keep (the instance stores the
// gains and drives the camera). Called on the frame's thread, under the
// frame lock.
class FrameObserver {
public:
    virtual ~FrameObserver() = default;
    // The automatic Bayer gains, which this frame's demosaic used.
    virtual void WhiteBalanceMeasured(int32_t red, int32_t green, int32_t blue) = 0;
    // The automatic gray gains, which this frame used.
    virtual void GrayGainsMeasured(const GrayGains& gains) = 0;
    // The raw frame is dark or bright enough to change exposure or gain by
    // this factor in hundredths.
    virtual void AutoIrisMeasured(int32_t percent) = 0;
};

// Flat-field and defect-pixel correction of the raw frame, which the caller
// runs under the lock of its references, after Auto Iris has measured the
// frame and before anything else touches it.
class RawCorrection {
public:
    virtual ~RawCorrection() = default;
    virtual void Correct(DibImage& raw) = 0;
};

// Converts the raw image of settings.colorMode (already spread to its
// stride) into the result image, in place for modes 0 and 1. The caller
// holds the frame lock. 0 for an unknown colour mode or images not sized
// for it. observer may be null; measurements are then used for the frame
// only. correction may be null.
int ProcessFrame(FrameImages& images, const FrameSettings& settings, FrameObserver* observer = nullptr,
                 RawCorrection* correction = nullptr);

} // namespace tavix::imaging
