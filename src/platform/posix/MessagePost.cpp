#include "platform/MessagePost.h"

#include <mutex>

namespace tavix::platform {

namespace {
std::mutex g_sinkLock;
MessageSink g_sink = nullptr;
void* g_sinkContext = nullptr;
} // namespace

void SetMessageSink(MessageSink sink, void* context)
{
    std::lock_guard lock(g_sinkLock);
    g_sink = sink;
    g_sinkContext = context;
}

bool PostWindowMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    std::lock_guard lock(g_sinkLock);
    if (g_sink == nullptr)
        return false;
    g_sink(g_sinkContext, window, message, wParam, lParam);
    return true;
}

} // namespace tavix::platform
