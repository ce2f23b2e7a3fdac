#pragma once
// The one signature of every pixel routine, and the runner that applies a
// routine to a pair of images.

#include <cstdint>

#include "imaging/DibImage.h"

namespace tavix::imaging {

// Right and bottom are exclusive.
struct PixelRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// A pixel routine: reads the source rectangle (memory rows) and writes the
// destination from (dstX, dstY) (memory rows) on. param1 carries the
// routine's settings record, param2 whatever else the routine documents.
// The runner has already clipped the rectangle to both images. Returns 1.
using PixelOp = int (*)(uint8_t* dst, const uint8_t* src, const PixelRect& rect, int32_t dstX, int32_t dstY,
    int32_t dstBytesPerPixel, int32_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride, const void* param1,
    void* param2);

// Runs op from src into dst. rect is given top-down (row y of the picture is
// memory row height-1-y), null for the whole source; (dstX, dstY) is where
// its top-left pixel lands, top-down too. The rectangle is clipped to both
// images; 0 when nothing remains, an image is empty or op is null, else
// the routine's result. dst and src may be the same image.
int RunPixelOp(DibImage& dst, PixelOp op, const DibImage& src, const PixelRect* rect, int32_t dstX, int32_t dstY,
    const void* param1, void* param2);

} // namespace tavix::imaging
