#pragma once
// Defect-pixel correction: a pixel is marked when its defect flags are set
// or it stands out from the mean of its four direct neighbours by the
// threshold or more; each marked pixel becomes the mean of the nearest
// unmarked pixels to its left, right, top and bottom. Only unmarked pixels
// are read, so the corrections do not feed each other.

#include <cstdint>
#include <vector>

#include "imaging/DibImage.h"
#include "imaging/ReferenceWindow.h"

namespace tavix::imaging {

constexpr int32_t kDotThreshold8 = 30;
constexpr int32_t kDotThreshold16 = 480;

// The pixels a pair of defect maps (hot, dead) flags, row by row. They are
// few by nature, so the filter visits them instead of reading both maps
// with every frame.
struct DefectList {
    std::vector<uint16_t> columns;  // by row, then column
    std::vector<uint32_t> rowStart; // first entry of each reference row, and the end
};

// From two maps of the references' geometry and one depth (false, list
// emptied, otherwise).
bool BuildDefectList(const DibImage& hot, const DibImage& dead, DefectList& out);

// Corrects an 8- or 16-bit frame in place. defects are read at each frame
// pixel's reference position (the window's margin does not apply); marks
// is a work map of the frame's depth at least as large as the frame.
// Pixels of the frame's outer row and column are never marked, so every
// search ends at the latest there, and the work grows with the marked
// pixels alone, not with the lengths of their searches. Nothing happens
// for images that do not fit together or a list not built.
void ApplyDotFilter(DibImage& frame, const DefectList& defects, DibImage& marks, const ReferenceWindow& window,
                    int32_t threshold);

} // namespace tavix::imaging
