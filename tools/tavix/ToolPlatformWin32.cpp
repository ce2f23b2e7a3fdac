#include <csignal>

#include <windows.h>
#include <io.h>
#include <shellapi.h>

#include "ToolPlatform.h"

namespace tavix::tool {

namespace {
std::wstring Wide(const std::string& text)
{
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.c_str(), -1, nullptr, 0);
    if (length <= 0)
        return {};
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.c_str(), -1, wide.data(), length);
    wide.pop_back();
    return wide;
}

std::string Utf8(const wchar_t* text)
{
    const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return {};
    std::string utf8(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), length, nullptr, nullptr);
    utf8.pop_back();
    return utf8;
}
} // namespace

struct MessageWindow::State {
    HWND window = nullptr;
};

MessageWindow::MessageWindow() : state_(std::make_unique<State>())
{
    // A plain child-less STATIC window: the library posts to it from its own
    // threads and this thread's queue holds the messages until Take.
    state_->window = CreateWindowExA(0, "STATIC", "tavix", 0, 0, 0, 8, 8, nullptr, nullptr, nullptr, nullptr);
}

MessageWindow::~MessageWindow()
{
    if (state_->window != nullptr)
        DestroyWindow(state_->window);
}

TavixWindow MessageWindow::Window() const { return state_->window; }

std::vector<PostedMessage> MessageWindow::Take(int milliseconds)
{
    std::vector<PostedMessage> taken;
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE))
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(milliseconds), QS_POSTMESSAGE);
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message != TAVIX_WM_FRAME && msg.message != TAVIX_WM_ERROR) {
            DispatchMessageA(&msg);
            continue;
        }
        PostedMessage m{msg.message, msg.wParam, msg.lParam, {}};
        if (msg.message == TAVIX_WM_FRAME && msg.wParam != 0)
            m.info = *reinterpret_cast<const TavixFrameInfo*>(msg.wParam);
        taken.push_back(m);
    }
    return taken;
}

namespace {
volatile std::sig_atomic_t g_interrupted = 0;
extern "C" void OnInterrupt(int) { g_interrupted = 1; }
} // namespace

void CatchInterrupt()
{
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGBREAK, OnInterrupt); // Ctrl-Break, and what a console sends a process group
    std::signal(SIGTERM, OnInterrupt);
}

bool Interrupted() { return g_interrupted != 0; }

bool IsTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

std::vector<std::string> Utf8Arguments(int argc, char** argv)
{
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr || count != argc) {
        if (wide != nullptr)
            LocalFree(wide);
        return {argv, argv + argc};
    }
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i)
        arguments.push_back(Utf8(wide[i]));
    LocalFree(wide);
    return arguments;
}

int32_t SaveImageUtf8(uint32_t handle, const std::string& fileName, int32_t format)
{
    const std::wstring wide = Wide(fileName);
    if (wide.empty())
        return Tavix_SaveImage(handle, fileName.c_str(), format); // not UTF-8: let the library judge it
    return Tavix_SaveImageW(handle, reinterpret_cast<const TavixWideChar*>(wide.c_str()), format);
}

int32_t RecordUtf8(uint32_t handle, const std::string& fileName, int32_t durationMs, int32_t showWindow)
{
    const std::wstring wide = Wide(fileName);
    if (wide.empty())
        return Tavix_Record(handle, fileName.c_str(), durationMs, showWindow);
    return Tavix_RecordW(handle, reinterpret_cast<const TavixWideChar*>(wide.c_str()), durationMs, showWindow);
}

} // namespace tavix::tool
