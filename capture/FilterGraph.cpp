#include "capture/FilterGraph.h"

#include "capture/AudioLevels.h"
#include "capture/DirectShowErrors.h"
#include "capture/FilterList.h"
#include "capture/GraphRegistration.h"
#include "capture/PinList.h"
#include "platform/com/ClassRegistry.h"
#include "platform/runtime/ApplicationErrors.h"
#include "platform/runtime/StandardErrors.h"
#include "platform/runtime/UnicodeText.h"
#include "platform/windows/WindowServices.h"

#include <algorithm>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

TFilterGraph::LogDescriptor::~LogDescriptor() {
    if (fd_ >= 0)
        ::close(fd_);
}

TFilterGraph::LogDescriptor& TFilterGraph::LogDescriptor::operator=(LogDescriptor&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

TFilterGraph::TFilterGraph(TComponent* owner) : TComponent(owner) {
    notificationWindow_ = AllocateHWnd([this](const MSG& message) {
        if (message.message != kGraphNotifyMessage)
            return;
        try {
            DrainGraphEvents();
        } catch (...) {
            ReportCurrentException();
        }
    });
}

TFilterGraph::~TFilterGraph() {
    try {
        SetActive(false);
    } catch (...) {
        ReportCurrentException();
    }
    DeallocateHWnd(notificationWindow_);
}

void TFilterGraph::SetActive(bool active) {
    if (active == active_)
        return;
    if (active)
        Activate();
    else
        Deactivate();
}

void TFilterGraph::Activate() {
    // The objects are made first and the component only becomes active once they exist: a
    // failure is reported and leaves the component inactive and whole.
    ComPtr<ICaptureGraphBuilder2> builder;
    if (mode_ == TGraphMode::gmCapture)
        CheckDirectShowResult(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                                               IID_ICaptureGraphBuilder2, builder.ReceiveVoid()));
    else if (mode_ == TGraphMode::gmDVD)
        CheckDirectShowResult(REGDB_E_CLASSNOTREG); // the DVD graph builder is not on this platform
    ComPtr<IFilterGraph2> graph;
    CheckDirectShowResult(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_IFilterGraph2, graph.ReceiveVoid()));
    if (builder)
        CheckDirectShowResult(builder->SetFiltergraph(graph.Get()));
    graph_ = std::move(graph);
    captureBuilder_ = std::move(builder);
    active_ = true;

    if (auto events = Query<IMediaEventEx>()) {
        mediaEvents_ = events;
        mediaEvents_->SetNotifyFlags(0);
        mediaEvents_->SetNotifyWindow(reinterpret_cast<OAHWND>(notificationWindow_),
                                      static_cast<int32_t>(kGraphNotifyMessage),
                                      reinterpret_cast<LONG_PTR>(mediaEvents_.Get()));
    }
    if (auto withSite = Query<IObjectWithSite>()) {
        if (auto callback = Query<IAMGraphBuilderCallback>())
            withSite->SetSite(callback.Get());
        if (auto callback = Query<IAMFilterGraphCallback>())
            withSite->SetSite(callback.Get());
    }
    SetGraphEdit(graphEdit_);
    SetLogFile(logFile_);
    AddMemberFilters();
    if (OnActivate)
        OnActivate(*this);
    BroadcastControlEvent(TGraphControlEvent::gcActivation, 1);
}

void TFilterGraph::Deactivate() {
    BroadcastControlEvent(TGraphControlEvent::gcActivation, 0);
    RemoveMemberFilters();
    if (mediaEvents_) {
        mediaEvents_->SetNotifyFlags(AM_MEDIAEVENT_NONOTIFY);
        mediaEvents_.Reset();
    }
    if (cookie_ != 0) {
        RevokeGraphRegistration(cookie_);
        cookie_ = 0;
    }
    CloseLog();
    if (auto withSite = graph_.As<IObjectWithSite>())
        withSite->SetSite(nullptr); // the component outlives no graph that still points at it
    graph_.Reset();
    captureBuilder_.Reset();
    active_ = false;
}

void TFilterGraph::SetMode(TGraphMode mode) {
    if (mode == mode_)
        return;
    const bool wasActive = active_;
    SetActive(false);
    mode_ = mode;
    SetActive(wasActive);
}

HRESULT TFilterGraph::QueryInterface(REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IServiceProvider)
        *object = static_cast<IServiceProvider*>(this);
    else if (iid == IID_IAMGraphBuilderCallback)
        *object = static_cast<IAMGraphBuilderCallback*>(this);
    else if (iid == IID_IAMFilterGraphCallback)
        *object = static_cast<IAMFilterGraphCallback*>(this);
    if (*object)
        return S_OK;
    if (!active_)
        return E_NOINTERFACE;
    if (captureBuilder_ && SUCCEEDED(captureBuilder_->QueryInterface(iid, object)))
        return S_OK;
    return graph_ ? graph_->QueryInterface(iid, object) : E_NOINTERFACE;
}

void TFilterGraph::AttachMember(IGraphMember* member) {
    members_.push_back(member);
    if (active_)
        AddMemberFilter(member);
}

void TFilterGraph::DetachMember(IGraphMember* member) {
    std::erase(members_, member);
    if (active_)
        RemoveMemberFilter(member);
}

void TFilterGraph::AttachEventSink(IGraphEventSink* sink) {
    sinks_.push_back(sink);
}

void TFilterGraph::DetachEventSink(IGraphEventSink* sink) {
    std::erase(sinks_, sink);
}

void TFilterGraph::AddMemberFilter(IGraphMember* member) {
    member->MemberNotify(TMemberNotifyKind::mnAdding, 0);
    const std::u16string name = Utf8ToUtf16(member->MemberName());
    graph_->AddFilter(member->MemberFilter(), name.c_str()); // the result is not examined
    member->MemberNotify(TMemberNotifyKind::mnAdded, 0);
}

void TFilterGraph::RemoveMemberFilter(IGraphMember* member) {
    member->MemberNotify(TMemberNotifyKind::mnRemoving, 0);
    graph_->RemoveFilter(member->MemberFilter()); // the result is not examined
    member->MemberNotify(TMemberNotifyKind::mnRemoved, 0);
}

void TFilterGraph::AddMemberFilters() {
    if (!active_)
        return;
    const std::vector<IGraphMember*> members = members_;
    for (IGraphMember* member : members)
        AddMemberFilter(member);
}

void TFilterGraph::RemoveMemberFilters() {
    if (!active_)
        return;
    const std::vector<IGraphMember*> members = members_;
    for (IGraphMember* member : members)
        RemoveMemberFilter(member);
}

void TFilterGraph::BroadcastGraphEvent(int32_t event, intptr_t param1, intptr_t param2) {
    const std::vector<IGraphEventSink*> sinks = sinks_;
    for (IGraphEventSink* sink : sinks)
        sink->HandleGraphEvent(event, param1, param2);
}

void TFilterGraph::BroadcastControlEvent(TGraphControlEvent event, int32_t param) {
    const std::vector<IGraphEventSink*> sinks = sinks_;
    for (IGraphEventSink* sink : sinks)
        sink->HandleControlEvent(event, param);
}

void TFilterGraph::ClearGraph() {
    if (!graph_)
        return;
    Stop();
    DisconnectAllPins();
    TFilterList filters(graph_.Get());
    for (IGraphMember* member : members_)
        filters.Remove(member->MemberFilter());
    for (int i = 0; i < filters.Count(); ++i)
        CheckDirectShowResult(graph_->RemoveFilter(filters.Items(i)));
}

void TFilterGraph::DisconnectAllPins() {
    TFilterList filters(graph_.Get());
    for (int f = 0; f < filters.Count(); ++f) {
        TPinList pins(filters.Items(f));
        for (int i = 0; i < pins.Count(); ++i)
            CheckDirectShowResult(pins.Items(i)->Disconnect());
    }
}

bool TFilterGraph::Play() {
    auto control = Query<IMediaControl>();
    if (!control)
        return false;
    BroadcastControlEvent(TGraphControlEvent::gcRun, 0);
    CheckDirectShowResult(control->Run());
    return true;
}

bool TFilterGraph::Stop() {
    auto control = Query<IMediaControl>();
    if (!control)
        return false;
    BroadcastControlEvent(TGraphControlEvent::gcStop, 0);
    return CheckDirectShowResult(control->Stop()) == S_OK;
}

void TFilterGraph::SetGraphEdit(bool graphEdit) {
    if (!graphEdit) {
        if (cookie_ != 0) {
            RevokeGraphRegistration(cookie_);
            cookie_ = 0;
        }
    } else if (cookie_ == 0 && active_) {
        RegisterGraphForViewer(graph_.Get(), &cookie_); // a failure leaves the cookie at 0
        for (const ComPtr<ICounterSource>& source : viewerCounters_)
            if (cookie_ != 0)
                AttachViewerCounters(cookie_, source.Get());
    }
    graphEdit_ = graphEdit;
}

void TFilterGraph::AddViewerCounters(ICounterSource* source) {
    if (!source)
        return;
    viewerCounters_.emplace_back(source);
    if (cookie_ != 0)
        AttachViewerCounters(cookie_, source);
}

void TFilterGraph::CloseLog() {
    if (graph_)
        graph_->SetLogFile(0);
    log_ = LogDescriptor();
}

void TFilterGraph::SetLogFile(const std::string& logFile) {
    if (active_) {
        CloseLog();
        if (!logFile.empty()) {
            LogDescriptor file(::open(logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
            if (file.Get() < 0 || FAILED(graph_->SetLogFile(static_cast<DWORD_PTR>(file.Get())))) {
                CloseLog();
                return; // no log, and the name stays as it was
            }
            log_ = std::move(file);
        }
    }
    logFile_ = logFile;
}

void TFilterGraph::DrainGraphEvents() {
    if (!mediaEvents_)
        return;
    ComPtr<IMediaEventEx> events = mediaEvents_;
    int32_t code = 0;
    LONG_PTR param1 = 0;
    LONG_PTR param2 = 0;
    while (events->GetEvent(&code, &param1, &param2, 0) == S_OK) {
        // The event's parameters are freed however its dispatch ends.
        struct Freer {
            IMediaEventEx* events;
            int32_t code;
            LONG_PTR p1, p2;
            ~Freer() { events->FreeEventParams(code, p1, p2); }
        } freer{events.Get(), code, param1, param2};
        DispatchGraphEvent(code, param1, param2);
    }
}

void TFilterGraph::DispatchGraphEvent(int32_t event, intptr_t param1, intptr_t param2) {
    BroadcastGraphEvent(event, param1, param2);
    if (OnDSEvent)
        OnDSEvent(*this, event, param1, param2);
    DispatchTypedGraphEvent(*this, *this, event, param1, param2);
}

void TFilterGraph::SetVolume(int volume) {
    volume_ = std::clamp(volume, 0, 10000);
    SendVolume();
}

void TFilterGraph::SetBalance(int balance) {
    balance_ = std::clamp(balance, -10000, 10000);
    SendBalance();
}

void TFilterGraph::SetLinearVolume(bool linearVolume) {
    if (linearVolume == linearVolume_)
        return;
    linearVolume_ = linearVolume;
    SendVolume();
    SendBalance();
}

void TFilterGraph::SendVolume() {
    if (auto audio = Query<IBasicAudio>())
        audio->put_Volume(linearVolume_ ? VolumeAttenuation(volume_) : volume_ - 10000);
}

void TFilterGraph::SendBalance() {
    if (auto audio = Query<IBasicAudio>())
        audio->put_Balance(linearVolume_ ? BalanceAttenuation(balance_) : balance_);
}
