#include "StreamStatistics.h"

#include <cstdio>

#include "ErrorTable.h"

namespace tavix::tool {

namespace {
constexpr double kMiB = 1024.0 * 1024.0;
} // namespace

void StreamStatistics::Add(const PostedMessage& message)
{
    if (message.message == TAVIX_WM_ERROR) {
        if (message.lParam != 0)
            ++errors_[static_cast<uint32_t>(message.lParam)];
        return;
    }
    if (message.message != TAVIX_WM_FRAME)
        return;
    if (message.wParam != 0) {
        ++frames_;
        const TavixFrameInfo& info = message.info;
        bytes_ += (uint64_t{info.width} * info.bitsPerPixel / 8 + 3) / 4 * 4 * info.height;
        return;
    }
    switch (message.lParam) {
    case TAVIX_EVENT_READ_FAILED:
    case TAVIX_EVENT_BUFFER_TOO_SMALL:
        ++lost_;
        break;
    case TAVIX_EVENT_CAMERA_STOPPED:
        cameraStopped_ = true;
        break;
    default:
        break;
    }
}

uint64_t StreamStatistics::ErrorCount() const
{
    uint64_t count = 0;
    for (const auto& [code, times] : errors_)
        count += times;
    return count;
}

double StreamStatistics::Seconds(Clock::time_point now) const
{
    return std::chrono::duration<double>(now - start_).count();
}

std::string StreamStatistics::StatusLine(Clock::time_point now) const
{
    const double seconds = Seconds(now);
    const double rate = seconds > 0 ? frames_ / seconds : 0.0;
    const double throughput = seconds > 0 ? bytes_ / kMiB / seconds : 0.0;
    char line[160];
    std::snprintf(line, sizeof line, "%6.1f s  %6.1f frames/s  %8.1f MiB/s  lost %llu  errors %llu", seconds, rate,
                  throughput, static_cast<unsigned long long>(lost_), static_cast<unsigned long long>(ErrorCount()));
    return line;
}

std::string StreamStatistics::Summary(Clock::time_point end) const
{
    const double seconds = Seconds(end);
    char head[192];
    std::snprintf(head, sizeof head, "summary: %llu frames in %.1f s, %.1f frames/s, %.1f MiB/s (%.1f MiB), %llu lost, %llu errors\n",
                  static_cast<unsigned long long>(frames_), seconds, seconds > 0 ? frames_ / seconds : 0.0,
                  seconds > 0 ? bytes_ / kMiB / seconds : 0.0, bytes_ / kMiB, static_cast<unsigned long long>(lost_),
                  static_cast<unsigned long long>(ErrorCount()));
    std::string summary = head;
    for (const auto& [code, times] : errors_)
        summary += "  " + std::to_string(times) + " x " + DescribeError(code) + "\n";
    if (cameraStopped_)
        summary += "  the camera stopped delivering before the end\n";
    return summary;
}

} // namespace tavix::tool
