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
        std::unique_ptr<CTavix> instance(new (std::nothrow) CTavix());
        if (instance == nullptr)
            return 0;
        // The element owns the instance once it is registered.
        const uint32_t handle = CSdkChain::Instance().Register(instance.get());
        instance.release();
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
        CSdkChain& chain = CSdkChain::Instance();
        tavix::CSDKDATA* element = chain.Lookup(handle);
        if (element == nullptr)
            return 0;
        delete element->instance;
        element->instance = nullptr;
        chain.Remove(handle);
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
