#pragma once
// The emulator's own trace: refused requests and stalled pipes, written to
// stderr when TAVIX_CAMEMU_TRACE is set in the environment, so that a test
// run can show why the emulated device refused what the SDK sent.

#include <cstdio>
#include <cstdlib>
#include <string>

namespace tavix::emu {

inline void Trace(const std::string& text)
{
    static const bool enabled = std::getenv("TAVIX_CAMEMU_TRACE") != nullptr;
    if (enabled)
        std::fprintf(stderr, "tavix emulator: %s\n", text.c_str());
}

} // namespace tavix::emu
