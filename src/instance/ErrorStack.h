#pragma once
// The last 20 error codes of one camera instance, newest first. The oldest
// falls off when a 21st is pushed; popping an empty stack gives 0 (which is
// also a code some operations record for success).

#include <array>
#include <cstdint>
#include <mutex>

namespace tavix {

class ErrorStack {
public:
    static constexpr size_t kDepth = 20;

    void Push(uint32_t code);
    uint32_t Pop();

private:
    // Errors are pushed from the application's and the acquisition threads.
    std::mutex lock_;
    std::array<uint32_t, kDepth> entries_{};
};

} // namespace tavix
