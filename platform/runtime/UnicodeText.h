#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Conversions between the framework's UTF-16 wide strings and the program's UTF-8 strings.
// Malformed input (an unpaired surrogate, an invalid UTF-8 sequence) becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);

// The longest prefix of a UTF-8 string that fits in maxBytes bytes and ends on a character
// boundary, so that a cut never leaves half a character behind.
std::string Utf8Prefix(std::string_view text, size_t maxBytes);
