#include "sdk/CSdkChain.h"

#include <cstdlib>
#include <vector>

#include "platform/Clock.h"

namespace tavix {

CSdkChain::~CSdkChain()
{
    // The instances still registered are left to the process's end on
    // purpose: destroying one here would close its camera and join its
    // threads during unload. They stay reachable from a holder that is never
    // destroyed.
    static auto* const kept = new std::vector<std::shared_ptr<CTavix>>();
    std::lock_guard lock(lock_);
    while (Current() != nullptr) {
        if (Current()->instance != nullptr) {
            try {
                kept->push_back(std::move(Current()->instance));
            } catch (...) {
                static_cast<void>(new std::shared_ptr<CTavix>(std::move(Current()->instance)));
            }
        }
        RemoveCurrent();
    }
}

CSdkChain& CSdkChain::Instance()
{
    static CSdkChain chain;
    return chain;
}

uint32_t CSdkChain::Register(std::shared_ptr<CTavix> instance)
{
    return Register(std::move(instance), [](uint32_t count) {
        return platform::TickCount() + static_cast<uint32_t>(std::rand()) + count;
    });
}

uint32_t CSdkChain::Register(std::shared_ptr<CTavix> instance,
                             const std::function<uint32_t(uint32_t count)>& candidate)
{
    std::lock_guard lock(lock_);
    uint32_t handle = candidate(CTRing::Count());
    while (handle == 0 || Find(handle))
        handle = candidate(CTRing::Count());
    Add({handle, std::move(instance)});
    return handle;
}

void CSdkChain::Add(const CSDKDATA& data)
{
    std::lock_guard lock(lock_);
    auto* element = new CSDKDATA{data.handle, data.instance, nullptr, nullptr};
    Link(element);
}

bool CSdkChain::Contains(uint32_t handle)
{
    std::lock_guard lock(lock_);
    return Find(handle);
}

std::shared_ptr<CTavix> CSdkChain::Acquire(uint32_t handle)
{
    std::lock_guard lock(lock_);
    return Find(handle) ? Current()->instance : nullptr;
}

bool CSdkChain::Detach(uint32_t handle, std::shared_ptr<CTavix>* instance)
{
    std::lock_guard lock(lock_);
    if (!Find(handle))
        return false;
    *instance = std::move(Current()->instance);
    return RemoveCurrent();
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
