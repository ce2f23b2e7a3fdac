#pragma once
// Sharpness: an unsharp mask. Each sample moves away from the mean of the
// 4 x 4 block around it (columns x-2..x+1, rows m-2..m+1 of the source) by
// s / 10 of its difference from that mean. The two outer rows and columns
// on every side keep their values; blue, green and red alike, the fourth
// sample of a 4-sample pixel never written.

#include <cstdint>

#include "imaging/LayoutOps.h"

namespace tavix::imaging {

// Parameter record: s in 0..30, 0 neutral.
struct SharpnessParams {
    int32_t value;
};

// The source is the result image's copy (workImage): the routines read
// neighbours there and write the result, never in place. The rectangle is
// the whole image; nothing is written when it has fewer than 5 rows or
// columns.
extern const LayoutOps kSharpnessOps;

} // namespace tavix::imaging
