#pragma once

#include "capture/GraphEvents.h"
#include "capture/GraphMember.h"
#include "platform/com/ComPtr.h"
#include "platform/com/SiteInterfaces.h"
#include "platform/com/ViewerInterfaces.h"
#include "platform/media/core/CaptureBuilderInterfaces.h"
#include "platform/media/core/GraphInterfaces.h"
#include "platform/runtime/Component.h"
#include "platform/windows/WinTypes.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

enum class TGraphMode { gmNormal, gmCapture, gmDVD };

// The filter graph component: it owns the framework's filter graph manager (and, in capture
// mode, a capture graph builder bound to it) while active, adds its members' filters on
// activation and removes them on deactivation, runs, stops and empties the graph, answers
// interface queries for the framework objects it holds, and drains the graph's events on the
// GUI thread. Its own interfaces (the graph-building callbacks and the service provider) count
// no references: the owner frees the component. GUI thread only.
class TFilterGraph : public TComponent,
                     public IAMGraphBuilderCallback,
                     public IAMFilterGraphCallback,
                     public IServiceProvider,
                     public TGraphEventProperties {
public:
    explicit TFilterGraph(TComponent* owner = nullptr);
    ~TFilterGraph() override;

    // The message the graph posts to the notification window for each queued event.
    static constexpr UINT kGraphNotifyMessage = 0x8001;
    // {C7CAA944-C191-4AB1-ABA7-D8B40EF4D5B2}: the component's own service id.
    static constexpr GUID kServiceId{
        0xC7CAA944, 0xC191, 0x4AB1, {0xAB, 0xA7, 0xD8, 0xB4, 0x0E, 0xF4, 0xD5, 0xB2}};

    bool Active() const { return active_; }
    void SetActive(bool active);
    TGraphMode Mode() const { return mode_; }
    void SetMode(TGraphMode mode);
    bool GraphEdit() const { return graphEdit_; }
    void SetGraphEdit(bool graphEdit);
    const std::string& LogFile() const { return logFile_; }
    void SetLogFile(const std::string& logFile);
    bool AutoCreate = false;
    // Whether Volume and Balance are linear levels (sent through a logarithmic curve) or the
    // framework's attenuations less 10000. A change sends both again.
    bool LinearVolume() const { return linearVolume_; }
    void SetLinearVolume(bool linearVolume);
    // 0 to 10000, sent to the graph's audio when it has any (the result is not examined).
    int Volume() const { return volume_; }
    void SetVolume(int volume);
    // -10000 (left) to 10000 (right), sent as Volume is.
    int Balance() const { return balance_; }
    void SetBalance(int balance);

    std::function<void(TFilterGraph&)> OnActivate;
    std::function<void(TFilterGraph&, int32_t event, intptr_t param1, intptr_t param2)> OnDSEvent;
    // The graph-building callbacks: false makes the graph skip the filter (selected, created) or
    // give up on the pin (unable to render); true lets it go on, or try the pin again.
    std::function<bool(IMoniker* moniker, const std::u16string& filterName, const GUID& classId)>
        OnSelectedFilter;
    std::function<bool(IBaseFilter* filter, const GUID& classId)> OnCreatedFilter;
    std::function<bool(IPin* pin)> OnUnableToRender;

    // Stops the graph, breaks every connection and removes every filter that is not a member's.
    void ClearGraph();
    // Runs the graph; false when inactive. A failing Run raises EDirectShowException.
    bool Play();
    // Stops the graph; true only for S_OK. A failing Stop raises EDirectShowException.
    bool Stop();

    void AttachMember(IGraphMember* member);
    void DetachMember(IGraphMember* member);
    void AttachEventSink(IGraphEventSink* sink);
    void DetachEventSink(IGraphEventSink* sink);

    // The component's interface query: its own interfaces, then, while active, the capture
    // builder's (in capture mode) and the graph's.
    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    template <typename I> ComPtr<I> Query() {
        ComPtr<I> result;
        QueryInterface(IIDOf<I>(), result.ReceiveVoid());
        return result;
    }

    // Adds counters that viewers see with the graph's statistics while it is registered for
    // them (GraphEdit); they stay attached across activations. `source` is read from the
    // viewer server's thread, never after the registration is revoked.
    void AddViewerCounters(ICounterSource* source);

    // The graph manager while active (not counted).
    IFilterGraph2* Graph() const { return graph_.Get(); }
    HWND NotificationWindow() const { return notificationWindow_; }
    DWORD RegistrationCookie() const { return cookie_; }

    HRESULT SelectedFilter(IMoniker* moniker) override;
    HRESULT CreatedFilter(IBaseFilter* filter) override;
    HRESULT UnableToRender(IPin* pin) override;
    HRESULT QueryService(REFGUID service, REFIID iid, void** object) override;

protected:
    // Hands one graph event on: to the sinks, then to OnDSEvent, then to its typed event.
    virtual void DispatchGraphEvent(int32_t event, intptr_t param1, intptr_t param2);
    void BroadcastGraphEvent(int32_t event, intptr_t param1, intptr_t param2);
    void BroadcastControlEvent(TGraphControlEvent event, int32_t param);

private:
    void Activate();
    void Deactivate();
    void AddMemberFilters();
    void RemoveMemberFilters();
    void AddMemberFilter(IGraphMember* member);
    void RemoveMemberFilter(IGraphMember* member);
    void DisconnectAllPins();
    void DrainGraphEvents();
    void SendVolume();
    void SendBalance();
    void OpenLog();
    void CloseLog();

    bool active_ = false;
    TGraphMode mode_ = TGraphMode::gmNormal;
    bool graphEdit_ = false;
    std::string logFile_;
    bool linearVolume_ = true;
    int volume_ = 10000;
    int balance_ = 0;

    HWND notificationWindow_ = nullptr;
    std::vector<IGraphMember*> members_;
    std::vector<IGraphEventSink*> sinks_;
    ComPtr<IFilterGraph2> graph_;
    ComPtr<ICaptureGraphBuilder2> captureBuilder_;
    ComPtr<IMediaEventEx> mediaEvents_;
    DWORD cookie_ = 0;
    std::vector<ComPtr<ICounterSource>> viewerCounters_;
    // The open log file while active with a log file name.
    class LogDescriptor {
    public:
        LogDescriptor() = default;
        explicit LogDescriptor(int fd) : fd_(fd) {}
        ~LogDescriptor();
        LogDescriptor(const LogDescriptor&) = delete;
        LogDescriptor& operator=(LogDescriptor&& other) noexcept;
        int Get() const { return fd_; }

    private:
        int fd_ = -1;
    };
    LogDescriptor log_;
};
