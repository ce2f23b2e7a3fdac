#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/Text.h"

using namespace tavix::platform;

TEST(Text, TextRoundTripsAndReplacesWhatTheDestinationHeld)
{
    const struct {
        const char* narrow;
        std::u16string wide;
    } texts[] = {
        {"", u""},
        {"Tavix264ROR-USB3-Q5_01", u"Tavix264ROR-USB3-Q5_01"},
#ifndef _WIN32 // the multi-byte form is UTF-8 here, a code page on Windows
        {"K\xC3\xA4mera \xE3\x82\xAB\xE3\x83\xA1\xE3\x83\xA9 \xF0\x9F\x93\xB7",
         u"K\u00E4mera \u30AB\u30E1\u30E9 \U0001F4F7"},
#endif
    };
    for (const auto& text : texts) {
        SCOPED_TRACE(text.narrow);
        char16_t wide[32] = u"stale";
        char narrow[64] = "stale";
        ASSERT_TRUE(MultiByteToWide(text.narrow, wide, 32));
        EXPECT_EQ(std::u16string(wide), text.wide);
        ASSERT_TRUE(WideToMultiByte(wide, narrow, sizeof narrow));
        EXPECT_STREQ(narrow, text.narrow);
    }
}

TEST(Text, ADestinationTakesTheTextAndItsEndOrNothingAndNullIsRefused)
{
    // The wide exports' buffers hold at most 1023 bytes and the end.
    std::vector<char> out(kTextBufferBytes);
    EXPECT_TRUE(WideToMultiByte(std::u16string(kTextBufferBytes - 1, u'a').c_str(), out.data(), out.size()));
    EXPECT_EQ(std::strlen(out.data()), kTextBufferBytes - 1);
    EXPECT_FALSE(WideToMultiByte(std::u16string(kTextBufferBytes, u'a').c_str(), out.data(), out.size()));
    EXPECT_EQ(out[0], 0) << "a refused conversion leaves no partial text";

    // A wide buffer counts characters, the end included.
    char16_t wide[4];
    EXPECT_TRUE(MultiByteToWide("abc", wide, 4));
    EXPECT_FALSE(MultiByteToWide("abcd", wide, 4));
    EXPECT_EQ(wide[0], 0);
#ifndef _WIN32
    char narrow[3];
    EXPECT_FALSE(WideToMultiByte(u"\u00E4\u00E4", narrow, sizeof narrow)) << "a character that would be cut";
    EXPECT_TRUE(WideToMultiByte(u"\u00E4", narrow, sizeof narrow));
#endif

    EXPECT_FALSE(WideToMultiByte(nullptr, out.data(), out.size()));
    EXPECT_FALSE(MultiByteToWide(nullptr, wide, 4));
    EXPECT_FALSE(WideToMultiByte(u"a", nullptr, 8));
    EXPECT_FALSE(MultiByteToWide("a", nullptr, 8));
    EXPECT_FALSE(WideToMultiByte(u"a", out.data(), 0));
}

#ifndef _WIN32
// Malformed UTF-8 and lone surrogates are refused, never guessed at.
TEST(Text, MalformedTextIsRefused)
{
    char16_t wide[16];
    // Truncated, an overlong '/', an encoded surrogate, beyond U+10FFFF, a stray continuation.
    for (const char* text : {"\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\x80"})
        EXPECT_FALSE(MultiByteToWide(text, wide, 16)) << static_cast<const void*>(text);

    char narrow[16];
    const char16_t lowAlone[] = {0xDC00, 0};
    const char16_t highAlone[] = {u'a', 0xD800, u'b', 0};
    EXPECT_FALSE(WideToMultiByte(lowAlone, narrow, sizeof narrow));
    EXPECT_FALSE(WideToMultiByte(highAlone, narrow, sizeof narrow));
}
#else
#include <windows.h>

TEST(Text, CharacterTheCodePageLacksIsRefusedNotReplaced)
{
    if (GetACP() == CP_UTF8)
        GTEST_SKIP() << "a UTF-8 code page represents every character";
    // Japanese text has no place in a Western code page, and U+0100 would
    // come out as a best-fit 'A': either would silently name another file.
    char out[64] = "x";
    for (const char16_t* text : {u"\u65E5\u672C.png", u"\u0100.png"}) {
        EXPECT_FALSE(tavix::platform::WideToMultiByte(text, out, sizeof out));
        EXPECT_STREQ(out, "");
    }
    // A text the code page holds still converts, a literal '?' included.
    ASSERT_TRUE(tavix::platform::WideToMultiByte(u"frame?.png", out, sizeof out));
    EXPECT_STREQ(out, "frame?.png");
}
#endif
