#include "imaging/AutoIris.h"

namespace tavix::imaging {

namespace {

using detail::SourceRow;

template <typename T>
int Sum(uint8_t* /*dst*/, const uint8_t* src, const PixelRect& rect, int32_t /*dstX*/, int32_t /*dstY*/,
    int32_t /*dstBytesPerPixel*/, int32_t /*srcBytesPerPixel*/, int32_t /*dstStride*/, int32_t srcStride,
    const void* /*param1*/, void* param2)
{
    auto& region = *static_cast<RegionSum*>(param2);
    for (int32_t m = rect.top; m < rect.bottom; ++m) {
        const T* s = SourceRow<T>(src, srcStride, m);
        uint64_t row = 0;
        for (int32_t x = rect.left; x < rect.right; ++x)
            row += s[x];
        region.sum += row;
    }
    region.count += static_cast<uint64_t>(rect.right - rect.left) * static_cast<uint64_t>(rect.bottom - rect.top);
    return 1;
}

// Left, top, right, bottom as fractions of the frame, top-down.
struct Region {
    double left, top, right, bottom;
};
constexpr Region kRegions[5] = {
    {0.1, 0.1, 0.2, 0.2}, {0.1, 0.8, 0.2, 0.9}, {0.45, 0.45, 0.55, 0.55}, {0.8, 0.1, 0.9, 0.2}, {0.8, 0.8, 0.9, 0.9},
};

int32_t Adjustment(uint64_t mean)
{
    if (mean >= 201)
        return -15;
    if (mean >= 161)
        return -10;
    if (mean < 50)
        return 10;
    if (mean < 100)
        return 5;
    return 0;
}

} // namespace

const LayoutOps kRegionSumOps{Sum<uint8_t>, Sum<uint16_t>, nullptr, nullptr};

int32_t AutoIrisPercent(DibImage& raw)
{
    const PixelOp op = ForLayout(kRegionSumOps, raw.BytesPerPixel());
    int32_t percent = 100;
    for (const Region& r : kRegions) {
        const auto at = [](double fraction, int32_t size) { return static_cast<int32_t>(fraction * size); };
        const PixelRect rect{at(r.left, raw.Width()), at(r.top, raw.Height()), at(r.right, raw.Width()),
            at(r.bottom, raw.Height())};
        RegionSum region;
        if (RunPixelOp(raw, op, raw, &rect, rect.left, rect.top, nullptr, &region) == 0 || region.count == 0)
            continue;
        percent += Adjustment(region.sum / region.count);
    }
    return percent;
}

} // namespace tavix::imaging
