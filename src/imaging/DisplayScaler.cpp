#include "imaging/DisplayScaler.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <utility>

#include "imaging/ScaleRows.h"

namespace tavix::imaging {

using namespace detail;

namespace {

// The weights in the order the vector loops load them (ScaleRows.h): per
// block of outputs and group of taps, each output's weights of the group
// `repeat` times, outputs beyond the last zero.
void BuildBlockWeights(const AxisWeights& axis, int32_t outputs, int32_t block, int32_t group, int32_t repeat,
                       std::vector<int16_t>& blockWeights)
{
    blockWeights.clear();
    for (int32_t first = 0; first < outputs; first += block)
        for (int32_t tap = 0; tap < axis.taps; tap += group)
            for (int32_t o = first; o < first + block; ++o)
                for (int32_t r = 0; r < repeat; ++r)
                    for (int32_t k = tap; k < tap + group; ++k)
                        blockWeights.push_back(
                            o < outputs ? axis.weights[static_cast<size_t>(o) * axis.taps + k] : int16_t{0});
}

} // namespace

bool DisplayScaler::Scale(const DibImage& source, DibImage& destination)
{
    return Scale(source, destination, BestScaleRows());
}

void DisplayScaler::Prepare(int32_t sourceWidth, int32_t sourceHeight, int32_t width, int32_t height,
                            int32_t channels)
{
    if (sourceWidth == sourceWidth_ && width == width_ && channels == channels_ && sourceHeight == sourceHeight_ &&
        height == height_)
        return;
    if (sourceWidth != sourceWidth_ || width != width_ || channels != channels_) {
        const bool gray = channels == 1;
        columns_ = BuildAxisWeights(sourceWidth, width, kColumnWeightBits, gray ? kGrayTapGroup : kColourTapGroup);
        BuildBlockWeights(columns_, width, gray ? kGrayBlock : kColourBlock, gray ? kGrayTapGroup : kColourTapGroup,
                          gray ? 1 : 4, blockWeights_);
        // The padded taps of the last outputs read zeros beyond the samples.
        firstValues_.clear();
        for (const int32_t first : columns_.first)
            firstValues_.push_back(first * channels);
        // Two lines, one for each output row of a step.
        line_.assign(2 * (static_cast<size_t>(channels) * (static_cast<size_t>(sourceWidth) + columns_.taps) +
                          kLineSlack),
                     0);
    }
    if (sourceHeight != sourceHeight_ || height != height_) {
        rows_ = BuildAxisWeights(sourceHeight, height, kRowWeightBits, kVerticalTapGroup);
        taps_.assign(4 * static_cast<size_t>(rows_.taps), nullptr);
    }
    sourceWidth_ = sourceWidth;
    sourceHeight_ = sourceHeight;
    width_ = width;
    height_ = height;
    channels_ = channels;
}

bool DisplayScaler::Scale(const DibImage& source, DibImage& destination, const ScaleRowKernels& kernels)
{
    const int32_t bits = source.BitCount();
    if (source.Empty() || destination.Empty() || &source == &destination || destination.BitCount() != bits ||
        (bits != 8 && bits != 24))
        return false;
    const int32_t channels = bits / 8;
    const int32_t sourceWidth = source.Width(), sourceHeight = source.Height();
    const int32_t width = destination.Width(), height = destination.Height();
    if (sourceWidth == width && sourceHeight == height) {
        for (int32_t y = 0; y < height; ++y)
            std::memcpy(destination.Row(y), source.Row(y), static_cast<size_t>(channels) * width);
        return true;
    }
    Prepare(sourceWidth, sourceHeight, width, height, channels);
    const HorizontalTaps horizontal{firstValues_.data(), columns_.weights.data(), blockWeights_.data(),
                                    columns_.taps};
    const HorizontalFn blend = channels == 1 ? kernels.horizontalGray : kernels.horizontalColour;
    const int32_t lineValues = channels * sourceWidth;
    int16_t* const lines[2] = {line_.data(), line_.data() + line_.size() / 2};
    const int32_t taps = rows_.taps;
    // The source rows of output rows y and y + 1 (those beyond the last
    // the last again), 2 * taps pointers.
    const auto rowsOf = [&](int32_t y, const uint8_t** rows) {
        for (int32_t pair = 0; pair < 2; ++pair) {
            const int32_t first = rows_.first[static_cast<size_t>(std::min(y + pair, height - 1))];
            for (int32_t k = 0; k < taps; ++k)
                rows[pair * taps + k] = source.Row(std::min(first + k, sourceHeight - 1));
        }
    };
    // Two output rows a step, which share the horizontal weights. Two sets
    // of row pointers: this step's and those of the next, which the
    // horizontal pass asks the memory for while it runs.
    const uint8_t** current = taps_.data();
    const uint8_t** next = current + 2 * taps;
    rowsOf(0, current);
    for (int32_t y = 0; y < height; y += 2) {
        const bool pair = y + 1 < height;
        for (int32_t r = 0; r < (pair ? 2 : 1); ++r)
            kernels.vertical(lines[r], current + r * taps,
                             rows_.weights.data() + static_cast<ptrdiff_t>(y + r) * taps, taps, 0, lineValues);
        const bool last = y + 2 >= height;
        if (!last)
            rowsOf(y + 2, next);
        uint8_t* out1 = pair ? destination.Row(y + 1) : nullptr;
        if (width == sourceWidth) {
            kernels.narrow(destination.Row(y), lines[0], 0, lineValues);
            if (pair)
                kernels.narrow(out1, lines[1], 0, lineValues);
        } else {
            blend(destination.Row(y), out1, lines[0], lines[1], horizontal, 0, width,
                  RowsAhead{next, last ? 0 : 2 * taps, lineValues});
        }
        std::swap(current, next);
    }
    return true;
}

} // namespace tavix::imaging
