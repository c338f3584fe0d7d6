#pragma once

#include "platform/com/Guid.h"

// The class ids of the converter filters that the graph may insert.

// {1643E180-90F5-11CE-97D5-00AA0055595A}
inline constexpr CLSID CLSID_Colour{
    0x1643E180, 0x90F5, 0x11CE, {0x97, 0xD5, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A}};
// {301056D0-6DFF-11D2-9EEB-006008039E37}
inline constexpr CLSID CLSID_MjpegDec{
    0x301056D0, 0x6DFF, 0x11D2, {0x9E, 0xEB, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};
