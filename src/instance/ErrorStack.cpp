#include "instance/ErrorStack.h"

#include <algorithm>

namespace tavix {

void ErrorStack::Push(uint32_t code)
{
    std::lock_guard lock(lock_);
    std::move_backward(entries_.begin(), entries_.end() - 1, entries_.end());
    entries_[0] = code;
}

uint32_t ErrorStack::Pop()
{
    std::lock_guard lock(lock_);
    const uint32_t newest = entries_[0];
    std::move(entries_.begin() + 1, entries_.end(), entries_.begin());
    entries_.back() = 0;
    return newest;
}

} // namespace tavix
