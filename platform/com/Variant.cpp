#include "platform/com/Variant.h"

#include <cstdlib>
#include <cstring>
#include <limits>

BSTR SysAllocStringLen(const OLECHAR* text, uint32_t length) {
    // Byte count, characters, terminating NUL.
    if (length > (std::numeric_limits<uint32_t>::max() - sizeof(uint32_t)) / sizeof(OLECHAR) - 1)
        return nullptr;
    const uint32_t bytes = length * static_cast<uint32_t>(sizeof(OLECHAR));
    auto* block = static_cast<uint8_t*>(std::malloc(sizeof(uint32_t) + bytes + sizeof(OLECHAR)));
    if (!block)
        return nullptr;
    std::memcpy(block, &bytes, sizeof bytes);
    auto* chars = reinterpret_cast<OLECHAR*>(block + sizeof(uint32_t));
    if (text)
        std::memcpy(chars, text, bytes);
    else
        std::memset(chars, 0, bytes);
    chars[length] = 0;
    return chars;
}

BSTR SysAllocString(LPCOLESTR text) {
    if (!text)
        return nullptr;
    return SysAllocStringLen(text, static_cast<uint32_t>(std::char_traits<char16_t>::length(text)));
}

void SysFreeString(BSTR text) noexcept {
    if (text)
        std::free(reinterpret_cast<uint8_t*>(text) - sizeof(uint32_t));
}

uint32_t SysStringLen(BSTR text) noexcept {
    if (!text)
        return 0;
    uint32_t bytes;
    std::memcpy(&bytes, reinterpret_cast<uint8_t*>(text) - sizeof(uint32_t), sizeof bytes);
    return bytes / static_cast<uint32_t>(sizeof(OLECHAR));
}

void VariantInit(VARIANT* value) noexcept {
    value->vt = VT_EMPTY;
    value->lVal = 0;
}

HRESULT VariantClear(VARIANT* value) noexcept {
    if (!value)
        return E_INVALIDARG;
    if (value->vt == VT_BSTR)
        SysFreeString(value->bstrVal);
    VariantInit(value);
    return S_OK;
}

HRESULT VariantCopy(VARIANT* destination, const VARIANT* source) {
    if (!destination || !source)
        return E_INVALIDARG;
    if (destination == source)
        return S_OK;
    VariantClear(destination);
    if (source->vt == VT_BSTR) {
        BSTR copy = nullptr;
        if (source->bstrVal) {
            copy = SysAllocStringLen(source->bstrVal, SysStringLen(source->bstrVal));
            if (!copy)
                return E_OUTOFMEMORY;
        }
        destination->vt = VT_BSTR;
        destination->bstrVal = copy;
    } else if (source->vt == VT_I4) {
        destination->vt = VT_I4;
        destination->lVal = source->lVal;
    } else if (source->vt != VT_EMPTY) {
        return DISP_E_TYPEMISMATCH;
    }
    return S_OK;
}

std::u16string_view ScopedVariant::String() const noexcept {
    if (value_.vt != VT_BSTR || !value_.bstrVal)
        return {};
    return {value_.bstrVal, SysStringLen(value_.bstrVal)};
}
