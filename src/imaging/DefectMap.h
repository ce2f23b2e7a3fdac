#pragma once
// Defect flags derived from the references: a pixel is hot where its dark
// reference lies above a limit and dead where its white reference lies
// below one.

#include <cstdint>

#include "imaging/DibImage.h"

namespace tavix::imaging {

struct DefectLimits {
    int32_t hot;  // dark reference above this: flagged
    int32_t dead; // white reference below this: flagged
};

constexpr DefectLimits kDefectLimits8{192, 64};

// The 16-bit limits are 12288 and 4096 on a full 16-bit scale; a camera
// whose 16-bit samples carry fewer significant bits (the IMX264's 12) has
// them shifted down to its own scale, so that a white reference of a full
// 12-bit exposure is not flagged dead everywhere. bits is 8..16.
DefectLimits DefectLimits16(int32_t significantBits);

enum class DefectKind { kHot, kDead };

// Rebuilds map (same geometry and depth as reference, 8 or 16 bits) from
// reference inside the two-pixel frame: 1 where the sample is beyond the
// limit of kind, else 0. The frame's flags stay as they are. Nothing
// happens for images of different geometry or depth.
void BuildDefectMap(const DibImage& reference, DibImage& map, DefectKind kind, const DefectLimits& limits);

} // namespace tavix::imaging
