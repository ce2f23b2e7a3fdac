// The scaler's row loops in plain C++, the reference for every other build.

#include "imaging/ScaleRows.h"

namespace tavix::imaging::detail {
namespace {

constexpr int32_t kLineShift = kRowWeightBits - kLineFractionBits;
constexpr int32_t kLineRound = 1 << (kLineShift - 1);
constexpr int32_t kNarrowRound = 1 << (kLineFractionBits - 1);
constexpr int32_t kOutputShift = kColumnWeightBits + kLineFractionBits;
constexpr int32_t kOutputRound = 1 << (kOutputShift - 1);

void Vertical(int16_t* line, const uint8_t* const* rows, const int16_t* weights, int32_t taps, int32_t begin,
              int32_t end)
{
    for (int32_t i = begin; i < end; ++i) {
        int32_t sum = kLineRound;
        for (int32_t k = 0; k < taps; ++k)
            sum += weights[k] * rows[k][i];
        line[i] = static_cast<int16_t>(sum >> kLineShift);
    }
}

void Narrow(uint8_t* out, const int16_t* line, int32_t begin, int32_t end)
{
    for (int32_t i = begin; i < end; ++i)
        out[i] = static_cast<uint8_t>((line[i] + kNarrowRound) >> kLineFractionBits);
}

template <int channels>
void HorizontalLine(uint8_t* out, const int16_t* line, const HorizontalTaps& h, int32_t begin, int32_t end)
{
    for (int32_t o = begin; o < end; ++o) {
        const int16_t* w = h.weights + static_cast<int64_t>(o) * h.taps;
        const int16_t* p = line + h.first[o];
        int32_t sum[channels];
        for (int c = 0; c < channels; ++c)
            sum[c] = kOutputRound;
        for (int32_t k = 0; k < h.taps; ++k)
            for (int c = 0; c < channels; ++c)
                sum[c] += w[k] * p[k * channels + c];
        for (int c = 0; c < channels; ++c)
            out[o * channels + c] = static_cast<uint8_t>(sum[c] >> kOutputShift);
    }
}

template <int channels>
void Horizontal(uint8_t* out0, uint8_t* out1, const int16_t* line0, const int16_t* line1, const HorizontalTaps& h,
                int32_t begin, int32_t end, const RowsAhead&)
{
    HorizontalLine<channels>(out0, line0, h, begin, end);
    if (out1 != nullptr)
        HorizontalLine<channels>(out1, line1, h, begin, end);
}

} // namespace

const ScaleRowKernels kPortableScaleRows{"portable", Vertical, Narrow, Horizontal<1>, Horizontal<3>};

} // namespace tavix::imaging::detail
