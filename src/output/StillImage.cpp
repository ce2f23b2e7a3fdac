#include "output/StillImage.h"

#include <cstring>

#include "output/LittleEndian.h"
#include "output/StillWriters.h"
#include "platform/FileReplacement.h"

namespace tavix::output {
namespace {

constexpr uint32_t kBmpFileHeaderBytes = 14;
constexpr uint32_t kBmpPaletteBytes = sizeof(imaging::RgbQuad) * imaging::kPaletteEntries;

bool Put(std::FILE* file, const void* data, size_t bytes) { return std::fwrite(data, 1, bytes, file) == bytes; }

} // namespace

int WriteBmp(std::FILE* file, const imaging::DibImage& image)
{
    const bool palette = image.BitCount() <= 8;
    const uint32_t pixelOffset =
        kBmpFileHeaderBytes + imaging::DibImage::kHeaderSize + (palette ? kBmpPaletteBytes : 0);
    const uint64_t fileSize = pixelOffset + uint64_t{image.SizeBytes()};
    if (fileSize > UINT32_MAX)
        return 0;

    uint8_t fileHeader[kBmpFileHeaderBytes] = {'B', 'M'};
    Store32(fileHeader + 2, static_cast<uint32_t>(fileSize));
    Store32(fileHeader + 10, pixelOffset);
    imaging::BitmapInfoHeader info = image.Header();
    info.biCompression = imaging::DibImage::kBiRgb;
    info.biSizeImage = 0;
    if (!Put(file, fileHeader, sizeof fileHeader) || !Put(file, &info, sizeof info) ||
        (palette && !Put(file, image.Palette(), kBmpPaletteBytes)))
        return 0;
    // A BMP holds its bottom row first, and the picture's bottom row is the
    // last memory row.
    for (int32_t row = image.Height() - 1; row >= 0; --row)
        if (!Put(file, image.Row(row), static_cast<size_t>(image.Stride())))
            return 0;
    return 1;
}

int WriteRaw(std::FILE* file, const imaging::DibImage& image)
{
    return Put(file, image.Bits(), image.SizeBytes()) ? 1 : 0;
}

int SaveImage(const char* path, const imaging::DibImage& image, int32_t format, int32_t depth)
{
    if (format < kFormatBmp || format > kFormatTiff || image.Empty() || path == nullptr)
        return 0;
    if (depth != 10 && depth != 12 && depth != 16)
        return 0;
    platform::FileReplacement file(path);
    if (file.Stream() == nullptr)
        return 0;
    int written = 0;
    switch (format) {
    case kFormatBmp: written = WriteBmp(file.Stream(), image); break;
    case kFormatRaw: written = WriteRaw(file.Stream(), image); break;
    case kFormatJpeg100: written = WriteJpeg(file.Stream(), image, 100, depth); break;
    case kFormatJpeg70: written = WriteJpeg(file.Stream(), image, 70, depth); break;
    case kFormatJpeg20: written = WriteJpeg(file.Stream(), image, 20, depth); break;
    case kFormatPng: written = WritePng(file.Stream(), image, depth, DefaultPngCompression()); break;
    case kFormatTiff: written = WriteTiff(file.Stream(), image, depth); break;
    default: break;
    }
    return written && file.Commit() ? 1 : 0;
}

} // namespace tavix::output
