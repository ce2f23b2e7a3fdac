#include "output/AviFrame.h"

#include <algorithm>
#include <cstring>

namespace tavix::output {
namespace {

// Significant bits of the camera's 16-bit samples.
constexpr int kSampleShift = 12 - 8;

void PaletteRow(uint8_t* out, const uint8_t* in, int32_t width, const imaging::RgbQuad* palette)
{
    for (int32_t x = 0; x < width; ++x) {
        const imaging::RgbQuad& c = palette[in[x]];
        out[3 * x] = c.blue;
        out[3 * x + 1] = c.green;
        out[3 * x + 2] = c.red;
    }
}

void Gray16Row(uint8_t* out, const uint8_t* in, int32_t width)
{
    for (int32_t x = 0; x < width; ++x) {
        const uint32_t sample = in[2 * x] | uint32_t{in[2 * x + 1]} << 8;
        const auto level = static_cast<uint8_t>(std::min<uint32_t>(sample >> kSampleShift, 255));
        out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = level;
    }
}

// Blue, green and red of pixels of `step` bytes with samples of
// sampleBytes each: the high byte of each of the first three samples.
template <int step, int sampleBytes>
void PickRow(uint8_t* out, const uint8_t* in, int32_t width)
{
    constexpr int high = sampleBytes - 1;
    for (int32_t x = 0; x < width; ++x) {
        out[3 * x] = in[step * x + high];
        out[3 * x + 1] = in[step * x + sampleBytes + high];
        out[3 * x + 2] = in[step * x + 2 * sampleBytes + high];
    }
}

} // namespace

bool ToAviFrame(const imaging::DibImage& image, uint8_t* frame)
{
    if (image.Empty() || frame == nullptr)
        return false;
    const int32_t width = image.Width(), height = image.Height();
    const size_t outStride = 3 * size_t(width);
    for (int32_t row = 0; row < height; ++row) {
        uint8_t* out = frame + size_t(height - 1 - row) * outStride;
        const uint8_t* in = image.Row(row);
        switch (image.BitCount()) {
        case 8: PaletteRow(out, in, width, image.Palette()); break;
        case 16: Gray16Row(out, in, width); break;
        case 24: std::memcpy(out, in, outStride); break;
        case 32: PickRow<4, 1>(out, in, width); break;
        case 48: PickRow<6, 2>(out, in, width); break;
        case 64: PickRow<8, 2>(out, in, width); break;
        default: return false;
        }
    }
    return true;
}

} // namespace tavix::output
