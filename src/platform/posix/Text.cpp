#include "platform/Text.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// On POSIX the multi-byte code page is UTF-8. Both directions reject what is
// not well formed (lone surrogates, overlong forms, truncated sequences)
// rather than guessing.

namespace tavix::platform {

namespace {

// Decodes one code point; returns the bytes used, 0 on malformed input.
size_t DecodeUtf8(const unsigned char* s, char32_t& cp)
{
    const unsigned char b0 = s[0];
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    size_t length;
    char32_t min;
    if ((b0 & 0xE0) == 0xC0) {
        length = 2, cp = b0 & 0x1Fu, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        length = 3, cp = b0 & 0x0Fu, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        length = 4, cp = b0 & 0x07u, min = 0x10000;
    } else {
        return 0;
    }
    for (size_t i = 1; i < length; ++i) {
        if ((s[i] & 0xC0) != 0x80) // also stops at the terminator
            return 0;
        cp = (cp << 6) | (s[i] & 0x3Fu);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return length;
}

void ClearIfRoom(void* out, size_t room, size_t unit)
{
    if (room == 0)
        return;
    if (unit == 1)
        static_cast<char*>(out)[0] = 0;
    else
        static_cast<char16_t*>(out)[0] = 0;
}

} // namespace

bool WideToMultiByte(const char16_t* text, char* out, size_t outBytes)
{
    if (text == nullptr || out == nullptr) {
        if (out != nullptr)
            ClearIfRoom(out, outBytes, 1);
        return false;
    }
    size_t used = 0;
    for (size_t i = 0; text[i] != 0; ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            const char32_t low = text[i + 1];
            if (low < 0xDC00 || low > 0xDFFF) {
                ClearIfRoom(out, outBytes, 1);
                return false;
            }
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            ++i;
        } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
            ClearIfRoom(out, outBytes, 1);
            return false;
        }
        unsigned char bytes[4];
        size_t n;
        if (cp < 0x80) {
            bytes[0] = static_cast<unsigned char>(cp), n = 1;
        } else if (cp < 0x800) {
            bytes[0] = static_cast<unsigned char>(0xC0 | (cp >> 6));
            bytes[1] = static_cast<unsigned char>(0x80 | (cp & 0x3F)), n = 2;
        } else if (cp < 0x10000) {
            bytes[0] = static_cast<unsigned char>(0xE0 | (cp >> 12));
            bytes[1] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
            bytes[2] = static_cast<unsigned char>(0x80 | (cp & 0x3F)), n = 3;
        } else {
            bytes[0] = static_cast<unsigned char>(0xF0 | (cp >> 18));
            bytes[1] = static_cast<unsigned char>(0x80 | ((cp >> 12) & 0x3F));
            bytes[2] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
            bytes[3] = static_cast<unsigned char>(0x80 | (cp & 0x3F)), n = 4;
        }
        if (used + n + 1 > outBytes) {
            ClearIfRoom(out, outBytes, 1);
            return false;
        }
        for (size_t k = 0; k < n; ++k)
            out[used++] = static_cast<char>(bytes[k]);
    }
    if (used + 1 > outBytes)
        return false;
    out[used] = 0;
    return true;
}

bool MultiByteToWide(const char* text, char16_t* out, size_t outChars)
{
    if (text == nullptr || out == nullptr) {
        if (out != nullptr)
            ClearIfRoom(out, outChars, 2);
        return false;
    }
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    size_t used = 0;
    while (*s != 0) {
        char32_t cp;
        const size_t length = DecodeUtf8(s, cp);
        const size_t units = cp >= 0x10000 ? 2 : 1;
        if (length == 0 || used + units + 1 > outChars) {
            ClearIfRoom(out, outChars, 2);
            return false;
        }
        if (units == 2) {
            out[used++] = static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            out[used++] = static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out[used++] = static_cast<char16_t>(cp);
        }
        s += length;
    }
    if (used + 1 > outChars)
        return false;
    out[used] = 0;
    return true;
}

void TraceText(const char* text)
{
    static const bool enabled = std::getenv("TAVIX_TRACE") != nullptr;
    if (enabled && text != nullptr)
        std::fprintf(stderr, "%s\n", text);
}

} // namespace tavix::platform
