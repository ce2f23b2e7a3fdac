#pragma once
// Still image files of a processed frame: BMP, raw pixel memory, JPEG at
// three qualities, PNG and TIFF. In every format the picture's top row is
// the image's memory row 0.

#include <cstdint>

#include "imaging/DibImage.h"

namespace tavix::output {

enum StillFormat : int32_t {
    kFormatBmp = 0,
    kFormatRaw = 1,
    kFormatJpeg100 = 2,
    kFormatJpeg70 = 3,
    kFormatJpeg20 = 4,
    kFormatPng = 5,
    kFormatTiff = 6,
};

// Writes image to the file path (multi-byte text of the thread's code page)
// in format. depth (10, 12 or 16) gives the significant bits of 16-bit
// samples. The file appears only complete: it is written beside the target
// and renamed over it, so a failed save leaves an existing file of that
// name as it was. 1 on success; 0 for an unknown format, an empty image or
// a failed write.
int SaveImage(const char* path, const imaging::DibImage& image, int32_t format, int32_t depth);

} // namespace tavix::output
