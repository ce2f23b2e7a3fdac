// Exports that create, release and report on camera instances.

#include <memory>
#include <new>

#include "TavixSdk.h"
#include "platform/MessagePost.h"
#include "sdk/CallFrame.h"

using tavix::CSdkChain;
using tavix::CTavix;

namespace {
constexpr uint32_t kDllVersion = 0x020C0521;
}

extern "C" {

uint32_t TAVIX_API Tavix_GetDllVersion(void) { return kDllVersion; }

uint32_t TAVIX_API Tavix_Initialize(TavixWindow notifyWindow)
{
    try {
        std::shared_ptr<CTavix> instance(new (std::nothrow) CTavix());
        if (instance == nullptr)
            return 0;
        const uint32_t handle = CSdkChain::Instance().Register(std::move(instance));
        // The handle is returned even when the instance could not finish its
        // initialisation: the application then sees the failures per call.
        tavix::CallInstance(handle, 0, [&](CTavix& tavix) { return tavix.Initialize(notifyWindow); });
        return handle;
    } catch (...) {
        return 0;
    }
}

int32_t TAVIX_API Tavix_Release(uint32_t handle)
{
    try {
        std::shared_ptr<CTavix> instance;
        if (!CSdkChain::Instance().Detach(handle, &instance))
            return 0;
        // Destroyed here, or by the last call that was still running on it.
        instance.reset();
        return 1;
    } catch (...) {
        return 0;
    }
}

uint32_t TAVIX_API Tavix_GetLastError(uint32_t handle)
{
    return tavix::CallInstance(handle, 0u, [](CTavix& tavix) { return tavix.PopError(); });
}

#if !defined(_WIN32)
void TavixLinux_SetMessageSink(TavixMessageSink sink, void* context)
{
    tavix::platform::SetMessageSink(sink, context);
}
#endif

} // extern "C"
