#pragma once

#include "platform/com/PersistInterfaces.h"
#include "platform/media/core/MediaType.h"

// The filter and pin interfaces of the media-streaming framework, with their published ids.

// {56A86899-0AD4-11CE-B03A-0020AF0BA770}
inline constexpr IID IID_IMediaFilter{
    0x56A86899, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
// {56A86895-0AD4-11CE-B03A-0020AF0BA770}
inline constexpr IID IID_IBaseFilter{
    0x56A86895, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
// {56A86891-0AD4-11CE-B03A-0020AF0BA770}
inline constexpr IID IID_IPin{0x56A86891, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
// {56A86892-0AD4-11CE-B03A-0020AF0BA770}
inline constexpr IID IID_IEnumPins{
    0x56A86892, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
// {89C31040-846B-11CE-97D3-00AA0055595A}
inline constexpr IID IID_IEnumMediaTypes{
    0x89C31040, 0x846B, 0x11CE, {0x97, 0xD3, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A}};

// {56A8689F-0AD4-11CE-B03A-0020AF0BA770}
inline constexpr IID IID_IFilterGraph{
    0x56A8689F, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

struct IReferenceClock;
struct IEnumFilters;
struct IFilterGraph;
struct IPin;
struct IEnumPins;
struct IEnumMediaTypes;

enum FILTER_STATE : int32_t { State_Stopped = 0, State_Paused = 1, State_Running = 2 };
enum PIN_DIRECTION : int32_t { PINDIR_INPUT = 0, PINDIR_OUTPUT = 1 };

struct IBaseFilter;

// What QueryFilterInfo reports; pGraph is a counted reference (or null) the caller releases.
struct FILTER_INFO {
    OLECHAR achName[128];
    IFilterGraph* pGraph;
};

// What QueryPinInfo reports; pFilter is a counted reference the caller releases.
struct PIN_INFO {
    IBaseFilter* pFilter;
    PIN_DIRECTION dir;
    OLECHAR achName[128];
};

struct IMediaFilter : IPersist {
    virtual HRESULT Stop() = 0;
    virtual HRESULT Pause() = 0;
    virtual HRESULT Run(REFERENCE_TIME start) = 0;
    virtual HRESULT GetState(DWORD millisecondsTimeout, FILTER_STATE* state) = 0;
    virtual HRESULT SetSyncSource(IReferenceClock* clock) = 0;
    virtual HRESULT GetSyncSource(IReferenceClock** clock) = 0;

protected:
    ~IMediaFilter() = default;
};

struct IBaseFilter : IMediaFilter {
    virtual HRESULT EnumPins(IEnumPins** pins) = 0;
    virtual HRESULT FindPin(LPCOLESTR id, IPin** pin) = 0;
    virtual HRESULT QueryFilterInfo(FILTER_INFO* info) = 0;
    // The graph is not counted: it owns the filter, not the other way round.
    virtual HRESULT JoinFilterGraph(IFilterGraph* graph, LPCOLESTR name) = 0;
    virtual HRESULT QueryVendorInfo(LPOLESTR* vendorInfo) = 0;

protected:
    ~IBaseFilter() = default;
};

// A graph of filters: what a filter sees of the graph it joined.
struct IFilterGraph : IUnknown {
    virtual HRESULT AddFilter(IBaseFilter* filter, LPCOLESTR name) = 0;
    virtual HRESULT RemoveFilter(IBaseFilter* filter) = 0;
    virtual HRESULT EnumFilters(IEnumFilters** filters) = 0;
    virtual HRESULT FindFilterByName(LPCOLESTR name, IBaseFilter** filter) = 0;
    virtual HRESULT ConnectDirect(IPin* output, IPin* input, const AM_MEDIA_TYPE* type) = 0;
    virtual HRESULT Reconnect(IPin* pin) = 0;
    virtual HRESULT Disconnect(IPin* pin) = 0;
    virtual HRESULT SetDefaultSyncSource() = 0;

protected:
    ~IFilterGraph() = default;
};

struct IPin : IUnknown {
    virtual HRESULT Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) = 0;
    virtual HRESULT ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) = 0;
    virtual HRESULT Disconnect() = 0;
    virtual HRESULT ConnectedTo(IPin** pin) = 0;
    virtual HRESULT ConnectionMediaType(AM_MEDIA_TYPE* type) = 0;
    virtual HRESULT QueryPinInfo(PIN_INFO* info) = 0;
    virtual HRESULT QueryDirection(PIN_DIRECTION* direction) = 0;
    // *id from the task allocator.
    virtual HRESULT QueryId(LPOLESTR* id) = 0;
    // S_OK when the pin accepts the type, S_FALSE otherwise.
    virtual HRESULT QueryAccept(const AM_MEDIA_TYPE* type) = 0;
    virtual HRESULT EnumMediaTypes(IEnumMediaTypes** types) = 0;
    virtual HRESULT QueryInternalConnections(IPin** pins, ULONG* count) = 0;
    virtual HRESULT EndOfStream() = 0;
    virtual HRESULT BeginFlush() = 0;
    virtual HRESULT EndFlush() = 0;
    virtual HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) = 0;

protected:
    ~IPin() = default;
};

struct IEnumPins : IUnknown {
    virtual HRESULT Next(ULONG count, IPin** pins, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumPins** clone) = 0;

protected:
    ~IEnumPins() = default;
};

// Hands out media types, each record and its format block from the task allocator; the caller
// frees both (DeleteMediaType).
struct IEnumMediaTypes : IUnknown {
    virtual HRESULT Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumMediaTypes** clone) = 0;

protected:
    ~IEnumMediaTypes() = default;
};

TARNOLIX_INTERFACE_ID(IMediaFilter, IID_IMediaFilter);
TARNOLIX_INTERFACE_ID(IBaseFilter, IID_IBaseFilter);
TARNOLIX_INTERFACE_ID(IFilterGraph, IID_IFilterGraph);
TARNOLIX_INTERFACE_ID(IPin, IID_IPin);
TARNOLIX_INTERFACE_ID(IEnumPins, IID_IEnumPins);
TARNOLIX_INTERFACE_ID(IEnumMediaTypes, IID_IEnumMediaTypes);
TARNOLIX_INTERFACE_PARENT(IMediaFilter, IPersist);
TARNOLIX_INTERFACE_PARENT(IBaseFilter, IMediaFilter);
