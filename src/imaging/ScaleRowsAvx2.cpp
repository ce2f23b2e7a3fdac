// AVX2 row loops of the scaler: the portable loops' arithmetic (ScaleRows.h)
// with products summed in another order, which integers allow, so the bytes
// are the same; the tails of each row are left to the portable loops. This
// unit is compiled with AVX2 enabled and runs only after the processor was
// checked, so it defines nothing with external linkage except its table.

#include <immintrin.h>

#include <cstdint>
#include <cstring>

#include "imaging/ScaleRows.h"

namespace tavix::imaging::detail {
namespace {

constexpr int32_t kOutputShift = kWeightBits + kLineFractionBits;

inline __m128i Load128(const void* p)
{
    return _mm_loadu_si128(static_cast<const __m128i*>(p));
}
inline __m256i Load256(const void* p)
{
    return _mm256_loadu_si256(static_cast<const __m256i*>(p));
}
inline __m256i Load2x128(const void* low, const void* high)
{
    return _mm256_inserti128_si256(_mm256_castsi128_si256(Load128(low)), Load128(high), 1);
}
inline int32_t Load32(const void* p)
{
    int32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Sixteen line values a step; each pair of taps is one multiply-add of
// interleaved samples. The unpacks and the pack work within 128-bit lanes,
// so the pack puts the values back in order.
void Vertical(int16_t* line, const uint8_t* const* rows, const int16_t* weights, int32_t taps, int32_t begin,
              int32_t end)
{
    const __m256i round = _mm256_set1_epi32(1 << (kLineFractionBits - 1));
    int32_t i = begin;
    for (; i + 16 <= end; i += 16) {
        __m256i low = round, high = round;
        for (int32_t k = 0; k < taps; k += 2) {
            const __m256i a = _mm256_cvtepu8_epi16(Load128(rows[k] + i));
            const __m256i b = _mm256_cvtepu8_epi16(Load128(rows[k + 1] + i));
            const __m256i w = _mm256_set1_epi32(Load32(weights + k));
            low = _mm256_add_epi32(low, _mm256_madd_epi16(_mm256_unpacklo_epi16(a, b), w));
            high = _mm256_add_epi32(high, _mm256_madd_epi16(_mm256_unpackhi_epi16(a, b), w));
        }
        low = _mm256_srai_epi32(low, kLineFractionBits);
        high = _mm256_srai_epi32(high, kLineFractionBits);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(line + i), _mm256_packs_epi32(low, high));
    }
    kPortableScaleRows.vertical(line, rows, weights, taps, i, end);
}

void Narrow(uint8_t* out, const int16_t* line, int32_t begin, int32_t end)
{
    const __m256i round = _mm256_set1_epi16(1 << (kLineFractionBits - 1));
    int32_t i = begin;
    for (; i + 32 <= end; i += 32) {
        const __m256i a = _mm256_srai_epi16(_mm256_add_epi16(Load256(line + i), round), kLineFractionBits);
        const __m256i b = _mm256_srai_epi16(_mm256_add_epi16(Load256(line + i + 16), round), kLineFractionBits);
        const __m256i bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(a, b), _MM_SHUFFLE(3, 1, 2, 0));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), bytes);
    }
    kPortableScaleRows.narrow(out, line, i, end);
}

// Sums of output pixels o (low lane) and o + 1 (high lane) of a gray line,
// four partial sums each.
inline __m256i GrayPairSums(const int16_t* line, const HorizontalTaps& h, int32_t o)
{
    const int16_t* p0 = line + h.first[o];
    const int16_t* p1 = line + h.first[o + 1];
    const int16_t* w0 = h.weights + static_cast<int64_t>(o) * h.taps;
    const int16_t* w1 = w0 + h.taps;
    __m256i sum = _mm256_setzero_si256();
    for (int32_t k = 0; k < h.taps; k += kGrayTapGroup)
        sum = _mm256_add_epi32(sum, _mm256_madd_epi16(Load2x128(p0 + k, p1 + k), Load2x128(w0 + k, w1 + k)));
    return sum;
}

// Eight output pixels a step.
void HorizontalGray(uint8_t* out, const int16_t* line, const HorizontalTaps& h, int32_t begin, int32_t end)
{
    const __m256i round = _mm256_set1_epi32(1 << (kOutputShift - 1));
    int32_t o = begin;
    for (; o + 8 <= end; o += 8) {
        // Lanes: [o, o+2, o+4, o+6] low, [o+1, o+3, o+5, o+7] high.
        const __m256i s01 = _mm256_hadd_epi32(GrayPairSums(line, h, o), GrayPairSums(line, h, o + 2));
        const __m256i s23 = _mm256_hadd_epi32(GrayPairSums(line, h, o + 4), GrayPairSums(line, h, o + 6));
        __m256i sums = _mm256_srai_epi32(_mm256_add_epi32(_mm256_hadd_epi32(s01, s23), round), kOutputShift);
        sums = _mm256_packus_epi16(_mm256_packs_epi32(sums, sums), _mm256_setzero_si256());
        const __m128i bytes = _mm_unpacklo_epi8(_mm256_castsi256_si128(sums), _mm256_extracti128_si256(sums, 1));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + o), bytes);
    }
    kPortableScaleRows.horizontalGray(out, line, h, o, end);
}

// Blue, green, red sums of output pixel o: taps 4g, 4g+1 in the low lane,
// 4g+2, 4g+3 in the high lane, the fourth value of each lane zero.
inline __m256i ColourSums(const int16_t* line, const HorizontalTaps& h, int32_t o)
{
    // Each lane's first six values are two pixels; interleave them by channel.
    const __m256i pairs = _mm256_setr_epi8(0, 1, 6, 7, 2, 3, 8, 9, 4, 5, 10, 11, -1, -1, -1, -1, //
                                           0, 1, 6, 7, 2, 3, 8, 9, 4, 5, 10, 11, -1, -1, -1, -1);
    const int16_t* p = line + static_cast<int64_t>(h.first[o]) * 3;
    const int16_t* w = h.pairWeights + static_cast<int64_t>(o) * h.taps * 4;
    __m256i sum = _mm256_setzero_si256();
    for (int32_t k = 0; k < h.taps; k += kColourTapGroup, p += 3 * kColourTapGroup, w += 16) {
        const __m256i v = _mm256_shuffle_epi8(Load2x128(p, p + 6), pairs);
        sum = _mm256_add_epi32(sum, _mm256_madd_epi16(v, Load256(w)));
    }
    return sum;
}

// Pixels o (low lane) and o + 1 (high lane) as blue, green, red, 0, shifted.
inline __m256i ColourPair(const int16_t* line, const HorizontalTaps& h, int32_t o)
{
    const __m256i a = ColourSums(line, h, o), b = ColourSums(line, h, o + 1);
    const __m256i sums = _mm256_add_epi32(_mm256_permute2x128_si256(a, b, 0x20), _mm256_permute2x128_si256(a, b, 0x31));
    return _mm256_srai_epi32(_mm256_add_epi32(sums, _mm256_set1_epi32(1 << (kOutputShift - 1))), kOutputShift);
}

// Four output pixels (twelve bytes) a step.
void HorizontalColour(uint8_t* out, const int16_t* line, const HorizontalTaps& h, int32_t begin, int32_t end)
{
    const __m128i pack = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    int32_t o = begin;
    for (; o + 4 <= end; o += 4) {
        // Low lane o, o+2; high lane o+1, o+3.
        const __m256i words = _mm256_packs_epi32(ColourPair(line, h, o), ColourPair(line, h, o + 2));
        const __m256i bytes = _mm256_packus_epi16(words, words);
        const __m128i pixels = _mm_shuffle_epi8(
            _mm_unpacklo_epi32(_mm256_castsi256_si128(bytes), _mm256_extracti128_si256(bytes, 1)), pack);
        uint8_t* dst = out + 3 * o;
        _mm_storel_epi64(reinterpret_cast<__m128i*>(dst), pixels);
        const int32_t last = _mm_extract_epi32(pixels, 2);
        std::memcpy(dst + 8, &last, sizeof last);
    }
    kPortableScaleRows.horizontalColour(out, line, h, o, end);
}

} // namespace

extern const ScaleRowKernels kAvx2ScaleRows;
const ScaleRowKernels kAvx2ScaleRows{"avx2", Vertical, Narrow, HorizontalGray, HorizontalColour};

} // namespace tavix::imaging::detail
