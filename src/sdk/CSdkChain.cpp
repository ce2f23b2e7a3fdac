#include "sdk/CSdkChain.h"

#include <cstdlib>

#include "platform/Clock.h"

namespace tavix {

CSdkChain& CSdkChain::Instance()
{
    static CSdkChain chain;
    return chain;
}

uint32_t CSdkChain::Register(CTavix* instance)
{
    return Register(instance, [](uint32_t count) {
        return platform::TickCount() + static_cast<uint32_t>(std::rand()) + count;
    });
}

uint32_t CSdkChain::Register(CTavix* instance, const std::function<uint32_t(uint32_t count)>& candidate)
{
    std::lock_guard lock(lock_);
    uint32_t handle = candidate(CTRing::Count());
    while (handle == 0 || Find(handle))
        handle = candidate(CTRing::Count());
    Add({handle, instance});
    return handle;
}

void CSdkChain::Add(const CSDKDATA& data)
{
    std::lock_guard lock(lock_);
    auto* element = new CSDKDATA{data.handle, data.instance, nullptr, nullptr};
    Link(element);
}

CSDKDATA* CSdkChain::Lookup(uint32_t handle)
{
    std::lock_guard lock(lock_);
    return Find(handle) ? Current() : nullptr;
}

bool CSdkChain::Remove(uint32_t handle)
{
    std::lock_guard lock(lock_);
    return Find(handle) && RemoveCurrent();
}

bool CSdkChain::RemoveCurrent()
{
    std::lock_guard lock(lock_);
    CSDKDATA* removed = UnlinkCurrent();
    delete removed;
    return removed != nullptr;
}

void CSdkChain::RemoveAll()
{
    std::lock_guard lock(lock_);
    while (RemoveCurrent()) {
    }
}

uint32_t CSdkChain::Count()
{
    std::lock_guard lock(lock_);
    return CTRing::Count();
}

uint32_t CSdkChain::CurrentHandle()
{
    std::lock_guard lock(lock_);
    return Current() != nullptr ? Current()->handle : 0;
}

} // namespace tavix
