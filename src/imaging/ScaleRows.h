#pragma once
// The row loops of the display scaler (DisplayScaler.h), in interchangeable
// implementations (portable C++ and, on x86, AVX2) that produce identical
// bytes. Only plain declarations here: the AVX2 unit must not share inline
// code with others.
//
// A scaled row is made in two passes. The vertical pass blends the source
// rows an output row covers into one line of 16-bit values holding the
// samples times 2^kLineFractionBits (so a second rounding costs nothing
// visible); the horizontal pass blends the line's values into the output
// bytes. Weights are fixed point, kRowWeightBits (vertical) and
// kColumnWeightBits (horizontal) fraction bits, and each output's weights
// add up to exactly one, so both passes map a uniform input to itself. The
// vertical weights are narrower so that two of them split into 8-bit
// halves for byte multiplies.

#include <cstdint>

namespace tavix::imaging::detail {

constexpr int32_t kRowWeightBits = 12;
constexpr int32_t kColumnWeightBits = 14;
constexpr int32_t kLineFractionBits = 7;
// Taps of each output are padded with zero weights to a multiple of these.
constexpr int32_t kVerticalTapGroup = 2;
constexpr int32_t kGrayTapGroup = 4;
constexpr int32_t kColourTapGroup = 2;
// Output pixels whose weights the vector code loads together.
constexpr int32_t kGrayBlock = 4;
constexpr int32_t kColourBlock = 2;
// Values a line holds beyond its samples, zero, which padded taps read.
constexpr int32_t kLineSlack = 16;

// line[i] = (sum over k of weights[k] * rows[k][i] + 2^4) >> 5, for i in
// [begin, end); taps is even.
using VerticalFn = void (*)(int16_t* line, const uint8_t* const* rows, const int16_t* weights, int32_t taps,
                            int32_t begin, int32_t end);
// out[i] = (line[i] + 2^6) >> 7 for i in [begin, end): an axis left as it is.
using NarrowFn = void (*)(uint8_t* out, const int16_t* line, int32_t begin, int32_t end);

// The horizontal taps of every output pixel o: `taps` weights from
// weights[o * taps] applied to the pixels from line value first[o] on (the
// first pixel's index times the values a pixel). blockWeights
// holds the same weights the way the vector code multiplies them: for each
// block of outputs (kGrayBlock or kColourBlock, the last one padded with
// zeros) and each group of taps (kGrayTapGroup or kColourTapGroup) sixteen
// values. Gray: the group's four weights of each of the four outputs.
// Colour: the group's two weights of the first output four times, then
// those of the second output four times.
struct HorizontalTaps {
    const int32_t* first;
    const int16_t* weights;
    const int16_t* blockWeights;
    int32_t taps;
};

// The source rows the next vertical pass reads, `bytes` of each: the vector
// code asks the memory for them while it blends, so that the next pass
// finds them in the cache instead of waiting for each.
struct RowsAhead {
    const uint8_t* const* rows;
    int32_t count;
    int32_t bytes;
};

// Output pixels [begin, end) of a gray (one value a pixel) or colour
// (blue, green, red) line: (sum over taps of weight * value + 2^20) >> 21.
// Two lines at once when out1 is not null (line1 into out1), which share
// the loads of the weights and positions. begin is a multiple of the block.
using HorizontalFn = void (*)(uint8_t* out0, uint8_t* out1, const int16_t* line0, const int16_t* line1,
                              const HorizontalTaps& taps, int32_t begin, int32_t end, const RowsAhead& ahead);

struct ScaleRowKernels {
    const char* name;
    VerticalFn vertical;
    NarrowFn narrow;
    HorizontalFn horizontalGray;
    HorizontalFn horizontalColour;
};

extern const ScaleRowKernels kPortableScaleRows;
// The AVX2 build where the processor and the compiler have it, else null.
const ScaleRowKernels* Avx2ScaleRows();
// The fastest available; chosen once.
const ScaleRowKernels& BestScaleRows();

} // namespace tavix::imaging::detail
