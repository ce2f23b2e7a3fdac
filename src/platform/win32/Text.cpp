#include "platform/Text.h"

#include <windows.h>

#include <climits>

namespace tavix::platform {

bool WideToMultiByte(const char16_t* text, char* out, size_t outBytes)
{
    if (out != nullptr && outBytes > 0)
        out[0] = 0;
    if (text == nullptr || out == nullptr || outBytes == 0 || outBytes > INT_MAX)
        return false;
    // A character the code page lacks must not slip through as a best-fit
    // look-alike or the default character: a file name would silently name
    // another file. UTF-8 and UTF-7 take neither argument but represent
    // every character, so they are retried without them.
    const auto* wide = reinterpret_cast<const wchar_t*>(text);
    BOOL usedDefault = FALSE;
    int written = WideCharToMultiByte(CP_THREAD_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, out, static_cast<int>(outBytes),
                                      nullptr, &usedDefault);
    if (written == 0 && (GetLastError() == ERROR_INVALID_FLAGS || GetLastError() == ERROR_INVALID_PARAMETER))
        written = WideCharToMultiByte(CP_THREAD_ACP, 0, wide, -1, out, static_cast<int>(outBytes), nullptr, nullptr);
    if (written == 0 || usedDefault) {
        out[0] = 0;
        return false;
    }
    return true;
}

bool MultiByteToWide(const char* text, char16_t* out, size_t outChars)
{
    if (out != nullptr && outChars > 0)
        out[0] = 0;
    if (text == nullptr || out == nullptr || outChars == 0 || outChars > INT_MAX)
        return false;
    const int written = MultiByteToWideChar(CP_THREAD_ACP, MB_ERR_INVALID_CHARS, text, -1,
                                            reinterpret_cast<wchar_t*>(out), static_cast<int>(outChars));
    if (written == 0) {
        out[0] = 0;
        return false;
    }
    return true;
}

void TraceText(const char* text)
{
    if (text != nullptr)
        OutputDebugStringA(text);
}

} // namespace tavix::platform
