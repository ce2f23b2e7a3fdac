// Portable pair kernels. A pair (x, x+1) starts on row m's own colour, so
// with V(c) = 3 P(c, m) + P(c, m-2) on own-colour columns and
// W(c) = 3 P(c, m-1) + P(c, m+1) on the other ones, the 9-3-3-1 sums are
//   own:   x: 3 V(x) + V(x-2)        x+1: 3 V(x) + V(x+2)
//   cross: x: 3 W(x-1) + W(x+1)      x+1: 3 W(x+1) + W(x-1)
//   green: x: (P(x-1, m) + P(x, m-1)) / 2    x+1: (P(x+1, m) + P(x, m-1)) / 2
// Each pair is read as 16-bit (or 32-bit) little-endian words whose low
// half is the own-colour column and whose high half is the green column,
// which keeps every access contiguous.

#include <bit>
#include <cstring>

#include "imaging/DemosaicKernels.h"

namespace tavix::imaging::detail {

static_assert(std::endian::native == std::endian::little, "pair words assume little-endian samples");

namespace {

inline uint16_t Load16(const uint8_t* p)
{
    uint16_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline uint32_t Load32(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline void Store16(uint8_t* p, uint32_t v)
{
    const auto w = static_cast<uint16_t>(v);
    std::memcpy(p, &w, sizeof w);
}
inline void Store32(uint8_t* p, uint32_t v)
{
    std::memcpy(p, &v, sizeof v);
}

inline uint32_t Min(uint32_t a, uint32_t b)
{
    return a < b ? a : b;
}

// 8-bit samples. The sums are at most 16 x 255 = 4080 and the multipliers at
// most 512, so (s x g) >> 11 equals the high half of (s << 4) x (g << 1):
// everything fits 16-bit lanes, which doubles what the vectoriser packs into
// one register.
inline uint16_t Scale8(uint32_t sum, uint32_t gain2)
{
    const auto v = static_cast<uint16_t>((static_cast<uint32_t>(static_cast<uint16_t>(sum << 4)) * gain2) >> 16);
    return v > 255 ? uint16_t{255} : v;
}

template <int PixelBytes, bool OwnIsRed>
void Run8(const PairRun& r)
{
    const uint8_t* a2 = r.above2;
    const uint8_t* a1 = r.above1;
    const uint8_t* m = r.row;
    const uint8_t* b1 = r.below1;
    uint8_t* out = r.out;
    const auto gOwn = static_cast<uint16_t>(r.ownGain << 1);
    const auto gCross = static_cast<uint16_t>(r.crossGain << 1);
    const int32_t pairs = r.pairs;
    for (int32_t j = 0; j < pairs; ++j) {
        const int32_t o = 2 * j;
        const uint16_t m0 = Load16(m + o - 2), m1 = Load16(m + o), m2 = Load16(m + o + 2);
        const uint16_t p0 = Load16(a2 + o - 2), p1 = Load16(a2 + o), p2 = Load16(a2 + o + 2);
        const uint16_t u0 = Load16(a1 + o - 2), u1 = Load16(a1 + o);
        const uint16_t d0 = Load16(b1 + o - 2), d1 = Load16(b1 + o);
        const auto vL = static_cast<uint16_t>(3 * (m0 & 0xFF) + (p0 & 0xFF));
        const auto vC = static_cast<uint16_t>(3 * (m1 & 0xFF) + (p1 & 0xFF));
        const auto vR = static_cast<uint16_t>(3 * (m2 & 0xFF) + (p2 & 0xFF));
        const auto wL = static_cast<uint16_t>(3 * (u0 >> 8) + (d0 >> 8));
        const auto wR = static_cast<uint16_t>(3 * (u1 >> 8) + (d1 >> 8));
        const uint16_t own0 = Scale8(3 * vC + vL, gOwn);
        const uint16_t own1 = Scale8(3 * vC + vR, gOwn);
        const uint16_t cross0 = Scale8(3 * wL + wR, gCross);
        const uint16_t cross1 = Scale8(3 * wR + wL, gCross);
        const auto green0 = static_cast<uint16_t>(((m0 >> 8) + (u1 & 0xFF)) >> 1);
        const auto green1 = static_cast<uint16_t>(((m1 >> 8) + (u1 & 0xFF)) >> 1);
        const uint16_t blue0 = OwnIsRed ? cross0 : own0, blue1 = OwnIsRed ? cross1 : own1;
        const uint16_t red0 = OwnIsRed ? own0 : cross0, red1 = OwnIsRed ? own1 : cross1;
        if constexpr (PixelBytes == 3) {
            uint8_t* p = out + 6 * j;
            Store16(p, blue0 | green0 << 8);
            Store16(p + 2, red0 | blue1 << 8);
            Store16(p + 4, green1 | red1 << 8);
        } else {
            // The fourth byte of each pixel is left alone.
            uint8_t* p = out + 8 * j;
            p[0] = static_cast<uint8_t>(blue0);
            p[1] = static_cast<uint8_t>(green0);
            p[2] = static_cast<uint8_t>(red0);
            p[4] = static_cast<uint8_t>(blue1);
            p[5] = static_cast<uint8_t>(green1);
            p[6] = static_cast<uint8_t>(red1);
        }
    }
}

// 16-bit samples: sums up to 16 x 65535, products up to 2^29, all in
// unsigned 32-bit arithmetic (the same values as the signed formula).
template <int PixelWords, bool OwnIsRed>
void Run16(const PairRun& r)
{
    const uint8_t* a2 = r.above2;
    const uint8_t* a1 = r.above1;
    const uint8_t* m = r.row;
    const uint8_t* b1 = r.below1;
    uint8_t* out = r.out;
    const auto gOwn = static_cast<uint32_t>(r.ownGain);
    const auto gCross = static_cast<uint32_t>(r.crossGain);
    const int32_t pairs = r.pairs;
    for (int32_t j = 0; j < pairs; ++j) {
        const int32_t o = 4 * j;
        const uint32_t m0 = Load32(m + o - 4), m1 = Load32(m + o), m2 = Load32(m + o + 4);
        const uint32_t p0 = Load32(a2 + o - 4), p1 = Load32(a2 + o), p2 = Load32(a2 + o + 4);
        const uint32_t u0 = Load32(a1 + o - 4), u1 = Load32(a1 + o);
        const uint32_t d0 = Load32(b1 + o - 4), d1 = Load32(b1 + o);
        const uint32_t vL = 3 * (m0 & 0xFFFF) + (p0 & 0xFFFF);
        const uint32_t vC = 3 * (m1 & 0xFFFF) + (p1 & 0xFFFF);
        const uint32_t vR = 3 * (m2 & 0xFFFF) + (p2 & 0xFFFF);
        const uint32_t wL = 3 * (u0 >> 16) + (d0 >> 16);
        const uint32_t wR = 3 * (u1 >> 16) + (d1 >> 16);
        const uint32_t own0 = Min(((3 * vC + vL) * gOwn) >> 11, 65535);
        const uint32_t own1 = Min(((3 * vC + vR) * gOwn) >> 11, 65535);
        const uint32_t cross0 = Min(((3 * wL + wR) * gCross) >> 11, 65535);
        const uint32_t cross1 = Min(((3 * wR + wL) * gCross) >> 11, 65535);
        const uint32_t green0 = ((m0 >> 16) + (u1 & 0xFFFF)) >> 1;
        const uint32_t green1 = ((m1 >> 16) + (u1 & 0xFFFF)) >> 1;
        const uint32_t blue0 = OwnIsRed ? cross0 : own0, blue1 = OwnIsRed ? cross1 : own1;
        const uint32_t red0 = OwnIsRed ? own0 : cross0, red1 = OwnIsRed ? own1 : cross1;
        if constexpr (PixelWords == 3) {
            uint8_t* p = out + 12 * j;
            Store32(p, blue0 | green0 << 16);
            Store32(p + 4, red0 | blue1 << 16);
            Store32(p + 8, green1 | red1 << 16);
        } else {
            // The fourth word of each pixel is left alone.
            uint8_t* p = out + 16 * j;
            Store16(p, blue0);
            Store16(p + 2, green0);
            Store16(p + 4, red0);
            Store16(p + 8, blue1);
            Store16(p + 10, green1);
            Store16(p + 12, red1);
        }
    }
}

template <void (*Red)(const PairRun&), void (*Blue)(const PairRun&)>
void ByOwnColour(const PairRun& r)
{
    if (r.ownIsRed)
        Red(r);
    else
        Blue(r);
}

} // namespace

const DemosaicKernels kPortableKernels{"portable",
    {
        ByOwnColour<Run8<3, true>, Run8<3, false>>,
        ByOwnColour<Run8<4, true>, Run8<4, false>>,
        ByOwnColour<Run16<3, true>, Run16<3, false>>,
        ByOwnColour<Run16<4, true>, Run16<4, false>>,
    }};

} // namespace tavix::imaging::detail
