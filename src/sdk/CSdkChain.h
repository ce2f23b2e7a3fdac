#pragma once
// The process-wide registry of camera instances by handle number.

#include <cstdint>
#include <functional>
#include <mutex>

#include "sdk/CTRing.h"

namespace tavix {

class CTavix;

// One registered instance. The element owns the instance while registered:
// Tavix_Release destroys it and clears the pointer before the element goes.
struct CSDKDATA {
    uint32_t handle = 0;
    CTavix* instance = nullptr;
    CSDKDATA* prev = nullptr;
    CSDKDATA* next = nullptr;
};

class CSdkChain : private CTRing<CSDKDATA> {
public:
    CSdkChain() = default;
    // Frees the elements still registered but not their instances: at
    // unload no camera may be closed, no thread joined.
    ~CSdkChain() { RemoveAll(); }

    // The one registry of the process.
    static CSdkChain& Instance();

    // Registers instance under a new handle number and returns it. Candidate
    // numbers (tick count + rand + count by default) are drawn until one is
    // neither 0 nor registered, so a handle always names one instance.
    uint32_t Register(CTavix* instance);
    uint32_t Register(CTavix* instance, const std::function<uint32_t(uint32_t count)>& candidate);

    // Copies handle and instance into a new element linked before current.
    void Add(const CSDKDATA& data);
    // The element of that handle, or null. The element stays valid until its
    // handle is released.
    CSDKDATA* Lookup(uint32_t handle);
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
