// AVX2 pair kernels: the portable kernels' arithmetic, 16 pairs (8-bit) or
// 8 pairs (16-bit) per step, with the tail of each run left to the portable
// kernels. This unit is compiled with AVX2 enabled and runs only after the
// processor was checked, so it defines nothing with external linkage except
// its table and includes nothing that could put AVX2 copies of shared
// inline functions into the link.

#include <immintrin.h>

#include <cstdint>

#include "imaging/DemosaicKernels.h"

namespace tavix::imaging::detail {

namespace {

inline __m256i Load(const uint8_t* p)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
inline void Store(uint8_t* p, __m256i v)
{
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

// The channel vectors arrive as packus leaves them: in each 128-bit lane
// the first half holds the even pixels of the lane, the second half the odd
// ones. Pixel p of a lane (E = 16 / ElementBytes pixels per lane) is
// element PackedIndex(p).
template <int ElementBytes>
constexpr int PackedIndex(int pixel)
{
    return (pixel & 1) != 0 ? 8 / ElementBytes + pixel / 2 : pixel / 2;
}

// Shuffles and blend masks that interleave three such channel vectors into
// 3 x 16 bytes per lane. Output chunk k of a lane holds interleaved
// elements E*k .. E*k+E-1; element t of it is channel (E*k + t) % 3 of
// pixel (E*k + t) / 3. E is not a multiple of 3, so for every t and channel
// exactly one chunk wants that channel at t: one shuffle per channel serves
// all three chunks, which are then blended from the shuffled vectors.
template <int ElementBytes>
struct Interleave3Tables {
    alignas(32) uint8_t shuffle[3][32] = {};
    alignas(32) uint8_t select[3][3][32] = {}; // [chunk][channel]
    constexpr Interleave3Tables()
    {
        constexpr int e = 16 / ElementBytes;
        for (int lane = 0; lane < 2; ++lane) {
            for (int t = 0; t < e; ++t) {
                for (int c = 0; c < 3; ++c) {
                    int k = 0;
                    while ((e * k + t) % 3 != c)
                        ++k;
                    const int from = PackedIndex<ElementBytes>((e * k + t) / 3);
                    for (int b = 0; b < ElementBytes; ++b)
                        shuffle[c][16 * lane + ElementBytes * t + b] = static_cast<uint8_t>(ElementBytes * from + b);
                }
                for (int k = 0; k < 3; ++k)
                    for (int b = 0; b < ElementBytes; ++b)
                        select[k][(e * k + t) % 3][16 * lane + ElementBytes * t + b] = 0xFF;
            }
        }
    }
};

constexpr Interleave3Tables<1> kInterleave8;
constexpr Interleave3Tables<2> kInterleave16;

// Writes 96 bytes: the pixels of b, g, r as b g r triples.
template <int ElementBytes>
inline void StoreInterleaved3(uint8_t* out, __m256i b, __m256i g, __m256i r, const Interleave3Tables<ElementBytes>& t)
{
    const __m256i sb = _mm256_shuffle_epi8(b, Load(t.shuffle[0]));
    const __m256i sg = _mm256_shuffle_epi8(g, Load(t.shuffle[1]));
    const __m256i sr = _mm256_shuffle_epi8(r, Load(t.shuffle[2]));
    __m256i chunk[3];
    for (int k = 0; k < 3; ++k)
        chunk[k] = _mm256_blendv_epi8(_mm256_blendv_epi8(sb, sg, Load(t.select[k][1])), sr, Load(t.select[k][2]));
    // Lane 0 holds chunks 0-2 of the first half of the pixels, lane 1 those
    // of the second half.
    Store(out, _mm256_permute2x128_si256(chunk[0], chunk[1], 0x20));
    Store(out + 32, _mm256_permute2x128_si256(chunk[2], chunk[0], 0x30));
    Store(out + 64, _mm256_permute2x128_si256(chunk[1], chunk[2], 0x31));
}

// Writes four 32-byte vectors of whole pixels, keeping the bits of keep
// (the fourth byte or word) from what the memory held.
inline void StoreKeeping(uint8_t* out, __m256i keep, const __m256i (&v)[4])
{
    for (int i = 0; i < 4; ++i)
        Store(out + 32 * i, _mm256_or_si256(_mm256_and_si256(Load(out + 32 * i), keep), v[i]));
}

// 32 pixels of packed b, g, r bytes as 4-byte pixels.
inline void StoreInterleaved4x8(uint8_t* out, __m256i b, __m256i g, __m256i r)
{
    const __m256i zero = _mm256_setzero_si256();
    // Even and odd pixels of each lane as (b, g) words and (r, 0) words...
    const __m256i bgEven = _mm256_unpacklo_epi8(b, g), bgOdd = _mm256_unpackhi_epi8(b, g);
    const __m256i rEven = _mm256_unpacklo_epi8(r, zero), rOdd = _mm256_unpackhi_epi8(r, zero);
    // ...as whole pixels: even 0,2,4,6 and 8,10,12,14; odd 1,3,5,7 and 9,...,15
    // (of each lane)...
    const __m256i even0 = _mm256_unpacklo_epi16(bgEven, rEven), even1 = _mm256_unpackhi_epi16(bgEven, rEven);
    const __m256i odd0 = _mm256_unpacklo_epi16(bgOdd, rOdd), odd1 = _mm256_unpackhi_epi16(bgOdd, rOdd);
    // ...and in order: pixels 0-3|16-19, 4-7|20-23, 8-11|24-27, 12-15|28-31.
    const __m256i p0 = _mm256_unpacklo_epi32(even0, odd0), p1 = _mm256_unpackhi_epi32(even0, odd0);
    const __m256i p2 = _mm256_unpacklo_epi32(even1, odd1), p3 = _mm256_unpackhi_epi32(even1, odd1);
    const __m256i v[4] = {_mm256_permute2x128_si256(p0, p1, 0x20), _mm256_permute2x128_si256(p2, p3, 0x20),
        _mm256_permute2x128_si256(p0, p1, 0x31), _mm256_permute2x128_si256(p2, p3, 0x31)};
    StoreKeeping(out, _mm256_set1_epi32(static_cast<int32_t>(0xFF000000u)), v);
}

// 16 pixels of packed b, g, r words as 8-byte pixels.
inline void StoreInterleaved4x16(uint8_t* out, __m256i b, __m256i g, __m256i r)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i bgEven = _mm256_unpacklo_epi16(b, g), bgOdd = _mm256_unpackhi_epi16(b, g);
    const __m256i rEven = _mm256_unpacklo_epi16(r, zero), rOdd = _mm256_unpackhi_epi16(r, zero);
    // Even pixels 0,2 and 4,6, odd 1,3 and 5,7 (of each lane)...
    const __m256i even0 = _mm256_unpacklo_epi32(bgEven, rEven), even1 = _mm256_unpackhi_epi32(bgEven, rEven);
    const __m256i odd0 = _mm256_unpacklo_epi32(bgOdd, rOdd), odd1 = _mm256_unpackhi_epi32(bgOdd, rOdd);
    // ...in order: pixels 0-1|8-9, 2-3|10-11, 4-5|12-13, 6-7|14-15.
    const __m256i p0 = _mm256_unpacklo_epi64(even0, odd0), p1 = _mm256_unpackhi_epi64(even0, odd0);
    const __m256i p2 = _mm256_unpacklo_epi64(even1, odd1), p3 = _mm256_unpackhi_epi64(even1, odd1);
    const __m256i v[4] = {_mm256_permute2x128_si256(p0, p1, 0x20), _mm256_permute2x128_si256(p2, p3, 0x20),
        _mm256_permute2x128_si256(p0, p1, 0x31), _mm256_permute2x128_si256(p2, p3, 0x31)};
    StoreKeeping(out, _mm256_set1_epi64x(static_cast<int64_t>(0xFFFF000000000000ull)), v);
}

inline __m256i Times3x32(__m256i v)
{
    return _mm256_add_epi32(v, _mm256_add_epi32(v, v));
}

void RunRest(const PairRun& r, int32_t donePairs, int32_t sampleBytes, int32_t pixelBytes, OutputFormat format)
{
    if (donePairs >= r.pairs)
        return;
    PairRun rest = r;
    const int32_t in = 2 * donePairs * sampleBytes;
    rest.above2 += in;
    rest.above1 += in;
    rest.row += in;
    rest.below1 += in;
    rest.out += 2 * donePairs * pixelBytes;
    rest.pairs -= donePairs;
    kPortableKernels.run[format](rest);
}

// 8-bit samples in 16-bit lanes, one lane per pair: the low byte of a lane
// is the own-colour column, the high byte the green one (see the portable
// kernels for the formulas). maddubs picks a byte of each pair and weighs
// it in one step; the gain's 2^5 makes the high half of the 16-bit product
// the sum times the multiplier over 2^11; packus limits to 255.
template <int PixelBytes, bool OwnIsRed>
void Run8(const PairRun& r)
{
    const __m256i lowByte = _mm256_set1_epi16(0x00FF);
    const __m256i low3 = _mm256_set1_epi16(0x0003), low9 = _mm256_set1_epi16(0x0009);
    const __m256i high3 = _mm256_set1_epi16(0x0300);
    const __m256i gOwn = _mm256_set1_epi16(static_cast<int16_t>(r.ownGain << 5));
    const __m256i gCross = _mm256_set1_epi16(static_cast<int16_t>(r.crossGain << 5));
    const int32_t pairs = r.pairs;
    int32_t k = 0;
    for (; k + 16 <= pairs; k += 16) {
        const int32_t o = 2 * k;
        const __m256i m0 = Load(r.row + o - 2), m1 = Load(r.row + o), m2 = Load(r.row + o + 2);
        const __m256i p0 = Load(r.above2 + o - 2), p1 = Load(r.above2 + o), p2 = Load(r.above2 + o + 2);
        const __m256i u0 = Load(r.above1 + o - 2), u1 = Load(r.above1 + o);
        const __m256i d0 = Load(r.below1 + o - 2), d1 = Load(r.below1 + o);
        // V = 3 P(m) + P(m-2) on own-colour columns, W = 3 P(m-1) + P(m+1) on
        // green ones.
        const __m256i vL = _mm256_add_epi16(_mm256_maddubs_epi16(m0, low3), _mm256_and_si256(p0, lowByte));
        const __m256i vR = _mm256_add_epi16(_mm256_maddubs_epi16(m2, low3), _mm256_and_si256(p2, lowByte));
        const __m256i vC3 = _mm256_add_epi16(_mm256_maddubs_epi16(m1, low9), _mm256_maddubs_epi16(p1, low3));
        const __m256i wL = _mm256_add_epi16(_mm256_maddubs_epi16(u0, high3), _mm256_srli_epi16(d0, 8));
        const __m256i wR = _mm256_add_epi16(_mm256_maddubs_epi16(u1, high3), _mm256_srli_epi16(d1, 8));
        // 3 wL + wR and 3 wR + wL as (wL + wR) + 2 wL and + 2 wR.
        const __m256i wSum = _mm256_add_epi16(wL, wR);
        const __m256i own0 = _mm256_mulhi_epu16(_mm256_add_epi16(vC3, vL), gOwn);
        const __m256i own1 = _mm256_mulhi_epu16(_mm256_add_epi16(vC3, vR), gOwn);
        const __m256i cross0 = _mm256_mulhi_epu16(_mm256_add_epi16(wSum, _mm256_add_epi16(wL, wL)), gCross);
        const __m256i cross1 = _mm256_mulhi_epu16(_mm256_add_epi16(wSum, _mm256_add_epi16(wR, wR)), gCross);
        const __m256i greenAbove = _mm256_and_si256(u1, lowByte);
        const __m256i green0 = _mm256_srli_epi16(_mm256_add_epi16(_mm256_srli_epi16(m0, 8), greenAbove), 1);
        const __m256i green1 = _mm256_srli_epi16(_mm256_add_epi16(_mm256_srli_epi16(m1, 8), greenAbove), 1);
        const __m256i ownPx = _mm256_packus_epi16(own0, own1);
        const __m256i crossPx = _mm256_packus_epi16(cross0, cross1);
        const __m256i green = _mm256_packus_epi16(green0, green1);
        const __m256i blue = OwnIsRed ? crossPx : ownPx;
        const __m256i red = OwnIsRed ? ownPx : crossPx;
        if constexpr (PixelBytes == 3)
            StoreInterleaved3(r.out + 6 * k, blue, green, red, kInterleave8);
        else
            StoreInterleaved4x8(r.out + 8 * k, blue, green, red);
    }
    RunRest(r, k, 1, PixelBytes, PixelBytes == 3 ? kBgr24 : kBgrx32);
}

// 16-bit samples in 32-bit lanes, one lane per pair; packus brings each
// channel to packed 16-bit pixels.
template <int PixelWords, bool OwnIsRed>
void Run16(const PairRun& r)
{
    const __m256i lowWord = _mm256_set1_epi32(0xFFFF);
    const __m256i gOwn = _mm256_set1_epi32(r.ownGain);
    const __m256i gCross = _mm256_set1_epi32(r.crossGain);
    const int32_t pairs = r.pairs;
    int32_t k = 0;
    for (; k + 8 <= pairs; k += 8) {
        const int32_t o = 4 * k;
        const __m256i m0 = Load(r.row + o - 4), m1 = Load(r.row + o), m2 = Load(r.row + o + 4);
        const __m256i p0 = Load(r.above2 + o - 4), p1 = Load(r.above2 + o), p2 = Load(r.above2 + o + 4);
        const __m256i u0 = Load(r.above1 + o - 4), u1 = Load(r.above1 + o);
        const __m256i d0 = Load(r.below1 + o - 4), d1 = Load(r.below1 + o);
        auto own = [&](__m256i m, __m256i p) {
            return _mm256_add_epi32(Times3x32(_mm256_and_si256(m, lowWord)), _mm256_and_si256(p, lowWord));
        };
        auto cross = [&](__m256i u, __m256i d) {
            return _mm256_add_epi32(Times3x32(_mm256_srli_epi32(u, 16)), _mm256_srli_epi32(d, 16));
        };
        const __m256i vL = own(m0, p0), vC3 = Times3x32(own(m1, p1)), vR = own(m2, p2);
        const __m256i wL = cross(u0, d0), wR = cross(u1, d1);
        const __m256i wL3 = Times3x32(wL), wR3 = Times3x32(wR);
        auto scale = [&](__m256i sum, __m256i gain) {
            return _mm256_srli_epi32(_mm256_mullo_epi32(sum, gain), 11);
        };
        const __m256i own0 = scale(_mm256_add_epi32(vC3, vL), gOwn);
        const __m256i own1 = scale(_mm256_add_epi32(vC3, vR), gOwn);
        const __m256i cross0 = scale(_mm256_add_epi32(wL3, wR), gCross);
        const __m256i cross1 = scale(_mm256_add_epi32(wR3, wL), gCross);
        const __m256i greenAbove = _mm256_and_si256(u1, lowWord);
        const __m256i green0 = _mm256_srli_epi32(_mm256_add_epi32(_mm256_srli_epi32(m0, 16), greenAbove), 1);
        const __m256i green1 = _mm256_srli_epi32(_mm256_add_epi32(_mm256_srli_epi32(m1, 16), greenAbove), 1);
        // packus limits to 65535 (the products stay below 2^31).
        const __m256i ownPx = _mm256_packus_epi32(own0, own1);
        const __m256i crossPx = _mm256_packus_epi32(cross0, cross1);
        const __m256i green = _mm256_packus_epi32(green0, green1);
        const __m256i blue = OwnIsRed ? crossPx : ownPx;
        const __m256i red = OwnIsRed ? ownPx : crossPx;
        if constexpr (PixelWords == 3)
            StoreInterleaved3(r.out + 12 * k, blue, green, red, kInterleave16);
        else
            StoreInterleaved4x16(r.out + 16 * k, blue, green, red);
    }
    RunRest(r, k, 2, 2 * PixelWords, PixelWords == 3 ? kBgr48 : kBgrx64);
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

extern const DemosaicKernels kAvx2Kernels;
const DemosaicKernels kAvx2Kernels{"avx2",
    {
        ByOwnColour<Run8<3, true>, Run8<3, false>>,
        ByOwnColour<Run8<4, true>, Run8<4, false>>,
        ByOwnColour<Run16<3, true>, Run16<3, false>>,
        ByOwnColour<Run16<4, true>, Run16<4, false>>,
    }};

} // namespace tavix::imaging::detail
