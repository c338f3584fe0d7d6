#include "platform/runtime/UnicodeText.h"

#include <gtest/gtest.h>

namespace {

TEST(UnicodeText, PolishAndAstralCharactersRoundTrip) {
    const std::string utf8 = "Zrób zdjęcie \xF0\x9F\x93\xB7"; // ends with a camera emoji
    const std::u16string utf16 = Utf8ToUtf16(utf8);
    EXPECT_EQ(utf16, u"Zrób zdjęcie \U0001F4F7");
    EXPECT_EQ(Utf16ToUtf8(utf16), utf8);
}

TEST(UnicodeText, MalformedInputBecomesReplacementCharacters) {
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800)) + u"a"), "\xEF\xBF\xBD"
                                                                       "a");
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
    EXPECT_EQ(Utf8ToUtf16("\xC3"), u"\uFFFD") << "truncated sequence at the end";
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD") << "overlong form";
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD") << "encoded surrogate";
    EXPECT_EQ(Utf8ToUtf16("a\xFF"
                          "b"),
              u"a\uFFFDb");
}

TEST(UnicodeText, PrefixNeverSplitsACharacter) {
    EXPECT_EQ(Utf8Prefix("abc", 5), "abc");
    EXPECT_EQ(Utf8Prefix("abc", 2), "ab");
    // "ó" is two bytes: a cut through it drops the whole character.
    EXPECT_EQ(Utf8Prefix("aó", 2), "a");
    EXPECT_EQ(Utf8Prefix("aó", 3), "aó");
    EXPECT_EQ(Utf8Prefix("\xF0\x9F\x93\xB7", 3), "");
    EXPECT_EQ(Utf8Prefix("abc", 0), "");
}

} // namespace
