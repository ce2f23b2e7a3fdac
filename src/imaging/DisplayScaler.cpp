#include "imaging/DisplayScaler.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "imaging/ScaleRows.h"

namespace tavix::imaging {

using namespace detail;

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
        columns_ = BuildAxisWeights(sourceWidth, width, channels == 1 ? kGrayTapGroup : kColourTapGroup);
        pairWeights_.clear();
        if (channels == 3) {
            // Per group of four taps: w0 w1 four times, then w2 w3 four times.
            pairWeights_.reserve(columns_.weights.size() * 4);
            for (size_t k = 0; k < columns_.weights.size(); k += 4)
                for (size_t half = 0; half < 4; half += 2)
                    for (int repeat = 0; repeat < 4; ++repeat)
                        pairWeights_.insert(pairWeights_.end(),
                                            {columns_.weights[k + half], columns_.weights[k + half + 1]});
        }
        // The padded taps of the last outputs read zeros beyond the samples.
        line_.assign(static_cast<size_t>(channels) * (static_cast<size_t>(sourceWidth) + columns_.taps) +
                         kLineSlack,
                     0);
    }
    if (sourceHeight != sourceHeight_ || height != height_) {
        rows_ = BuildAxisWeights(sourceHeight, height, kVerticalTapGroup);
        taps_.assign(static_cast<size_t>(rows_.taps), nullptr);
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
    const HorizontalTaps horizontal{columns_.first.data(), columns_.weights.data(), pairWeights_.data(),
                                    columns_.taps};
    const HorizontalFn blend = channels == 1 ? kernels.horizontalGray : kernels.horizontalColour;
    const int32_t lineValues = channels * sourceWidth;
    int16_t* line = line_.data();
    for (int32_t y = 0; y < height; ++y) {
        const int32_t first = rows_.first[static_cast<size_t>(y)];
        for (int32_t k = 0; k < rows_.taps; ++k)
            taps_[static_cast<size_t>(k)] = source.Row(std::min(first + k, sourceHeight - 1));
        kernels.vertical(line, taps_.data(), rows_.weights.data() + static_cast<ptrdiff_t>(y) * rows_.taps,
                         rows_.taps, 0, lineValues);
        if (width == sourceWidth)
            kernels.narrow(destination.Row(y), line, 0, lineValues);
        else
            blend(destination.Row(y), line, horizontal, 0, width);
    }
    return true;
}

} // namespace tavix::imaging
