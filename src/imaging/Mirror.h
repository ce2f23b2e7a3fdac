#pragma once
// Software mirroring of raw frames, for directions the camera did not flip
// itself.

#include "imaging/PixelOp.h"

namespace tavix::imaging {

struct MirrorParams {
    bool horizontal; // samples of each row in reverse order
    bool vertical;   // rows in reverse order
};

// PixelOp (param1: MirrorParams). Destination and source have the same
// pixel size. With dst == src, the same stride and the rectangle written
// onto itself, it mirrors in place; otherwise the destination must not
// overlap the source. 0 for differing pixel sizes.
int MirrorPixels(uint8_t* dst, const uint8_t* src, const PixelRect& rect, int32_t dstX, int32_t dstY,
    int32_t dstBytesPerPixel, int32_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride, const void* param1,
    void* param2);

// Mirrors a whole image in place; 1 also when nothing is asked.
int MirrorImage(DibImage& image, bool horizontal, bool vertical);

} // namespace tavix::imaging
