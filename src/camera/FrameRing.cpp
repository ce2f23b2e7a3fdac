// The consumer side of the frame ring: waiting for a frame and copying a
// slot out, re-oriented, into the caller's buffer.

#include "camera/CTavixU3Q5Base.h"
#include "camera/FrameCopy.h"
#include "platform/Clock.h"

namespace tavix {

namespace {
// The sensor reads each row out right to left: its output format 4 means
// mirrored rows that come bottom-up in natural order.
constexpr uint32_t kOutputFormatMirrored = 2;
constexpr uint32_t kOutputFormatMirroredReversed = 4;
constexpr uint32_t kOutputFormatReversed = 3;
} // namespace

int CTavixU3Q5Base::WaitFrame(uint32_t timeoutMs)
{
    // The frame event tells that something happened; the indices tell
    // whether it was a frame not yet read. A signal left over from a frame
    // that was read already is waited past until the time is over. A
    // transfer stopped meanwhile (its event gone or replaced) ends the wait.
    std::shared_ptr<platform::Event> event = CurrentFrameEvent();
    const uint32_t start = platform::TickCount();
    for (;;) {
        if (captureFailed_)
            return kWaitCaptureFailed;
        if (CurrentFrameEvent() != event)
            return kWaitNoFrame;
        const uint32_t waited = platform::TickCount() - start;
        const bool signalled = event != nullptr && waited < timeoutMs && event->Wait(timeoutMs - waited);
        if (captureFailed_)
            return kWaitCaptureFailed;
        if (!signalled)
            return kWaitNoFrame;
        if (readIndex_.load(std::memory_order_acquire) != writeIndex_.load(std::memory_order_acquire))
            return kWaitFrameReady;
    }
}

namespace {
// A frame of delivered positions per axis, each read from read-out
// position start + s(f(i)), s the pairs' spread; the copy-out may reverse
// the axis. Where a whole frame (start 0, count size, same flip and copy)
// delivers position c from the same sensor pixel: c = origin + s(i), since
// s(a + b) = s(a) + s(b) and s(F - i) = s(F) - s(i) for even a and odd F.
uint32_t AxisOrigin(const CSensorBase::ReadoutAxis& axis, uint32_t delivered, uint32_t size, bool reversed)
{
    const auto spread = [&axis](uint32_t k) { return axis.pairs ? 4 * (k >> 1) + (k & 1) : k; };
    if (delivered == 0 || axis.count < delivered)
        return 0;
    if (axis.flipped == reversed)
        return axis.start + spread(axis.flipped ? axis.count - delivered : 0);
    const uint64_t last = uint64_t{axis.start} + spread(reversed ? delivered - 1 : axis.count - 1);
    return last < size ? static_cast<uint32_t>(size - 1 - last) : 0;
}
} // namespace

int CTavixU3Q5Base::GetReadoutOrigin(uint32_t* x, uint32_t* y)
{
    if (!sensor_)
        return 0;
    const SensorInfo& info = sensor_->Info();
    CSensorBase::ReadoutAxis horizontal, vertical;
    if (!sensor_->GetReadout(&horizontal, &vertical)) {
        *x = info.windowX;
        *y = info.windowY;
        return 1;
    }
    // The copy-out's orientation, as CopySlot takes it for orientation 1.
    const uint32_t format = info.outputFormat;
    const bool mirror = format == kOutputFormatMirrored || format == kOutputFormatMirroredReversed;
    const bool bottomToTop = format == kOutputFormatReversed || format == kOutputFormatMirroredReversed;
    *x = AxisOrigin(horizontal, info.windowWidth, info.sensorWidth, mirror);
    *y = AxisOrigin(vertical, info.windowHeight, info.sensorHeight, bottomToTop);
    return 1;
}

uint32_t CTavixU3Q5Base::SlotBehind(int32_t writeIndex) const
{
    return static_cast<uint32_t>(writeIndex > 0 ? writeIndex - 1 : ringSize_ - 1);
}

int CTavixU3Q5Base::CopySlot(uint32_t index, uint8_t* destination, uint32_t destinationSize, uint32_t* frameNumber,
                             uint32_t* const (&words)[4], int orientation)
{
    if (destination == nullptr || !sensor_ || frameSize_ > destinationSize)
        return 0;
    FrameSlot& slot = slots_[index];
    std::lock_guard lock(slot.lock);
    if (!slot.data)
        return 0;
    const uint32_t format = sensor_->Info().outputFormat;
    const bool mirror = format == kOutputFormatMirrored || format == kOutputFormatMirroredReversed;
    const bool natural = format != kOutputFormatReversed && format != kOutputFormatMirroredReversed;
    CopyFrameOut(destination, slot.data.get(), slotLayout_, mirror, (orientation != 0) != natural);
    if (frameNumber != nullptr)
        *frameNumber = slot.frameNumber;
    for (size_t i = 0; i < 4; ++i)
        if (words[i] != nullptr)
            *words[i] = slot.words[i];
    return 1;
}

int CTavixU3Q5Base::GetFrame(uint8_t* destination, uint32_t destinationSize, uint32_t* frameNumber,
                             uint32_t* word1, uint32_t* word2, uint32_t* word3, uint32_t* word4, int oldest,
                             int orientation)
{
    const uint32_t index = oldest ? 0 : SlotBehind(writeIndex_.load(std::memory_order_acquire));
    return CopySlot(index, destination, destinationSize, frameNumber, {word1, word2, word3, word4}, orientation);
}

int CTavixU3Q5Base::GetFrameInto(uint8_t* destination, int orientation)
{
    if (destination == nullptr)
        return -2;
    CopySlot(0, destination, frameSize_, nullptr, {}, orientation);
    return 0;
}

// The Read forms take the newest slot and mark everything up to it as read;
// they copy the slot behind the write index they looked at, so that a frame
// stored meanwhile stays unread.
int CTavixU3Q5Base::ReadFrame(uint8_t* destination, int orientation)
{
    const int32_t published = writeIndex_.load(std::memory_order_acquire);
    CopySlot(SlotBehind(published), destination, frameSize_, nullptr, {}, orientation);
    readIndex_.store(published, std::memory_order_release);
    return 0;
}

int CTavixU3Q5Base::ReadFrameWithInfo(uint8_t* destination, uint64_t* stamp, uint32_t* word, int oldest)
{
    const int32_t published = writeIndex_.load(std::memory_order_acquire);
    CopySlot(SlotBehind(published), destination, frameSize_, nullptr, {}, 1);
    FrameSlot& slot = slots_[oldest ? 0 : SlotBehind(published)];
    {
        std::lock_guard lock(slot.lock);
        if (stamp != nullptr)
            *stamp = slot.stamp;
        if (word != nullptr)
            *word = slot.word;
    }
    readIndex_.store(published, std::memory_order_release);
    return 0;
}

int CTavixU3Q5Base::ReadFrameAll(uint8_t* destination, uint32_t* frameNumber, uint32_t* word1, uint32_t* word2,
                                 uint32_t* word3, uint32_t* word4, int orientation)
{
    const int32_t published = writeIndex_.load(std::memory_order_acquire);
    CopySlot(SlotBehind(published), destination, frameSize_, frameNumber, {word1, word2, word3, word4},
             orientation);
    readIndex_.store(published, std::memory_order_release);
    return 0;
}

} // namespace tavix
