#pragma once

#include "platform/com/ComTypes.h"

#include <string>
#include <string_view>

// A NUL-terminated copy of text from the task allocator, for strings handed out through
// interfaces (display names); null when memory runs out.
LPOLESTR CoTaskStringFrom(std::u16string_view text);
// Takes over such a string: returns its text and frees it. Null gives the empty string.
std::u16string TakeCoTaskString(LPOLESTR text);
