#pragma once
// The four pixel layouts every image filter has a routine for, and the
// row walks those routines share.

#include <cstddef>
#include <cstdint>

#include "imaging/PixelOp.h"

namespace tavix::imaging {

// One routine per layout; null where a filter does not apply (hue and
// saturation have no monochrome form).
struct LayoutOps {
    PixelOp mono8;    // 1 byte per pixel
    PixelOp mono16;   // 2 bytes
    PixelOp colour8;  // 3 or 4 bytes, blue, green, red (and a fourth never written)
    PixelOp colour16; // 3 or 4 little-endian words
};

// The routine for an image of this many bytes per pixel; null for none.
inline PixelOp ForLayout(const LayoutOps& ops, int32_t bytesPerPixel)
{
    switch (bytesPerPixel) {
    case 1:
        return ops.mono8;
    case 2:
        return ops.mono16;
    case 3:
    case 4:
        return ops.colour8;
    case 6:
    case 8:
        return ops.colour16;
    default:
        return nullptr;
    }
}

namespace detail {

template <typename T>
inline const T* SourceRow(const uint8_t* src, int32_t srcStride, int32_t m)
{
    return reinterpret_cast<const T*>(src + static_cast<ptrdiff_t>(m) * srcStride);
}

template <typename T>
inline T* DestinationRow(uint8_t* dst, int32_t dstStride, int32_t m)
{
    return reinterpret_cast<T*>(dst + static_cast<ptrdiff_t>(m) * dstStride);
}

// Applies map to every sample of the rectangle but the fourth of a 4-sample
// pixel, from src into dst at (dstX, dstY). Pixels of 1 and 3 samples are
// one run per row, which the compiler vectorises; 4-sample pixels go
// pixel by pixel so that the fourth keeps its value. dst may be src.
template <typename T, typename Map>
void MapSamples(uint8_t* dst, const uint8_t* src, const PixelRect& rect, int32_t dstX, int32_t dstY,
    int32_t samplesPerPixel, int32_t dstStride, int32_t srcStride, Map map)
{
    const int32_t width = rect.right - rect.left;
    for (int32_t m = rect.top; m < rect.bottom; ++m) {
        const T* s = SourceRow<T>(src, srcStride, m) + static_cast<ptrdiff_t>(rect.left) * samplesPerPixel;
        T* d = DestinationRow<T>(dst, dstStride, dstY + m - rect.top) + static_cast<ptrdiff_t>(dstX) * samplesPerPixel;
        if (samplesPerPixel == 4) {
            for (int32_t x = 0; x < width; ++x) {
                d[4 * x] = map(s[4 * x]);
                d[4 * x + 1] = map(s[4 * x + 1]);
                d[4 * x + 2] = map(s[4 * x + 2]);
            }
        } else {
            const int32_t count = width * samplesPerPixel;
            for (int32_t i = 0; i < count; ++i)
                d[i] = map(s[i]);
        }
    }
}

// Samples per pixel for the bytes per pixel of a layout with T samples.
template <typename T>
inline int32_t SamplesPerPixel(int32_t bytesPerPixel)
{
    return bytesPerPixel / static_cast<int32_t>(sizeof(T));
}

} // namespace detail

} // namespace tavix::imaging
