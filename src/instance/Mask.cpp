// The defect mask of the instance: references taken from the newest raw
// frame or a mask file, saved to one, and the corrections of every frame.

#include <array>
#include <cstring>
#include <mutex>

#include "camera/CTavixU3Q5Base.h"
#include "imaging/MaskFile.h"
#include "instance/CTavix.h"

namespace tavix {

void CTavix::CorrectRawFrame(imaging::DibImage& raw)
{
    const bool flatField = maskFilter_ != 0, dotFilter = dotFilter_ != 0;
    if (!flatField && !dotFilter)
        return;
    // The references are whole frames as the sensor reads them out (the
    // IMX264 from the picture's far corner unless it flips), so a window
    // lies in them where the sensor's read-out puts it, which is not its
    // position in the picture on every axis.
    uint32_t x = 0, y = 0;
    camera_->GetReadoutOrigin(&x, &y);
    imaging::ReferenceWindow window = maskWindow_;
    window.x = static_cast<int32_t>(x);
    window.y = static_cast<int32_t>(y);
    std::lock_guard lock(configLock_);
    if (mask_.Ensure())
        mask_.Correct(raw, window, flatField, dotFilter);
}

int CTavix::UpdateMaskData(int32_t kind)
{
    if (!camera_) {
        PushError(TAVIX_ERR_NO_CAMERA);
        return 0;
    }
    if (kind != MaskPlanes::kDark && kind != MaskPlanes::kWhite) {
        PushError(TAVIX_ERR_CONVERSION);
        return 0;
    }
    std::lock_guard frame(frameLock_);
    const imaging::DibImage* raw = images_.RawImage(cameraValues_.colorMode);
    if (raw == nullptr || raw->Empty() || imageReady_ == 0) {
        PushError(TAVIX_ERR_NO_CAMERA);
        return 0;
    }
    // A reference covers the whole sensor; a frame of part of it (a window,
    // sub-sampling) would leave the rest of the reference undefined.
    if (raw->Width() != kSensorWidth || raw->Height() != kSensorHeight) {
        PushError(TAVIX_ERR_CAPTURE_WINDOW);
        return 0;
    }
    std::lock_guard config(configLock_);
    if (!mask_.Ensure()) {
        PushError(TAVIX_ERR_BUFFER);
        return 0;
    }
    mask_.Replace(static_cast<MaskPlanes::Reference>(kind), *raw);
    return 1;
}

int CTavix::SaveMaskFile(const char* path)
{
    if (!camera_) {
        PushError(TAVIX_ERR_NO_CAMERA);
        return 0;
    }
    // Writing and syncing 30 MB takes many frame periods: the references
    // are copied under the lock, which every corrected frame takes, and
    // written after it.
    constexpr MaskPlanes::Plane kSaved[imaging::kMaskReferences] = {MaskPlanes::kDark8, MaskPlanes::kWhite8,
                                                                    MaskPlanes::kDark16, MaskPlanes::kWhite16};
    std::array<imaging::DibImage, imaging::kMaskReferences> copies;
    {
        std::lock_guard config(configLock_);
        bool copied = mask_.Ensure();
        for (size_t k = 0; copied && k < copies.size(); ++k) {
            copied = copies[k].CopyGeometry(mask_[kSaved[k]]) != 0;
            if (copied)
                std::memcpy(copies[k].Bits(), mask_[kSaved[k]].Bits(), copies[k].SizeBytes());
        }
        if (!copied) {
            PushError(TAVIX_ERR_BUFFER);
            return 0;
        }
    }
    if (!imaging::WriteMaskFile(path, {&copies[0], &copies[1], &copies[2], &copies[3]})) {
        PushError(TAVIX_ERR_FILE);
        return 0;
    }
    return 1;
}

int CTavix::LoadMaskFile(const char* path)
{
    if (!camera_) {
        PushError(TAVIX_ERR_NO_CAMERA);
        return 0;
    }
    // Read whole before anything is replaced, and outside the lock, which
    // frames being corrected take.
    std::array<std::vector<uint8_t>, imaging::kMaskReferences> blocks;
    if (!imaging::ReadMaskFile(path, blocks)) {
        PushError(TAVIX_ERR_FILE);
        return 0;
    }
    std::lock_guard config(configLock_);
    if (!mask_.Ensure()) {
        PushError(TAVIX_ERR_BUFFER);
        return 0;
    }
    mask_.ReplaceAll({blocks[0].data(), blocks[1].data(), blocks[2].data(), blocks[3].data()});
    return 1;
}

} // namespace tavix
