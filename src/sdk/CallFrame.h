#pragma once
// The frame of every export that takes a handle: look the instance up, give
// the export's failure value at once for an unknown handle (nothing is
// recorded: there is no instance to record it on), and never let an
// exception cross into the application.

#include <cstdint>

#include "instance/CTavix.h"
#include "sdk/CSdkChain.h"

namespace tavix {

template <class Result, class Operation>
Result CallInstance(uint32_t handle, Result failure, Operation&& operation) noexcept
{
    try {
        // The instance stays alive until this call returns, even when another
        // thread releases its handle meanwhile.
        const std::shared_ptr<CTavix> instance = CSdkChain::Instance().Acquire(handle);
        if (instance == nullptr)
            return failure;
        return operation(*instance);
    } catch (...) {
        return failure;
    }
}

} // namespace tavix
