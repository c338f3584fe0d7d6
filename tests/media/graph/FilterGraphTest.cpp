#include "platform/com/ClassRegistry.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/core/GraphInterfaces.h"
#include "tests/media/support/GraphTestFilters.h"

#include <gtest/gtest.h>

namespace {

const GUID kVideo{0xA, 0, 0, {}};
const GUID kOther{0xB, 0, 0, {}};

ComPtr<IFilterGraph2> NewGraph() {
    RegisterMediaClasses();
    ComPtr<IFilterGraph2> graph;
    EXPECT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterGraph2,
                               graph.ReceiveVoid()),
              S_OK);
    return graph;
}

std::vector<std::u16string> FilterNames(IFilterGraph* graph) {
    std::vector<std::u16string> names;
    ComPtr<IEnumFilters> filters;
    EXPECT_EQ(graph->EnumFilters(filters.Receive()), S_OK);
    ComPtr<IBaseFilter> filter;
    while (filters->Next(1, filter.Receive(), nullptr) == S_OK) {
        FILTER_INFO info{};
        filter->QueryFilterInfo(&info);
        EXPECT_EQ(info.pGraph, graph) << "a member knows its graph";
        if (info.pGraph)
            info.pGraph->Release();
        names.emplace_back(info.achName);
    }
    return names;
}

// Source -> middle -> sink, added in the order given by the test.
struct Chain {
    std::shared_ptr<Journal> journal = std::make_shared<Journal>();
    JournalFilter* source = nullptr;
    JournalFilter* middle = nullptr;
    JournalFilter* sink = nullptr;
    ComPtr<IBaseFilter> sourceFilter, middleFilter, sinkFilter;

    explicit Chain(HRESULT middleRun = S_OK) {
        sourceFilter = JournalFilter::Create(journal, {"source", {}, {kVideo}, true}, &source);
        middleFilter =
            JournalFilter::Create(journal, {"middle", {kVideo}, {kVideo}, false, middleRun}, &middle);
        sinkFilter = JournalFilter::Create(journal, {"sink", {kVideo}, {}}, &sink);
    }
    void Build(IFilterGraph2* graph) {
        // Added out of stream order, so that the run order cannot come from the order of addition.
        ASSERT_EQ(graph->AddFilter(middleFilter.Get(), u"middle"), S_OK);
        ASSERT_EQ(graph->AddFilter(sourceFilter.Get(), u"source"), S_OK);
        ASSERT_EQ(graph->AddFilter(sinkFilter.Get(), u"sink"), S_OK);
        ASSERT_EQ(graph->ConnectDirect(&source->Output(), &middle->Input(), nullptr), S_OK);
        ASSERT_EQ(graph->Connect(&middle->Output(), &sink->Input()), S_OK);
    }
};

TEST(FilterGraphMembers, NamesAreUniqueAndFiltersEnumerateInOrderOfAddition) {
    auto graph = NewGraph();
    auto journal = std::make_shared<Journal>();
    auto a = JournalFilter::Create(journal, {"a", {kVideo}, {}});
    auto b = JournalFilter::Create(journal, {"b", {kVideo}, {}});
    auto c = JournalFilter::Create(journal, {"c", {kVideo}, {}});
    EXPECT_EQ(graph->AddFilter(a.Get(), u"Kamera"), S_OK);
    EXPECT_EQ(graph->AddFilter(b.Get(), u"Kamera"), VFW_S_DUPLICATE_NAME);
    EXPECT_EQ(graph->AddFilter(c.Get(), nullptr), S_OK);
    EXPECT_EQ(graph->AddFilter(a.Get(), u"again"), E_INVALIDARG) << "a filter is a member once";
    const auto names = FilterNames(graph.Get());
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[0], u"Kamera");
    EXPECT_NE(names[1], u"Kamera");
    EXPECT_EQ(names[1].substr(0, 6), u"Kamera");
    EXPECT_FALSE(names[2].empty());

    ComPtr<IBaseFilter> found;
    EXPECT_EQ(graph->FindFilterByName(names[1].c_str(), found.Receive()), S_OK);
    EXPECT_EQ(found.Get(), b.Get());
    EXPECT_EQ(graph->FindFilterByName(u"none", found.Receive()), VFW_E_NOT_FOUND);
    EXPECT_FALSE(found);
}

TEST(FilterGraphMembers, RemoveFilterBreaksBothEndsOfItsConnectionsAndLetsItGo) {
    auto graph = NewGraph();
    Chain chain;
    chain.Build(graph.Get());
    auto destroyed = std::make_shared<std::atomic<bool>>(false);
    JournalFilter* extra = nullptr;
    {
        auto extraFilter = JournalFilter::Create(chain.journal, {"extra", {kVideo}, {}}, &extra, destroyed);
        ASSERT_EQ(graph->AddFilter(extraFilter.Get(), u"extra"), S_OK);
    }
    EXPECT_EQ(graph->RemoveFilter(chain.middleFilter.Get()), S_OK);
    EXPECT_FALSE(chain.source->Output().IsConnected()) << "the upstream end";
    EXPECT_FALSE(chain.sink->Input().IsConnected()) << "the downstream end";
    EXPECT_FALSE(chain.middle->Input().IsConnected());
    FILTER_INFO info{};
    chain.middleFilter->QueryFilterInfo(&info);
    EXPECT_EQ(info.pGraph, nullptr) << "the filter left the graph";
    EXPECT_EQ(graph->RemoveFilter(chain.middleFilter.Get()), VFW_E_NOT_FOUND);
    EXPECT_EQ(FilterNames(graph.Get()), (std::vector<std::u16string>{u"source", u"sink", u"extra"}));

    EXPECT_EQ(graph->RemoveFilter(static_cast<IBaseFilter*>(extra)), S_OK);
    EXPECT_TRUE(*destroyed) << "the graph held the only reference and released it";
}

TEST(FilterGraphMembers, DestroyingTheGraphDisconnectsAndReleasesEveryFilter) {
    auto destroyed = std::make_shared<std::atomic<bool>>(false);
    auto journal = std::make_shared<Journal>();
    {
        auto graph = NewGraph();
        JournalFilter* source = nullptr;
        JournalFilter* sink = nullptr;
        auto sourceFilter =
            JournalFilter::Create(journal, {"source", {}, {kVideo}, true}, &source, destroyed);
        auto sinkFilter = JournalFilter::Create(journal, {"sink", {kVideo}, {}}, &sink);
        graph->AddFilter(sourceFilter.Get(), u"source");
        graph->AddFilter(sinkFilter.Get(), u"sink");
        ASSERT_EQ(graph->ConnectDirect(&source->Output(), &sink->Input(), nullptr), S_OK);
        ASSERT_EQ(graph.As<IMediaControl>()->Run(), S_OK);
        sourceFilter.Reset();
        graph.Reset(); // still running: the graph stops, disconnects and lets go
        EXPECT_FALSE(sink->Input().IsConnected());
        FILTER_INFO info{};
        sinkFilter->QueryFilterInfo(&info);
        EXPECT_EQ(info.pGraph, nullptr);
    }
    EXPECT_TRUE(*destroyed) << "connected pins held the source alive";
}

TEST(FilterGraphConnections, PinsOutsideTheGraphOrWithoutACommonTypeDoNotConnect) {
    auto graph = NewGraph();
    auto journal = std::make_shared<Journal>();
    JournalFilter* source = nullptr;
    JournalFilter* sink = nullptr;
    auto sourceFilter = JournalFilter::Create(journal, {"source", {}, {kOther}}, &source);
    auto sinkFilter = JournalFilter::Create(journal, {"sink", {kVideo}, {}}, &sink);
    graph->AddFilter(sourceFilter.Get(), u"source");
    EXPECT_EQ(graph->ConnectDirect(&source->Output(), &sink->Input(), nullptr), VFW_E_NOT_IN_GRAPH);
    graph->AddFilter(sinkFilter.Get(), u"sink");
    EXPECT_EQ(graph->ConnectDirect(&source->Output(), &sink->Input(), nullptr), VFW_E_NO_ACCEPTABLE_TYPES);
    EXPECT_EQ(graph->Connect(&source->Output(), &sink->Input()), VFW_E_CANNOT_CONNECT);
    EXPECT_FALSE(source->Output().IsConnected());
}

TEST(FilterGraphControl, RunStartsSinksFirstAndStopStopsSourcesFirst) {
    auto graph = NewGraph();
    Chain chain;
    chain.Build(graph.Get());
    auto control = graph.As<IMediaControl>();
    ASSERT_EQ(control->Run(), S_OK);
    OAFilterState state = -1;
    EXPECT_EQ(control->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Running);
    ASSERT_TRUE(chain.source->WaitForDelivered(3));
    ASSERT_EQ(control->Stop(), S_OK);
    EXPECT_FALSE(chain.source->Streaming());
    EXPECT_EQ(chain.journal->Entries(),
              (std::vector<std::string>{"sink.Run", "middle.Run", "source.Run", "source.Stop", "middle.Stop",
                                        "sink.Stop"}));
    EXPECT_GT(chain.middle->Samples(), 0);
    EXPECT_EQ(chain.middle->SamplesWhileStopped(), 0) << "a sample reached a stopped filter";
    control->GetState(0, &state);
    EXPECT_EQ(state, State_Stopped);
    EXPECT_EQ(control->Stop(), S_OK) << "stopping a stopped graph";
}

TEST(FilterGraphControl, RunAfterStopStreamsAgain) {
    auto graph = NewGraph();
    Chain chain;
    chain.Build(graph.Get());
    auto control = graph.As<IMediaControl>();
    for (int round = 0; round < 3; ++round) {
        const int before = chain.middle->Samples();
        ASSERT_EQ(control->Run(), S_OK);
        ASSERT_TRUE(chain.source->WaitForDelivered(before + 2));
        ASSERT_EQ(control->Stop(), S_OK);
        EXPECT_GT(chain.middle->Samples(), before);
    }
    EXPECT_EQ(chain.middle->SamplesWhileStopped(), 0);
}

TEST(FilterGraphControl, AFailedRunLeavesNothingRunning) {
    auto graph = NewGraph();
    Chain chain(VFW_E_NO_CAPTURE_HARDWARE);
    chain.Build(graph.Get());
    auto control = graph.As<IMediaControl>();
    EXPECT_EQ(control->Run(), VFW_E_NO_CAPTURE_HARDWARE);
    FILTER_STATE sinkState = State_Running;
    chain.sinkFilter->GetState(0, &sinkState);
    EXPECT_EQ(sinkState, State_Stopped) << "the sink that had started was stopped again";
    EXPECT_FALSE(chain.source->Streaming());
    OAFilterState state = -1;
    control->GetState(0, &state);
    EXPECT_EQ(state, State_Stopped);
}

TEST(FilterGraphControl, FiltersCannotBeRemovedWhileTheGraphRuns) {
    auto graph = NewGraph();
    Chain chain;
    chain.Build(graph.Get());
    auto control = graph.As<IMediaControl>();
    ASSERT_EQ(control->Run(), S_OK);
    EXPECT_EQ(graph->RemoveFilter(chain.middleFilter.Get()), VFW_E_NOT_STOPPED);
    EXPECT_TRUE(chain.source->Output().IsConnected());
    ASSERT_EQ(control->Stop(), S_OK);
    EXPECT_EQ(graph->RemoveFilter(chain.middleFilter.Get()), S_OK);
}

} // namespace
