#include "imaging/ScaleAxis.h"

#include <algorithm>
#include <cstddef>

namespace tavix::imaging::detail {
namespace {

// The taps of one output: source index of the first, and the fixed-point
// weights. Each weight is the difference of the rounded running sums of the
// exact weights, so none is negative, the rounding errors do not add up
// along the taps, and the last running sum is exactly one.
struct OutputTaps {
    int64_t one = 0;
    int64_t first = 0;
    std::vector<int16_t> weights;
};

// Exact weights are parts of `whole`; runningParts[k] is the sum of the
// first k + 1 of them.
void RoundRunningSums(const std::vector<int64_t>& runningParts, int64_t whole, int64_t one,
                      std::vector<int16_t>& weights)
{
    weights.clear();
    int64_t previous = 0;
    for (const int64_t part : runningParts) {
        const int64_t rounded = (2 * part * one + whole) / (2 * whole);
        weights.push_back(static_cast<int16_t>(rounded - previous));
        previous = rounded;
    }
}

// Output o covers source positions [o, o + 1) * source / destination; in
// units of 1 / destination source pixel i spans [i, i + 1) * destination and
// the output [o, o + 1) * source. Each pixel counts by its overlap.
void AreaTaps(int64_t source, int64_t destination, int64_t o, OutputTaps& taps, std::vector<int64_t>& running)
{
    const int64_t begin = o * source, end = (o + 1) * source;
    taps.first = begin / destination;
    const int64_t last = (end + destination - 1) / destination;
    running.clear();
    for (int64_t i = taps.first; i < last; ++i)
        running.push_back(std::min((i + 1) * destination, end) - begin);
    RoundRunningSums(running, source, taps.one, taps.weights);
}

// The centre of output o lies at source position (o + 0.5) * source /
// destination - 0.5, here in units of 1 / (2 * destination) source pixel,
// held inside the first and last source centres.
void BilinearTaps(int64_t source, int64_t destination, int64_t o, OutputTaps& taps, std::vector<int64_t>& running)
{
    const int64_t unit = 2 * destination;
    const int64_t centre = std::clamp((2 * o + 1) * source - destination, int64_t{0}, (source - 1) * unit);
    taps.first = centre / unit;
    running.assign({unit - centre % unit, unit});
    RoundRunningSums(running, unit, taps.one, taps.weights);
}

} // namespace

AxisWeights BuildAxisWeights(int32_t source, int32_t destination, int32_t weightBits, int32_t tapGroup)
{
    AxisWeights axis;
    std::vector<OutputTaps> outputs(static_cast<size_t>(destination));
    std::vector<int64_t> running;
    size_t widest = 0;
    for (int32_t o = 0; o < destination; ++o) {
        OutputTaps& taps = outputs[static_cast<size_t>(o)];
        taps.one = int64_t{1} << weightBits;
        if (destination < source)
            AreaTaps(source, destination, o, taps, running);
        else
            BilinearTaps(source, destination, o, taps, running);
        widest = std::max(widest, taps.weights.size());
    }
    const size_t group = static_cast<size_t>(tapGroup);
    axis.taps = static_cast<int32_t>((widest + group - 1) / group * group);
    axis.first.reserve(outputs.size());
    axis.weights.assign(outputs.size() * static_cast<size_t>(axis.taps), 0);
    for (size_t o = 0; o < outputs.size(); ++o) {
        axis.first.push_back(static_cast<int32_t>(outputs[o].first));
        std::copy(outputs[o].weights.begin(), outputs[o].weights.end(),
                  axis.weights.begin() + static_cast<ptrdiff_t>(o * static_cast<size_t>(axis.taps)));
    }
    return axis;
}

} // namespace tavix::imaging::detail
