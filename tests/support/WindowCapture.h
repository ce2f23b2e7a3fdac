#pragma once
// What a window shows, read back through GDI (Windows and Wine only): the
// pixels of its client area or of the whole window as it is on the screen,
// and a PNG of them for people to look at.

#ifdef _WIN32

#include <windows.h>

#include <cstdint>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <png.h>

namespace tavix::test {

// Blue, green, red per pixel, top row first.
struct Capture {
    int32_t width = 0, height = 0;
    std::vector<uint8_t> bgr;

    const uint8_t* At(int32_t x, int32_t y) const { return &bgr[(size_t(y) * size_t(width) + size_t(x)) * 3]; }
};

namespace detail {

inline Capture CopyFrom(HDC source, int32_t x, int32_t y, int32_t width, int32_t height)
{
    Capture capture;
    if (source == nullptr || width <= 0 || height <= 0)
        return capture;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HDC memory = CreateCompatibleDC(source);
    HBITMAP section = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (memory != nullptr && section != nullptr) {
        HGDIOBJ previous = SelectObject(memory, section);
        if (BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY)) {
            GdiFlush();
            const size_t stride = (size_t(width) * 3 + 3) & ~size_t{3};
            capture.width = width;
            capture.height = height;
            capture.bgr.resize(size_t(width) * size_t(height) * 3);
            for (int32_t row = 0; row < height; ++row)
                std::memcpy(&capture.bgr[size_t(row) * size_t(width) * 3],
                            static_cast<const uint8_t*>(bits) + size_t(row) * stride, size_t(width) * 3);
        }
        SelectObject(memory, previous);
    }
    if (section != nullptr)
        DeleteObject(section);
    if (memory != nullptr)
        DeleteDC(memory);
    return capture;
}

} // namespace detail

// The client area, from the window's own device context.
inline Capture CaptureClient(HWND window)
{
    RECT client{};
    if (!GetClientRect(window, &client))
        return {};
    HDC dc = GetDC(window);
    Capture capture = detail::CopyFrom(dc, 0, 0, client.right, client.bottom);
    ReleaseDC(window, dc);
    return capture;
}

// The whole window with its frame and caption, as the screen shows it.
inline Capture CaptureOnScreen(HWND window)
{
    RECT outer{};
    if (!GetWindowRect(window, &outer))
        return {};
    HDC screen = GetDC(nullptr);
    Capture capture = detail::CopyFrom(screen, outer.left, outer.top, outer.right - outer.left,
                                       outer.bottom - outer.top);
    ReleaseDC(nullptr, screen);
    return capture;
}

// Writes the capture as an 8-bit RGB PNG; false when it could not.
inline bool WritePng(const std::string& path, const Capture& capture)
{
    if (capture.width <= 0 || capture.height <= 0)
        return false;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<uint8_t> rgb(size_t(capture.width) * 3);
    bool written = false;
    if (png != nullptr && info != nullptr && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_set_IHDR(png, info, png_uint_32(capture.width), png_uint_32(capture.height), 8, PNG_COLOR_TYPE_RGB,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int32_t row = 0; row < capture.height; ++row) {
            for (int32_t x = 0; x < capture.width; ++x) {
                const uint8_t* pixel = capture.At(x, row);
                rgb[size_t(x) * 3] = pixel[2];
                rgb[size_t(x) * 3 + 1] = pixel[1];
                rgb[size_t(x) * 3 + 2] = pixel[0];
            }
            png_write_row(png, rgb.data());
        }
        png_write_end(png, nullptr);
        written = true;
    }
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0 && written;
}

} // namespace tavix::test

#endif // _WIN32
