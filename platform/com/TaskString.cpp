#include "platform/com/TaskString.h"

#include "platform/com/TaskAllocator.h"

#include <cstring>
#include <limits>

LPOLESTR CoTaskStringFrom(std::u16string_view text) {
    if (text.size() >= std::numeric_limits<size_t>::max() / sizeof(OLECHAR))
        return nullptr;
    auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(OLECHAR)));
    if (!copy)
        return nullptr;
    std::memcpy(copy, text.data(), text.size() * sizeof(OLECHAR));
    copy[text.size()] = 0;
    return copy;
}

std::u16string TakeCoTaskString(LPOLESTR text) {
    if (!text)
        return {};
    std::u16string result(text);
    CoTaskMemFree(text);
    return result;
}
