#include "imaging/HueSaturation.h"

#include <algorithm>
#include <array>

namespace tavix::imaging {

namespace {

using detail::DestinationRow;
using detail::SamplesPerPixel;
using detail::SourceRow;

constexpr int32_t kSectorSteps = 255;
constexpr int32_t kTurnSteps = 6 * kSectorSteps;

// Built once for the process: gray level i in all three bytes of 0x00RRGGBB,
// and 255 / chroma in 16.16 fixed point.
struct HexTables {
    std::array<uint32_t, 256> gray;
    std::array<int32_t, 256> inverse;
    // The largest chroma a lightness (max + min, 0..510) leaves room for.
    std::array<int32_t, 512> chromaLimit;
};

const HexTables& Tables()
{
    static const HexTables tables = [] {
        HexTables t{};
        for (int32_t i = 0; i < 256; ++i) {
            t.gray[i] = static_cast<uint32_t>(i) * 0x010101u;
            t.inverse[i] = i == 0 ? 0 : 0xFF0000 / i;
        }
        for (int32_t k = 0; k < 512; ++k)
            t.chromaLimit[k] = k < 256 ? k : 511 - k;
        return t;
    }();
    return tables;
}

// Walking a sector moves one colour byte from 0 to the range (or back)
// while the bytes of the mask stay at the range.
struct Sector {
    uint32_t mask;
    int32_t step;
};
constexpr Sector kSectors[6] = {
    {0xFF00FF, -1},     // magenta to red: blue falls
    {0xFF0000, +256},   // red to yellow: green rises
    {0xFFFF00, -65536}, // yellow to green: red falls
    {0x00FF00, +1},     // green to cyan: blue rises
    {0x00FFFF, -256},   // cyan to blue: green falls
    {0x0000FF, +65536}, // blue to magenta: red rises
};

// The turn of h degrees in whole sectors and steps, 0..1529 steps.
struct HueTurn {
    int32_t sectors;
    int32_t steps;
};

HueTurn Turn(int32_t h)
{
    const auto t = static_cast<int32_t>(static_cast<int64_t>(h) * 65536 / 360);
    const int32_t u = ((t & 0xFFFF) * 3) >> 7;
    int32_t f = u & 0x1FF;
    if (f >= 256)
        f -= 512;
    const int32_t q = ((u + 256) >> 9) % 3;
    int32_t o = q * 510 + f;
    o = (o % kTurnSteps + kTurnSteps) % kTurnSteps;
    return {o / kSectorSteps, o % kSectorSteps};
}

struct Conversion {
    const HexTables& t;
    std::array<int32_t, 256> chroma; // the saturation's scale of each chroma
    HueTurn turn;

    // 0x00RRGGBB of the converted pixel.
    uint32_t operator()(int32_t b, int32_t g, int32_t r) const
    {
        const int32_t max = std::max({b, g, r}), min = std::min({b, g, r});
        const int32_t c = max - min;
        // Where the pixel lies: the sector whose walk starts at the largest
        // byte's colour, or the one before it when the walk would have to
        // go backwards, with the distance walked (0..c).
        int32_t sector = 1, along = g - b;
        if (g > r) {
            sector = 3;
            along = b - r;
        }
        if (b > r && b > g) {
            sector = 5;
            along = r - g;
        }
        if (along < 0) {
            sector -= 1;
            along += c;
        }
        const int32_t lightness = max + min;
        const int32_t newChroma = std::min(t.chromaLimit[lightness], chroma[c]);
        const int32_t range = ((newChroma + lightness) >> 1) - ((lightness - newChroma) >> 1);
        const uint32_t base = t.gray[(lightness - newChroma) >> 1];
        if (c == 0)
            return base;
        int32_t k = sector + turn.sectors;
        int32_t p = ((t.inverse[c] * along + 32768) >> 16) + turn.steps;
        if (p >= kSectorSteps) {
            k += 1;
            p -= kSectorSteps;
        }
        const Sector& sec = kSectors[k % 6];
        return base + (t.gray[range] & sec.mask) +
               static_cast<uint32_t>(((range * p + 128) >> 8) * sec.step);
    }
};

template <typename T>
int HueSaturation(uint8_t* dst, const uint8_t* src, const PixelRect& rect, int32_t dstX, int32_t dstY,
    int32_t /*dstBytesPerPixel*/, int32_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride, const void* param1,
    void* /*param2*/)
{
    const auto& params = *static_cast<const HueSaturationParams*>(param1);
    Conversion convert{Tables(), {}, Turn(params.hue)};
    for (int32_t i = 0; i < 256; ++i)
        convert.chroma[i] = (i * (params.saturation + 256) * 256 + 32768) >> 16;
    constexpr int32_t kShift = sizeof(T) == 2 ? 8 : 0;
    const int32_t spp = SamplesPerPixel<T>(srcBytesPerPixel);
    const int32_t width = rect.right - rect.left;
    for (int32_t m = rect.top; m < rect.bottom; ++m) {
        const T* s = SourceRow<T>(src, srcStride, m) + rect.left * spp;
        T* d = DestinationRow<T>(dst, dstStride, dstY + m - rect.top) + dstX * spp;
        for (int32_t x = 0; x < width; ++x, s += spp, d += spp) {
            const uint32_t rgb = convert(s[0] >> kShift, s[1] >> kShift, s[2] >> kShift);
            d[0] = static_cast<T>((rgb & 0xFF) << kShift);
            d[1] = static_cast<T>(((rgb >> 8) & 0xFF) << kShift);
            d[2] = static_cast<T>(((rgb >> 16) & 0xFF) << kShift);
        }
    }
    return 1;
}

} // namespace

const LayoutOps kHueSaturationOps{nullptr, nullptr, HueSaturation<uint8_t>, HueSaturation<uint16_t>};

} // namespace tavix::imaging
