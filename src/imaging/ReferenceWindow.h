#pragma once
// Where the pixels of a delivered frame lie on the full-sensor reference
// planes of the flat field and the defect maps.

#include <cstdint>

namespace tavix::imaging {

// The reference planes cover the whole IMX264 array.
constexpr int32_t kReferenceWidth = 2448;
constexpr int32_t kReferenceHeight = 2048;

struct ReferenceWindow {
    // Reference column and row of the frame's pixel (0, 0).
    int32_t x = 0;
    int32_t y = 0;
    // 1/2 sub-sampling: the sensor keeps its columns and rows in pairs
    // (0, 1, 4, 5, ...), which keeps the Bayer phase, so frame column k
    // comes from sensor column x + 4 * (k / 2) + k % 2.
    bool pairs = false;
    // Frame pixels along each edge that the flat field leaves as they are.
    int32_t margin = 0;

    int32_t Column(int32_t k) const { return x + Spread(k); }
    int32_t Row(int32_t k) const { return y + Spread(k); }
    int32_t Spread(int32_t k) const { return pairs ? 4 * (k >> 1) + (k & 1) : k; }
};

} // namespace tavix::imaging
