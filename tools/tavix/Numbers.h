#pragma once
// Numbers from the command line: decimal, or hexadecimal with 0x, checked
// against the range the camera or the SDK takes (a UsageError otherwise,
// never a silently cut value).

#include <cstdint>
#include <string>

namespace tavix::tool {

int64_t ParseNumber(const std::string& text, int64_t minimum, int64_t maximum, const std::string& what);

struct Rectangle {
    int32_t x = 0, y = 0, width = 0, height = 0;
};

// "x,y,w,h" with non-negative numbers and a non-empty size.
Rectangle ParseRectangle(const std::string& text);

// "0x3000" style, padded to `digits`.
std::string Hex(uint64_t value, int digits);

} // namespace tavix::tool
