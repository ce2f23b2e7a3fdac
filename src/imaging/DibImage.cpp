#include "imaging/DibImage.h"

#include <cstring>
#include <limits>
#include <new>

namespace tavix::imaging {

namespace {
bool IsSupportedBitCount(int32_t bitCount)
{
    switch (bitCount) {
    case 8:
    case 16:
    case 24:
    case 32:
    case 48:
    case 64:
        return true;
    default:
        return false;
    }
}
} // namespace

DibImage::DibImage()
{
    Release();
}

int DibImage::Create(int32_t width, int32_t height, int32_t bitCount)
{
    Release();
    // Bit counts below 8 would give a stride of 0 bytes; nothing in the
    // library draws with them, so they are refused like a zero size.
    if (width <= 0 || height <= 0 || !IsSupportedBitCount(bitCount))
        return 0;
    const int64_t stride = StrideFor(width, bitCount);
    // Every routine addresses pixels with 32-bit offsets, as the header's
    // biSizeImage would.
    if (stride * height > std::numeric_limits<int32_t>::max())
        return 0;
    bits_.reset(static_cast<uint8_t*>(std::calloc(static_cast<size_t>(stride * height), 1)));
    if (!bits_)
        return 0;

    width_ = width;
    height_ = height;
    stride_ = static_cast<int32_t>(stride);
    bitCount_ = bitCount;
    BitmapInfoHeader& h = info_.header;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<uint16_t>(bitCount);
    h.biCompression = kBiRgb;
    if (bitCount == 8)
        InstallGrayRamp();
    return 1;
}

int DibImage::CopyGeometry(const DibImage& other)
{
    if (&other == this)
        return Empty() ? 0 : 1;
    return Create(other.width_, other.height_, other.bitCount_);
}

void DibImage::Release()
{
    bits_.reset();
    std::memset(&info_, 0, sizeof(info_));
    info_.header.biSize = kHeaderSize;
    width_ = 0;
    height_ = 0;
    stride_ = 0;
    bitCount_ = 0;
}

int DibImage::SetPalette(int mode, int first, int count, const RgbQuad* entries)
{
    if (mode == kPaletteGray) {
        InstallGrayRamp();
        return 1;
    }
    if (mode != kPaletteUser || entries == nullptr || first < 0 || count < 0 || first >= kPaletteEntries)
        return 0;
    if (count > kPaletteEntries - first)
        count = kPaletteEntries - first;
    std::memcpy(&info_.palette[first], entries, static_cast<size_t>(count) * sizeof(RgbQuad));
    return 1;
}

void DibImage::InstallGrayRamp()
{
    for (int i = 0; i < kPaletteEntries; ++i) {
        const auto v = static_cast<uint8_t>(i);
        info_.palette[i] = RgbQuad{v, v, v, 0};
    }
}

} // namespace tavix::imaging
