#pragma once
// The fixture of the export suites: emulated cameras installed as the
// system's, a settings store of the test's own, a message trap as the
// notification window, and an instance made through Tavix_Initialize.

#include <gtest/gtest.h>

#include <vector>

#include "../support/PrivateSettings.h"
#include "MessageTrap.h"
#include "TavixSdk.h"
#include "emulator/EmulatedPort.h"

namespace tavix::test {

inline emu::CameraOptions Still()
{
    emu::CameraOptions options;
    options.still = true;
    return options;
}

// Pops the instance's whole error stack, newest first.
inline std::vector<uint32_t> Errors(uint32_t handle)
{
    std::vector<uint32_t> codes;
    for (uint32_t code; (code = Tavix_GetLastError(handle)) != 0;)
        codes.push_back(code);
    return codes;
}

// A window handle whose window is gone (on Linux any pointer: no window
// can be made there anyway).
inline TavixWindow GoneWindow()
{
#ifdef _WIN32
    HWND window = CreateWindowExA(0, "STATIC", "gone", 0, 0, 0, 8, 8, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(window);
    return window;
#else
    static int gone;
    return &gone;
#endif
}

class Sdk : public ::testing::Test {
protected:
    explicit Sdk(int cameras = 1) : port_(cameras, Still()), installed_(port_) {}
    void SetUp() override { handle_ = Tavix_Initialize(trap_.Window()); }
    void TearDown() override { EXPECT_EQ(Tavix_Release(handle_), 1); }

    // A small capture window keeps the paced frames quick; the preview runs
    // without a window of its own.
    void SmallWindow(uint32_t handle)
    {
        ASSERT_EQ(Tavix_SetCaptureWindowEx(handle, 2448, 400, 256, 2048, 200, 128), 1);
        ASSERT_EQ(Tavix_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0), 1);
    }

    PrivateSettings settings_;
    emu::EmulatedPort port_;
    emu::ScopedDevicePort installed_;
    MessageTrap trap_;
    uint32_t handle_ = 0;
};

} // namespace tavix::test
