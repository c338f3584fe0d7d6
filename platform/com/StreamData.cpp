#include "platform/com/StreamData.h"

namespace {

HRESULT WriteAll(IStream* stream, const void* bytes, ULONG count) {
    ULONG written = 0;
    const HRESULT hr = stream->Write(bytes, count, &written);
    if (FAILED(hr))
        return hr;
    return written == count ? S_OK : STG_E_WRITEFAULT;
}

HRESULT ReadAll(IStream* stream, void* bytes, ULONG count) {
    ULONG read = 0;
    const HRESULT hr = stream->Read(bytes, count, &read);
    if (FAILED(hr))
        return hr;
    return read == count ? S_OK : STG_E_READFAULT;
}

} // namespace

HRESULT WriteUInt32(IStream* stream, uint32_t value) {
    const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                              static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    return WriteAll(stream, bytes, 4);
}

HRESULT WriteWideString(IStream* stream, std::u16string_view text) {
    HRESULT hr = WriteUInt32(stream, static_cast<uint32_t>(text.size()));
    if (FAILED(hr))
        return hr;
    for (const char16_t c : text) {
        const uint8_t bytes[2] = {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8)};
        hr = WriteAll(stream, bytes, 2);
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

HRESULT ReadUInt32(IStream* stream, uint32_t& value) {
    uint8_t bytes[4];
    const HRESULT hr = ReadAll(stream, bytes, 4);
    if (FAILED(hr))
        return hr;
    value =
        uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 | uint32_t{bytes[3]} << 24;
    return S_OK;
}

HRESULT ReadWideString(IStream* stream, std::u16string& text, uint32_t maxLength) {
    uint32_t length = 0;
    HRESULT hr = ReadUInt32(stream, length);
    if (FAILED(hr))
        return hr;
    if (length > maxLength)
        return STG_E_READFAULT;
    std::u16string result(length, u'\0');
    for (char16_t& c : result) {
        uint8_t bytes[2];
        hr = ReadAll(stream, bytes, 2);
        if (FAILED(hr))
            return hr;
        c = static_cast<char16_t>(bytes[0] | bytes[1] << 8);
    }
    text = std::move(result);
    return S_OK;
}
