#include "imaging/FrameImages.h"

namespace tavix::imaging {

namespace {
constexpr int32_t kBits[kColorModeCount] = {8, 16, 24, 32, 48, 64};

int Size(DibImage& image, int32_t width, int32_t height, int32_t bitCount)
{
    if (!image.Empty() && image.Width() == width && image.Height() == height && image.BitCount() == bitCount)
        return 1;
    return image.Create(width, height, bitCount);
}
} // namespace

int32_t ColorModeBits(int32_t colorMode)
{
    return colorMode >= 0 && colorMode < kColorModeCount ? kBits[colorMode] : 0;
}

int32_t ColorModeFromBits(int32_t bits)
{
    for (int32_t mode = 0; mode < kColorModeCount; ++mode)
        if (kBits[mode] == bits)
            return mode;
    return -1;
}

DibImage* FrameImages::RawImage(int32_t colorMode)
{
    switch (colorMode) {
    case 0:
    case 2:
    case 3:
        return &rawImage8;
    case 1:
    case 4:
    case 5:
        return &rawImage16;
    default:
        return nullptr;
    }
}

DibImage* FrameImages::ResultImage(int32_t colorMode)
{
    switch (colorMode) {
    case 0:
        return &rawImage8;
    case 1:
        return &rawImage16;
    case 2:
        return &image24;
    case 3:
        return &image32;
    case 4:
        return &image48;
    case 5:
        return &image64;
    default:
        return nullptr;
    }
}

int FrameImages::SizeForColorMode(int32_t width, int32_t height, int32_t colorMode)
{
    DibImage* raw = RawImage(colorMode);
    if (raw == nullptr)
        return 0;
    if (!Size(*raw, width, height, raw == &rawImage8 ? 8 : 16))
        return 0;
    if (raw == &rawImage8)
        rawImage8.SetPalette(DibImage::kPaletteGray); // also when the image was kept
    if (colorMode == 0 && !Size(image24, width, height, 24))
        return 0;
    DibImage* result = ResultImage(colorMode);
    if (result != raw && !Size(*result, width, height, ColorModeBits(colorMode)))
        return 0;
    return Size(workImage, width, height, ColorModeBits(colorMode));
}

} // namespace tavix::imaging
