#pragma once
// The 24-bit frame an AVI file holds for an image of any bit count.

#include <cstdint>

#include "imaging/DibImage.h"

namespace tavix::output {

// Fills frame (3 × width × height bytes) with image the way an uncompressed
// 24-bit AVI frame stores it: blue, green, red, rows not padded, the
// picture's bottom row (the image's last memory row) first. 8-bit images go
// through their palette; 16-bit samples keep the top eight of the camera's
// twelve significant bits; 48- and 64-bit pixels give the high bytes of
// their blue, green and red words, a 32-bit pixel its first three bytes.
// False for an empty image.
bool ToAviFrame(const imaging::DibImage& image, uint8_t* frame);

} // namespace tavix::output
