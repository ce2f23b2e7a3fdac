// AVI recording of a preview: the recording thread takes each new converted
// frame of the preview, turns it into a 24-bit frame and appends it to the
// file, the write outside the frame lock.

#include <algorithm>
#include <array>
#include <cstring>

#include "instance/CTavix.h"
#include "output/AviFrame.h"
#include "platform/Clock.h"

namespace tavix {

namespace {
constexpr uint32_t kStartRate = 30;           // frames per second until measured
constexpr uint32_t kPollMs = 10;
constexpr intptr_t kEventRecordingEnded = TAVIX_EVENT_RECORDING_ENDED;

// Frames per 100 seconds between the first and the last frame's time. A
// recording of one frame, or of frames that share a millisecond, has no
// measured rate and keeps the one it started with.
uint32_t FramesPer100s(uint32_t frames, uint32_t elapsedMs)
{
    if (elapsedMs == 0)
        return kStartRate * 100;
    const uint64_t rate = uint64_t{frames} * 100000 / elapsedMs;
    return static_cast<uint32_t>(std::max<uint64_t>(rate, 1));
}
} // namespace

int CTavix::Record(const char* path, int32_t durationMs, int32_t showWindow)
{
    if (path == nullptr || *path == '\0') {
        PushError(TAVIX_ERR_ARGUMENT);
        return 0;
    }
    // One file at a time: a new recording ends the one before.
    StopRecording();
    // A recording has no frame messages and no application buffer; a
    // preview already running (whose thread reads these) keeps its own.
    if (acqState_ != kPreview) {
        callbackWindow_ = nullptr;
        userBuffer_ = nullptr;
        userBufferSize_ = 0;
    }
    // A preview already running keeps the window it draws into.
    const bool keepWindow = acqState_ == kPreview && previewWindow_;
    if (showWindow != 0 && !keepWindow && !OpenPreviewWindow())
        return 0;
    if (!StartPreview()) {
        Close();
        PushError(TAVIX_ERR_CONVERSION);
        return 0;
    }
    bool started = false;
    {
        std::lock_guard lock(frameLock_);
        const imaging::DibImage* result = images_.ResultImage(cameraValues_.colorMode);
        started = result != nullptr && !result->Empty() && recordCopy_.CopyGeometry(*result) &&
                  recorder_->Start(path, result->Width(), result->Height(), kStartRate);
    }
    if (!started) {
        Close();
        PushError(TAVIX_ERR_CONVERSION);
        return 0;
    }
    recordDuration_ = static_cast<uint32_t>(durationMs);
    newFrame_ = 0;
    recording_ = 1;
    try {
        recordThread_ = std::thread([this] { RecordLoop(); });
    } catch (...) {
        recording_ = 0;
        recorder_->Reset();
        Close();
        PushError(TAVIX_ERR_THREAD);
        return 0;
    }
    return 1;
}

void CTavix::RecordLoop()
{
    platform::TimerResolutionScope resolution;
    bool first = true;
    uint32_t start = 0, last = 0, end = 0;
    bool failed = false;
    // A preview whose camera stopped delivering ends the recording too.
    while (recording_ != 0 && runState_ != 0) {
        // Polled every 10 ms, but not after a frame: writing one takes most
        // of a frame period, and a sleep on top of it would skip the next.
        if (newFrame_.exchange(0) == 0) {
            platform::Sleep(kPollMs);
            continue;
        }
        const uint32_t t = platform::TickCount();
        // The lock is held for the cheaper of the two: pixels of 24 bits and
        // more shrink as they convert, so they convert under it; 8- and
        // 16-bit frames are copied out and grow to 24 bits after it.
        bool taken = false;
        const bool copyFirst = recordCopy_.BitCount() < 24;
        {
            std::lock_guard lock(frameLock_);
            const imaging::DibImage* result = images_.ResultImage(cameraValues_.colorMode);
            if (result != nullptr && result->SameGeometry(recordCopy_)) {
                if (!copyFirst) {
                    output::ToAviFrame(*result, recorder_->Frame());
                } else {
                    std::memcpy(recordCopy_.Bits(), result->Bits(), result->SizeBytes());
                    recordCopy_.SetPalette(imaging::DibImage::kPaletteUser, 0, imaging::kPaletteEntries,
                                           result->Palette());
                }
                taken = true;
            }
        }
        if (!taken)
            continue;
        if (copyFirst)
            output::ToAviFrame(recordCopy_, recorder_->Frame());
        if (recorder_->AddFrame() != output::AviWriter::Added::kWritten) {
            failed = true;
            break;
        }
        if (first) {
            first = false;
            start = t;
            end = t + recordDuration_;
        }
        last = t;
        // The first frame after the end time is the last one recorded.
        if (static_cast<int32_t>(t - end) > 0)
            break;
    }
    const bool finished = recorder_->Finish(FramesPer100s(recorder_->FrameCount(), last - start));
    recorder_->Reset();
    if (failed || !finished) {
        PushError(TAVIX_ERR_CONVERSION);
        // A recording has no callback window: the event goes to the
        // notification window.
        if (notifyWindow_ != nullptr)
            platform::PostWindowMessage(notifyWindow_, TAVIX_WM_FRAME, 0, kEventRecordingEnded);
    }
    recording_ = 0;
}

void CTavix::StopRecording()
{
    recording_ = 0;
    if (recordThread_.joinable())
        recordThread_.join();
}

} // namespace tavix
