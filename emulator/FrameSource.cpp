#include "emulator/FrameSource.h"

#include <algorithm>
#include <cstring>

#include "emulator/FrameInfoBlock.h"

namespace tavix::emu {

namespace {
constexpr size_t kHistory = 64;
}

void FrameSource::PowerUp(TimePoint now)
{
    segments_.clear();
    history_.clear();
    armed_ = false;
    everStarted_ = false;
    poweredUp_ = now;
    started_ = 0;
    nextNumber_ = 0;
}

void FrameSource::Arm(const FrameSettings& settings, TimePoint now)
{
    if (armed_)
        return;
    armed_ = true;
    armedSettings_ = settings;
    due_ = now;
    if (paced_ && everStarted_) {
        // The sensor's frame clock runs on: a frame starts one frame period
        // after the previous one at the earliest.
        const auto period = std::chrono::nanoseconds(static_cast<int64_t>(settings.FramePeriodMicroseconds() * 1000.0));
        const TimePoint next = lastStart_ + std::chrono::duration_cast<std::chrono::steady_clock::duration>(period);
        due_ = std::max(next, now);
    }
}

void FrameSource::Flush()
{
    segments_.clear();
    armed_ = false;
}

std::optional<FrameSource::TimePoint> FrameSource::Advance(TimePoint now)
{
    if (!armed_ || stalled_)
        return std::nullopt;
    if (due_ > now)
        return due_;
    Start(due_);
    return std::nullopt;
}

void FrameSource::Start(TimePoint when)
{
    FrameSettings settings = armedSettings_;
    settings.frameNumber = nextNumber_++;
    armed_ = false;
    lastStart_ = when;
    everStarted_ = true;
    ++started_;

    const uint64_t micros =
        static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(when - poweredUp_).count());
    const auto info = EncodeFrameInfo(settings, settings.PayloadBytes(), micros);
    Segment header;
    header.bytes.assign(info.begin(), info.end());
    header.size = info.size();
    segments_.push_back(std::move(header));

    Segment payload;
    payload.kind = Segment::Kind::kPayload;
    payload.settings = settings;
    payload.size = static_cast<uint64_t>(settings.PayloadBytes()) + excess_;
    if (payload.size > 0)
        segments_.push_back(std::move(payload));

    if (history_.size() == kHistory)
        history_.pop_front();
    history_.push_back(settings);
}

uint32_t FrameSource::Take(uint8_t* destination, uint32_t count)
{
    if (segments_.empty() || count == 0)
        return 0;
    Segment& front = segments_.front();
    const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(count, front.size - front.taken));
    if (front.kind == Segment::Kind::kBytes)
        std::memcpy(destination, front.bytes.data() + front.taken, n);
    else
        renderer_.Render(front.settings, front.taken, n, destination);
    front.taken += n;
    if (front.taken == front.size)
        segments_.pop_front();
    return n;
}

void FrameSource::Push(std::vector<uint8_t> bytes)
{
    if (bytes.empty())
        return;
    Segment segment;
    segment.size = bytes.size();
    segment.bytes = std::move(bytes);
    segments_.push_back(std::move(segment));
}

std::optional<FrameSettings> FrameSource::SettingsOfFrame(uint32_t frameNumber) const
{
    for (auto it = history_.rbegin(); it != history_.rend(); ++it)
        if (it->frameNumber == frameNumber)
            return *it;
    return std::nullopt;
}

} // namespace tavix::emu
