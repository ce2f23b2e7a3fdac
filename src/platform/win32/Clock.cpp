#include "platform/Clock.h"

#include <windows.h>
#include <timeapi.h>

namespace tavix::platform {

namespace {
class Win32Clock final : public Clock {
public:
    uint32_t TickCount() override { return GetTickCount(); }
    void Sleep(uint32_t milliseconds) override { ::Sleep(milliseconds); }
};
} // namespace

Clock& SystemClock()
{
    static Win32Clock clock;
    return clock;
}

TimerResolutionScope::TimerResolutionScope() { timeBeginPeriod(1); }
TimerResolutionScope::~TimerResolutionScope() { timeEndPeriod(1); }

bool SetCurrentThreadTimeCritical()
{
    return SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL) != 0;
}

} // namespace tavix::platform
