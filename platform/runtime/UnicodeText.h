#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Conversions between the framework's UTF-16 wide strings and the program's UTF-8 strings.
// Malformed input (an unpaired surrogate, an invalid UTF-8 sequence) becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);
// Appends one character (a code point below U+110000) in UTF-8.
void AppendUtf8(std::string& out, char32_t c);

// The longest prefix of a UTF-8 string that fits in maxBytes bytes and ends on a character
// boundary, so that a cut never leaves half a character behind.
std::string Utf8Prefix(std::string_view text, size_t maxBytes);
