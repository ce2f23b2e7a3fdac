#pragma once
// Bayer demosaic: every output pixel is interpolated at the centre of the
// 2x2 block of samples whose lower-right corner is the pixel itself. Green
// is the mean of the block's two greens; red and blue weigh the block's
// sample and the three nearest of the same colour beyond it 9-3-3-1, then
// take their gain. Integer arithmetic, exact to the last bit.

#include <cstdint>

#include "imaging/PixelOp.h"

namespace tavix::imaging {

namespace detail {
struct DemosaicKernels;
}

// Parameter record of the demosaic routines. Gains 0..400, 100 = unity;
// green's is kept for callers but does not enter the conversion.
struct DemosaicParams {
    int32_t phase;
    int32_t gainRed;
    int32_t gainGreen;
    int32_t gainBlue;
};

// The Bayer mode as the mosaic appears in memory: a vertical flip moves the
// pattern by a row, a horizontal one by a column.
inline int32_t EffectivePhase(int32_t bayerMode, bool mirrorVertical, bool mirrorHorizontal)
{
    return (bayerMode & 3) ^ (mirrorVertical ? 1 : 0) ^ (mirrorHorizontal ? 2 : 0);
}

// trunc(gain x 1.28) in double precision: 128 for unity, so that a 9-3-3-1
// sum (weights 16) times it, shifted right by 11, is the interpolated value.
// Gains outside 0..400 are taken as the nearest end.
int32_t BayerMultiplier(int32_t gain);

// The two demosaic routines, PixelOp form. The source rectangle is the
// whole mosaic (its edges are the image edges); 8-bit samples go to 3- or
// 4-byte pixels, 16-bit samples to 3- or 4-word pixels, blue, green, red,
// and the fourth byte or word keeps its value. param1: DemosaicParams;
// param2: null, or the detail::DemosaicKernels to use. 0 for any other
// combination of pixel sizes or a missing record.
//
// DemosaicInterior: pixels at least two columns and rows from every edge
// (none when the mosaic has fewer than 5 rows or columns).
int DemosaicInterior(uint8_t* dst, const uint8_t* src, const PixelRect& rect, int32_t dstX, int32_t dstY,
    int32_t dstBytesPerPixel, int32_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride, const void* param1,
    void* param2);
// DemosaicBorder: the two outer rows and columns on every side. A neighbour
// beyond an edge is replaced by the sample of the same colour four positions
// the other way (two when the mosaic is narrower than four).
int DemosaicBorder(uint8_t* dst, const uint8_t* src, const PixelRect& rect, int32_t dstX, int32_t dstY,
    int32_t dstBytesPerPixel, int32_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride, const void* param1,
    void* param2);

// Both routines over the whole of src into dst (same width and height).
// kernels null: the fastest for this processor.
int Demosaic(DibImage& dst, const DibImage& src, const DemosaicParams& params,
    const detail::DemosaicKernels* kernels = nullptr);

} // namespace tavix::imaging
