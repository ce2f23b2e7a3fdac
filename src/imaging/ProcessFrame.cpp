#include "imaging/ProcessFrame.h"

#include "imaging/AutoIris.h"
#include "imaging/BayerToGray.h"
#include "imaging/Demosaic.h"
#include "imaging/Mirror.h"
#include "imaging/WhiteBalance.h"

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

// The demosaic with the Bayer gains of the settings, or those the white
// balance measures on this mosaic first.
int BalancedDemosaic(DibImage& dst, DibImage& raw, int32_t phase, const FrameSettings& s, FrameObserver* observer)
{
    BayerGains gains{s.gainRed, s.gainGreen, s.gainBlue};
    if (s.whiteBalance) {
        gains = MeasureWhiteBalance(raw, phase, gains);
        if (observer != nullptr)
            observer->WhiteBalanceMeasured(gains.red, gains.green, gains.blue);
    }
    return Demosaic(dst, raw, DemosaicParams{phase, gains.red, gains.green, gains.blue});
}

void GrayModeGains(DibImage& raw, const FrameSettings& s, FrameObserver* observer)
{
    GrayGainParams params{s.bayerMode, s.gray};
    if (s.grayAutoGains) {
        GrayClassSums sums;
        RunPixelOp(raw, ForLayout(kGrayAutoGainsOps, raw.BytesPerPixel()), raw, nullptr, 0, 0, &s.bayerMode, &sums);
        params.gains = AutoGrayGains(sums, s.gray);
        if (observer != nullptr)
            observer->GrayGainsMeasured(params.gains);
    }
    if (!GrayGainsNeutral(params.gains))
        RunPixelOp(raw, ForLayout(kApplyGrayGainsOps, raw.BytesPerPixel()), raw, nullptr, 0, 0, &params, nullptr);
}
} // namespace

int ProcessFrame(FrameImages& images, const FrameSettings& s, FrameObserver* observer, RawCorrection* correction)
{
    DibImage* raw = images.RawImage(s.colorMode);
    if (raw == nullptr || raw->Empty())
        return 0;

    if (s.autoIris == 1 || s.autoIris == 2) {
        const int32_t percent = AutoIrisPercent(*raw);
        if (AutoIrisActs(percent) && observer != nullptr)
            observer->AutoIrisMeasured(percent);
    }
    if (correction != nullptr)
        correction->Correct(*raw);

    const bool softwareVertical = s.mirrorVertical && !s.hardwareMirrorVertical;
    const bool softwareHorizontal = s.mirrorHorizontal && !s.hardwareMirrorHorizontal;

    // The pattern as delivered: only the camera's own flips have moved it.
    const int32_t deliveredPhase = EffectivePhase(
        s.bayerMode, s.mirrorVertical && !softwareVertical, s.mirrorHorizontal && !softwareHorizontal);

    if (s.colorMode == 0 && s.grayMode == 2) {
        // Gray mode 2 converts before the software flips.
        if (!SameSize(images.image24, *raw) || images.image24.BitCount() != 24)
            return 0;
        if (!BalancedDemosaic(images.image24, *raw, deliveredPhase, s, observer) ||
            !RunPixelOp(*raw, BayerToGray, images.image24, nullptr, 0, 0, nullptr, nullptr))
            return 0;
    }
    if (s.colorMode <= 1 && s.grayMode == 1)
        GrayModeGains(*raw, s, observer);

    if (!MirrorImage(*raw, softwareHorizontal, softwareVertical))
        return 0;

    if (s.colorMode >= 2) {
        DibImage* result = images.ResultImage(s.colorMode);
        if (!SameSize(*result, *raw) || result->BitCount() != ColorModeBits(s.colorMode))
            return 0;
        const int32_t phase = FlippedPhase(deliveredPhase, softwareVertical, softwareHorizontal, *raw);
        if (!BalancedDemosaic(*result, *raw, phase, s, observer))
            return 0;
    }
    return ApplyImageFilters(*images.ResultImage(s.colorMode), images.workImage, s.filters);
}

} // namespace tavix::imaging
