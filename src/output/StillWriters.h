#pragma once
// The encoders behind SaveImage, each writing one image to an open stream.
// They leave the stream open; 1 when every byte was handed to it, else 0.

#include <cstdint>
#include <cstdio>

#include "imaging/DibImage.h"

namespace tavix::output {

int WriteBmp(std::FILE* file, const imaging::DibImage& image);
int WriteRaw(std::FILE* file, const imaging::DibImage& image);
int WriteJpeg(std::FILE* file, const imaging::DibImage& image, int32_t quality, int32_t depth);

// zlib's level and libpng's row filters (PNG_ALL_FILTERS, PNG_FILTER_NONE ...).
struct PngCompression {
    int32_t level;
    int32_t filters;
};
// What SaveImage uses, chosen by measurement.
PngCompression DefaultPngCompression();
int WritePng(std::FILE* file, const imaging::DibImage& image, int32_t depth, PngCompression compression);

int WriteTiff(std::FILE* file, const imaging::DibImage& image, int32_t depth);

} // namespace tavix::output
