// The filter graph component's answers to the graph while it builds: the graph-building
// callbacks and the service that leads a pin back to its component.
#include "capture/FilterGraph.h"

#include "platform/com/ClassIdText.h"
#include "platform/com/PropertyBagInterface.h"
#include "platform/com/Variant.h"
#include "platform/media/pins/PinQueries.h"
#include "platform/runtime/ApplicationErrors.h"

namespace {

// The name and class a filter's moniker gives in its property bag: empty and all zero when the
// bag or the entry is missing or unreadable.
struct MonikerEntry {
    std::u16string friendlyName;
    GUID classId{};
};

MonikerEntry ReadMonikerEntry(IMoniker* moniker) {
    MonikerEntry entry;
    ComPtr<IPropertyBag> bag;
    if (!moniker || FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.ReceiveVoid())) ||
        !bag)
        return entry;
    ScopedVariant name;
    if (bag->Read(u"FriendlyName", &name, nullptr) == S_OK)
        entry.friendlyName = name.String();
    ScopedVariant clsid;
    if (bag->Read(u"CLSID", &clsid, nullptr) == S_OK) {
        const std::u16string text(clsid.String());
        if (FAILED(CLSIDFromString(text.c_str(), &entry.classId)))
            entry.classId = GUID{};
    }
    return entry;
}

// The component that built the graph the pin's filter is in, found through the graph's site.
TFilterGraph* ComponentOf(IPin* pin) {
    const ComPtr<IBaseFilter> filter = FilterOf(pin);
    if (!filter)
        return nullptr;
    FILTER_INFO info{};
    if (FAILED(filter->QueryFilterInfo(&info)))
        return nullptr;
    const auto graph = ComPtr<IFilterGraph>::Adopt(info.pGraph);
    const ComPtr<IServiceProvider> provider = graph.As<IServiceProvider>();
    if (!provider)
        return nullptr;
    void* service = nullptr;
    if (provider->QueryService(TFilterGraph::kServiceId, TFilterGraph::kServiceId, &service) != S_OK ||
        !service)
        return nullptr;
    // Only the component answers its own service id, with its IServiceProvider.
    return static_cast<TFilterGraph*>(static_cast<IServiceProvider*>(service));
}

// A handler's error must not unwind through the graph that called back: it is reported, and
// the callback answers as a refusal.
template <typename Handler> bool AskHandler(Handler&& handler, bool onError) {
    try {
        return handler();
    } catch (...) {
        ReportCurrentException();
        return onError;
    }
}

} // namespace

HRESULT TFilterGraph::SelectedFilter(IMoniker* moniker) {
    if (!OnSelectedFilter)
        return S_OK;
    const bool accept = AskHandler(
        [&] {
            const MonikerEntry entry = ReadMonikerEntry(moniker);
            return OnSelectedFilter(moniker, entry.friendlyName, entry.classId);
        },
        false);
    return accept ? S_OK : E_FAIL;
}

HRESULT TFilterGraph::CreatedFilter(IBaseFilter* filter) {
    if (!OnCreatedFilter)
        return S_OK;
    const bool accept = AskHandler(
        [&] {
            GUID classId{};
            if (filter)
                filter->GetClassID(&classId);
            return OnCreatedFilter(filter, classId);
        },
        false);
    return accept ? S_OK : E_FAIL;
}

HRESULT TFilterGraph::UnableToRender(IPin* pin) {
    const bool retry = AskHandler(
        [&] {
            TFilterGraph* component = ComponentOf(pin);
            return component && component->OnUnableToRender && component->OnUnableToRender(pin);
        },
        false);
    return retry ? S_OK : S_FALSE;
}

HRESULT TFilterGraph::QueryService(REFGUID service, REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (service == kServiceId && iid == kServiceId) {
        *object = static_cast<IServiceProvider*>(this);
        return S_OK;
    }
    return E_NOINTERFACE;
}
