#include "platform/media/graph/FilterGraphManager.h"

#include "platform/media/graph/ConverterInsertion.h"
#include "platform/media/graph/FilterEnumerator.h"
#include "platform/media/pins/PinQueries.h"
#include "platform/runtime/UnicodeText.h"

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

std::string Quoted(std::u16string_view name) {
    return "\"" + Utf16ToUtf8(name) + "\"";
}

// The filters directly downstream of `filter`: those its output pins are connected to.
std::vector<ComPtr<IBaseFilter>> Downstream(IBaseFilter* filter) {
    std::vector<ComPtr<IBaseFilter>> result;
    for (const ComPtr<IPin>& pin : PinsOf(filter, PINDIR_OUTPUT))
        if (ComPtr<IBaseFilter> next = FilterOf(PeerOf(pin.Get()).Get()))
            result.push_back(std::move(next));
    return result;
}

} // namespace

FilterGraphManager::~FilterGraphManager() {
    // Filters are stopped and their connections broken (connected pins hold each other's
    // filters), then they leave the graph.
    StopFilters();
    const std::vector<ComPtr<IBaseFilter>> filters = Filters();
    for (const ComPtr<IBaseFilter>& filter : filters)
        DisconnectPins(filter.Get());
    for (const ComPtr<IBaseFilter>& filter : filters)
        filter->JoinFilterGraph(nullptr, nullptr);
}

std::vector<ComPtr<IBaseFilter>> FilterGraphManager::Filters() const {
    std::lock_guard lock(mutex_);
    std::vector<ComPtr<IBaseFilter>> filters;
    for (const Member& member : members_)
        filters.push_back(member.filter);
    return filters;
}

bool FilterGraphManager::Contains(IBaseFilter* filter) const {
    std::lock_guard lock(mutex_);
    return std::any_of(members_.begin(), members_.end(),
                       [filter](const Member& member) { return member.filter.Get() == filter; });
}

std::u16string FilterGraphManager::NameOf(IBaseFilter* filter) const {
    std::lock_guard lock(mutex_);
    for (const Member& member : members_)
        if (member.filter.Get() == filter)
            return member.name;
    return {};
}

std::u16string FilterGraphManager::UniqueName(std::u16string_view wanted) const {
    const auto taken = [this](std::u16string_view name) {
        return std::any_of(members_.begin(), members_.end(),
                           [name](const Member& member) { return member.name == name; });
    };
    std::u16string base(wanted.empty() ? std::u16string_view(u"Filter") : wanted);
    if (!taken(base))
        return base;
    for (unsigned number = 1;; ++number) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, " %04u", number);
        std::u16string candidate = base + Utf8ToUtf16(suffix);
        if (!taken(candidate))
            return candidate;
    }
}

std::vector<ComPtr<IBaseFilter>> FilterGraphManager::DownstreamFirst() const {
    const std::vector<ComPtr<IBaseFilter>> filters = Filters();
    std::vector<ComPtr<IBaseFilter>> order;
    std::vector<IBaseFilter*> visited;
    // Depth first along the connections; a filter is placed once everything downstream of it is.
    std::function<void(const ComPtr<IBaseFilter>&)> visit = [&](const ComPtr<IBaseFilter>& filter) {
        if (std::find(visited.begin(), visited.end(), filter.Get()) != visited.end())
            return;
        visited.push_back(filter.Get());
        for (const ComPtr<IBaseFilter>& next : Downstream(filter.Get()))
            if (std::find(filters.begin(), filters.end(), next) != filters.end())
                visit(next);
        order.push_back(filter);
    };
    for (const ComPtr<IBaseFilter>& filter : filters)
        visit(filter);
    return order;
}

void FilterGraphManager::DisconnectPins(IBaseFilter* filter) {
    for (const ComPtr<IPin>& pin : PinsOf(filter))
        DisconnectBothEnds(pin.Get());
}

HRESULT FilterGraphManager::AddFilter(IBaseFilter* filter, LPCOLESTR name) {
    if (!filter)
        return E_POINTER;
    const std::u16string wanted = name ? std::u16string(name) : std::u16string();
    std::u16string given;
    bool added = false;
    {
        std::lock_guard lock(mutex_);
        if (std::none_of(members_.begin(), members_.end(),
                         [filter](const Member& member) { return member.filter.Get() == filter; })) {
            given = UniqueName(wanted);
            members_.push_back(Member{ComPtr<IBaseFilter>(filter), given});
            added = true;
        }
    }
    if (!added) {
        Log("AddFilter " + Quoted(wanted) + " (already in the graph)", E_INVALIDARG);
        return E_INVALIDARG;
    }
    HRESULT hr = filter->JoinFilterGraph(this, given.c_str());
    if (FAILED(hr)) {
        std::lock_guard lock(mutex_);
        std::erase_if(members_, [filter](const Member& member) { return member.filter.Get() == filter; });
    } else if (!wanted.empty() && given != wanted) {
        hr = VFW_S_DUPLICATE_NAME;
    }
    Log("AddFilter " + Quoted(given), hr);
    return hr;
}

HRESULT FilterGraphManager::RemoveFilter(IBaseFilter* filter) {
    if (!filter)
        return E_POINTER;
    const std::u16string name = NameOf(filter);
    HRESULT hr = S_OK;
    if (!Contains(filter)) {
        hr = VFW_E_NOT_FOUND;
    } else {
        OAFilterState state = State_Stopped;
        GetState(0, &state);
        if (state != State_Stopped)
            hr = VFW_E_NOT_STOPPED; // its streaming would run into pins that are going away
    }
    if (hr == S_OK) {
        const ComPtr<IBaseFilter> held(filter); // the caller's reference may be the list's
        DisconnectPins(filter);
        {
            std::lock_guard lock(mutex_);
            std::erase_if(members_, [filter](const Member& member) { return member.filter.Get() == filter; });
        }
        filter->JoinFilterGraph(nullptr, nullptr);
    }
    Log("RemoveFilter " + Quoted(name), hr);
    return hr;
}

HRESULT FilterGraphManager::EnumFilters(IEnumFilters** filters) {
    if (!filters)
        return E_POINTER;
    *filters = FilterEnumerator::Create(Filters()).Detach();
    return S_OK;
}

HRESULT FilterGraphManager::FindFilterByName(LPCOLESTR name, IBaseFilter** filter) {
    if (!name || !filter)
        return E_POINTER;
    *filter = nullptr;
    std::lock_guard lock(mutex_);
    for (const Member& member : members_) {
        if (member.name == name) {
            *filter = ComPtr<IBaseFilter>(member.filter).Detach();
            return S_OK;
        }
    }
    return VFW_E_NOT_FOUND;
}

HRESULT FilterGraphManager::ConnectDirect(IPin* output, IPin* input, const AM_MEDIA_TYPE* type) {
    if (!output || !input)
        return E_POINTER;
    const ComPtr<IBaseFilter> from = FilterOf(output);
    const ComPtr<IBaseFilter> to = FilterOf(input);
    HRESULT hr = S_OK;
    if (!Contains(from.Get()) || !Contains(to.Get()))
        hr = VFW_E_NOT_IN_GRAPH;
    else
        hr = output->Connect(input, type);
    Log("ConnectDirect " + Quoted(NameOf(from.Get())) + " -> " + Quoted(NameOf(to.Get())), hr);
    return hr;
}

HRESULT FilterGraphManager::Disconnect(IPin* pin) {
    if (!pin)
        return E_POINTER;
    const ComPtr<IBaseFilter> filter = FilterOf(pin);
    const HRESULT hr = Contains(filter.Get()) ? pin->Disconnect() : VFW_E_NOT_IN_GRAPH;
    Log("Disconnect " + Quoted(NameOf(filter.Get())), hr);
    return hr;
}

HRESULT FilterGraphManager::Connect(IPin* output, IPin* input) {
    if (!output || !input)
        return E_POINTER;
    HRESULT hr = ConnectDirect(output, input, nullptr);
    if (FAILED(hr) && hr != VFW_E_NOT_IN_GRAPH && hr != VFW_E_NOT_STOPPED && hr != VFW_E_ALREADY_CONNECTED)
        hr = ConnectThroughConverter(*this, output, input);
    Log("Connect " + Quoted(NameOf(FilterOf(output).Get())) + " -> " + Quoted(NameOf(FilterOf(input).Get())),
        hr);
    return hr;
}

HRESULT FilterGraphManager::SetLogFile(DWORD_PTR file) {
    log_.SetFile(static_cast<int>(file));
    return S_OK;
}

HRESULT FilterGraphManager::AddSourceFilterForMoniker(IMoniker* moniker, IBindCtx* context,
                                                      LPCOLESTR filterName, IBaseFilter** filter) {
    if (!moniker || !filter)
        return E_POINTER;
    *filter = nullptr;
    ComPtr<IBaseFilter> bound;
    HRESULT hr = moniker->BindToObject(context, nullptr, IID_IBaseFilter, bound.ReceiveVoid());
    if (SUCCEEDED(hr))
        hr = AddFilter(bound.Get(), filterName);
    if (FAILED(hr))
        return hr;
    *filter = bound.Detach();
    return hr;
}

HRESULT FilterGraphManager::Run() {
    std::lock_guard transition(transitionMutex_);
    HRESULT hr = S_OK;
    {
        std::lock_guard lock(mutex_);
        if (state_ == State_Running)
            return S_OK;
    }
    // Sinks first, so that every filter is ready when the first sample reaches it.
    for (const ComPtr<IBaseFilter>& filter : DownstreamFirst()) {
        hr = filter->Run(0);
        if (FAILED(hr))
            break;
    }
    if (FAILED(hr)) {
        StopFilters(); // nothing is left running half-way
        std::lock_guard lock(mutex_);
        state_ = State_Stopped;
    } else {
        hr = S_OK;
        std::lock_guard lock(mutex_);
        state_ = State_Running;
    }
    Log("Run", hr);
    return hr;
}

HRESULT FilterGraphManager::Pause() {
    std::lock_guard transition(transitionMutex_);
    HRESULT hr = S_OK;
    for (const ComPtr<IBaseFilter>& filter : DownstreamFirst()) {
        hr = filter->Pause();
        if (FAILED(hr))
            break;
    }
    if (FAILED(hr)) {
        StopFilters();
        std::lock_guard lock(mutex_);
        state_ = State_Stopped;
    } else {
        hr = S_OK;
        std::lock_guard lock(mutex_);
        state_ = State_Paused;
    }
    Log("Pause", hr);
    return hr;
}

HRESULT FilterGraphManager::StopFilters() {
    std::vector<ComPtr<IBaseFilter>> order = DownstreamFirst();
    std::reverse(order.begin(), order.end()); // sources first: no sample flows into a stopped filter
    HRESULT first = S_OK;
    for (const ComPtr<IBaseFilter>& filter : order) {
        const HRESULT hr = filter->Stop();
        if (FAILED(hr) && SUCCEEDED(first))
            first = hr;
    }
    return first;
}

HRESULT FilterGraphManager::Stop() {
    std::lock_guard transition(transitionMutex_);
    const HRESULT hr = StopFilters();
    {
        std::lock_guard lock(mutex_);
        state_ = State_Stopped;
    }
    Log("Stop", hr);
    return hr;
}

HRESULT FilterGraphManager::GetState(int32_t, OAFilterState* state) {
    if (!state)
        return E_POINTER;
    std::lock_guard lock(mutex_);
    *state = state_;
    return S_OK;
}

HRESULT FilterGraphManager::GetEvent(int32_t* code, LONG_PTR* param1, LONG_PTR* param2,
                                     int32_t millisecondsTimeout) {
    if (!code || !param1 || !param2)
        return E_POINTER;
    if (!events_.Take(*code, *param1, *param2, std::chrono::milliseconds(millisecondsTimeout))) {
        *code = 0;
        *param1 = *param2 = 0;
        return E_ABORT;
    }
    return S_OK;
}

HRESULT FilterGraphManager::FreeEventParams(int32_t code, LONG_PTR param1, LONG_PTR param2) {
    GraphEventQueue::FreeParams(code, param1, param2);
    return S_OK;
}

HRESULT FilterGraphManager::SetNotifyWindow(OAHWND window, int32_t message, LONG_PTR instance) {
    events_.SetWindow(reinterpret_cast<HWND>(window), static_cast<UINT>(message), instance);
    return S_OK;
}

HRESULT FilterGraphManager::SetNotifyFlags(int32_t flags) {
    if (flags != 0 && flags != AM_MEDIAEVENT_NONOTIFY)
        return E_INVALIDARG;
    events_.SetFlags(flags);
    return S_OK;
}

HRESULT FilterGraphManager::GetNotifyFlags(int32_t* flags) {
    if (!flags)
        return E_POINTER;
    *flags = events_.Flags();
    return S_OK;
}

HRESULT FilterGraphManager::Notify(int32_t code, LONG_PTR param1, LONG_PTR param2) {
    return events_.Notify(code, param1, param2);
}

HRESULT FilterGraphManager::SetSite(IUnknown* site) {
    ComPtr<IUnknown> old;
    {
        std::lock_guard lock(mutex_);
        old = std::exchange(site_, ComPtr<IUnknown>(site));
    }
    return S_OK; // the old site is released here, outside the lock
}

HRESULT FilterGraphManager::GetSite(REFIID iid, void** site) {
    if (!site)
        return E_POINTER;
    *site = nullptr;
    ComPtr<IUnknown> held;
    {
        std::lock_guard lock(mutex_);
        held = site_;
    }
    return held ? held->QueryInterface(iid, site) : E_FAIL;
}

HRESULT FilterGraphManager::QueryService(REFGUID service, REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    ComPtr<IServiceProvider> provider;
    if (FAILED(GetSite(IID_IServiceProvider, provider.ReceiveVoid())))
        return E_NOINTERFACE;
    return provider->QueryService(service, iid, object);
}

HRESULT FilterGraphManager::put_Volume(int32_t volume) {
    if (volume < -10000 || volume > 0)
        return E_INVALIDARG;
    std::lock_guard lock(mutex_);
    volume_ = volume;
    return S_OK;
}

HRESULT FilterGraphManager::get_Volume(int32_t* volume) {
    if (!volume)
        return E_POINTER;
    std::lock_guard lock(mutex_);
    *volume = volume_;
    return S_OK;
}

HRESULT FilterGraphManager::put_Balance(int32_t balance) {
    if (balance < -10000 || balance > 10000)
        return E_INVALIDARG;
    std::lock_guard lock(mutex_);
    balance_ = balance;
    return S_OK;
}

HRESULT FilterGraphManager::get_Balance(int32_t* balance) {
    if (!balance)
        return E_POINTER;
    std::lock_guard lock(mutex_);
    *balance = balance_;
    return S_OK;
}
