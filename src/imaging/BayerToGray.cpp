#include "imaging/BayerToGray.h"

namespace tavix::imaging {

namespace {
template <int SrcBytes>
void ToGray(uint8_t* dst, const uint8_t* src, const PixelRect& rect, int32_t dstX, int32_t dstY, int32_t dstStride,
    int32_t srcStride)
{
    const int32_t width = rect.right - rect.left;
    for (int32_t y = rect.top; y < rect.bottom; ++y) {
        const uint8_t* s = src + static_cast<ptrdiff_t>(y) * srcStride + static_cast<ptrdiff_t>(rect.left) * SrcBytes;
        uint8_t* d = dst + static_cast<ptrdiff_t>(dstY + y - rect.top) * dstStride + dstX;
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t* p = s + x * SrcBytes;
            // At most 255: the weights sum to 100.
            d[x] = static_cast<uint8_t>((59u * p[1] + 30u * p[2] + 11u * p[0]) / 100u);
        }
    }
}
} // namespace

int BayerToGray(uint8_t* dst, const uint8_t* src, const PixelRect& rect, int32_t dstX, int32_t dstY,
    int32_t dstBytesPerPixel, int32_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride, const void* /*param1*/,
    void* /*param2*/)
{
    if (dstBytesPerPixel != 1)
        return 0;
    if (srcBytesPerPixel == 3)
        ToGray<3>(dst, src, rect, dstX, dstY, dstStride, srcStride);
    else if (srcBytesPerPixel == 4)
        ToGray<4>(dst, src, rect, dstX, dstY, dstStride, srcStride);
    else
        return 0;
    return 1;
}

} // namespace tavix::imaging
