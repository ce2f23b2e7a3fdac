#pragma once
// One camera instance of the library for the length of a command: made with
// the tool's message window as notification window, released at the end.
// Failures become CameraFailure with every error code the library reported
// for them, named through the error table.

#include <cstdint>
#include <string>
#include <vector>

#include "ToolPlatform.h"

namespace tavix::tool {

class CameraSession {
public:
    explicit CameraSession(MessageWindow& messages);
    ~CameraSession();
    CameraSession(const CameraSession&) = delete;
    CameraSession& operator=(const CameraSession&) = delete;

    uint32_t Handle() const { return handle_; }

    // How many cameras the library lists.
    int CameraCount();
    // Opens camera `number`; no camera at all, or none of that number, fails.
    void Open(int number);
    TavixCameraInfo Info();

    // The codes reported since the last call, in the order they came (the
    // ones posted only included); empties the error stack too.
    std::vector<uint32_t> TakeErrors();
    // Throws "<what> failed: SDK error ..." with the codes reported.
    [[noreturn]] void Fail(const std::string& what);
    void Check(int32_t result, const std::string& what)
    {
        if (result != 1)
            Fail(what);
    }

private:
    MessageWindow& messages_;
    uint32_t handle_ = 0;
};

} // namespace tavix::tool
