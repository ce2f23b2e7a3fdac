#pragma once
// The process-wide registry of camera instances by handle number.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "sdk/CTRing.h"

namespace tavix {

class CTavix;

// One registered instance. The element holds the instance while registered;
// a call in progress holds it too, so an instance released while another
// thread is inside a call on it lives until that call returns.
struct CSDKDATA {
    uint32_t handle = 0;
    std::shared_ptr<CTavix> instance;
    CSDKDATA* prev = nullptr;
    CSDKDATA* next = nullptr;
};

class CSdkChain : private CTRing<CSDKDATA> {
public:
    CSdkChain() = default;
    // Frees the elements still registered but not their instances: at
    // unload no camera may be closed, no thread joined.
    ~CSdkChain();

    // The one registry of the process.
    static CSdkChain& Instance();

    // Registers instance under a new handle number and returns it. Candidate
    // numbers (tick count + rand + count by default) are drawn until one is
    // neither 0 nor registered, so a handle always names one instance.
    uint32_t Register(std::shared_ptr<CTavix> instance);
    uint32_t Register(std::shared_ptr<CTavix> instance, const std::function<uint32_t(uint32_t count)>& candidate);

    // Copies handle and instance into a new element linked before current.
    void Add(const CSDKDATA& data);
    // Whether that handle is registered.
    bool Contains(uint32_t handle);
    // The instance of that handle (null for an unknown handle), shared with
    // the registry for as long as the caller keeps it.
    std::shared_ptr<CTavix> Acquire(uint32_t handle);
    // Removes the element of that handle and hands its instance to the
    // caller, all under the lock: of two threads detaching one handle only
    // one finds it. False for an unknown handle.
    bool Detach(uint32_t handle, std::shared_ptr<CTavix>* instance);
    // Removes the element of that handle (the instance is not touched).
    bool Remove(uint32_t handle);
    void RemoveAll();

    uint32_t Count();
    // For tests of the ring semantics: the handle current is on (0 if empty).
    uint32_t CurrentHandle();

private:
    bool RemoveCurrent();

    // A critical section: recursive, like the Windows one.
    std::recursive_mutex lock_;
};

} // namespace tavix
