#include "camera/FrameRateMeter.h"

#include <array>
#include <mutex>

#include "platform/Clock.h"

namespace tavix {

namespace {
struct Channel {
    uint32_t count = 0;
    uint32_t startTick = 0;
    bool started = false;
};

std::mutex g_lock;
std::array<Channel, FrameRateMeter::kChannels> g_channels;
} // namespace

std::optional<float> FrameRateMeter::Feed(uint32_t channel, uint32_t windowMs)
{
    if (channel >= kChannels)
        return std::nullopt;
    const uint32_t now = platform::TickCount();
    std::lock_guard lock(g_lock);
    Channel& c = g_channels[channel];
    // A channel's first frame opens its window, so that the first report is
    // a rate over real frames rather than over the time since start-up; so
    // does a frame after a pause of more than two windows (a restart).
    if (!c.started || now - c.startTick > 2 * windowMs) {
        c = {0, now, true};
        return std::nullopt;
    }
    ++c.count;
    const uint32_t elapsed = now - c.startTick;
    if (elapsed < windowMs || elapsed == 0)
        return std::nullopt;
    const float rate = static_cast<float>(c.count) * 1000.0f / static_cast<float>(elapsed);
    c.count = 0;
    c.startTick = now;
    return rate;
}

void FrameRateMeter::Reset()
{
    std::lock_guard lock(g_lock);
    g_channels = {};
}

} // namespace tavix
