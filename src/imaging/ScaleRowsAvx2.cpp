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
template <typename T>
inline T LoadScalar(const void* p)
{
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Two or four taps, 32 values a step, in 16-bit lanes: each weight splits
// into a high part (w >> 6; all of them add up to at most 64, as the
// weights add up to 2^12) and a low part (w & 63) that byte multiplies take
// without saturating; the low sums of two pairs stay below 2^16. Then
// (64 * high + low + 2^4) >> 5 = 2 * high + ((low + 2^4) >> 5).
template <int pairs>
void VerticalBytes(int16_t* line, const uint8_t* const* rows, const int16_t* weights, int32_t& i, int32_t end)
{
    const auto pairOf = [](int32_t w0, int32_t w1) {
        return _mm256_set1_epi16(static_cast<int16_t>((w0 & 0xFF) | (w1 & 0xFF) << 8));
    };
    __m256i high[pairs], low[pairs];
    const uint8_t* row[2 * pairs];
    for (int p = 0; p < pairs; ++p) {
        high[p] = pairOf(weights[2 * p] >> 6, weights[2 * p + 1] >> 6);
        low[p] = pairOf(weights[2 * p] & 63, weights[2 * p + 1] & 63);
        row[2 * p] = rows[2 * p];
        row[2 * p + 1] = rows[2 * p + 1];
    }
    const __m256i round = _mm256_set1_epi16(1 << (kLineShift - 1));
    for (; i + 32 <= end; i += 32) {
        // Lanes keep to themselves: values 0-7 and 16-23, then 8-15 and 24-31.
        __m256i h[2] = {_mm256_setzero_si256(), _mm256_setzero_si256()}, l[2] = {h[0], h[0]};
        for (int p = 0; p < pairs; ++p) {
            const __m256i x = Load256(row[2 * p] + i), y = Load256(row[2 * p + 1] + i);
            const __m256i interleaved[2] = {_mm256_unpacklo_epi8(x, y), _mm256_unpackhi_epi8(x, y)};
            for (int half = 0; half < 2; ++half) {
                h[half] = _mm256_add_epi16(h[half], _mm256_maddubs_epi16(interleaved[half], high[p]));
                l[half] = _mm256_add_epi16(l[half], _mm256_maddubs_epi16(interleaved[half], low[p]));
            }
        }
        __m256i v[2];
        for (int half = 0; half < 2; ++half)
            v[half] = _mm256_add_epi16(_mm256_add_epi16(h[half], h[half]),
                                       _mm256_srli_epi16(_mm256_add_epi16(l[half], round), kLineShift));
        Store256(line + i, _mm256_permute2x128_si256(v[0], v[1], 0x20));
        Store256(line + i + 16, _mm256_permute2x128_si256(v[0], v[1], 0x31));
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
            const __m256i w = _mm256_set1_epi32(LoadScalar<int32_t>(weights + k));
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
        VerticalBytes<1>(line, rows, weights, i, end);
    else if (taps == 4)
        VerticalBytes<2>(line, rows, weights, i, end);
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
    Ahead(const RowsAhead& ahead, int32_t steps) : rows_(ahead.rows), count_(ahead.count), bytes_(ahead.bytes)
    {
        const int64_t lines = int64_t{count_} * ((bytes_ + kLine - 1) / kLine);
        perStep_ = steps > 0 ? static_cast<int32_t>((lines + steps - 1) / steps) : 0;
        if (count_ > 0) {
            next_ = rows_[0];
            end_ = next_ + bytes_;
        }
    }
    void Step()
    {
        for (int32_t n = 0; n < perStep_; ++n) {
            if (next_ >= end_) {
                if (++row_ >= count_) {
                    perStep_ = 0;
                    return;
                }
                next_ = rows_[row_];
                end_ = next_ + bytes_;
            }
            _mm_prefetch(reinterpret_cast<const char*>(next_), _MM_HINT_T0);
            next_ += kLine;
        }
    }

private:
    static constexpr int32_t kLine = 64;
    const uint8_t* const* rows_;
    int32_t count_, bytes_;
    int32_t perStep_ = 0, row_ = 0;
    const uint8_t* next_ = nullptr;
    const uint8_t* end_ = nullptr;
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
        const __m256i v = _mm256_set_epi64x(LoadScalar<int64_t>(p3 + k), LoadScalar<int64_t>(p2 + k),
                                            LoadScalar<int64_t>(p1 + k), LoadScalar<int64_t>(p0 + k));
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

void GrayLine(uint8_t* out, const int16_t* line, const Taps& h, int32_t begin, int32_t end, const RowsAhead& ahead)
{
    switch (h.taps / kGrayTapGroup) {
    case 1: return void(GrayRun<1>(out, line, h, begin, end, ahead));
    case 2: return void(GrayRun<2>(out, line, h, begin, end, ahead));
    default: return void(GrayRun<0>(out, line, h, begin, end, ahead));
    }
}

void HorizontalGray(uint8_t* out0, uint8_t* out1, const int16_t* line0, const int16_t* line1,
                    const HorizontalTaps& taps, int32_t begin, int32_t end, const RowsAhead& ahead)
{
    const Taps h{taps.first, taps.blockWeights, taps.taps};
    const int32_t tail = begin + (end - begin) / 8 * 8;
    GrayLine(out0, line0, h, begin, tail, ahead);
    if (out1 != nullptr)
        GrayLine(out1, line1, h, begin, tail, RowsAhead{nullptr, 0, 0});
    kPortableScaleRows.horizontalGray(out0, out1, line0, line1, taps, tail, end, ahead);
}

// Blue, green, red sums of colour outputs o (low lane) and o + 1 (high
// lane) of `lines` lines, the fourth value of each lane zero, rounded and
// shifted.
template <int groups, int lines>
inline void ColourBlockSums(const int16_t* const* line, const Taps& h, int32_t o, __m256i* sums)
{
    // A lane's first six values are two pixels; interleave them by channel.
    const __m256i pairs = _mm256_setr_epi8(0, 1, 6, 7, 2, 3, 8, 9, 4, 5, 10, 11, -1, -1, -1, -1, //
                                           0, 1, 6, 7, 2, 3, 8, 9, 4, 5, 10, 11, -1, -1, -1, -1);
    const int32_t p0 = h.first[o], p1 = h.first[o + 1];
    const int16_t* w = h.blockWeights + static_cast<int64_t>(o) * h.taps * 4;
    const int32_t taps = groups != 0 ? groups * kColourTapGroup : h.taps;
    for (int l = 0; l < lines; ++l)
        sums[l] = _mm256_set1_epi32(1 << (kOutputShift - 1));
    for (int32_t k = 0; k < taps; k += kColourTapGroup, w += 16) {
        const __m256i weights = Load256(w);
        for (int l = 0; l < lines; ++l) {
            const __m256i v = _mm256_shuffle_epi8(Load2x128(line[l] + p0 + 3 * k, line[l] + p1 + 3 * k), pairs);
            sums[l] = _mm256_add_epi32(sums[l], _mm256_madd_epi16(v, weights));
        }
    }
    for (int l = 0; l < lines; ++l)
        sums[l] = _mm256_srai_epi32(sums[l], kOutputShift);
}

// Four pixels of blue, green, red (twelve bytes) at out; sixteen bytes
// where the next pixels are written after.
inline void StorePixels(uint8_t* out, __m128i pixels, bool more)
{
    if (more) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), pixels);
        return;
    }
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), pixels);
    const int32_t last = _mm_extract_epi32(pixels, 2);
    std::memcpy(out + 8, &last, sizeof last);
}

// Four output pixels of each line a step.
template <int groups, int lines>
int32_t ColourRun(uint8_t* const* out, const int16_t* const* line, const Taps& h, int32_t o, int32_t end,
                  const RowsAhead& rows)
{
    const __m128i pack = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    Ahead ahead(rows, (end - o) / 4);
    for (; o + 4 <= end; o += 4) {
        ahead.Step();
        __m256i first[lines], second[lines];
        ColourBlockSums<groups, lines>(line, h, o, first);
        ColourBlockSums<groups, lines>(line, h, o + 2, second);
        // Words: low lane o, o+2; high lane o+1, o+3. Bytes: the first
        // line's four pixels, then the second line's (or the first again).
        const __m256i words0 = _mm256_packs_epi32(first[0], second[0]);
        const __m256i words1 = lines == 2 ? _mm256_packs_epi32(first[lines - 1], second[lines - 1]) : words0;
        const __m256i bytes = _mm256_packus_epi16(words0, words1);
        const __m128i low = _mm256_castsi256_si128(bytes), high = _mm256_extracti128_si256(bytes, 1);
        const bool more = o + 8 <= end;
        StorePixels(out[0] + 3 * o, _mm_shuffle_epi8(_mm_unpacklo_epi32(low, high), pack), more);
        if (lines == 2)
            StorePixels(out[lines - 1] + 3 * o, _mm_shuffle_epi8(_mm_unpackhi_epi32(low, high), pack), more);
    }
    return o;
}

template <int lines>
int32_t ColourLines(uint8_t* const* out, const int16_t* const* line, const Taps& h, int32_t o, int32_t end,
                    const RowsAhead& ahead)
{
    switch (h.taps / kColourTapGroup) {
    case 1: return ColourRun<1, lines>(out, line, h, o, end, ahead);
    case 2: return ColourRun<2, lines>(out, line, h, o, end, ahead);
    case 3: return ColourRun<3, lines>(out, line, h, o, end, ahead);
    default: return ColourRun<0, lines>(out, line, h, o, end, ahead);
    }
}

void HorizontalColour(uint8_t* out0, uint8_t* out1, const int16_t* line0, const int16_t* line1,
                      const HorizontalTaps& taps, int32_t begin, int32_t end, const RowsAhead& ahead)
{
    const Taps h{taps.first, taps.blockWeights, taps.taps};
    uint8_t* const out[2] = {out0, out1};
    const int16_t* const line[2] = {line0, line1};
    const int32_t o = out1 != nullptr ? ColourLines<2>(out, line, h, begin, end, ahead)
                                      : ColourLines<1>(out, line, h, begin, end, ahead);
    kPortableScaleRows.horizontalColour(out0, out1, line0, line1, taps, o, end, ahead);
}

} // namespace

extern const ScaleRowKernels kAvx2ScaleRows;
const ScaleRowKernels kAvx2ScaleRows{"avx2", Vertical, Narrow, HorizontalGray, HorizontalColour};

} // namespace tavix::imaging::detail
