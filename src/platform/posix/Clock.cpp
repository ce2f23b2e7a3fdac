#include "platform/Clock.h"

#include <pthread.h>
#include <sched.h>
#include <time.h>

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
    // Real-time scheduling needs a privilege most users lack; then the thread
    // keeps its normal priority, which is what Windows gives a process that
    // cannot raise its own either.
    sched_param param{};
    param.sched_priority = sched_get_priority_max(SCHED_FIFO);
    return pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
}

} // namespace tavix::platform
