#pragma once
// Little-endian integers in file headers, whatever the host's byte order.

#include <cstdint>

namespace tavix::output {

inline void Store16(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

inline void Store32(uint8_t* p, uint32_t v)
{
    Store16(p, v);
    Store16(p + 2, v >> 16);
}

} // namespace tavix::output
