#pragma once
// The one clock of the core: every tick count, sleep and poll loop of the
// library goes through CurrentClock(), so that a test can swap in a warped
// clock and run a minute-long firmware poll in milliseconds.

#include <atomic>
#include <cstdint>

namespace tavix::platform {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary start, wrapping at 2^32 like GetTickCount.
    virtual uint32_t TickCount() = 0;
    virtual void Sleep(uint32_t milliseconds) = 0;
};

// The operating system's clock (GetTickCount/Sleep, clock_gettime/nanosleep).
Clock& SystemClock();

// The clock in use; the system clock unless a test has installed another.
Clock& CurrentClock();

// Installs a clock for the whole process; nullptr restores the system clock.
void SetClock(Clock* clock);

inline uint32_t TickCount() { return CurrentClock().TickCount(); }
inline void Sleep(uint32_t milliseconds) { CurrentClock().Sleep(milliseconds); }

// A clock whose sleeps return at once and move its time forward instead.
// Thread-safe; the time starts at the system clock's tick count.
class WarpClock final : public Clock {
public:
    WarpClock();
    uint32_t TickCount() override;
    void Sleep(uint32_t milliseconds) override;
    void Advance(uint32_t milliseconds);
    // Total milliseconds slept through this clock.
    uint64_t SleptMilliseconds() const { return slept_.load(); }

private:
    std::atomic<uint32_t> now_;
    std::atomic<uint64_t> slept_{0};
};

// Installs a clock for the lifetime of the scope.
class ScopedClock {
public:
    explicit ScopedClock(Clock& clock) { SetClock(&clock); }
    ~ScopedClock() { SetClock(nullptr); }
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;
};

// Raises the system timer resolution to 1 ms while it lives, so that short
// sleeps last what they say (timeBeginPeriod/timeEndPeriod on Windows; the
// POSIX clocks need nothing).
class TimerResolutionScope {
public:
    TimerResolutionScope();
    ~TimerResolutionScope();
    TimerResolutionScope(const TimerResolutionScope&) = delete;
    TimerResolutionScope& operator=(const TimerResolutionScope&) = delete;
};

// Raises the calling thread above normal threads: THREAD_PRIORITY_TIME_CRITICAL
// on Windows, a modest real-time round-robin level on POSIX. True when the
// system took it; without the privilege the thread runs on unchanged.
bool SetCurrentThreadTimeCritical();

} // namespace tavix::platform
