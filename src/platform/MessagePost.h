#pragma once
// Posting window messages to the application. Messages are always posted,
// never sent: the library never waits for the application's message loop.

#include <cstdint>

namespace tavix::platform {

using WindowHandle = void*;

// Win32: PostMessageA; a null window queues the message to the calling
// thread. POSIX: hands the message to the sink the application installed
// (dropped when none is installed). True when the message was queued.
bool PostWindowMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// POSIX only: the receiver of posted messages. It runs on the posting thread,
// possibly while the library holds a lock, so it must queue the message and
// return without calling back into the library.
using MessageSink = void (*)(void* context, WindowHandle window, uint32_t message,
                             uintptr_t wParam, intptr_t lParam);
void SetMessageSink(MessageSink sink, void* context);

} // namespace tavix::platform
