#include "platform/MessagePost.h"

#include <windows.h>

namespace tavix::platform {

bool PostWindowMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    return PostMessageA(static_cast<HWND>(window), message, static_cast<WPARAM>(wParam),
                        static_cast<LPARAM>(lParam)) != 0;
}

// Windows delivers through the window's message queue; there is no sink.
void SetMessageSink(MessageSink, void*) {}

} // namespace tavix::platform
