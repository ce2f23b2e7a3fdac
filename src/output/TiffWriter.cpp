// TIFF through libtiff: uncompressed, the whole image in one strip, written
// through the caller's stream.

#include <cstdio>
#include <memory>
#include <new>

#include <tiffio.h>

#include "output/StillRows.h"
#include "output/StillWriters.h"

namespace tavix::output {
namespace {

// libtiff's client interface over a stdio stream the caller owns.
std::FILE* Stream(thandle_t handle) { return static_cast<std::FILE*>(handle); }
tmsize_t Read(thandle_t handle, void* data, tmsize_t bytes)
{
    return static_cast<tmsize_t>(std::fread(data, 1, static_cast<size_t>(bytes), Stream(handle)));
}
tmsize_t Write(thandle_t handle, void* data, tmsize_t bytes)
{
    return static_cast<tmsize_t>(std::fwrite(data, 1, static_cast<size_t>(bytes), Stream(handle)));
}
toff_t Seek(thandle_t handle, toff_t offset, int whence)
{
    // Classic TIFF offsets are 32-bit, within what fseek reaches everywhere.
    if (offset > 0x7FFFFFFF || std::fseek(Stream(handle), static_cast<long>(offset), whence) != 0)
        return static_cast<toff_t>(-1);
    return static_cast<toff_t>(std::ftell(Stream(handle)));
}
int Close(thandle_t) { return 0; }
toff_t Size(thandle_t handle)
{
    std::FILE* file = Stream(handle);
    const long here = std::ftell(file);
    std::fseek(file, 0, SEEK_END);
    const long end = std::ftell(file);
    std::fseek(file, here, SEEK_SET);
    return static_cast<toff_t>(end);
}
int Map(thandle_t, void**, toff_t*) { return 0; }
void Unmap(thandle_t, void*, toff_t) {}

struct TiffLayout {
    RowLayout row;
    uint16_t photometric;
};

// The fourth channel of colour images is not alpha: it is marked as an
// unspecified extra sample, so that readers show the colour as it is.
TiffLayout Layout(int32_t bytesPerPixel, int32_t depth)
{
    switch (bytesPerPixel) {
    case 1: return {{1, 1, 1, 1, depth, false, AlphaRule::kZero}, PHOTOMETRIC_MINISBLACK};
    case 2: return {{1, 2, 1, 2, depth, false, AlphaRule::kZero}, PHOTOMETRIC_MINISBLACK};
    case 3: return {{3, 1, 3, 1, depth, false, AlphaRule::kZero}, PHOTOMETRIC_RGB};
    case 4: return {{4, 1, 4, 1, depth, false, AlphaRule::kZero}, PHOTOMETRIC_RGB};
    case 6: return {{3, 2, 3, 2, 16, false, AlphaRule::kZero}, PHOTOMETRIC_RGB};
    default: return {{4, 2, 4, 2, 16, false, AlphaRule::kOpaque}, PHOTOMETRIC_RGB};
    }
}

bool WriteRows(TIFF* tiff, const imaging::DibImage& image, const TiffLayout& layout)
{
    const RowLayout& row = layout.row;
    const auto height = static_cast<uint32_t>(image.Height());
    if (!TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(image.Width())) ||
        !TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height) ||
        !TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE) ||
        !TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) ||
        !TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8 * row.outSampleBytes) ||
        !TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, layout.photometric) ||
        !TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, row.outChannels) ||
        !TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, height))
        return false;
    if (row.outChannels == 4) {
        const uint16_t extra[1] = {EXTRASAMPLE_UNSPECIFIED};
        if (!TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extra))
            return false;
    }
    const std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[RowBytes(row, image.Width())]);
    if (!buffer)
        return false;
    for (uint32_t y = 0; y < height; ++y) {
        ConvertRow(row, buffer.get(), image.Row(static_cast<int32_t>(y)), image.Width());
        if (TIFFWriteScanline(tiff, buffer.get(), y, 0) != 1)
            return false;
    }
    return TIFFFlush(tiff) == 1;
}

} // namespace

int WriteTiff(std::FILE* file, const imaging::DibImage& image, int32_t depth)
{
    TIFF* tiff = TIFFClientOpen("image", "w", file, Read, Write, Seek, Close, Size, Map, Unmap);
    if (tiff == nullptr)
        return 0;
    const bool written = WriteRows(tiff, image, Layout(image.BytesPerPixel(), depth));
    TIFFClose(tiff);
    return written ? 1 : 0;
}

} // namespace tavix::output
