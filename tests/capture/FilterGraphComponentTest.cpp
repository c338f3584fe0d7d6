#include "capture/DirectShowErrors.h"
#include "capture/Filter.h"
#include "capture/FilterGraph.h"
#include "capture/SysDevEnum.h"

#include "QtTestMain.h"
#include "platform/com/RunningObjectFiles.h"
#include "platform/com/ViewerProtocol.h"
#include "platform/com/ViewerSocket.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/core/DeviceEnumInterfaces.h"
#include "platform/media/core/ErrorText.h"
#include "platform/runtime/JsonValue.h"
#include "platform/runtime/UnicodeText.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

// Records what a graph tells its event sinks.
class RecordingSink : public IGraphEventSink {
public:
    void HandleGraphEvent(int32_t event, intptr_t param1, intptr_t) override {
        graphEvents.push_back({event, param1});
    }
    void HandleControlEvent(TGraphControlEvent event, int32_t param) override {
        controlEvents.push_back({static_cast<int>(event), param});
    }
    std::vector<std::pair<int32_t, intptr_t>> graphEvents;
    std::vector<std::pair<int, int32_t>> controlEvents;
};

class FilterGraphComponent : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterMediaClasses();
        RegisterQuartzModule();
        setenv("TARNOLIX_VIRTUAL_CAMERAS", "pattern:64x48@30", 1);
    }
    void TearDown() override { unsetenv("TARNOLIX_VIRTUAL_CAMERAS"); }

    // The form: a graph and a capture source pointed at the virtual camera.
    TComponent form;
    TFilterGraph& graph = TComponent::Create<TFilterGraph>(form);
    TFilter& filter = TComponent::Create<TFilter>(form);

    void ChooseCamera() {
        TSysDevEnum devices(CLSID_VideoInputDeviceCategory);
        filter.BaseFilter().SetMoniker(devices.GetMoniker(0).Get());
        filter.SetName("Filter");
        filter.SetFilterGraph(&graph);
    }

    ComPtr<IBaseFilter> FindFilter(const char16_t* name) {
        ComPtr<IBaseFilter> found;
        if (graph.Graph())
            graph.Graph()->FindFilterByName(name, found.Receive());
        return found;
    }
};

TEST_F(FilterGraphComponent, InactiveComponentDoesNothing) {
    EXPECT_FALSE(graph.Active());
    EXPECT_EQ(graph.Mode(), TGraphMode::gmNormal);
    EXPECT_EQ(graph.Volume(), 10000);
    EXPECT_EQ(graph.Balance(), 0);
    EXPECT_TRUE(graph.LinearVolume());
    graph.ClearGraph();
    EXPECT_FALSE(graph.Play());
    EXPECT_FALSE(graph.Stop());
    graph.SetActive(false);
    EXPECT_FALSE(graph.Query<IMediaControl>());
}

TEST_F(FilterGraphComponent, ActivationAddsMemberFiltersAndDeactivationReleasesThem) {
    ChooseCamera();
    graph.SetMode(TGraphMode::gmCapture);
    graph.SetActive(true);
    IFilterGraph2* first = graph.Graph();
    graph.SetActive(true);
    EXPECT_EQ(graph.Graph(), first) << "activating twice makes the objects once";
    EXPECT_TRUE(graph.Query<ICaptureGraphBuilder2>()) << "the builder answers in capture mode";
    EXPECT_TRUE(graph.Query<IMediaControl>()) << "the graph answers the rest";
    ComPtr<IBaseFilter> source = FindFilter(u"Filter");
    ASSERT_TRUE(source);
    EXPECT_EQ(source.Get(), filter.MemberFilter());
    EXPECT_EQ(filter.Query<IBaseFilter>().Get(), source.Get());

    graph.SetActive(false);
    EXPECT_FALSE(filter.MemberFilter());
    EXPECT_FALSE(filter.Query<IBaseFilter>());
    graph.SetActive(true);
    EXPECT_TRUE(filter.MemberFilter());
    EXPECT_NE(filter.MemberFilter(), source.Get()) << "each activation binds a new instance";
}

TEST_F(FilterGraphComponent, DetachingWhileActiveRemovesTheFilter) {
    ChooseCamera();
    graph.SetActive(true);
    ASSERT_TRUE(FindFilter(u"Filter"));
    filter.SetFilterGraph(nullptr);
    EXPECT_FALSE(FindFilter(u"Filter"));
    EXPECT_FALSE(filter.MemberFilter());
}

TEST_F(FilterGraphComponent, ClearGraphKeepsOnlyTheMembersFilters) {
    ChooseCamera();
    graph.SetActive(true);
    ComPtr<IBaseFilter> extra;
    TSysDevEnum devices(CLSID_VideoInputDeviceCategory);
    devices.GetMoniker(0)->BindToObject(nullptr, nullptr, IID_IBaseFilter, extra.ReceiveVoid());
    ASSERT_TRUE(extra);
    ASSERT_TRUE(SUCCEEDED(graph.Graph()->AddFilter(extra.Get(), u"Extra")));
    graph.ClearGraph();
    EXPECT_FALSE(FindFilter(u"Extra"));
    EXPECT_TRUE(FindFilter(u"Filter"));
}

TEST_F(FilterGraphComponent, PlayAndStopBroadcastControlEventsFirst) {
    RecordingSink sink;
    graph.AttachEventSink(&sink);
    graph.SetActive(true);
    EXPECT_TRUE(graph.Play());
    EXPECT_TRUE(graph.Stop());
    EXPECT_TRUE(graph.Stop()) << "stopping a stopped graph";
    const std::vector<std::pair<int, int32_t>> expected{{7, 1}, {0, 0}, {2, 0}, {2, 0}};
    EXPECT_EQ(sink.controlEvents, expected);
    graph.SetActive(false);
    EXPECT_EQ(sink.controlEvents.back(), (std::pair<int, int32_t>{7, 0}));
    graph.DetachEventSink(&sink);
}

TEST_F(FilterGraphComponent, GraphEventsAreDrainedOnTheGuiThreadToSinksAndHandler) {
    RecordingSink sink;
    graph.AttachEventSink(&sink);
    std::vector<int32_t> handled;
    graph.OnDSEvent = [&](TFilterGraph&, int32_t event, intptr_t, intptr_t) { handled.push_back(event); };
    graph.SetActive(true);
    auto events = graph.Query<IMediaEventSink>();
    ASSERT_TRUE(events);
    events->Notify(EC_VIDEO_SIZE_CHANGED, (48 << 16) | 64, 0);
    ASSERT_TRUE(ProcessEventsUntil([&] { return !handled.empty(); }));
    ASSERT_EQ(sink.graphEvents.size(), 1u);
    EXPECT_EQ(sink.graphEvents[0].first, EC_VIDEO_SIZE_CHANGED);
    EXPECT_EQ(sink.graphEvents[0].second, (48 << 16) | 64);
    EXPECT_EQ(handled, std::vector<int32_t>{EC_VIDEO_SIZE_CHANGED});
    graph.DetachEventSink(&sink);
}

TEST_F(FilterGraphComponent, GraphEditRegistersWhileActive) {
    graph.SetGraphEdit(true);
    EXPECT_EQ(graph.RegistrationCookie(), 0u) << "only stored while inactive";
    graph.SetActive(true);
    EXPECT_NE(graph.RegistrationCookie(), 0u);
    graph.SetGraphEdit(false);
    EXPECT_EQ(graph.RegistrationCookie(), 0u);
    graph.SetGraphEdit(true);
    graph.SetActive(false);
    EXPECT_EQ(graph.RegistrationCookie(), 0u);
    EXPECT_TRUE(graph.GraphEdit());
}

// Counts another layer hands to the graph for its viewers.
class FixedCounters final : public ComObject<ICounterSource> {
public:
    std::string CounterKind() override { return "frame handler"; }
    void ReadCounters(NamedCounters& counters) override { counters.emplace_back("frames_processed", 5); }
};

// The stats reply of one registration, asked through its viewer socket.
std::optional<JsonValue> ViewerStats(DWORD cookie) {
    const auto path = RunningObjectFiles::SocketFile(cookie);
    UniqueFd socket = path ? ViewerSocket::Connect(*path) : UniqueFd();
    if (!socket ||
        !ViewerSocket::SendAll(socket.Get(), ViewerProtocol::RequestLine(ViewerProtocol::RequestKind::Stats),
                               std::chrono::seconds(2)))
        return std::nullopt;
    timeval timeout{5, 0};
    setsockopt(socket.Get(), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    std::string line;
    char c;
    while (read(socket.Get(), &c, 1) == 1 && c != '\n')
        line += c;
    return JsonValue::Parse(line);
}

TEST_F(FilterGraphComponent, ViewerCountersAreReportedAtEveryActivation) {
    graph.SetGraphEdit(true);
    graph.AddViewerCounters(ComPtr<ICounterSource>::Adopt(new FixedCounters).Get());
    for (int activation = 0; activation < 2; ++activation) {
        graph.SetActive(true);
        const auto stats = ViewerStats(graph.RegistrationCookie());
        ASSERT_TRUE(stats) << activation;
        const JsonValue* counters = stats->Find("counters");
        ASSERT_TRUE(counters && counters->Items().size() == 1u) << activation;
        EXPECT_EQ(counters->Items()[0].StringOf("kind"), "frame handler");
        EXPECT_EQ(counters->Items()[0].Find("values")->NumberOf("frames_processed"), 5);
        graph.SetActive(false);
    }
}

TEST_F(FilterGraphComponent, LogFileRecordsGraphOperationsAndABadNameIsDropped) {
    const std::string path = testing::TempDir() + "tarnolix-graph-" + std::to_string(getpid()) + ".log";
    ChooseCamera();
    graph.SetLogFile(path);
    graph.SetActive(true);
    graph.SetActive(false);
    std::ifstream log(path);
    std::stringstream text;
    text << log.rdbuf();
    EXPECT_NE(text.str().find("Filter"), std::string::npos) << text.str();
    std::remove(path.c_str());

    graph.SetActive(true);
    graph.SetLogFile("/nonexistent-folder/x.log");
    EXPECT_EQ(graph.LogFile(), path) << "a log that cannot be created leaves the name unchanged";
}

TEST_F(FilterGraphComponent, ModeChangeRebuildsAnActiveGraph) {
    ChooseCamera();
    graph.SetActive(true);
    EXPECT_FALSE(graph.Query<ICaptureGraphBuilder2>());
    graph.SetMode(TGraphMode::gmCapture);
    EXPECT_TRUE(graph.Active());
    EXPECT_TRUE(graph.Query<ICaptureGraphBuilder2>());
    EXPECT_TRUE(FindFilter(u"Filter"));
}

TEST_F(FilterGraphComponent, ModeChangeWhileInactiveOnlyStoresIt) {
    graph.SetMode(TGraphMode::gmCapture);
    EXPECT_FALSE(graph.Active());
    EXPECT_EQ(graph.Mode(), TGraphMode::gmCapture);
    EXPECT_FALSE(graph.Graph());
}

TEST_F(FilterGraphComponent, DvdModeReportsTheMissingBuilder) {
    graph.SetMode(TGraphMode::gmDVD);
    EXPECT_THROW(graph.SetActive(true), EDirectShowException);
    EXPECT_FALSE(graph.Active());
}

TEST_F(FilterGraphComponent, TheGraphGoingAwayIsForgottenByItsMembers) {
    ChooseCamera();
    form.FreeComponent(&graph);
    EXPECT_EQ(filter.FilterGraph(), nullptr);
}

} // namespace
