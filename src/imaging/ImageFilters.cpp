#include "imaging/ImageFilters.h"

#include <cstring>

#include "imaging/HueSaturation.h"
#include "imaging/Sharpness.h"
#include "imaging/ToneFilters.h"

namespace tavix::imaging {

namespace {
int InPlace(DibImage& image, const LayoutOps& ops, const void* params)
{
    return RunPixelOp(image, ForLayout(ops, image.BytesPerPixel()), image, nullptr, 0, 0, params, nullptr);
}
} // namespace

int ApplyImageFilters(DibImage& image, DibImage& work, const FilterSettings& f)
{
    if (image.Empty())
        return 0;
    const bool colour = image.BytesPerPixel() >= 3;
    if (colour && (f.hue != 0 || f.saturation != 0)) {
        const HueSaturationParams params{f.hue, f.saturation};
        InPlace(image, kHueSaturationOps, &params);
    }
    if (f.gamma != 100) {
        const ToneParams params{f.gamma};
        InPlace(image, kGammaOps, &params);
    }
    if (f.contrast != 0) {
        const ToneParams params{f.contrast};
        InPlace(image, kContrastOps, &params);
    }
    if (f.sharpness != 0) {
        if (!work.SameGeometry(image) && !work.CopyGeometry(image))
            return 0;
        std::memcpy(work.Bits(), image.Bits(), image.SizeBytes());
        const SharpnessParams params{f.sharpness};
        RunPixelOp(image, ForLayout(kSharpnessOps, image.BytesPerPixel()), work, nullptr, 0, 0, &params, nullptr);
    }
    if (f.brightness != 0) {
        const ToneParams params{f.brightness};
        InPlace(image, kBrightnessOps, &params);
    }
    return 1;
}

} // namespace tavix::imaging
