#include "emulator/FrameSource.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "emulator/FrameInfoBlock.h"

namespace tavix::emu {

namespace {
constexpr size_t kHistory = 64;

std::chrono::nanoseconds Nanoseconds(double microseconds)
{
    return std::chrono::nanoseconds(static_cast<int64_t>(std::llround(microseconds * 1000.0)));
}
} // namespace

void FrameSource::PowerUp(TimePoint now)
{
    segments_.clear();
    held_.clear();
    history_.clear();
    armed_ = false;
    clockRunning_ = false;
    hung_ = false;
    poweredUp_ = now;
    started_ = 0;
    nextNumber_ = 0;
}

void FrameSource::Arm(const FrameSettings& settings, TimePoint now)
{
    if (armed_)
        return;
    if (!held_.empty()) {
        const Held frame = held_.front();
        held_.pop_front();
        Send(frame.settings, now, frame.readout);
        return;
    }
    armed_ = true;
    armedSettings_ = settings;
    armedAt_ = now;
}

void FrameSource::Flush()
{
    segments_.clear();
    armed_ = false;
}

void FrameSource::Restart()
{
    Flush();
    held_.clear();
    clockRunning_ = false;
    hung_ = false;
}

bool FrameSource::Trigger(const FrameSettings& settings, TimePoint now)
{
    if (held_.size() >= kHeldFrames)
        return false;
    const TimePoint readout = paced_ ? now + Nanoseconds(settings.ExposureMicroseconds()) : now;
    held_.push_back({Number(settings), readout});
    return true;
}

std::optional<FrameSource::TimePoint> FrameSource::Advance(TimePoint now, bool producing)
{
    if (!armed_ || stalled_ || hung_ || !producing)
        return std::nullopt;
    TimePoint info = now;
    TimePoint readout = now;
    if (paced_) {
        const auto exposure = Nanoseconds(armedSettings_.ExposureMicroseconds());
        const auto period = Nanoseconds(armedSettings_.FramePeriodMicroseconds());
        if (!clockRunning_ || period.count() <= 0) {
            info = armedAt_;
            readout = armedAt_ + exposure;
        } else {
            // The FPGA buffers the frame being read out: an arm before its
            // read-out has ended still gets it.
            const auto lines = Nanoseconds(armedSettings_.ReadoutMicroseconds());
            readout = lastReadout_ + period;
            if (readout + lines < armedAt_) {
                const auto late = (armedAt_ - lines - lastReadout_ + period - std::chrono::nanoseconds(1)) / period;
                readout = lastReadout_ + late * period;
            }
            info = std::max(armedAt_, readout - exposure);
        }
        if (info > now)
            return info;
    }
    armed_ = false;
    Send(Number(armedSettings_), info, readout);
    return std::nullopt;
}

FrameSettings FrameSource::Number(FrameSettings settings)
{
    settings.frameNumber = nextNumber_++;
    ++started_;
    if (history_.size() == kHistory)
        history_.pop_front();
    history_.push_back(settings);
    return settings;
}

void FrameSource::Send(const FrameSettings& settings, TimePoint info, TimePoint readout)
{
    clockRunning_ = true;
    lastReadout_ = readout;
    const uint64_t micros =
        static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(readout - poweredUp_).count());
    const auto block = EncodeFrameInfo(settings, settings.AnnouncedBytes(), micros);
    Segment header;
    header.bytes.assign(block.begin(), block.end());
    header.size = block.size();
    header.from = info;
    segments_.push_back(std::move(header));

    Segment payload;
    payload.kind = Segment::Kind::kPayload;
    payload.settings = settings;
    payload.size = static_cast<uint64_t>(settings.PayloadBytes()) + excess_;
    payload.from = readout;
    if (paced_)
        payload.spread = Nanoseconds(settings.ReadoutMicroseconds());
    if (payload.size > 0)
        segments_.push_back(std::move(payload));
}

uint64_t FrameSource::Arrived(const Segment& segment, TimePoint now) const
{
    if (now < segment.from)
        return 0;
    if (segment.spread.count() <= 0 || now - segment.from >= segment.spread)
        return segment.size;
    return static_cast<uint64_t>(static_cast<double>(segment.size) * static_cast<double>((now - segment.from).count()) /
                                 static_cast<double>(segment.spread.count()));
}

uint32_t FrameSource::Take(uint8_t* destination, uint32_t count, TimePoint now, std::optional<TimePoint>* readyAt)
{
    *readyAt = std::nullopt;
    if (segments_.empty() || count == 0)
        return 0;
    Segment& front = segments_.front();
    const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(count, front.size - front.taken));
    const uint64_t needed = front.taken + n;
    if (Arrived(front, now) < needed) {
        const double share = static_cast<double>(needed) / static_cast<double>(front.size);
        *readyAt = front.from +
                   std::chrono::nanoseconds(static_cast<int64_t>(std::ceil(share * front.spread.count()))) +
                   std::chrono::microseconds(1);
        return 0;
    }
    if (front.kind == Segment::Kind::kBytes)
        std::memcpy(destination, front.bytes.data() + front.taken, n);
    else
        renderer_.Render(front.settings, front.taken, n, destination);
    front.taken += n;
    if (front.taken == front.size)
        segments_.pop_front();
    return n;
}

void FrameSource::Push(std::vector<uint8_t> bytes, TimePoint now)
{
    if (bytes.empty())
        return;
    Segment segment;
    segment.size = bytes.size();
    segment.bytes = std::move(bytes);
    segment.from = now;
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
