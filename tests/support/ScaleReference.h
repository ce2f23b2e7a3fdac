#pragma once
// A straightforward display scaling, in double precision, to hold the fast
// one against: along each axis on its own, an output pixel averages the
// source pixels it covers, by the part of each it covers, when the axis
// shrinks, and interpolates between the two nearest pixel centres when it
// grows.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

namespace tavix::test {

// (source index, weight) pairs of every output index.
using AxisWeights = std::vector<std::vector<std::pair<int32_t, double>>>;

inline AxisWeights ReferenceAxis(int32_t source, int32_t output)
{
    AxisWeights weights(static_cast<size_t>(output));
    for (int32_t o = 0; o < output; ++o) {
        if (output < source) {
            const double from = double(o) * source / output, to = double(o + 1) * source / output;
            for (int32_t i = int32_t(from); i < source && i < to; ++i) {
                const double covered = std::min(to, i + 1.0) - std::max(from, double(i));
                if (covered > 0)
                    weights[size_t(o)].push_back({i, covered * output / source});
            }
        } else if (output > source) {
            const double centre = std::clamp((o + 0.5) * source / output - 0.5, 0.0, double(source - 1));
            const auto left = int32_t(std::floor(centre));
            const double right = centre - left;
            weights[size_t(o)].push_back({left, 1.0 - right});
            if (left + 1 < source)
                weights[size_t(o)].push_back({left + 1, right});
        } else {
            weights[size_t(o)].push_back({o, 1.0});
        }
    }
    return weights;
}

// Scales channels-interleaved 8-bit pixels, rows packed, into the output size.
inline std::vector<uint8_t> ReferenceScale(const std::vector<uint8_t>& pixels, int32_t width, int32_t height,
                                           int32_t channels, int32_t outWidth, int32_t outHeight)
{
    const AxisWeights across = ReferenceAxis(width, outWidth), down = ReferenceAxis(height, outHeight);
    std::vector<uint8_t> out(size_t(outWidth) * size_t(outHeight) * size_t(channels));
    for (int32_t y = 0; y < outHeight; ++y)
        for (int32_t x = 0; x < outWidth; ++x)
            for (int32_t c = 0; c < channels; ++c) {
                double sum = 0;
                for (const auto& [row, wy] : down[size_t(y)])
                    for (const auto& [column, wx] : across[size_t(x)])
                        sum += wy * wx * pixels[(size_t(row) * size_t(width) + size_t(column)) * size_t(channels) +
                                                size_t(c)];
                out[(size_t(y) * size_t(outWidth) + size_t(x)) * size_t(channels) + size_t(c)] =
                    uint8_t(std::clamp(std::lround(sum), 0L, 255L));
            }
    return out;
}

} // namespace tavix::test
