#pragma once

#include "platform/com/StreamInterface.h"

#include <cstdint>
#include <string>

// The building blocks of the platform objects' persisted states: little-endian 32-bit integers
// and wide strings as a 32-bit character count followed by the UTF-16 characters.
HRESULT WriteUInt32(IStream* stream, uint32_t value);
HRESULT WriteWideString(IStream* stream, std::u16string_view text);
// STG_E_READFAULT when the stream ends early.
HRESULT ReadUInt32(IStream* stream, uint32_t& value);
// STG_E_READFAULT when the stream ends early or the count exceeds maxLength, so that a corrupt
// count cannot ask for gigabytes.
HRESULT ReadWideString(IStream* stream, std::u16string& text, uint32_t maxLength = 65536);
