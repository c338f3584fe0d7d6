#pragma once

#include "platform/com/MonikerInterface.h"
#include "platform/media/core/GraphInterfaces.h"

// The capture graph builder's interface and the graph-building callbacks that the graph's site
// may offer, with their published ids.

// {BF87B6E1-8C27-11D0-B3F0-00AA003761C5}
inline constexpr CLSID CLSID_CaptureGraphBuilder2{
    0xBF87B6E1, 0x8C27, 0x11D0, {0xB3, 0xF0, 0x00, 0xAA, 0x00, 0x37, 0x61, 0xC5}};
// {93E5A4E0-2D50-11D2-ABFA-00A0C9C6E38D}
inline constexpr IID IID_ICaptureGraphBuilder2{
    0x93E5A4E0, 0x2D50, 0x11D2, {0xAB, 0xFA, 0x00, 0xA0, 0xC9, 0xC6, 0xE3, 0x8D}};
// {4995F511-9DDB-4F12-BD3B-F04611807B79}
inline constexpr IID IID_IAMGraphBuilderCallback{
    0x4995F511, 0x9DDB, 0x4F12, {0xBD, 0x3B, 0xF0, 0x46, 0x11, 0x80, 0x7B, 0x79}};
// {56A868FD-0AD4-11CE-B0A3-0020AF0BA770}
inline constexpr IID IID_IAMFilterGraphCallback{
    0x56A868FD, 0x0AD4, 0x11CE, {0xB0, 0xA3, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

// Pin categories.
// {FB6C4281-0353-11D1-905F-0000C0CC16BA}
inline constexpr GUID PIN_CATEGORY_CAPTURE{
    0xFB6C4281, 0x0353, 0x11D1, {0x90, 0x5F, 0x00, 0x00, 0xC0, 0xCC, 0x16, 0xBA}};
// {FB6C4282-0353-11D1-905F-0000C0CC16BA}
inline constexpr GUID PIN_CATEGORY_PREVIEW{
    0xFB6C4282, 0x0353, 0x11D1, {0x90, 0x5F, 0x00, 0x00, 0xC0, 0xCC, 0x16, 0xBA}};

// {31EFAC30-515C-11D0-A9AA-00AA0061BE93}
inline constexpr IID IID_IKsPropertySet{
    0x31EFAC30, 0x515C, 0x11D0, {0xA9, 0xAA, 0x00, 0xAA, 0x00, 0x61, 0xBE, 0x93}};
// {9B00F101-1567-11D1-B3F1-00AA003761C5}: the property set of a pin's category.
inline constexpr GUID AMPROPSETID_Pin{
    0x9B00F101, 0x1567, 0x11D1, {0xB3, 0xF1, 0x00, 0xAA, 0x00, 0x37, 0x61, 0xC5}};
inline constexpr DWORD AMPROPERTY_PIN_CATEGORY = 0;

// Properties of an object by property set and id; pins report their category through it.
struct IKsPropertySet : IUnknown {
    virtual HRESULT Set(REFGUID set, DWORD id, void* instance, DWORD instanceSize, void* data,
                        DWORD dataSize) = 0;
    virtual HRESULT Get(REFGUID set, DWORD id, void* instance, DWORD instanceSize, void* data, DWORD dataSize,
                        DWORD* returned) = 0;
    virtual HRESULT QuerySupported(REFGUID set, DWORD id, DWORD* support) = 0;

protected:
    ~IKsPropertySet() = default;
};

struct IFileSinkFilter;
struct IAMCopyCaptureFileProgress;

struct ICaptureGraphBuilder2 : IUnknown {
    virtual HRESULT SetFiltergraph(IGraphBuilder* graph) = 0;
    virtual HRESULT GetFiltergraph(IGraphBuilder** graph) = 0;
    virtual HRESULT SetOutputFileName(const GUID* type, LPCOLESTR file, IBaseFilter** multiplexer,
                                      IFileSinkFilter** sink) = 0;
    virtual HRESULT FindInterface(const GUID* category, const GUID* type, IBaseFilter* filter, REFIID iid,
                                  void** object) = 0;
    // Connects the source's output pin of `category` through `intermediate` (may be null) to
    // `sink` (may be null), with converters where two pins do not agree.
    virtual HRESULT RenderStream(const GUID* category, const GUID* type, IUnknown* source,
                                 IBaseFilter* intermediate, IBaseFilter* sink) = 0;
    virtual HRESULT ControlStream(const GUID* category, const GUID* type, IBaseFilter* filter,
                                  REFERENCE_TIME* start, REFERENCE_TIME* stop, uint16_t startCookie,
                                  uint16_t stopCookie) = 0;
    virtual HRESULT AllocCapFile(LPCOLESTR file, ULONGLONG size) = 0;
    virtual HRESULT CopyCaptureFile(LPOLESTR oldFile, LPOLESTR newFile, int allowEscAbort,
                                    IAMCopyCaptureFileProgress* callback) = 0;
    virtual HRESULT FindPin(IUnknown* source, PIN_DIRECTION direction, const GUID* category, const GUID* type,
                            BOOL unconnected, int number, IPin** pin) = 0;

protected:
    ~ICaptureGraphBuilder2() = default;
};

// Asked by the graph (through its site) before it uses a filter it chose, and after it made it.
// A failure from either makes the graph do without that filter.
struct IAMGraphBuilderCallback : IUnknown {
    virtual HRESULT SelectedFilter(IMoniker* moniker) = 0;
    virtual HRESULT CreatedFilter(IBaseFilter* filter) = 0;

protected:
    ~IAMGraphBuilderCallback() = default;
};

// Told of a pin that the graph could not connect; S_OK asks the graph to try once more.
struct IAMFilterGraphCallback : IUnknown {
    virtual HRESULT UnableToRender(IPin* pin) = 0;

protected:
    ~IAMFilterGraphCallback() = default;
};

TARNOLIX_INTERFACE_ID(IKsPropertySet, IID_IKsPropertySet);
TARNOLIX_INTERFACE_ID(ICaptureGraphBuilder2, IID_ICaptureGraphBuilder2);
TARNOLIX_INTERFACE_ID(IAMGraphBuilderCallback, IID_IAMGraphBuilderCallback);
TARNOLIX_INTERFACE_ID(IAMFilterGraphCallback, IID_IAMFilterGraphCallback);
