#include "platform/media/graph/ConverterInsertion.h"

#include "platform/media/converters/Catalog.h"
#include "platform/media/core/VideoFormat.h"
#include "platform/media/graph/Callbacks.h"
#include "platform/media/graph/FilterClassMoniker.h"
#include "platform/media/pins/PinQueries.h"

#include <algorithm>

namespace {

// The subtypes that the output pin offers.
std::vector<GUID> OfferedSubtypes(IPin* output) {
    std::vector<GUID> subtypes;
    ComPtr<IEnumMediaTypes> types;
    if (FAILED(output->EnumMediaTypes(types.Receive())) || !types)
        return subtypes;
    AM_MEDIA_TYPE* type = nullptr;
    while (types->Next(1, &type, nullptr) == S_OK && type) {
        subtypes.push_back(type->subtype);
        DeleteMediaType(type);
        type = nullptr;
    }
    return subtypes;
}

bool TakesAnyOf(const ConverterEntry& converter, const std::vector<GUID>& offered) {
    return std::any_of(offered.begin(), offered.end(), [&](const GUID& subtype) {
        return std::find(converter.inputTypes.begin(), converter.inputTypes.end(), subtype) !=
               converter.inputTypes.end();
    });
}

HRESULT TryConverter(IFilterGraph& graph, const ConverterEntry& converter, IPin* output, IPin* input) {
    const ComPtr<IAMGraphBuilderCallback> callback = GraphCallback<IAMGraphBuilderCallback>(&graph);
    auto moniker = ComPtr<IMoniker>::Adopt(new FilterClassMoniker(converter.clsid, converter.name));
    if (callback && FAILED(callback->SelectedFilter(moniker.Get())))
        return E_ABORT;
    ComPtr<IBaseFilter> filter;
    HRESULT hr = moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReceiveVoid());
    if (FAILED(hr))
        return hr;
    if (callback && FAILED(callback->CreatedFilter(filter.Get())))
        return E_ABORT;
    hr = graph.AddFilter(filter.Get(), converter.name.c_str());
    if (FAILED(hr))
        return hr;
    const std::vector<ComPtr<IPin>> inputs = PinsOf(filter.Get(), PINDIR_INPUT);
    const std::vector<ComPtr<IPin>> outputs = PinsOf(filter.Get(), PINDIR_OUTPUT);
    hr = inputs.empty() || outputs.empty() ? VFW_E_CANNOT_CONNECT : S_OK;
    if (SUCCEEDED(hr))
        hr = graph.ConnectDirect(output, inputs.front().Get(), nullptr);
    if (SUCCEEDED(hr))
        hr = graph.ConnectDirect(outputs.front().Get(), input, nullptr);
    if (FAILED(hr))
        graph.RemoveFilter(filter.Get()); // also breaks the half-made connection
    return hr;
}

} // namespace

HRESULT ConnectThroughConverter(IFilterGraph& graph, IPin* output, IPin* input) {
    if (!output || !input)
        return E_POINTER;
    // The converters in the order of the subtypes offered, so that the output's first type (a
    // source's best) decides which goes in; the catalogue's order among those taking one subtype.
    std::vector<const ConverterEntry*> tried;
    for (const GUID& subtype : OfferedSubtypes(output)) {
        for (const ConverterEntry& converter : ConverterCatalog()) {
            if (!TakesAnyOf(converter, {subtype}) ||
                std::find(tried.begin(), tried.end(), &converter) != tried.end())
                continue;
            tried.push_back(&converter);
            if (SUCCEEDED(TryConverter(graph, converter, output, input)))
                return S_OK;
        }
    }
    return VFW_E_CANNOT_CONNECT;
}
