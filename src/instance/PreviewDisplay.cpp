// The preview window of an instance and the drawing of frames into it.

#include "imaging/DisplayReduce.h"
#include "instance/CTavix.h"

namespace tavix {
namespace {

// Significant bits of the camera's 16-bit samples, which the display keeps
// the top eight of.
constexpr int32_t kDisplayDepth = 12;

// What sub-sampling divides the image size by.
int32_t SubSampleDivisor(int32_t mode)
{
    switch (mode) {
    case 1: case 17: return 2;
    case 2: case 18: return 4;
    case 3: case 19: return 8;
    default: return 1;
    }
}

} // namespace

bool CTavix::PreviewWindowConfigured() const
{
    return previewParent_ != nullptr || previewRect_ != std::array<int32_t, 4>{0, 0, 0, 0};
}

bool CTavix::OpenPreviewWindow()
{
    if (!PreviewWindowConfigured())
        return true;
    ClosePreviewWindow(); // the window made before goes first
    const int32_t divisor = SubSampleDivisor(cameraValues_.subSample);
    auto window = std::make_unique<platform::PreviewWindow>();
    if (!window->Create(previewParent_, previewRect_, geometry_.width / divisor, geometry_.height / divisor, this)) {
        PushError(TAVIX_ERR_WINDOW);
        return false;
    }
    std::lock_guard lock(frameLock_);
    previewWindow_.swap(window);
    return true;
}

void CTavix::ClosePreviewWindow()
{
    // Taken from a preview that may be drawing into it, and destroyed
    // outside the lock, since destroying a child window waits for its
    // parent's thread.
    std::unique_ptr<platform::PreviewWindow> window;
    std::lock_guard lock(frameLock_);
    window.swap(previewWindow_);
}

void CTavix::DrawFrame()
{
    int32_t width = 0, height = 0;
    if (!previewWindow_ || !previewWindow_->DrawableSize(&width, &height))
        return;
    const imaging::DibImage* source = images_.ResultImage(cameraValues_.colorMode);
    if (source == nullptr || source->Empty())
        return;
    if (source->BitCount() != 8 && source->BitCount() != 24) {
        if (!imaging::ReduceForDisplay(*source, displaySource_, kDisplayDepth))
            return;
        source = &displaySource_;
    }
    if (source->Width() != width || source->Height() != height) {
        if (displayImage_.Width() != width || displayImage_.Height() != height ||
            displayImage_.BitCount() != source->BitCount()) {
            if (!displayImage_.Create(width, height, source->BitCount()))
                return;
        }
        if (!displayScaler_.Scale(*source, displayImage_))
            return;
        source = &displayImage_;
    }
    previewWindow_->Draw(&source->Info(), source->Bits());
}

} // namespace tavix
