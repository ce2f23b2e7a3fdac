#pragma once
// A Win32-style event on std::condition_variable: manual reset (stays
// signalled until Reset) or auto reset (one waiter takes the signal).

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace tavix::platform {

class Event {
public:
    static constexpr uint32_t kInfinite = 0xFFFFFFFFu;
    enum class Reset { kManual, kAuto };

    explicit Event(Reset reset, bool signalled = false);
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void Set();
    void Reset();
    // True when the event was signalled within the time-out (kInfinite waits
    // forever). An auto-reset event is reset by the wait that takes it.
    bool Wait(uint32_t timeoutMs);
    bool IsSet() const;

private:
    const bool autoReset_;
    mutable std::mutex mutex_;
    std::condition_variable signal_;
    bool signalled_;
};

} // namespace tavix::platform
