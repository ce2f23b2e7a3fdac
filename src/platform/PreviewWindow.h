#pragma once
// The window a preview draws into: a child window inside a window of the
// application, or a top-level window of its own sized to the image and
// centred on the screen. Each window has a class of its own, registered
// when the window is made and unregistered when it goes.
//
// The window belongs to the thread that made it (the application's), whose
// message loop serves it; the acquisition thread only draws into its device
// context. Windows only: elsewhere no window can be made.

#include <array>
#include <cstdint>

#include "platform/MessagePost.h"

namespace tavix::platform {

struct Placement {
    int32_t x = 0, y = 0;
};

// Where a window of outer size width x height goes to be centred on a
// screen of screenWidth x screenHeight: never above or left of its origin.
Placement CentreOnScreen(int32_t screenWidth, int32_t screenHeight, int32_t width, int32_t height);

class PreviewWindow {
public:
    // Control id of a child preview window.
    static constexpr int32_t kChildId = 6540;

    PreviewWindow() = default;
    ~PreviewWindow() { Destroy(); }
    PreviewWindow(const PreviewWindow&) = delete;
    PreviewWindow& operator=(const PreviewWindow&) = delete;

    // With a parent: a child window at (rect[0], rect[1]) of rect[2] x
    // rect[3]. Without one: a top-level window whose client area is
    // imageWidth x imageHeight, centred on the primary screen; rect all
    // zeros asks for no window and fails. The window gets the keyboard
    // focus, is shown and updated, and its device context is taken. owner
    // only makes the class name unique. False, with nothing left behind,
    // when any step fails. A window made before is destroyed first.
    bool Create(WindowHandle parent, const std::array<int32_t, 4>& rect, int32_t imageWidth, int32_t imageHeight,
                const void* owner);
    // Releases the device context, destroys the window and unregisters its
    // class; nothing when there is no window.
    void Destroy();
    bool Exists() const { return window_ != nullptr; }
    WindowHandle Handle() const { return window_; }

    // The client size when the window can be drawn into: visible, with a
    // device context and a client area that is not empty; false otherwise.
    bool DrawableSize(int32_t* width, int32_t* height) const;
    // Draws pixels whose memory row 0 is the image's top row at 1:1 from the
    // client area's top-left corner. bitmapInfo is the image's BITMAPINFO
    // (header and a 256-entry palette) as the bitmaps keep it.
    bool Draw(const void* bitmapInfo, const void* bits);

private:
    WindowHandle window_ = nullptr;
    void* dc_ = nullptr;
    char className_[64] = {};
};

} // namespace tavix::platform
