#pragma once

#include "platform/media/core/GraphInterfaces.h"
#include "platform/windows/WinTypes.h"

#include <cstdint>

// The video mixing renderer 9: its class and its control interfaces, under their published ids.
//
// There is no Direct3D here, so the interfaces keep the methods this platform can honour and
// use plain types where the originals speak of devices and surfaces: no compositor, no device
// or surface helpers, no monitor configuration. A renderless client's allocator is handed each
// frame as a `VmrFrame` (RGB bytes and their layout) through PresentImage, rather than being
// asked for surfaces to draw into; the allocator decides what to do with the bytes.

// {51B4ABF3-748F-4E3B-A276-C828330E926A}
inline constexpr CLSID CLSID_VideoMixingRenderer9{
    0x51B4ABF3, 0x748F, 0x4E3B, {0xA2, 0x76, 0xC8, 0x28, 0x33, 0x0E, 0x92, 0x6A}};

// {5A804648-4F66-4867-9C43-4F5C822CF1B8}
inline constexpr IID IID_IVMRFilterConfig9{
    0x5A804648, 0x4F66, 0x4867, {0x9C, 0x43, 0x4F, 0x5C, 0x82, 0x2C, 0xF1, 0xB8}};
// {8F537D09-F85E-4414-B23B-502E54C79927}
inline constexpr IID IID_IVMRWindowlessControl9{
    0x8F537D09, 0xF85E, 0x4414, {0xB2, 0x3B, 0x50, 0x2E, 0x54, 0xC7, 0x99, 0x27}};
// {DCA3F5DF-BB3A-4D03-BD81-84614BFBFA0C}
inline constexpr IID IID_IVMRSurfaceAllocatorNotify9{
    0xDCA3F5DF, 0xBB3A, 0x4D03, {0xBD, 0x81, 0x84, 0x61, 0x4B, 0xFB, 0xFA, 0x0C}};
// {8D5148EA-3F5D-46CF-9DF1-D1B896EEDB1F}
inline constexpr IID IID_IVMRSurfaceAllocator9{
    0x8D5148EA, 0x3F5D, 0x46CF, {0x9D, 0xF1, 0xD1, 0xB8, 0x96, 0xEE, 0xDB, 0x1F}};
// {00D96C29-BBDE-4EFC-9901-BB5036392146}
inline constexpr IID IID_IVMRAspectRatioControl9{
    0x00D96C29, 0xBBDE, 0x4EFC, {0x99, 0x01, 0xBB, 0x50, 0x36, 0x39, 0x21, 0x46}};

// Rendering modes (SetRenderingMode).
inline constexpr DWORD VMR9Mode_Windowed = 0x1;
inline constexpr DWORD VMR9Mode_Windowless = 0x2;
inline constexpr DWORD VMR9Mode_Renderless = 0x4;

// Rendering preference bits (SetRenderingPrefs). They are stored and read back; with no
// hardware paths to choose between, none of them changes how frames are drawn.
inline constexpr DWORD VMRRenderPrefs_ForceOffscreen = 0x01;
inline constexpr DWORD VMRRenderPrefs_ForceOverlays = 0x02;
inline constexpr DWORD VMRRenderPrefs_ForceMixer = 0x04;
inline constexpr DWORD VMRRenderPrefs_DoNotRenderColorKeyAndBorder = 0x08;
inline constexpr DWORD VMRRenderPrefs_RestrictToInitialMonitor = 0x10;
inline constexpr DWORD VMRRenderPrefs_PreferAGPMemWhenMixing = 0x20;
inline constexpr DWORD VMRRenderPrefs_Mask = 0x3F;

// Aspect ratio modes: stretch the picture over the destination, or letter-box it.
inline constexpr DWORD VMR9ARMode_None = 0;
inline constexpr DWORD VMR9ARMode_LetterBox = 1;

// The most input streams the renderer takes.
inline constexpr DWORD kMaxVmrStreams = 16;

// One frame as a renderless client receives it: rows of 24- or 32-bit RGB (blue first), valid
// only during the call.
struct VmrFrame {
    const uint8_t* bits;
    int32_t width;
    int32_t height; // rows, always positive
    int32_t stride; // bytes from one row in memory to the next
    int32_t bitCount;
    bool bottomUp; // the first row in memory is the bottom one
    DWORD stream;  // the input stream it came in on
    REFERENCE_TIME start;
    REFERENCE_TIME stop;
};

struct IVMRSurfaceAllocator9;

struct IVMRFilterConfig9 : IUnknown {
    virtual HRESULT SetNumberOfStreams(DWORD streams) = 0;
    virtual HRESULT GetNumberOfStreams(DWORD* streams) = 0;
    virtual HRESULT SetRenderingPrefs(DWORD prefs) = 0;
    virtual HRESULT GetRenderingPrefs(DWORD* prefs) = 0;
    virtual HRESULT SetRenderingMode(DWORD mode) = 0;
    virtual HRESULT GetRenderingMode(DWORD* mode) = 0;

protected:
    ~IVMRFilterConfig9() = default;
};
TARNOLIX_INTERFACE_ID(IVMRFilterConfig9, IID_IVMRFilterConfig9);

// Windowless drawing into a window of the client's: the picture is drawn at the destination
// rectangle, in the clipping window's client coordinates.
struct IVMRWindowlessControl9 : IUnknown {
    // The connected picture's size, and its aspect ratio (here the size itself: square pixels).
    virtual HRESULT GetNativeVideoSize(LONG* width, LONG* height, LONG* aspectWidth, LONG* aspectHeight) = 0;
    // `source` null: the whole picture. `destination` null: keep the current one.
    virtual HRESULT SetVideoPosition(const RECT* source, const RECT* destination) = 0;
    virtual HRESULT GetVideoPosition(RECT* source, RECT* destination) = 0;
    virtual HRESULT GetAspectRatioMode(DWORD* mode) = 0;
    virtual HRESULT SetAspectRatioMode(DWORD mode) = 0;
    virtual HRESULT SetVideoClippingWindow(HWND window) = 0;

protected:
    ~IVMRWindowlessControl9() = default;
};
TARNOLIX_INTERFACE_ID(IVMRWindowlessControl9, IID_IVMRWindowlessControl9);

// The renderer's side of a renderless client: it takes the client's allocator, and passes on
// events the allocator raises.
struct IVMRSurfaceAllocatorNotify9 : IUnknown {
    // Frames go to `allocator` (null: to none) with `userId`. The renderer keeps a reference
    // until it is replaced, the renderer leaves its graph, or the renderer goes.
    virtual HRESULT AdviseSurfaceAllocator(DWORD_PTR userId, IVMRSurfaceAllocator9* allocator) = 0;
    // Queues an event with the renderer's graph.
    virtual HRESULT NotifyEvent(LONG code, LONG_PTR param1, LONG_PTR param2) = 0;

protected:
    ~IVMRSurfaceAllocatorNotify9() = default;
};
TARNOLIX_INTERFACE_ID(IVMRSurfaceAllocatorNotify9, IID_IVMRSurfaceAllocatorNotify9);

// A renderless client's allocator: it receives every frame, on the streaming thread.
struct IVMRSurfaceAllocator9 : IUnknown {
    virtual HRESULT PresentImage(DWORD_PTR userId, const VmrFrame* frame) = 0;
    virtual HRESULT AdviseNotify(IVMRSurfaceAllocatorNotify9* notify) = 0;

protected:
    ~IVMRSurfaceAllocator9() = default;
};
TARNOLIX_INTERFACE_ID(IVMRSurfaceAllocator9, IID_IVMRSurfaceAllocator9);

struct IVMRAspectRatioControl9 : IUnknown {
    virtual HRESULT GetAspectRatioMode(DWORD* mode) = 0;
    virtual HRESULT SetAspectRatioMode(DWORD mode) = 0;

protected:
    ~IVMRAspectRatioControl9() = default;
};
TARNOLIX_INTERFACE_ID(IVMRAspectRatioControl9, IID_IVMRAspectRatioControl9);
