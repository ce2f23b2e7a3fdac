#include "platform/Event.h"

#include <chrono>

namespace tavix::platform {

Event::Event(enum Reset reset, bool signalled)
    : autoReset_(reset == Reset::kAuto), signalled_(signalled)
{
}

void Event::Set()
{
    {
        std::lock_guard lock(mutex_);
        signalled_ = true;
    }
    if (autoReset_)
        signal_.notify_one();
    else
        signal_.notify_all();
}

void Event::Reset()
{
    std::lock_guard lock(mutex_);
    signalled_ = false;
}

bool Event::Wait(uint32_t timeoutMs)
{
    std::unique_lock lock(mutex_);
    const auto isSet = [this] { return signalled_; };
    bool taken;
    if (timeoutMs == kInfinite) {
        signal_.wait(lock, isSet);
        taken = true;
    } else {
        taken = signal_.wait_for(lock, std::chrono::milliseconds(timeoutMs), isSet);
    }
    if (taken && autoReset_)
        signalled_ = false;
    return taken;
}

bool Event::IsSet() const
{
    std::lock_guard lock(mutex_);
    return signalled_;
}

} // namespace tavix::platform
