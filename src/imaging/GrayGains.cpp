#include "imaging/GrayGains.h"

#include <algorithm>
#include <array>
#include <limits>

namespace tavix::imaging {

namespace {

using detail::DestinationRow;
using detail::SourceRow;

constexpr int32_t kUnity = 128;

// Index of class (r, c) is 2 r + c.
int32_t ClassIndex(int32_t m, int32_t x, int32_t bayerMode)
{
    return ((m + (bayerMode & 1)) & 1) * 2 + ((x + (bayerMode >> 1)) & 1);
}

struct ClassValues {
    std::array<int64_t, 4> gain, offset;
};

ClassValues ByClass(const GrayGains& g)
{
    return {{g.gainG1, g.gainR, g.gainB, g.gainG2}, {g.offsetG1, g.offsetR, g.offsetB, g.offsetG2}};
}

template <typename Acc, typename T>
T Scaled(T p, Acc gain, Acc offset)
{
    constexpr Acc kMax = std::numeric_limits<T>::max();
    return static_cast<T>(std::clamp<Acc>(static_cast<Acc>(p) * gain / kUnity + offset, 0, kMax));
}

// Columns alternate between two classes within a row: the row is walked
// in pairs so that each lane of a vector keeps one class.
template <typename Acc, typename T>
void ScaleRow(T* d, const T* s, int32_t width, Acc g0, Acc o0, Acc g1, Acc o1)
{
    int32_t x = 0;
    for (; x + 1 < width; x += 2) {
        d[x] = Scaled(s[x], g0, o0);
        d[x + 1] = Scaled(s[x + 1], g1, o1);
    }
    if (x < width)
        d[x] = Scaled(s[x], g0, o0);
}

template <typename T>
int Apply(uint8_t* dst, const uint8_t* src, const PixelRect& rect, int32_t dstX, int32_t dstY,
    int32_t /*dstBytesPerPixel*/, int32_t /*srcBytesPerPixel*/, int32_t dstStride, int32_t srcStride,
    const void* param1, void* /*param2*/)
{
    const auto& params = *static_cast<const GrayGainParams*>(param1);
    const ClassValues v = ByClass(params.gains);
    const int32_t width = rect.right - rect.left;
    // 8-bit samples go through one table per class; 16-bit ones are
    // computed, in 32 bits while the gains allow it.
    std::array<std::array<uint8_t, 256>, 4> tables{};
    if constexpr (sizeof(T) == 1) {
        for (int k = 0; k < 4; ++k)
            for (int32_t p = 0; p < 256; ++p)
                tables[k][p] = Scaled(static_cast<uint8_t>(p), v.gain[k], v.offset[k]);
    }
    const bool narrow =
        std::all_of(v.gain.begin(), v.gain.end(), [](int64_t g) { return g >= 0 && g <= 32767; });
    for (int32_t m = rect.top; m < rect.bottom; ++m) {
        const T* s = SourceRow<T>(src, srcStride, m) + rect.left;
        T* d = DestinationRow<T>(dst, dstStride, dstY + m - rect.top) + dstX;
        const int32_t k0 = ClassIndex(m, rect.left, params.bayerMode), k1 = k0 ^ 1;
        if constexpr (sizeof(T) == 1) {
            const uint8_t* t0 = tables[k0].data();
            const uint8_t* t1 = tables[k1].data();
            int32_t x = 0;
            for (; x + 1 < width; x += 2) {
                d[x] = t0[s[x]];
                d[x + 1] = t1[s[x + 1]];
            }
            if (x < width)
                d[x] = t0[s[x]];
        } else if (narrow) {
            ScaleRow<int32_t>(d, s, width, static_cast<int32_t>(v.gain[k0]), static_cast<int32_t>(v.offset[k0]),
                static_cast<int32_t>(v.gain[k1]), static_cast<int32_t>(v.offset[k1]));
        } else {
            ScaleRow<int64_t>(d, s, width, v.gain[k0], v.offset[k0], v.gain[k1], v.offset[k1]);
        }
    }
    return 1;
}

template <typename T>
int Gather(uint8_t* /*dst*/, const uint8_t* src, const PixelRect& rect, int32_t /*dstX*/, int32_t /*dstY*/,
    int32_t /*dstBytesPerPixel*/, int32_t /*srcBytesPerPixel*/, int32_t /*dstStride*/, int32_t srcStride,
    const void* param1, void* param2)
{
    const int32_t bayerMode = *static_cast<const int32_t*>(param1);
    auto& sums = *static_cast<GrayClassSums*>(param2);
    constexpr T kMax = std::numeric_limits<T>::max();
    for (int32_t m = rect.top; m < rect.bottom; ++m) {
        const T* s = SourceRow<T>(src, srcStride, m);
        for (int32_t x = rect.left; x < rect.right; ++x) {
            const bool usable = s[x] != 0 && s[x] != kMax;
            const int32_t k = ClassIndex(m, x, bayerMode);
            sums.sum[k] += usable ? s[x] : 0;
            sums.count[k] += usable ? 1 : 0;
        }
    }
    return 1;
}

} // namespace

bool GrayGainsNeutral(const GrayGains& g)
{
    return g.gainR == kUnity && g.gainG1 == kUnity && g.gainG2 == kUnity && g.gainB == kUnity &&
           g.offsetR == kUnity && g.offsetG1 == kUnity && g.offsetG2 == kUnity;
}

const LayoutOps kApplyGrayGainsOps{Apply<uint8_t>, Apply<uint16_t>, nullptr, nullptr};
const LayoutOps kGrayAutoGainsOps{Gather<uint8_t>, Gather<uint16_t>, nullptr, nullptr};

GrayGains AutoGrayGains(const GrayClassSums& sums, const GrayGains& current)
{
    GrayGains g = current;
    if (sums.count[0] == 0)
        return g;
    const auto mean = [&sums](int k) {
        return static_cast<float>(sums.sum[k]) / static_cast<float>(sums.count[k]);
    };
    const float m00 = mean(0);
    const auto gain = [&](int k, int32_t keep) {
        return sums.count[k] == 0 ? keep : static_cast<int32_t>(m00 / mean(k) * 128.0f);
    };
    g.gainR = gain(1, current.gainR);
    g.gainG1 = kUnity;
    g.gainG2 = gain(3, current.gainG2);
    g.gainB = gain(2, current.gainB);
    return g;
}

} // namespace tavix::imaging
