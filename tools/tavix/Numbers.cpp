#include "Numbers.h"

#include <charconv>
#include <cstdio>
#include <vector>

#include "ToolErrors.h"

namespace tavix::tool {

int64_t ParseNumber(const std::string& text, int64_t minimum, int64_t maximum, const std::string& what)
{
    const char* begin = text.data();
    const char* end = begin + text.size();
    const bool negative = begin != end && *begin == '-';
    if (negative)
        ++begin;
    int base = 10;
    if (end - begin > 2 && begin[0] == '0' && (begin[1] == 'x' || begin[1] == 'X')) {
        base = 16;
        begin += 2;
    }
    uint64_t magnitude = 0;
    const auto [stop, failure] = std::from_chars(begin, end, magnitude, base);
    const bool whole = begin != end && failure == std::errc() && stop == end && magnitude <= uint64_t{1} << 62;
    const int64_t value = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
    if (!whole || value < minimum || value > maximum)
        throw UsageError(what + " must be a number from " + std::to_string(minimum) + " to " +
                         std::to_string(maximum) + " (0x for hexadecimal), not '" + text + "'");
    return value;
}

Rectangle ParseRectangle(const std::string& text)
{
    std::vector<int32_t> parts;
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        const std::string part = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        parts.push_back(static_cast<int32_t>(ParseNumber(part, 0, 65535, "each number of --roi x,y,w,h")));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    if (parts.size() != 4 || parts[2] == 0 || parts[3] == 0)
        throw UsageError("--roi takes x,y,w,h with a width and height above 0, not '" + text + "'");
    return {parts[0], parts[1], parts[2], parts[3]};
}

std::string Hex(uint64_t value, int digits)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%0*llX", digits, static_cast<unsigned long long>(value));
    return text;
}

} // namespace tavix::tool
