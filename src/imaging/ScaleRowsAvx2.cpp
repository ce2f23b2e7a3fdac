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

constexpr int32_t kLineShift = kRowWeightBits - kLineFractionBits;
constexpr int32_t kOutputShift = kColumnWeightBits + kLineFractionBits;

inline __m128i Load128(const void* p)
{
    return _mm_loadu_si128(static_cast<const __m128i*>(p));
}
inline __m256i Load256(const void* p)
{
    return _mm256_loadu_si256(static_cast<const __m256i*>(p));
}
inline void Store256(void* p, __m256i v)
{
    _mm256_storeu_si256(static_cast<__m256i*>(p), v);
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
inline int64_t Load64(const void* p)
{
    int64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Two taps, 32 values a step, in 16-bit lanes: each weight splits into a
// high part (w >> 6, at most 64 as the pair adds up to 2^12) and a low part
// (w & 63) that byte multiplies take without saturating, and
// (64 * high + low + 2^4) >> 5 = 2 * high + ((low + 2^4) >> 5).
void VerticalPair(int16_t* line, const uint8_t* a, const uint8_t* b, const int16_t* weights, int32_t& i,
                  int32_t end)
{
    const auto pairOf = [](int32_t w0, int32_t w1) {
        return _mm256_set1_epi16(static_cast<int16_t>((w0 & 0xFF) | (w1 & 0xFF) << 8));
    };
    const __m256i high = pairOf(weights[0] >> 6, weights[1] >> 6);
    const __m256i low = pairOf(weights[0] & 63, weights[1] & 63);
    const __m256i round = _mm256_set1_epi16(1 << (kLineShift - 1));
    const auto blend = [&](__m256i pairs) {
        const __m256i h = _mm256_maddubs_epi16(pairs, high);
        const __m256i l = _mm256_maddubs_epi16(pairs, low);
        return _mm256_add_epi16(_mm256_add_epi16(h, h), _mm256_srli_epi16(_mm256_add_epi16(l, round), kLineShift));
    };
    for (; i + 32 <= end; i += 32) {
        const __m256i x = Load256(a + i), y = Load256(b + i);
        // Lanes keep to themselves: values 0-7 and 16-23, then 8-15 and 24-31.
        const __m256i first = blend(_mm256_unpacklo_epi8(x, y));
        const __m256i second = blend(_mm256_unpackhi_epi8(x, y));
        Store256(line + i, _mm256_permute2x128_si256(first, second, 0x20));
        Store256(line + i + 16, _mm256_permute2x128_si256(first, second, 0x31));
    }
}

// Any even number of taps, sixteen values a step; each pair of taps is one
// multiply-add of interleaved samples. The unpacks and the pack work within
// 128-bit lanes, so the pack puts the values back in order.
void VerticalTaps(int16_t* line, const uint8_t* const* rows, const int16_t* weights, int32_t taps, int32_t& i,
                  int32_t end)
{
    const __m256i round = _mm256_set1_epi32(1 << (kLineShift - 1));
    for (; i + 16 <= end; i += 16) {
        __m256i low = round, high = round;
        for (int32_t k = 0; k < taps; k += 2) {
            const __m256i a = _mm256_cvtepu8_epi16(Load128(rows[k] + i));
            const __m256i b = _mm256_cvtepu8_epi16(Load128(rows[k + 1] + i));
            const __m256i w = _mm256_set1_epi32(Load32(weights + k));
            low = _mm256_add_epi32(low, _mm256_madd_epi16(_mm256_unpacklo_epi16(a, b), w));
            high = _mm256_add_epi32(high, _mm256_madd_epi16(_mm256_unpackhi_epi16(a, b), w));
        }
        low = _mm256_srai_epi32(low, kLineShift);
        high = _mm256_srai_epi32(high, kLineShift);
        Store256(line + i, _mm256_packs_epi32(low, high));
    }
}

void Vertical(int16_t* line, const uint8_t* const* rows, const int16_t* weights, int32_t taps, int32_t begin,
              int32_t end)
{
    int32_t i = begin;
    if (taps == 2)
        VerticalPair(line, rows[0], rows[1], weights, i, end);
    else
        VerticalTaps(line, rows, weights, taps, i, end);
    kPortableScaleRows.vertical(line, rows, weights, taps, i, end);
}

void Narrow(uint8_t* out, const int16_t* line, int32_t begin, int32_t end)
{
    const __m256i round = _mm256_set1_epi16(1 << (kLineFractionBits - 1));
    int32_t i = begin;
    for (; i + 32 <= end; i += 32) {
        const __m256i a = _mm256_srai_epi16(_mm256_add_epi16(Load256(line + i), round), kLineFractionBits);
        const __m256i b = _mm256_srai_epi16(_mm256_add_epi16(Load256(line + i + 16), round), kLineFractionBits);
        Store256(out + i, _mm256_permute4x64_epi64(_mm256_packus_epi16(a, b), _MM_SHUFFLE(3, 1, 2, 0)));
    }
    kPortableScaleRows.narrow(out, line, i, end);
}

// Walks the rows ahead one cache line at a time.
class Ahead {
public:
    // Lines to ask for in each of `steps` steps to cover all rows.
    Ahead(const RowsAhead& ahead, int32_t steps) : ahead_(ahead)
    {
        const int64_t lines = int64_t{ahead.count} * ((ahead.bytes + kLine - 1) / kLine);
        perStep_ = steps > 0 ? static_cast<int32_t>((lines + steps - 1) / steps) : 0;
    }
    void Step()
    {
        for (int32_t n = 0; n < perStep_ && row_ < ahead_.count; ++n) {
            _mm_prefetch(reinterpret_cast<const char*>(ahead_.rows[row_] + offset_), _MM_HINT_T0);
            offset_ += kLine;
            if (offset_ >= ahead_.bytes) {
                offset_ = 0;
                ++row_;
            }
        }
    }

private:
    static constexpr int32_t kLine = 64;
    const RowsAhead& ahead_;
    int32_t perStep_ = 0, row_ = 0, offset_ = 0;
};

// The horizontal taps in locals: the output stores may alias anything, so
// fields read through the caller's record would be read again after each.
struct Taps {
    const int32_t* first;
    const int16_t* blockWeights;
    int32_t taps;
};

// Sums of the four gray outputs from o on, two partial sums each: o and
// o + 1 in the low lane, o + 2 and o + 3 in the high lane. groups is the
// number of tap groups when known at compile time, else 0.
template <int groups>
inline __m256i GrayBlockSums(const int16_t* line, const Taps& h, int32_t o)
{
    const int16_t* p0 = line + h.first[o];
    const int16_t* p1 = line + h.first[o + 1];
    const int16_t* p2 = line + h.first[o + 2];
    const int16_t* p3 = line + h.first[o + 3];
    const int16_t* w = h.blockWeights + static_cast<int64_t>(o) * h.taps;
    const int32_t taps = groups != 0 ? groups * kGrayTapGroup : h.taps;
    __m256i sum = _mm256_setzero_si256();
    for (int32_t k = 0; k < taps; k += kGrayTapGroup, w += 16) {
        const __m256i v = _mm256_set_epi64x(Load64(p3 + k), Load64(p2 + k), Load64(p1 + k), Load64(p0 + k));
        sum = _mm256_add_epi32(sum, _mm256_madd_epi16(v, Load256(w)));
    }
    return sum;
}

// Eight output pixels a step.
template <int groups>
int32_t GrayRun(uint8_t* out, const int16_t* line, const Taps& h, int32_t o, int32_t end, const RowsAhead& rows)
{
    const __m256i round = _mm256_set1_epi32(1 << (kOutputShift - 1));
    Ahead ahead(rows, (end - o) / 8);
    for (; o + 8 <= end; o += 8) {
        ahead.Step();
        // Lanes: [o, o+1, o+4, o+5] low, [o+2, o+3, o+6, o+7] high.
        const __m256i sums =
            _mm256_hadd_epi32(GrayBlockSums<groups>(line, h, o), GrayBlockSums<groups>(line, h, o + 4));
        const __m256i shifted = _mm256_srai_epi32(_mm256_add_epi32(sums, round), kOutputShift);
        const __m256i bytes = _mm256_packus_epi16(_mm256_packs_epi32(shifted, shifted), _mm256_setzero_si256());
        const __m128i pixels = _mm_unpacklo_epi16(_mm256_castsi256_si128(bytes), _mm256_extracti128_si256(bytes, 1));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + o), pixels);
    }
    return o;
}

void HorizontalGray(uint8_t* out, const int16_t* line, const HorizontalTaps& taps, int32_t begin, int32_t end,
                    const RowsAhead& ahead)
{
    const Taps h{taps.first, taps.blockWeights, taps.taps};
    int32_t o = begin;
    switch (h.taps / kGrayTapGroup) {
    case 1: o = GrayRun<1>(out, line, h, o, end, ahead); break;
    case 2: o = GrayRun<2>(out, line, h, o, end, ahead); break;
    default: o = GrayRun<0>(out, line, h, o, end, ahead); break;
    }
    kPortableScaleRows.horizontalGray(out, line, taps, o, end, ahead);
}

// Blue, green, red sums of colour outputs o (low lane) and o + 1 (high
// lane), the fourth value of each lane zero, rounded and shifted.
template <int groups>
inline __m256i ColourBlockSums(const int16_t* line, const Taps& h, int32_t o)
{
    // A lane's first six values are two pixels; interleave them by channel.
    const __m256i pairs = _mm256_setr_epi8(0, 1, 6, 7, 2, 3, 8, 9, 4, 5, 10, 11, -1, -1, -1, -1, //
                                           0, 1, 6, 7, 2, 3, 8, 9, 4, 5, 10, 11, -1, -1, -1, -1);
    const int16_t* p0 = line + static_cast<int64_t>(h.first[o]) * 3;
    const int16_t* p1 = line + static_cast<int64_t>(h.first[o + 1]) * 3;
    const int16_t* w = h.blockWeights + static_cast<int64_t>(o) * h.taps * 4;
    const int32_t taps = groups != 0 ? groups * kColourTapGroup : h.taps;
    __m256i sum = _mm256_set1_epi32(1 << (kOutputShift - 1));
    for (int32_t k = 0; k < taps; k += kColourTapGroup, w += 16) {
        const __m256i v = _mm256_shuffle_epi8(Load2x128(p0 + 3 * k, p1 + 3 * k), pairs);
        sum = _mm256_add_epi32(sum, _mm256_madd_epi16(v, Load256(w)));
    }
    return _mm256_srai_epi32(sum, kOutputShift);
}

// Four output pixels (twelve bytes) a step.
template <int groups>
int32_t ColourRun(uint8_t* out, const int16_t* line, const Taps& h, int32_t o, int32_t end, const RowsAhead& rows)
{
    const __m128i pack = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    Ahead ahead(rows, (end - o) / 4);
    for (; o + 4 <= end; o += 4) {
        ahead.Step();
        // Low lane o, o+2; high lane o+1, o+3.
        const __m256i words =
            _mm256_packs_epi32(ColourBlockSums<groups>(line, h, o), ColourBlockSums<groups>(line, h, o + 2));
        const __m256i bytes = _mm256_packus_epi16(words, words);
        const __m128i pixels = _mm_shuffle_epi8(
            _mm_unpacklo_epi32(_mm256_castsi256_si128(bytes), _mm256_extracti128_si256(bytes, 1)), pack);
        uint8_t* dst = out + 3 * o;
        _mm_storel_epi64(reinterpret_cast<__m128i*>(dst), pixels);
        const int32_t last = _mm_extract_epi32(pixels, 2);
        std::memcpy(dst + 8, &last, sizeof last);
    }
    return o;
}

void HorizontalColour(uint8_t* out, const int16_t* line, const HorizontalTaps& taps, int32_t begin, int32_t end,
                      const RowsAhead& ahead)
{
    const Taps h{taps.first, taps.blockWeights, taps.taps};
    int32_t o = begin;
    switch (h.taps / kColourTapGroup) {
    case 1: o = ColourRun<1>(out, line, h, o, end, ahead); break;
    case 2: o = ColourRun<2>(out, line, h, o, end, ahead); break;
    case 3: o = ColourRun<3>(out, line, h, o, end, ahead); break;
    default: o = ColourRun<0>(out, line, h, o, end, ahead); break;
    }
    kPortableScaleRows.horizontalColour(out, line, taps, o, end, ahead);
}

} // namespace

extern const ScaleRowKernels kAvx2ScaleRows;
const ScaleRowKernels kAvx2ScaleRows{"avx2", Vertical, Narrow, HorizontalGray, HorizontalColour};

} // namespace tavix::imaging::detail
