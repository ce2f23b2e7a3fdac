#pragma once
// Text conversion between the multi-byte text of the thread's code page
// (UTF-8 on POSIX) and UTF-16, and the debug trace.

#include <cstddef>
#include <string>

namespace tavix::platform {

// The wide (W) exports convert their text through a buffer of this size; a
// text that needs it all or more is refused.
constexpr size_t kTextBufferBytes = 1024;

// Converts NUL-terminated UTF-16 into out (capacity outBytes, terminator
// included). False for a null text, text that does not convert, or text that
// does not fit; out is then left empty when it has room for a terminator.
bool WideToMultiByte(const char16_t* text, char* out, size_t outBytes);

// Converts NUL-terminated multi-byte text into out (capacity outChars wide
// characters, terminator included). False as above.
bool MultiByteToWide(const char* text, char16_t* out, size_t outChars);

// Debug trace (OutputDebugStringA on Windows, stderr when TAVIX_TRACE is set
// on POSIX). Compiled out of release builds.
void TraceText(const char* text);
#ifdef NDEBUG
inline void Trace(const char*) {}
#else
inline void Trace(const char* text) { TraceText(text); }
#endif

} // namespace tavix::platform
