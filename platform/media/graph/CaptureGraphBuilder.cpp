#include "platform/media/graph/CaptureGraphBuilder.h"

#include "platform/com/ClassRegistry.h"
#include "platform/media/core/VideoFormat.h"
#include "platform/media/graph/Callbacks.h"
#include "platform/media/pins/PinQueries.h"

#include <algorithm>

namespace {

// Whether the pin offers a type of the major type.
bool OffersMajorType(IPin* pin, const GUID& majorType) {
    ComPtr<IEnumMediaTypes> types;
    if (FAILED(pin->EnumMediaTypes(types.Receive())) || !types)
        return false;
    bool found = false;
    AM_MEDIA_TYPE* type = nullptr;
    while (!found && types->Next(1, &type, nullptr) == S_OK && type) {
        found = type->majortype == majorType;
        DeleteMediaType(type);
        type = nullptr;
    }
    return found;
}

// The category the pin reports (PIN_CATEGORY_CAPTURE, ...); GUID_NULL when it reports none.
GUID PinCategory(IPin* pin) {
    ComPtr<IKsPropertySet> properties;
    if (FAILED(pin->QueryInterface(IID_IKsPropertySet, properties.ReceiveVoid())) || !properties)
        return GUID_NULL;
    GUID category = GUID_NULL;
    DWORD returned = 0;
    if (FAILED(properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category,
                               sizeof category, &returned)) ||
        returned != sizeof category)
        return GUID_NULL;
    return category;
}

} // namespace

ComPtr<IGraphBuilder> CaptureGraphBuilder::Graph() {
    std::lock_guard lock(mutex_);
    return graph_;
}

HRESULT CaptureGraphBuilder::SetFiltergraph(IGraphBuilder* graph) {
    if (!graph)
        return E_POINTER;
    std::lock_guard lock(mutex_);
    if (graph_)
        return E_UNEXPECTED; // a builder works on one graph
    graph_ = ComPtr<IGraphBuilder>(graph);
    return S_OK;
}

HRESULT CaptureGraphBuilder::GetFiltergraph(IGraphBuilder** graph) {
    if (!graph)
        return E_POINTER;
    *graph = nullptr;
    ComPtr<IGraphBuilder> held = Graph();
    if (!held) {
        // Asked before being given one, the builder makes its own graph.
        ComPtr<IGraphBuilder> created;
        const HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                            IID_IGraphBuilder, created.ReceiveVoid());
        if (FAILED(hr))
            return hr;
        std::lock_guard lock(mutex_);
        if (!graph_)
            graph_ = created;
        held = graph_;
    }
    *graph = held.Detach();
    return S_OK;
}

HRESULT CaptureGraphBuilder::FindPin(IUnknown* source, PIN_DIRECTION direction, const GUID* category,
                                     const GUID* type, BOOL unconnected, int number, IPin** pin) {
    if (!source || !pin)
        return E_POINTER;
    *pin = nullptr;
    std::vector<ComPtr<IPin>> candidates;
    ComPtr<IPin> given;
    ComPtr<IBaseFilter> filter;
    if (SUCCEEDED(source->QueryInterface(IID_IPin, given.ReceiveVoid())) && given) {
        PIN_DIRECTION pinDirection{};
        if (SUCCEEDED(given->QueryDirection(&pinDirection)) && pinDirection == direction)
            candidates.push_back(given);
    } else if (SUCCEEDED(source->QueryInterface(IID_IBaseFilter, filter.ReceiveVoid())) && filter) {
        candidates = PinsOf(filter.Get(), direction);
    } else {
        return E_NOINTERFACE;
    }
    // Categories count only when some pin reports one; the platform's own pins report none.
    const bool categorised =
        category && *category != GUID_NULL &&
        std::any_of(candidates.begin(), candidates.end(),
                    [](const ComPtr<IPin>& candidate) { return PinCategory(candidate.Get()) != GUID_NULL; });
    for (const ComPtr<IPin>& candidate : candidates) {
        if (categorised && PinCategory(candidate.Get()) != *category)
            continue;
        if (unconnected && PeerOf(candidate.Get()))
            continue;
        if (type && *type != GUID_NULL && !OffersMajorType(candidate.Get(), *type))
            continue;
        if (number-- == 0) {
            *pin = ComPtr<IPin>(candidate).Detach();
            return S_OK;
        }
    }
    return VFW_E_NOT_FOUND;
}

HRESULT CaptureGraphBuilder::ConnectPins(IGraphBuilder* graph, IPin* output, IPin* input) {
    HRESULT hr = graph->Connect(output, input);
    if (SUCCEEDED(hr))
        return hr;
    const ComPtr<IAMFilterGraphCallback> callback = GraphCallback<IAMFilterGraphCallback>(graph);
    if (callback && callback->UnableToRender(output) == S_OK)
        hr = graph->Connect(output, input);
    return hr;
}

HRESULT CaptureGraphBuilder::FindInterface(const GUID* category, const GUID* type, IBaseFilter* filter,
                                           REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (!filter)
        return E_POINTER;
    if (!category && SUCCEEDED(filter->QueryInterface(iid, object)))
        return S_OK;
    for (int number = 0;; ++number) {
        ComPtr<IPin> pin;
        HRESULT hr = FindPin(filter, PINDIR_OUTPUT, category, type, FALSE, number, pin.Receive());
        if (FAILED(hr) && category && *category == PIN_CATEGORY_PREVIEW)
            hr = FindPin(filter, PINDIR_OUTPUT, &PIN_CATEGORY_CAPTURE, type, FALSE, number, pin.Receive());
        if (FAILED(hr))
            return E_NOINTERFACE;
        if (SUCCEEDED(pin->QueryInterface(iid, object)))
            return S_OK;
    }
}

HRESULT CaptureGraphBuilder::RenderStream(const GUID* category, const GUID* type, IUnknown* source,
                                          IBaseFilter* intermediate, IBaseFilter* sink) {
    if (!source)
        return E_POINTER;
    if (!intermediate && !sink)
        return VFW_E_CANNOT_RENDER; // rendering to a default renderer is not offered
    ComPtr<IGraphBuilder> graph;
    HRESULT hr = GetFiltergraph(graph.Receive());
    if (FAILED(hr))
        return hr;
    ComPtr<IPin> output;
    hr = FindPin(source, PINDIR_OUTPUT, category, type, TRUE, 0, output.Receive());
    if (FAILED(hr) && category && *category == PIN_CATEGORY_PREVIEW) // no preview pin: the capture pin
        hr = FindPin(source, PINDIR_OUTPUT, &PIN_CATEGORY_CAPTURE, type, TRUE, 0, output.Receive());
    if (FAILED(hr))
        return hr;
    for (IBaseFilter* next : {intermediate, sink}) {
        if (!next)
            continue;
        ComPtr<IPin> input;
        if (FAILED(FindPin(next, PINDIR_INPUT, nullptr, nullptr, TRUE, 0, input.Receive())))
            return VFW_E_CANNOT_CONNECT; // nothing left to connect to
        hr = ConnectPins(graph.Get(), output.Get(), input.Get());
        if (FAILED(hr))
            return hr;
        if (next == intermediate && sink &&
            FAILED(FindPin(next, PINDIR_OUTPUT, nullptr, nullptr, TRUE, 0, output.Receive())))
            return VFW_E_CANNOT_CONNECT;
    }
    return S_OK;
}
