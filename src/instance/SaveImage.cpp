// Still images of the newest converted frame.

#include <cstring>
#include <mutex>

#include "instance/CTavix.h"
#include "output/StillImage.h"

namespace tavix {

int CTavix::SaveImage(const char* path, int32_t format)
{
    if (!camera_ || !imageReady_) {
        PushError(TAVIX_ERR_NO_CAMERA);
        return 0;
    }
    if (path == nullptr || *path == '\0' || format < output::kFormatBmp || format > output::kFormatTiff) {
        PushError(TAVIX_ERR_ARGUMENT);
        return 0;
    }
    // Encoding a full frame takes far longer than a frame period: the frame
    // is copied under the lock and encoded after it, so a running preview
    // loses at most the frame that waited for the copy.
    imaging::DibImage frame;
    {
        std::lock_guard lock(frameLock_);
        const imaging::DibImage* result = images_.ResultImage(cameraValues_.colorMode);
        if (result == nullptr || result->Empty()) {
            PushError(TAVIX_ERR_NO_CAMERA);
            return 0;
        }
        if (!frame.CopyGeometry(*result)) {
            PushError(TAVIX_ERR_BUFFER);
            return 0;
        }
        std::memcpy(frame.Bits(), result->Bits(), result->SizeBytes());
        frame.SetPalette(imaging::DibImage::kPaletteUser, 0, imaging::kPaletteEntries, result->Palette());
    }
    // The camera's 16-bit samples are saved with all sixteen bits taken as
    // significant.
    constexpr int32_t kSavedDepth = 16;
    if (!output::SaveImage(path, frame, format, kSavedDepth)) {
        PushError(TAVIX_ERR_FILE);
        return 0;
    }
    return 1;
}

} // namespace tavix
