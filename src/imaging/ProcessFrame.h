#pragma once
// The conversion of every delivered frame, from the raw image the camera
// wrote into to the result image of the colour mode.

#include <cstdint>

#include "imaging/FrameImages.h"

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
};

// Converts the raw image of settings.colorMode (already spread to its
// stride) into the result image, in place for modes 0 and 1. The caller
// holds the frame lock. 0 for an unknown colour mode or images not sized
// for it.
int ProcessFrame(FrameImages& images, const FrameSettings& settings);

} // namespace tavix::imaging
