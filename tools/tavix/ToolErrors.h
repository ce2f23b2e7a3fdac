#pragma once
// How a command ends when it cannot do its job: the exception says which
// kind of failure, main turns it into the documented exit code.

#include <stdexcept>

namespace tavix::tool {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1; // the camera or the SDK failed
constexpr int kExitUsage = 2;   // the command line asks for something impossible

constexpr const char* kExitCodesHelp = "Exit codes: 0 ok, 1 camera or SDK failure (also: no camera found), 2 usage error.";

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct CameraFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

} // namespace tavix::tool
