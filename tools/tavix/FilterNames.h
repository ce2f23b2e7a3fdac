#pragma once
// The image-processing settings that --filter reaches, by the names the
// public header gives them, with their filter-value numbers.

#include <cstdint>
#include <string>

namespace tavix::tool {

// The number of a name ("gamma" -> 11); a UsageError listing the names for
// an unknown one.
int32_t FilterNumber(const std::string& name);

// "brightness, contrast, ..." for the help text.
std::string FilterNameList();

} // namespace tavix::tool
