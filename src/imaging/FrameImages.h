#pragma once
// The bitmaps a frame passes through, chosen by colour mode:
//
//   mode  bits  raw image    result image
//    0      8   rawImage8    rawImage8
//    1     16   rawImage16   rawImage16
//    2     24   rawImage8    image24
//    3     32   rawImage8    image32
//    4     48   rawImage16   image48
//    5     64   rawImage16   image64

#include <cstdint>

#include "imaging/DibImage.h"

namespace tavix::imaging {

constexpr int32_t kColorModeCount = 6;

// Bits per pixel of the result image of a colour mode; 0 for an unknown mode.
int32_t ColorModeBits(int32_t colorMode);
// The colour mode whose result has these bits per pixel; -1 for none.
int32_t ColorModeFromBits(int32_t bits);

struct FrameImages {
    DibImage rawImage8;
    DibImage rawImage16;
    DibImage image24;
    DibImage image32;
    DibImage image48;
    DibImage image64;
    // Same format as the result image; filters that read their neighbours
    // work from a copy here.
    DibImage workImage;

    // Null for an unknown colour mode.
    DibImage* RawImage(int32_t colorMode);
    DibImage* ResultImage(int32_t colorMode);

    // Sizes what a colour mode needs at width x height: the raw image, the
    // result image, image24 also for mode 0 (gray mode 2 demosaics into it),
    // and workImage like the result. Images already of the right geometry
    // keep their memory. 1/0.
    int SizeForColorMode(int32_t width, int32_t height, int32_t colorMode);
};

} // namespace tavix::imaging
