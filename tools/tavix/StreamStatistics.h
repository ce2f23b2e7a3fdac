#pragma once
// What a stream delivered, from the messages the library posts: frames and
// bytes, frames lost (could not be read or handed over) and error codes.

#include <chrono>
#include <cstdint>
#include <map>
#include <string>

#include "ToolPlatform.h"

namespace tavix::tool {

class StreamStatistics {
public:
    using Clock = std::chrono::steady_clock;

    explicit StreamStatistics(Clock::time_point start) : start_(start) {}

    void Add(const PostedMessage& message);

    uint64_t Frames() const { return frames_; }
    uint64_t Lost() const { return lost_; }
    uint64_t ErrorCount() const;
    bool CameraStopped() const { return cameraStopped_; }

    // "12.0 s  25.0 frames/s  114.7 MiB/s  lost 0  errors 0"
    std::string StatusLine(Clock::time_point now) const;
    // The summary: the status line's figures and each error code by name.
    std::string Summary(Clock::time_point end) const;

private:
    double Seconds(Clock::time_point now) const;

    Clock::time_point start_;
    uint64_t frames_ = 0;
    uint64_t bytes_ = 0;
    uint64_t lost_ = 0;
    bool cameraStopped_ = false;
    std::map<uint32_t, uint64_t> errors_;
};

} // namespace tavix::tool
