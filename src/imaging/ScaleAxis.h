#pragma once
// The weights by which one axis of an image is resampled: area averaging
// where the axis shrinks, bilinear interpolation between pixel centres
// where it grows, the identity where it keeps its size.

#include <cstdint>
#include <vector>

namespace tavix::imaging::detail {

struct AxisWeights {
    int32_t taps = 0;              // per output, padded with zero weights
    std::vector<int32_t> first;    // the source index of each output's first tap
    std::vector<int16_t> weights;  // taps per output; each output's add up to one
};

// Weights with weightBits fraction bits for resampling `source` samples to
// `destination` (both > 0), taps padded to a multiple of tapGroup. A padded tap may lie beyond the last
// source sample; its weight is zero.
AxisWeights BuildAxisWeights(int32_t source, int32_t destination, int32_t weightBits, int32_t tapGroup);

} // namespace tavix::imaging::detail
