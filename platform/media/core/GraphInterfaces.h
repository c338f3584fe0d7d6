#pragma once

#include "platform/com/DispatchInterface.h"
#include "platform/com/MonikerInterface.h"
#include "platform/media/core/FilterInterfaces.h"

#include <cstdint>

// The filter graph manager's interfaces, with their published ids.

using LONG_PTR = intptr_t;
using DWORD_PTR = uintptr_t;
using OAHWND = LONG_PTR;       // a window handle carried as an integer
using OAEVENT = LONG_PTR;      // an event handle carried as an integer
using OAFilterState = int32_t; // a FILTER_STATE carried as an integer

// {56A868A9-0AD4-11CE-B03A-0020AF0BA770}
inline constexpr IID IID_IGraphBuilder{
    0x56A868A9, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
// {36B73882-C2C8-11CF-8B46-00805F6CEF60}
inline constexpr IID IID_IFilterGraph2{
    0x36B73882, 0xC2C8, 0x11CF, {0x8B, 0x46, 0x00, 0x80, 0x5F, 0x6C, 0xEF, 0x60}};
// {56A86893-0AD4-11CE-B03A-0020AF0BA770}
inline constexpr IID IID_IEnumFilters{
    0x56A86893, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
// {56A868B1-0AD4-11CE-B03A-0020AF0BA770}
inline constexpr IID IID_IMediaControl{
    0x56A868B1, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
// {56A868B6-0AD4-11CE-B03A-0020AF0BA770}
inline constexpr IID IID_IMediaEvent{
    0x56A868B6, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
// {56A868C0-0AD4-11CE-B03A-0020AF0BA770}
inline constexpr IID IID_IMediaEventEx{
    0x56A868C0, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
// {56A868A2-0AD4-11CE-B03A-0020AF0BA770}
inline constexpr IID IID_IMediaEventSink{
    0x56A868A2, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
// {56A868B3-0AD4-11CE-B03A-0020AF0BA770}
inline constexpr IID IID_IBasicAudio{
    0x56A868B3, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

// {E436EBB3-524F-11CE-9F53-0020AF0BA770}
inline constexpr CLSID CLSID_FilterGraph{
    0xE436EBB3, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

// Event codes.
inline constexpr int32_t EC_COMPLETE = 0x01;
inline constexpr int32_t EC_USERABORT = 0x02;
inline constexpr int32_t EC_ERRORABORT = 0x03;
inline constexpr int32_t EC_TIME = 0x04;
inline constexpr int32_t EC_REPAINT = 0x05;
inline constexpr int32_t EC_STREAM_ERROR_STOPPED = 0x06;
inline constexpr int32_t EC_STREAM_ERROR_STILLPLAYING = 0x07;
inline constexpr int32_t EC_ERROR_STILLPLAYING = 0x08;
inline constexpr int32_t EC_PALETTE_CHANGED = 0x09;
inline constexpr int32_t EC_VIDEO_SIZE_CHANGED = 0x0A;
inline constexpr int32_t EC_QUALITY_CHANGE = 0x0B;
inline constexpr int32_t EC_SHUTTING_DOWN = 0x0C;
inline constexpr int32_t EC_CLOCK_CHANGED = 0x0D;
inline constexpr int32_t EC_PAUSED = 0x0E;
inline constexpr int32_t EC_OPENING_FILE = 0x10;
inline constexpr int32_t EC_BUFFERING_DATA = 0x11;
inline constexpr int32_t EC_FULLSCREEN_LOST = 0x12;
inline constexpr int32_t EC_OLE_EVENT = 0x18; // both parameters are strings (BSTR)
inline constexpr int32_t EC_STREAM_CONTROL_STOPPED = 0x1A;
inline constexpr int32_t EC_STREAM_CONTROL_STARTED = 0x1B;
inline constexpr int32_t EC_END_OF_SEGMENT = 0x1C;
inline constexpr int32_t EC_DEVICE_LOST = 0x1F; // parameter 1: the device's IUnknown
inline constexpr int32_t EC_STEP_COMPLETE = 0x24;
inline constexpr int32_t EC_GRAPH_CHANGED = 0x50;
inline constexpr int32_t EC_CLOCK_UNSET = 0x51;
inline constexpr int32_t EC_VMR_RENDERDEVICE_SET = 0x53;
inline constexpr int32_t EC_TIMECODE_AVAILABLE = 0x30;
inline constexpr int32_t EC_EXTDEVICE_MODE_CHANGE = 0x31;
inline constexpr int32_t EC_SNDDEV_IN_ERROR = 0x200;
inline constexpr int32_t EC_SNDDEV_OUT_ERROR = 0x201;

// Parameter 1 of EC_SNDDEV_IN_ERROR and EC_SNDDEV_OUT_ERROR: the sound device call that failed.
enum SNDDEV_ERR : int32_t {
    SNDDEV_ERROR_Open = 1,
    SNDDEV_ERROR_Close = 2,
    SNDDEV_ERROR_GetCaps = 3,
    SNDDEV_ERROR_PrepareHeader = 4,
    SNDDEV_ERROR_UnprepareHeader = 5,
    SNDDEV_ERROR_Reset = 6,
    SNDDEV_ERROR_Restart = 7,
    SNDDEV_ERROR_GetPosition = 8,
    SNDDEV_ERROR_Write = 9,
    SNDDEV_ERROR_Pause = 10,
    SNDDEV_ERROR_Stop = 11,
    SNDDEV_ERROR_Start = 12,
    SNDDEV_ERROR_AddBuffer = 13,
    SNDDEV_ERROR_Query = 14,
};

// SetNotifyFlags: no notifications (and no events queued).
inline constexpr int32_t AM_MEDIAEVENT_NONOTIFY = 0x01;

struct IEnumFilters : IUnknown {
    virtual HRESULT Next(ULONG count, IBaseFilter** filters, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumFilters** clone) = 0;

protected:
    ~IEnumFilters() = default;
};

struct IGraphBuilder : IFilterGraph {
    // Connects directly or through one converter filter.
    virtual HRESULT Connect(IPin* output, IPin* input) = 0;
    virtual HRESULT Render(IPin* output) = 0;
    virtual HRESULT RenderFile(LPCOLESTR file, LPCOLESTR playList) = 0;
    virtual HRESULT AddSourceFilter(LPCOLESTR file, LPCOLESTR filterName, IBaseFilter** filter) = 0;
    // A file descriptor that receives one line per graph operation; 0 stops the log. The
    // descriptor stays the caller's.
    virtual HRESULT SetLogFile(DWORD_PTR file) = 0;
    virtual HRESULT Abort() = 0;
    virtual HRESULT ShouldOperationContinue() = 0;

protected:
    ~IGraphBuilder() = default;
};

struct IFilterGraph2 : IGraphBuilder {
    virtual HRESULT AddSourceFilterForMoniker(IMoniker* moniker, IBindCtx* context, LPCOLESTR filterName,
                                              IBaseFilter** filter) = 0;
    virtual HRESULT ReconnectEx(IPin* pin, const AM_MEDIA_TYPE* type) = 0;
    virtual HRESULT RenderEx(IPin* output, DWORD flags, DWORD* context) = 0;

protected:
    ~IFilterGraph2() = default;
};

struct IMediaControl : IDispatch {
    virtual HRESULT Run() = 0;
    virtual HRESULT Pause() = 0;
    virtual HRESULT Stop() = 0;
    virtual HRESULT GetState(int32_t millisecondsTimeout, OAFilterState* state) = 0;
    virtual HRESULT RenderFile(BSTR file) = 0;
    virtual HRESULT AddSourceFilter(BSTR file, IDispatch** filter) = 0;
    virtual HRESULT get_FilterCollection(IDispatch** collection) = 0;
    virtual HRESULT get_RegFilterCollection(IDispatch** collection) = 0;
    virtual HRESULT StopWhenReady() = 0;

protected:
    ~IMediaControl() = default;
};

struct IMediaEvent : IDispatch {
    virtual HRESULT GetEventHandle(OAEVENT* handle) = 0;
    // The oldest queued event; waits up to `millisecondsTimeout` (-1: for ever) and answers
    // E_ABORT when none came.
    virtual HRESULT GetEvent(int32_t* code, LONG_PTR* param1, LONG_PTR* param2,
                             int32_t millisecondsTimeout) = 0;
    virtual HRESULT WaitForCompletion(int32_t millisecondsTimeout, int32_t* code) = 0;
    virtual HRESULT CancelDefaultHandling(int32_t code) = 0;
    virtual HRESULT RestoreDefaultHandling(int32_t code) = 0;
    // Releases what GetEvent handed out with an event (references, strings).
    virtual HRESULT FreeEventParams(int32_t code, LONG_PTR param1, LONG_PTR param2) = 0;

protected:
    ~IMediaEvent() = default;
};

struct IMediaEventEx : IMediaEvent {
    // Posts `message` (wParam 0, lParam `instance`) to the window for every queued event.
    virtual HRESULT SetNotifyWindow(OAHWND window, int32_t message, LONG_PTR instance) = 0;
    virtual HRESULT SetNotifyFlags(int32_t flags) = 0;
    virtual HRESULT GetNotifyFlags(int32_t* flags) = 0;

protected:
    ~IMediaEventEx() = default;
};

// How filters queue events with the graph they joined (query the graph for it). Any thread.
struct IMediaEventSink : IUnknown {
    virtual HRESULT Notify(int32_t code, LONG_PTR param1, LONG_PTR param2) = 0;

protected:
    ~IMediaEventSink() = default;
};

struct IBasicAudio : IDispatch {
    virtual HRESULT put_Volume(int32_t volume) = 0;
    virtual HRESULT get_Volume(int32_t* volume) = 0;
    virtual HRESULT put_Balance(int32_t balance) = 0;
    virtual HRESULT get_Balance(int32_t* balance) = 0;

protected:
    ~IBasicAudio() = default;
};

TARNOLIX_INTERFACE_ID(IEnumFilters, IID_IEnumFilters);
TARNOLIX_INTERFACE_ID(IGraphBuilder, IID_IGraphBuilder);
TARNOLIX_INTERFACE_ID(IFilterGraph2, IID_IFilterGraph2);
TARNOLIX_INTERFACE_ID(IMediaControl, IID_IMediaControl);
TARNOLIX_INTERFACE_ID(IMediaEvent, IID_IMediaEvent);
TARNOLIX_INTERFACE_ID(IMediaEventEx, IID_IMediaEventEx);
TARNOLIX_INTERFACE_ID(IMediaEventSink, IID_IMediaEventSink);
TARNOLIX_INTERFACE_ID(IBasicAudio, IID_IBasicAudio);
TARNOLIX_INTERFACE_PARENT(IGraphBuilder, IFilterGraph);
TARNOLIX_INTERFACE_PARENT(IFilterGraph2, IGraphBuilder);
TARNOLIX_INTERFACE_PARENT(IMediaControl, IDispatch);
TARNOLIX_INTERFACE_PARENT(IMediaEvent, IDispatch);
TARNOLIX_INTERFACE_PARENT(IMediaEventEx, IMediaEvent);
TARNOLIX_INTERFACE_PARENT(IBasicAudio, IDispatch);
