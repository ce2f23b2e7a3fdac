#include "imaging/Mirror.h"

#include <algorithm>
#include <cstring>

namespace tavix::imaging {

namespace {

// Pixels move as whole groups of Bytes bytes (memcpy of a constant size
// compiles to plain loads and stores).
template <int Bytes>
void ReverseCopy(uint8_t* dst, const uint8_t* src, int32_t count)
{
    for (int32_t i = 0; i < count; ++i)
        std::memcpy(dst + static_cast<ptrdiff_t>(i) * Bytes, src + static_cast<ptrdiff_t>(count - 1 - i) * Bytes,
            Bytes);
}

template <int Bytes>
void SwapPixels(uint8_t* a, uint8_t* b)
{
    uint8_t t[Bytes];
    std::memcpy(t, a, Bytes);
    std::memcpy(a, b, Bytes);
    std::memcpy(b, t, Bytes);
}

// Row a gets row b reversed and the other way round.
template <int Bytes>
void SwapReversed(uint8_t* a, uint8_t* b, int32_t count)
{
    for (int32_t i = 0; i < count; ++i)
        SwapPixels<Bytes>(a + static_cast<ptrdiff_t>(i) * Bytes, b + static_cast<ptrdiff_t>(count - 1 - i) * Bytes);
}

template <int Bytes>
void ReverseInPlace(uint8_t* row, int32_t count)
{
    for (int32_t i = 0, j = count - 1; i < j; ++i, --j)
        SwapPixels<Bytes>(row + static_cast<ptrdiff_t>(i) * Bytes, row + static_cast<ptrdiff_t>(j) * Bytes);
}

template <int Bytes>
void Mirror(uint8_t* dst, const uint8_t* src, const PixelRect& rect, int32_t dstX, int32_t dstY, int32_t dstStride,
    int32_t srcStride, const MirrorParams& p)
{
    const int32_t width = rect.right - rect.left;
    const int32_t height = rect.bottom - rect.top;
    const size_t rowBytes = static_cast<size_t>(width) * Bytes;
    auto srcRow = [&](int32_t y) {
        return src + static_cast<ptrdiff_t>(rect.top + y) * srcStride + static_cast<ptrdiff_t>(rect.left) * Bytes;
    };
    auto dstRow = [&](int32_t y) {
        return dst + static_cast<ptrdiff_t>(dstY + y) * dstStride + static_cast<ptrdiff_t>(dstX) * Bytes;
    };
    const bool inPlace = dst == src && dstStride == srcStride && dstX == rect.left && dstY == rect.top;
    if (!inPlace) {
        for (int32_t y = 0; y < height; ++y) {
            const uint8_t* from = srcRow(p.vertical ? height - 1 - y : y);
            if (p.horizontal)
                ReverseCopy<Bytes>(dstRow(y), from, width);
            else
                std::memcpy(dstRow(y), from, rowBytes);
        }
        return;
    }
    if (p.vertical) {
        for (int32_t y = 0; y < height / 2; ++y) {
            uint8_t* a = dstRow(y);
            uint8_t* b = dstRow(height - 1 - y);
            if (p.horizontal)
                SwapReversed<Bytes>(a, b, width);
            else
                std::swap_ranges(a, a + rowBytes, b);
        }
    }
    if (p.horizontal) {
        // Rows not reached by a swap above: all of them, or the middle row.
        const int32_t first = p.vertical ? height / 2 : 0;
        const int32_t last = p.vertical ? (height - 1) / 2 : height - 1;
        for (int32_t y = first; y <= last; ++y)
            ReverseInPlace<Bytes>(dstRow(y), width);
    }
}

} // namespace

int MirrorPixels(uint8_t* dst, const uint8_t* src, const PixelRect& rect, int32_t dstX, int32_t dstY,
    int32_t dstBytesPerPixel, int32_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride, const void* param1,
    void* /*param2*/)
{
    if (param1 == nullptr || dstBytesPerPixel != srcBytesPerPixel)
        return 0;
    const auto& p = *static_cast<const MirrorParams*>(param1);
    switch (srcBytesPerPixel) {
    case 1:
        Mirror<1>(dst, src, rect, dstX, dstY, dstStride, srcStride, p);
        return 1;
    case 2:
        Mirror<2>(dst, src, rect, dstX, dstY, dstStride, srcStride, p);
        return 1;
    case 3:
        Mirror<3>(dst, src, rect, dstX, dstY, dstStride, srcStride, p);
        return 1;
    case 4:
        Mirror<4>(dst, src, rect, dstX, dstY, dstStride, srcStride, p);
        return 1;
    case 6:
        Mirror<6>(dst, src, rect, dstX, dstY, dstStride, srcStride, p);
        return 1;
    case 8:
        Mirror<8>(dst, src, rect, dstX, dstY, dstStride, srcStride, p);
        return 1;
    default:
        return 0;
    }
}

int MirrorImage(DibImage& image, bool horizontal, bool vertical)
{
    if (!horizontal && !vertical)
        return 1;
    const MirrorParams params{horizontal, vertical};
    return RunPixelOp(image, MirrorPixels, image, nullptr, 0, 0, &params, nullptr);
}

} // namespace tavix::imaging
