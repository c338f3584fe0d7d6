#include "platform/com/ClassIdText.h"

#include <string_view>

HRESULT CLSIDFromString(LPCOLESTR text, CLSID* clsid) {
    if (!clsid)
        return E_INVALIDARG;
    *clsid = GUID_NULL;
    if (!text)
        return CO_E_CLASSSTRING;
    // Only ASCII can be part of the form; anything wider is refused before narrowing.
    const std::u16string_view wide(text);
    std::string narrow;
    for (const char16_t c : wide) {
        if (c > 0x7F)
            return CO_E_CLASSSTRING;
        narrow += static_cast<char>(c);
    }
    const auto parsed = StringToGUID(narrow);
    if (!parsed)
        return CO_E_CLASSSTRING;
    *clsid = *parsed;
    return S_OK;
}

std::u16string StringFromCLSID(REFCLSID clsid) {
    const std::string narrow = GUIDToString(clsid);
    return std::u16string(narrow.begin(), narrow.end());
}
