#pragma once
// The camera delivers rows packed tightly; bitmaps pad each row to 4 bytes.

#include <cstdint>

#include "imaging/DibImage.h"

namespace tavix::imaging {

// Spreads height rows of rowBytes each, packed at the start of bits, in place
// to rows of stride bytes. Works from the last row backwards so that no
// sample is overwritten before it has moved; padding bytes keep whatever
// they held. 0 when the arguments cannot describe such a frame.
int RelayoutRows(uint8_t* bits, int32_t rowBytes, int32_t stride, int32_t height);

// The same for a frame written packed into image (width x bytes per pixel
// per row). 1 also when there was nothing to move.
int RelayoutRows(DibImage& image);

} // namespace tavix::imaging
