#pragma once
// The process-wide frame-rate meter: eight channels, each counting the
// frames fed to it and reporting frames per second once per window. Every
// capture thread of the process feeds channel 0, as the camera family's
// tools have always shown one rate.

#include <cstdint>
#include <optional>

namespace tavix {

class FrameRateMeter {
public:
    static constexpr uint32_t kChannels = 8;

    // Counts one frame on the channel. When at least windowMs have passed
    // since the channel's window began, yields frames × 1000 / elapsed ms
    // and starts a new window. Channels 8 and above report nothing.
    static std::optional<float> Feed(uint32_t channel, uint32_t windowMs);

    // Forgets every channel's count and window (tests).
    static void Reset();
};

} // namespace tavix
