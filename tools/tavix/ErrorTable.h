#pragma once
// The SDK's error codes as the tool names them: the header's constant and
// what it means for the user.

#include <cstdint>
#include <string>

namespace tavix::tool {

struct ErrorEntry {
    uint32_t code;
    const char* name;    // the public header's constant
    const char* meaning;
};

// The entry of a code; an unknown code gets a name and meaning that say so.
ErrorEntry LookupError(uint32_t code);

// "SDK error 8 (TAVIX_ERR_TRANSFER): a frame could not be read".
std::string DescribeError(uint32_t code);

} // namespace tavix::tool
