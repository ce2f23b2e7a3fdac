#include "imaging/ToneFilters.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

namespace tavix::imaging {

namespace {

using detail::MapSamples;
using detail::SamplesPerPixel;

template <typename T>
constexpr int32_t kMax = std::numeric_limits<T>::max();

// The routines apply whatever mono/colour layout the call brings; the four
// entries of each table differ only in the sample type.
template <typename T>
int Brightness(uint8_t* dst, const uint8_t* src, const PixelRect& rect, int32_t dstX, int32_t dstY,
    int32_t /*dstBytesPerPixel*/, int32_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride, const void* param1,
    void* /*param2*/)
{
    const float f = BrightnessFactor(static_cast<const ToneParams*>(param1)->value);
    // The factor is at most 11, so the product fits an int32 for any sample.
    MapSamples<T>(dst, src, rect, dstX, dstY, SamplesPerPixel<T>(srcBytesPerPixel), dstStride, srcStride,
        [f](T p) { return static_cast<T>(std::min(static_cast<int32_t>(static_cast<float>(p) * f), kMax<T>)); });
    return 1;
}

template <typename T>
void ContrastTable(int32_t c, T* table)
{
    // Scaled to the sample range: 256 c of 65536 levels for 16-bit samples.
    const int64_t levels = int64_t{kMax<T>} + 1;
    const int64_t low = int64_t{c} * (levels / 256);
    const double slope = static_cast<double>(levels) / (2.0 * static_cast<double>(levels / 2 - low));
    for (int64_t i = 0; i < levels; ++i) {
        int64_t v;
        if (i < low)
            v = 0;
        else if (i <= kMax<T> - low)
            v = static_cast<int64_t>(slope * static_cast<double>(i - low));
        else
            v = kMax<T>;
        table[i] = static_cast<T>(std::clamp<int64_t>(v, 0, kMax<T>));
    }
}

template <typename T>
void GammaTable(int32_t g, T* table)
{
    // g = 0 gives an infinite exponent: every level below the top becomes 0.
    const double exponent = 100.0 / g;
    const double top = kMax<T>;
    table[0] = 0;
    for (int32_t i = 1; i <= kMax<T>; ++i)
        table[i] = static_cast<T>(std::min(top, std::trunc(top * std::pow(i / top, exponent))));
}

// Runs of bytes through a table a word at a time: one load and one store
// per four samples, where a byte loop keeps every lookup behind the store
// before it (the destination may be the source).
void LookupBytes(uint8_t* dst, const uint8_t* src, const PixelRect& rect, int32_t dstX, int32_t dstY, int32_t spp,
    int32_t dstStride, int32_t srcStride, const uint8_t* t)
{
    const int32_t count = (rect.right - rect.left) * spp;
    for (int32_t m = rect.top; m < rect.bottom; ++m) {
        const uint8_t* s = src + static_cast<ptrdiff_t>(m) * srcStride + rect.left * spp;
        uint8_t* d = dst + static_cast<ptrdiff_t>(dstY + m - rect.top) * dstStride + dstX * spp;
        int32_t i = 0;
        for (; i + 4 <= count; i += 4) {
            uint32_t w;
            std::memcpy(&w, s + i, 4);
            w = uint32_t{t[w & 0xFF]} | uint32_t{t[(w >> 8) & 0xFF]} << 8 | uint32_t{t[(w >> 16) & 0xFF]} << 16 |
                uint32_t{t[w >> 24]} << 24;
            std::memcpy(d + i, &w, 4);
        }
        for (; i < count; ++i)
            d[i] = t[s[i]];
    }
}

template <typename T, void (*Build)(int32_t, T*)>
int Lookup(uint8_t* dst, const uint8_t* src, const PixelRect& rect, int32_t dstX, int32_t dstY,
    int32_t /*dstBytesPerPixel*/, int32_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride, const void* param1,
    void* /*param2*/)
{
    // Built for each frame; 128 KiB for 16-bit samples, from the heap.
    const auto table = std::make_unique<T[]>(static_cast<size_t>(kMax<T>) + 1);
    Build(static_cast<const ToneParams*>(param1)->value, table.get());
    const T* t = table.get();
    const int32_t spp = SamplesPerPixel<T>(srcBytesPerPixel);
    if constexpr (sizeof(T) == 1) {
        if (spp != 4) {
            LookupBytes(dst, src, rect, dstX, dstY, spp, dstStride, srcStride, t);
            return 1;
        }
    }
    MapSamples<T>(dst, src, rect, dstX, dstY, spp, dstStride, srcStride, [t](T p) { return t[p]; });
    return 1;
}

} // namespace

float BrightnessFactor(int32_t b)
{
    const double f = b > 0 ? 1.0 + b * 10.0 / 255.0 : 1.0 - std::abs(b) / 255.0;
    return static_cast<float>(f);
}

const LayoutOps kBrightnessOps{Brightness<uint8_t>, Brightness<uint16_t>, Brightness<uint8_t>, Brightness<uint16_t>};
const LayoutOps kContrastOps{Lookup<uint8_t, ContrastTable<uint8_t>>, Lookup<uint16_t, ContrastTable<uint16_t>>,
    Lookup<uint8_t, ContrastTable<uint8_t>>, Lookup<uint16_t, ContrastTable<uint16_t>>};
const LayoutOps kGammaOps{Lookup<uint8_t, GammaTable<uint8_t>>, Lookup<uint16_t, GammaTable<uint16_t>>,
    Lookup<uint8_t, GammaTable<uint8_t>>, Lookup<uint16_t, GammaTable<uint16_t>>};

} // namespace tavix::imaging
