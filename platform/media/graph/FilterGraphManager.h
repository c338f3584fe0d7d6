#pragma once

#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "platform/com/SiteInterfaces.h"
#include "platform/com/ViewerInterfaces.h"
#include "platform/media/core/GraphInterfaces.h"
#include "platform/media/graph/EventQueue.h"
#include "platform/media/graph/Log.h"

#include <mutex>
#include <string>
#include <vector>

// The filter graph manager (CLSID_FilterGraph): holds the filters added to it, connects their
// pins, runs and stops them together, queues the events they send, and keeps the audio
// settings (no sound is played). Its site, when set, receives the graph-building callbacks.
//
// Threads: building, running and stopping come from the GUI thread; filters queue events
// (IMediaEventSink) and ask their graph questions from any thread. The graph never holds its
// own lock while it calls a filter, a pin or its site.
//
// Registered in the running-object table, it describes itself to external viewers
// (IViewerReport, on the viewer server's thread): filters in the order they were added, their
// pins, connections and connected types, and the flow through every output pin with the
// counts of filters that keep them (ICounterSource).
class FilterGraphManager final
    : public ComObject<IFilterGraph2, IMediaControl, IMediaEventEx, IMediaEventSink, IObjectWithSite,
                       IServiceProvider, IBasicAudio, IViewerReport> {
public:
    FilterGraphManager() = default;

    // IFilterGraph
    HRESULT AddFilter(IBaseFilter* filter, LPCOLESTR name) override;
    HRESULT RemoveFilter(IBaseFilter* filter) override;
    HRESULT EnumFilters(IEnumFilters** filters) override;
    HRESULT FindFilterByName(LPCOLESTR name, IBaseFilter** filter) override;
    HRESULT ConnectDirect(IPin* output, IPin* input, const AM_MEDIA_TYPE* type) override;
    HRESULT Reconnect(IPin*) override { return E_NOTIMPL; }
    HRESULT Disconnect(IPin* pin) override;
    HRESULT SetDefaultSyncSource() override { return S_OK; }

    // IGraphBuilder, IFilterGraph2
    HRESULT Connect(IPin* output, IPin* input) override;
    HRESULT Render(IPin*) override { return E_NOTIMPL; }
    HRESULT RenderFile(LPCOLESTR, LPCOLESTR) override { return E_NOTIMPL; }
    HRESULT AddSourceFilter(LPCOLESTR, LPCOLESTR, IBaseFilter**) override { return E_NOTIMPL; }
    HRESULT SetLogFile(DWORD_PTR file) override;
    HRESULT Abort() override { return S_OK; }
    HRESULT ShouldOperationContinue() override { return S_OK; }
    HRESULT AddSourceFilterForMoniker(IMoniker* moniker, IBindCtx* context, LPCOLESTR filterName,
                                      IBaseFilter** filter) override;
    HRESULT ReconnectEx(IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    HRESULT RenderEx(IPin*, DWORD, DWORD*) override { return E_NOTIMPL; }

    // IMediaControl
    HRESULT Run() override;
    HRESULT Pause() override;
    HRESULT Stop() override;
    HRESULT GetState(int32_t millisecondsTimeout, OAFilterState* state) override;
    HRESULT RenderFile(BSTR) override { return E_NOTIMPL; }
    HRESULT AddSourceFilter(BSTR, IDispatch**) override { return E_NOTIMPL; }
    HRESULT get_FilterCollection(IDispatch**) override { return E_NOTIMPL; }
    HRESULT get_RegFilterCollection(IDispatch**) override { return E_NOTIMPL; }
    HRESULT StopWhenReady() override { return Stop(); }

    // IMediaEvent, IMediaEventEx
    HRESULT GetEventHandle(OAEVENT*) override { return E_NOTIMPL; }
    HRESULT GetEvent(int32_t* code, LONG_PTR* param1, LONG_PTR* param2, int32_t millisecondsTimeout) override;
    HRESULT WaitForCompletion(int32_t, int32_t*) override { return E_NOTIMPL; }
    HRESULT CancelDefaultHandling(int32_t) override { return S_OK; }
    HRESULT RestoreDefaultHandling(int32_t) override { return S_OK; }
    HRESULT FreeEventParams(int32_t code, LONG_PTR param1, LONG_PTR param2) override;
    HRESULT SetNotifyWindow(OAHWND window, int32_t message, LONG_PTR instance) override;
    HRESULT SetNotifyFlags(int32_t flags) override;
    HRESULT GetNotifyFlags(int32_t* flags) override;

    // IMediaEventSink
    HRESULT Notify(int32_t code, LONG_PTR param1, LONG_PTR param2) override;

    // IObjectWithSite, IServiceProvider (passed on to the site)
    HRESULT SetSite(IUnknown* site) override;
    HRESULT GetSite(REFIID iid, void** site) override;
    HRESULT QueryService(REFGUID service, REFIID iid, void** object) override;

    // IBasicAudio: volume -10000 (silence) to 0, balance -10000 (left) to 10000 (right).
    HRESULT put_Volume(int32_t volume) override;
    HRESULT get_Volume(int32_t* volume) override;
    HRESULT put_Balance(int32_t balance) override;
    HRESULT get_Balance(int32_t* balance) override;

    // IViewerReport
    HRESULT Describe(JsonWriter& out) override;
    HRESULT Statistics(JsonWriter& out, std::vector<CounterGroup>& groups) override;

    TARNOLIX_NO_AUTOMATION

private:
    ~FilterGraphManager() override;

    struct Member {
        ComPtr<IBaseFilter> filter;
        std::u16string name;
    };

    std::vector<ComPtr<IBaseFilter>> Filters() const;
    // The graph's filters ordered so that every filter comes before those upstream of it.
    std::vector<ComPtr<IBaseFilter>> DownstreamFirst() const;
    bool Contains(IBaseFilter* filter) const;
    std::u16string NameOf(IBaseFilter* filter) const;
    std::string ViewerName(IBaseFilter* filter) const;
    std::u16string UniqueName(std::u16string_view wanted) const; // mutex_ held
    // Stops every filter, sources first; the first failure, or S_OK.
    HRESULT StopFilters();
    // Breaks every connection of the filter's pins, on both ends.
    static void DisconnectPins(IBaseFilter* filter);
    void Log(const std::string& operation, HRESULT result) { log_.Write(operation, result); }

    // transitionMutex_ serialises Run, Pause and Stop; it is held while filters change state,
    // and only state changes take it (filters never change the graph's state from within theirs).
    std::mutex transitionMutex_;
    // mutex_ guards members_, state_, site_, volume_ and balance_.
    mutable std::mutex mutex_;
    std::vector<Member> members_;
    FILTER_STATE state_ = State_Stopped;
    ComPtr<IUnknown> site_;
    int32_t volume_ = 0;
    int32_t balance_ = 0;

    GraphEventQueue events_;
    GraphLog log_;
};
