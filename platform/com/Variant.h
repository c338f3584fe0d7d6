#pragma once

#include "platform/com/ComTypes.h"
#include "platform/com/HResult.h"

#include <cstdint>
#include <string>
#include <string_view>

// A counted wide string of the object services: the characters, NUL-terminated, preceded in
// memory by their byte count. Null stands for the empty string.
using BSTR = OLECHAR*;

BSTR SysAllocString(LPCOLESTR text);
BSTR SysAllocStringLen(const OLECHAR* text, uint32_t length);
void SysFreeString(BSTR text) noexcept;
uint32_t SysStringLen(BSTR text) noexcept;

using VARTYPE = uint16_t;
inline constexpr VARTYPE VT_EMPTY = 0;
inline constexpr VARTYPE VT_I4 = 3;
inline constexpr VARTYPE VT_BSTR = 8;

// The small part of the self-describing value that property bags hand out: empty, a 32-bit
// integer or a string. A VT_BSTR variant owns its string; VariantClear frees it.
struct VARIANT {
    VARTYPE vt;
    union {
        int32_t lVal;
        BSTR bstrVal;
    };
};

void VariantInit(VARIANT* value) noexcept;
HRESULT VariantClear(VARIANT* value) noexcept;
// Copies source into an initialised destination (cleared first); strings are duplicated.
HRESULT VariantCopy(VARIANT* destination, const VARIANT* source);

// A variant cleared on scope exit.
class ScopedVariant {
public:
    ScopedVariant() noexcept { VariantInit(&value_); }
    ~ScopedVariant() { VariantClear(&value_); }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;

    VARIANT* operator&() noexcept { return &value_; }
    const VARIANT& Get() const noexcept { return value_; }
    // The string held, or empty for any other kind of value.
    std::u16string_view String() const noexcept;

private:
    VARIANT value_;
};
