#pragma once

#include "platform/com/Unknown.h"

#include <cstdint>

// How a filter tells the graph it joined about something that happened: the graph queues the
// event for the application. Notify may be called from any thread, the streaming threads
// included.
// {56A868A2-0AD4-11CE-B03A-0020AF0BA770}
inline constexpr IID IID_IMediaEventSink{
    0x56A868A2, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

struct IMediaEventSink : IUnknown {
    virtual HRESULT Notify(long code, intptr_t param1, intptr_t param2) = 0;

protected:
    ~IMediaEventSink() = default;
};
TARNOLIX_INTERFACE_ID(IMediaEventSink, IID_IMediaEventSink);

// Event codes the platform's filters raise.
inline constexpr long EC_ERRORABORT = 0x03;         // param1: the failure's result code
inline constexpr long EC_VIDEO_SIZE_CHANGED = 0x0A; // param1: width in the low word, height in the high
inline constexpr long EC_DEVICE_LOST = 0x1F;        // param1: the source filter (not counted), param2: 0

// Packs a picture size as EC_VIDEO_SIZE_CHANGED carries it.
inline constexpr intptr_t PackVideoSize(int32_t width, int32_t height) {
    return static_cast<intptr_t>((static_cast<uint32_t>(static_cast<uint16_t>(height)) << 16) |
                                 static_cast<uint16_t>(width));
}
