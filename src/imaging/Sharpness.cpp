#include "imaging/Sharpness.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace tavix::imaging {

namespace {

using detail::DestinationRow;
using detail::SamplesPerPixel;
using detail::SourceRow;

// Column sums of four rows are kept for the whole row and moved down one
// row at a time (add the row entering, drop the row leaving), so each
// output sample costs four additions of sums and no per-pixel branch.
template <typename T>
int Sharpen(uint8_t* dst, const uint8_t* src, const PixelRect& rect, int32_t dstX, int32_t dstY,
    int32_t /*dstBytesPerPixel*/, int32_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride, const void* param1,
    void* /*param2*/)
{
    const int32_t s = static_cast<const SharpnessParams*>(param1)->value;
    const int32_t width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width < 5 || height < 5)
        return 1;
    const int32_t spp = SamplesPerPixel<T>(srcBytesPerPixel);
    const int32_t count = width * spp;
    constexpr int32_t kMax = std::numeric_limits<T>::max();
    const auto row = [&](int32_t m) { return SourceRow<T>(src, srcStride, rect.top + m) + rect.left * spp; };

    std::vector<int32_t> sums(static_cast<size_t>(count), 0);
    std::vector<T> out(static_cast<size_t>(count));
    int32_t* sum = sums.data();
    for (int32_t m = 0; m < 4; ++m) {
        const T* r = row(m);
        for (int32_t i = 0; i < count; ++i)
            sum[i] += r[i];
    }
    // Interior samples, as offsets into a row: pixels 2..width-3.
    const int32_t first = 2 * spp, last = (width - 2) * spp;
    for (int32_t m = 2; m <= height - 3; ++m) {
        if (m > 2) {
            const T* entering = row(m + 1);
            const T* leaving = row(m - 3);
            for (int32_t i = 0; i < count; ++i)
                sum[i] += entering[i] - leaving[i];
        }
        const T* p = row(m);
        T* o = out.data();
        for (int32_t i = first; i < last; ++i) {
            const int32_t blur = (sum[i - 2 * spp] + sum[i - spp] + sum[i] + sum[i + spp]) >> 4;
            const int32_t v = p[i] + s * (p[i] - blur) / 10;
            o[i] = static_cast<T>(std::clamp(v, 0, kMax));
        }
        T* d = DestinationRow<T>(dst, dstStride, dstY + m) + (dstX + 2) * spp;
        if (spp == 4) {
            for (int32_t x = 0; x < width - 4; ++x)
                std::copy_n(o + first + 4 * x, 3, d + 4 * x);
        } else {
            std::copy(o + first, o + last, d);
        }
    }
    return 1;
}

} // namespace

const LayoutOps kSharpnessOps{Sharpen<uint8_t>, Sharpen<uint16_t>, Sharpen<uint8_t>, Sharpen<uint16_t>};

} // namespace tavix::imaging
