#include "output/AviFrame.h"

#include <cstring>

#include "imaging/ReduceRows.h"

namespace tavix::output {
namespace {

void PaletteRow(uint8_t* out, const uint8_t* in, int32_t width, const imaging::RgbQuad* palette)
{
    for (int32_t x = 0; x < width; ++x) {
        const imaging::RgbQuad& c = palette[in[x]];
        out[3 * x] = c.blue;
        out[3 * x + 1] = c.green;
        out[3 * x + 2] = c.red;
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
        case 16: imaging::Gray16ToBgrRow(out, in, width, imaging::kCameraSampleDepth); break;
        case 24: std::memcpy(out, in, outStride); break;
        default:
            if (!imaging::ColourToBgrRow(out, in, width, image.BitCount()))
                return false;
        }
    }
    return true;
}

} // namespace tavix::output
