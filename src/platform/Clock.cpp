#include "platform/Clock.h"

#include <thread>

namespace tavix::platform {

namespace {
std::atomic<Clock*> g_clock{nullptr};
}

Clock& CurrentClock()
{
    Clock* clock = g_clock.load(std::memory_order_acquire);
    return clock != nullptr ? *clock : SystemClock();
}

void SetClock(Clock* clock) { g_clock.store(clock, std::memory_order_release); }

WarpClock::WarpClock() : now_(SystemClock().TickCount()) {}

uint32_t WarpClock::TickCount() { return now_.load(); }

void WarpClock::Sleep(uint32_t milliseconds)
{
    Advance(milliseconds);
    slept_ += milliseconds;
    // Let other threads run, as a real sleep would.
    std::this_thread::yield();
}

void WarpClock::Advance(uint32_t milliseconds) { now_ += milliseconds; }

} // namespace tavix::platform
