#pragma once
// Luminance of a demosaiced frame, for gray mode 2 (a colour camera
// delivering a gray picture).

#include "imaging/PixelOp.h"

namespace tavix::imaging {

// PixelOp: 3- or 4-byte blue, green, red source pixels to 1-byte pixels,
// gray = (59 G + 30 R + 11 B) / 100. No parameters. 0 for other sizes.
int BayerToGray(uint8_t* dst, const uint8_t* src, const PixelRect& rect, int32_t dstX, int32_t dstY,
    int32_t dstBytesPerPixel, int32_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride, const void* param1,
    void* param2);

} // namespace tavix::imaging
