#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A 16-byte globally unique identifier in the framework's binary layout: a 32-bit, two 16-bit
// and eight single-byte fields, the integers in the machine's (little-endian) byte order.
struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];

    friend bool operator==(const GUID& a, const GUID& b) noexcept;
};
static_assert(sizeof(GUID) == 16);
static_assert(offsetof(GUID, Data4) == 8);

using IID = GUID;
using CLSID = GUID;
using REFIID = const IID&;
using REFCLSID = const CLSID&;
using REFGUID = const GUID&;

inline constexpr GUID GUID_NULL{};

// The braced text form, upper-case hexadecimal: "{00000000-0000-0000-C000-000000000046}".
std::string GUIDToString(const GUID& guid);
// Parses the braced form (hex digits of either case); nullopt for anything else.
std::optional<GUID> StringToGUID(std::string_view text);

struct GUIDHash {
    size_t operator()(const GUID& guid) const noexcept;
};
