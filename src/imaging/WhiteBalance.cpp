#include "imaging/WhiteBalance.h"

#include <cmath>

namespace tavix::imaging {

namespace {

using detail::SourceRow;

constexpr int32_t kMaxGain = 400;

template <typename T>
int Statistics(uint8_t* /*dst*/, const uint8_t* src, const PixelRect& rect, int32_t /*dstX*/, int32_t /*dstY*/,
    int32_t /*dstBytesPerPixel*/, int32_t /*srcBytesPerPixel*/, int32_t /*dstStride*/, int32_t srcStride,
    const void* param1, void* param2)
{
    const int32_t phase = static_cast<const WhiteBalanceParams*>(param1)->phase;
    auto& sums = *static_cast<WhiteBalanceSums*>(param2);
    for (int32_t m = rect.top; m < rect.bottom; ++m) {
        const T* row = SourceRow<T>(src, srcStride, m);
        // Sums of the even and odd columns (by the parity class).
        uint64_t part[2] = {0, 0};
        const int32_t c0 = (rect.left + (phase >> 1)) & 1;
        int32_t x = rect.left;
        for (; x + 1 < rect.right; x += 2) {
            part[0] += row[x];
            part[1] += row[x + 1];
        }
        if (x < rect.right)
            part[0] += row[x];
        const auto columns = static_cast<uint64_t>(rect.right - rect.left);
        const uint64_t count[2] = {(columns + 1) / 2, columns / 2};
        // part[i] holds column class c0 ^ i.
        const int32_t r = (m + (phase & 1)) & 1;
        for (int i = 0; i < 2; ++i) {
            const int32_t c = c0 ^ i;
            if (r == c) {
                sums.green += part[i];
                sums.greenCount += count[i];
            } else if (r == 0) {
                sums.blue += part[i];
                sums.blueCount += count[i];
            } else {
                sums.red += part[i];
                sums.redCount += count[i];
            }
        }
    }
    return 1;
}

int32_t Balanced(double s, double green, double colour, int32_t current)
{
    // In this order: (S / m) / 3 x 100 over (S / mG) / 3, i.e. 100 mG / m.
    const double gain = ((s / colour) / 3 * 100) / ((s / green) / 3);
    if (std::isnan(gain))
        return current;
    return gain >= kMaxGain ? kMaxGain : static_cast<int32_t>(gain);
}

} // namespace

const LayoutOps kWhiteBalanceStatsOps{Statistics<uint8_t>, Statistics<uint16_t>, nullptr, nullptr};

BayerGains WhiteBalanceGains(const WhiteBalanceSums& sums, const BayerGains& current)
{
    if (sums.greenCount == 0)
        return current;
    const double green = static_cast<double>(sums.green) / static_cast<double>(sums.greenCount);
    const double blue = sums.blueCount != 0 ? static_cast<double>(sums.blue) / static_cast<double>(sums.blueCount)
                                            : std::nan("");
    const double red = sums.redCount != 0 ? static_cast<double>(sums.red) / static_cast<double>(sums.redCount)
                                          : std::nan("");
    const double s = green + blue + red;
    return {Balanced(s, green, red, current.red), 100, Balanced(s, green, blue, current.blue)};
}

BayerGains MeasureWhiteBalance(DibImage& mosaic, int32_t phase, const BayerGains& current)
{
    WhiteBalanceSums sums;
    const WhiteBalanceParams params{phase};
    // The statistics write nothing: the mosaic stands in as the destination.
    const PixelOp op = ForLayout(kWhiteBalanceStatsOps, mosaic.BytesPerPixel());
    if (RunPixelOp(mosaic, op, mosaic, nullptr, 0, 0, &params, &sums) == 0)
        return current;
    return WhiteBalanceGains(sums, current);
}

} // namespace tavix::imaging
