#include "platform/Clock.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <cerrno>

namespace tavix::platform {

namespace {
class PosixClock final : public Clock {
public:
    uint32_t TickCount() override
    {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u +
                                     static_cast<uint64_t>(now.tv_nsec) / 1000000u);
    }

    void Sleep(uint32_t milliseconds) override
    {
        timespec rest{static_cast<time_t>(milliseconds / 1000u),
                      static_cast<long>(milliseconds % 1000u) * 1000000L};
        while (nanosleep(&rest, &rest) != 0 && errno == EINTR) {
        }
    }
};
} // namespace

Clock& SystemClock()
{
    static PosixClock clock;
    return clock;
}

TimerResolutionScope::TimerResolutionScope() = default;
TimerResolutionScope::~TimerResolutionScope() = default;

bool SetCurrentThreadTimeCritical()
{
    // A modest round-robin level: above every normal thread, so a frame is
    // fetched before the desktop's work, but far below the kernel's own
    // real-time threads, and never one that can starve the machine. Without
    // the privilege (no CAP_SYS_NICE and no RLIMIT_RTPRIO room) the thread
    // keeps its normal priority, as Windows leaves a process that cannot
    // raise its own.
    constexpr int kModestLevel = 10;
    int level = std::min(kModestLevel, sched_get_priority_max(SCHED_RR));
    rlimit limit{};
    if (getrlimit(RLIMIT_RTPRIO, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur > 0)
        level = std::min(level, static_cast<int>(limit.rlim_cur));
    sched_param param{};
    param.sched_priority = std::max(level, sched_get_priority_min(SCHED_RR));
    return pthread_setschedparam(pthread_self(), SCHED_RR, &param) == 0;
}

} // namespace tavix::platform
