#pragma once
// Scaling of the preview frame into the window's client area.

#include <cstdint>
#include <vector>

#include "imaging/DibImage.h"
#include "imaging/ScaleAxis.h"

namespace tavix::imaging {

namespace detail {
struct ScaleRowKernels;
}

// Scales an 8-bit (gray, palette untouched) or 24-bit (blue, green, red)
// image into another image of the same bit count and any size. Each axis on
// its own: area averaging when the destination is smaller (every source
// pixel contributes by the fraction of it that an output pixel covers, so a
// full frame shown at a quarter of its size looks like the frame, not like
// aliasing), bilinear interpolation between pixel centres when it is
// larger, a plain copy of the axis when equal. Memory row order is kept:
// destination row 0 is made from the start of source row 0's side. A
// uniform image stays exactly uniform. The scaler keeps the weights of the
// last sizes it saw, so one object serves one thread at a time.
class DisplayScaler {
public:
    // False (destination unchanged) for empty images, bit counts other than
    // 8 or 24, differing bit counts, or the source itself as destination.
    bool Scale(const DibImage& source, DibImage& destination);
    // The same with the given row loops (the builds are compared in tests).
    bool Scale(const DibImage& source, DibImage& destination, const detail::ScaleRowKernels& kernels);

private:
    void Prepare(int32_t sourceWidth, int32_t sourceHeight, int32_t width, int32_t height, int32_t channels);

    // The tables of the last geometry; rebuilt only when a size changes.
    int32_t sourceWidth_ = 0, sourceHeight_ = 0, width_ = 0, height_ = 0, channels_ = 0;
    detail::AxisWeights columns_, rows_;
    std::vector<int32_t> firstValues_; // columns_.first in line values
    std::vector<int16_t> blockWeights_;
    std::vector<int16_t> line_;
    std::vector<const uint8_t*> taps_;
};

} // namespace tavix::imaging
