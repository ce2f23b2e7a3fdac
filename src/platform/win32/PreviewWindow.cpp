#include "platform/PreviewWindow.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tavix::platform {
namespace {

constexpr DWORD kChildStyle = 0x52000000;
constexpr DWORD kTopLevelStyle = 0x16CF0000;
static_assert(kChildStyle == (WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN));
static_assert(kTopLevelStyle == (WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN));

// A BITMAPINFO with the full palette the bitmaps keep after their header.
struct FullBitmapInfo {
    BITMAPINFOHEADER header;
    RGBQUAD palette[256];
};

} // namespace

bool PreviewWindow::Create(WindowHandle parent, const std::array<int32_t, 4>& rect, int32_t imageWidth,
                           int32_t imageHeight, const void* owner)
{
    Destroy();
    if (parent == nullptr && rect == std::array<int32_t, 4>{0, 0, 0, 0})
        return false;
    HINSTANCE module = GetModuleHandleA(nullptr);
    std::snprintf(className_, sizeof className_, "VideoRenderer_%08x_%08x",
                  static_cast<unsigned>(reinterpret_cast<uintptr_t>(owner)),
                  static_cast<unsigned>(std::rand()) + static_cast<unsigned>(timeGetTime()));
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = module;
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = className_;
    if (RegisterClassExA(&windowClass) == 0) {
        className_[0] = '\0';
        return false;
    }
    HWND window = nullptr;
    if (parent != nullptr) {
        window = CreateWindowExA(0, className_, "ActiveMovie Window", kChildStyle, rect[0], rect[1], rect[2], rect[3],
                                 static_cast<HWND>(parent), reinterpret_cast<HMENU>(intptr_t{kChildId}), module,
                                 nullptr);
    } else {
        RECT outer{0, 0, imageWidth, imageHeight};
        if (AdjustWindowRectEx(&outer, kTopLevelStyle, FALSE, 0)) {
            const int32_t width = outer.right - outer.left, height = outer.bottom - outer.top;
            const Placement at =
                CentreOnScreen(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), width, height);
            window = CreateWindowExA(0, className_, "Active Window", kTopLevelStyle, at.x, at.y, width, height,
                                     nullptr, nullptr, module, nullptr);
        }
    }
    if (window == nullptr) {
        Destroy();
        return false;
    }
    window_ = window;
    SetFocus(window);
    ShowWindow(window, SW_SHOW);
    if (!UpdateWindow(window) || (dc_ = GetDC(window)) == nullptr) {
        Destroy();
        return false;
    }
    return true;
}

void PreviewWindow::Destroy()
{
    HWND window = static_cast<HWND>(window_);
    if (window != nullptr) {
        if (dc_ != nullptr)
            ReleaseDC(window, static_cast<HDC>(dc_));
        // Only the thread that made a window can destroy it; from any other
        // its own message loop is asked to.
        if (!DestroyWindow(window))
            PostMessageA(window, WM_CLOSE, 0, 0);
    }
    if (className_[0] != '\0')
        UnregisterClassA(className_, GetModuleHandleA(nullptr));
    className_[0] = '\0';
    window_ = nullptr;
    dc_ = nullptr;
}

bool PreviewWindow::DrawableSize(int32_t* width, int32_t* height) const
{
    HWND window = static_cast<HWND>(window_);
    RECT client{};
    if (window == nullptr || dc_ == nullptr || !IsWindowVisible(window) || !GetClientRect(window, &client) ||
        client.right <= 0 || client.bottom <= 0)
        return false;
    *width = client.right;
    *height = client.bottom;
    return true;
}

bool PreviewWindow::Draw(const void* bitmapInfo, const void* bits)
{
    if (dc_ == nullptr)
        return false;
    // The bitmaps keep memory row 0 first, which GDI shows at the bottom of
    // an upright bitmap: told the height is negative, it shows it on top.
    FullBitmapInfo info;
    std::memcpy(&info, bitmapInfo, sizeof info);
    const LONG width = info.header.biWidth, height = info.header.biHeight;
    info.header.biHeight = -height;
    const int lines = StretchDIBits(static_cast<HDC>(dc_), 0, 0, width, height, 0, 0, width, height, bits,
                                    reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS, SRCCOPY);
    return lines > 0;
}

} // namespace tavix::platform
