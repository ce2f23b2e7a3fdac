#pragma once
// The camera instance behind one handle number. It keeps the application's
// notification window and the error stack; the camera, bitmaps and threads
// it owns join it as the library grows.

#include <cstdint>

#include "instance/ErrorStack.h"
#include "platform/MessagePost.h"

namespace tavix {

class CTavix {
public:
    CTavix() = default;
    virtual ~CTavix() = default;
    CTavix(const CTavix&) = delete;
    CTavix& operator=(const CTavix&) = delete;

    // Called once by Tavix_Initialize; 1 on success.
    int Initialize(platform::WindowHandle notifyWindow);

    // Records a failure and announces it to the notification window, if any.
    void PushError(uint32_t code);
    // Announces a failure without recording it; posted even without a
    // notification window (Windows then queues it to the calling thread).
    void PostError(uint32_t code) const;
    uint32_t PopError() { return errors_.Pop(); }

    platform::WindowHandle NotifyWindow() const { return notifyWindow_; }

private:
    platform::WindowHandle notifyWindow_ = nullptr;
    ErrorStack errors_;
};

} // namespace tavix
