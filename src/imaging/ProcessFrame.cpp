#include "imaging/ProcessFrame.h"

#include "imaging/BayerToGray.h"
#include "imaging/Demosaic.h"
#include "imaging/Mirror.h"

namespace tavix::imaging {

namespace {
// Flipping in software moves the Bayer pattern by a column (row) only when
// the image has an even number of them; the camera's own flips move it as
// the Bayer mode's definition says.
int32_t FlippedPhase(int32_t phase, bool vertical, bool horizontal, const DibImage& image)
{
    return phase ^ (vertical && image.Height() % 2 == 0 ? 1 : 0) ^ (horizontal && image.Width() % 2 == 0 ? 2 : 0);
}

bool SameSize(const DibImage& a, const DibImage& b)
{
    return !a.Empty() && !b.Empty() && a.Width() == b.Width() && a.Height() == b.Height();
}
} // namespace

int ProcessFrame(FrameImages& images, const FrameSettings& s)
{
    DibImage* raw = images.RawImage(s.colorMode);
    if (raw == nullptr || raw->Empty())
        return 0;

    // Automatic exposure, measured on the raw image, and flat-field and
    // defect-pixel correction (under the configuration lock) come first,
    // once they exist.

    const bool softwareVertical = s.mirrorVertical && !s.hardwareMirrorVertical;
    const bool softwareHorizontal = s.mirrorHorizontal && !s.hardwareMirrorHorizontal;

    // The pattern as delivered: only the camera's own flips have moved it.
    const int32_t deliveredPhase = EffectivePhase(
        s.bayerMode, s.mirrorVertical && !softwareVertical, s.mirrorHorizontal && !softwareHorizontal);

    if (s.colorMode == 0 && s.grayMode == 2) {
        // Gray mode 2 converts before the software flips.
        if (!SameSize(images.image24, *raw) || images.image24.BitCount() != 24)
            return 0;
        const DemosaicParams params{deliveredPhase, s.gainRed, s.gainGreen, s.gainBlue};
        if (!Demosaic(images.image24, *raw, params) ||
            !RunPixelOp(*raw, BayerToGray, images.image24, nullptr, 0, 0, nullptr, nullptr))
            return 0;
    }
    // Gray mode 1 (per-class gray gains) belongs here too.

    if (!MirrorImage(*raw, softwareHorizontal, softwareVertical))
        return 0;

    if (s.colorMode >= 2) {
        // The automatic Bayer gain measurement precedes the demosaic.
        DibImage* result = images.ResultImage(s.colorMode);
        if (!SameSize(*result, *raw) || result->BitCount() != ColorModeBits(s.colorMode))
            return 0;
        const DemosaicParams params{FlippedPhase(deliveredPhase, softwareVertical, softwareHorizontal, *raw),
            s.gainRed, s.gainGreen, s.gainBlue};
        if (!Demosaic(*result, *raw, params))
            return 0;
    }

    // Image filters on the result image follow here.
    return 1;
}

} // namespace tavix::imaging
