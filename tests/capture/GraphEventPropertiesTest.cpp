#include "capture/FilterGraph.h"

#include "QtTestMain.h"
#include "platform/com/SiteInterfaces.h"
#include "platform/com/Variant.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/converters/Classes.h"
#include "platform/runtime/ApplicationErrors.h"
#include "platform/runtime/UnicodeText.h"
#include "tests/media/support/TestFilters.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

class GraphEventProperties : public ::testing::Test {
protected:
    void SetUp() override { RegisterMediaClasses(); }
    void TearDown() override { SetApplicationErrorHandler(nullptr); }

    TComponent form;
    TFilterGraph& graph = TComponent::Create<TFilterGraph>(form);
    std::vector<std::string> fired;
};

// Every typed event, recording its own name whatever its parameters.
#define RECORD(event) graph.event = [this](TFilterGraph&, auto&&...) { fired.push_back(#event); }

TEST_F(GraphEventProperties, EachCodeFiresItsOwnTypedEventAndNoOther) {
    RECORD(OnGraphComplete);
    RECORD(OnGraphUserAbort);
    RECORD(OnGraphErrorAbort);
    RECORD(OnGraphStreamErrorStopped);
    RECORD(OnGraphStreamErrorStillPlaying);
    RECORD(OnGraphErrorStillPlaying);
    RECORD(OnGraphPaletteChanged);
    RECORD(OnGraphVideoSizeChanged);
    RECORD(OnGraphQualityChange);
    RECORD(OnGraphClockChanged);
    RECORD(OnGraphPaused);
    RECORD(OnGraphOpeningFile);
    RECORD(OnGraphBufferingData);
    RECORD(OnGraphFullscreenLost);
    RECORD(OnGraphOleEvent);
    RECORD(OnGraphStreamControlStopped);
    RECORD(OnGraphStreamControlStarted);
    RECORD(OnGraphEndOfSegment);
    RECORD(OnGraphDeviceLost);
    RECORD(OnGraphStepComplete);
    RECORD(OnGraphTimeCodeAvailable);
    RECORD(OnGraphEXTDeviceModeChange);
    RECORD(OnGraphChanged);
    RECORD(OnGraphClockUnset);
    RECORD(OnGraphVMRRenderDevice);
    RECORD(OnGraphSNDDevInError);
    RECORD(OnGraphSNDDevOutError);
    RECORD(OnDVDDomainFirstPlay);
    RECORD(OnDVDDomainVideoManagerMenu);
    RECORD(OnDVDDomainVideoTitleSetMenu);
    RECORD(OnDVDDomainTitle);
    RECORD(OnDVDDomainStop);
    RECORD(OnDVDTitleChange);
    RECORD(OnDVDChapterStart);
    RECORD(OnDVDAudioStreamChange);
    RECORD(OnDVDSubpictureStreamChange);
    RECORD(OnDVDAngleChange);
    RECORD(OnDVDButtonChange);
    RECORD(OnDVDValidUOPSChange);
    RECORD(OnDVDStillOn);
    RECORD(OnDVDStillOff);
    RECORD(OnDVDCurrentTime);
    RECORD(OnDVDErrorUnexpected);
    RECORD(OnDVDErrorCopyProtectFail);
    RECORD(OnDVDErrorInvalidDVD1_0Disc);
    RECORD(OnDVDErrorInvalidDiscRegion);
    RECORD(OnDVDErrorLowParentalLevel);
    RECORD(OnDVDErrorMacrovisionFail);
    RECORD(OnDVDErrorIncompatibleSystemAndDecoderRegions);
    RECORD(OnDVDErrorIncompatibleDiscAndDecoderRegions);
    RECORD(OnDVDWarningInvalidDVD1_0Disc);
    RECORD(OnDVDWarningFormatNotSupported);
    RECORD(OnDVDWarningIllegalNavCommand);
    RECORD(OnDVDWarningOpen);
    RECORD(OnDVDWarningSeek);
    RECORD(OnDVDWarningRead);
    RECORD(OnDVDChapterAutoStop);
    RECORD(OnDVDNoFP_PGC);
    RECORD(OnDVDPlaybackRateChange);
    RECORD(OnDVDParentalLevelChange);
    RECORD(OnDVDPlaybackStopped);
    RECORD(OnDVDAnglesAvailable);
    RECORD(OnDVDPlayPeriodAutoStop);
    RECORD(OnDVDButtonAutoActivated);
    RECORD(OnDVDCMDStart);
    RECORD(OnDVDCMDEnd);
    RECORD(OnDVDDiscEjected);
    RECORD(OnDVDDiscInserted);
    RECORD(OnDVDCurrentHMSFTime);
    RECORD(OnDVDKaraokeMode);

    struct Row {
        int32_t code;
        intptr_t param1;
        const char* event;
    };
    const Row rows[] = {
        {1, 0, "OnGraphComplete"},
        {2, 0, "OnGraphUserAbort"},
        {3, 0, "OnGraphErrorAbort"},
        {6, 0, "OnGraphStreamErrorStopped"},
        {7, 0, "OnGraphStreamErrorStillPlaying"},
        {8, 0, "OnGraphErrorStillPlaying"},
        {9, 0, "OnGraphPaletteChanged"},
        {10, 0, "OnGraphVideoSizeChanged"},
        {11, 0, "OnGraphQualityChange"},
        {13, 0, "OnGraphClockChanged"},
        {14, 0, "OnGraphPaused"},
        {16, 0, "OnGraphOpeningFile"},
        {17, 0, "OnGraphBufferingData"},
        {18, 0, "OnGraphFullscreenLost"},
        {24, 0, "OnGraphOleEvent"},
        {26, 0, "OnGraphStreamControlStopped"},
        {27, 0, "OnGraphStreamControlStarted"},
        {28, 0, "OnGraphEndOfSegment"},
        {31, 0, "OnGraphDeviceLost"},
        {36, 0, "OnGraphStepComplete"},
        {48, 0, "OnGraphTimeCodeAvailable"},
        {49, 0, "OnGraphEXTDeviceModeChange"},
        {80, 0, "OnGraphChanged"},
        {81, 0, "OnGraphClockUnset"},
        {83, 0, "OnGraphVMRRenderDevice"},
        {512, 0, "OnGraphSNDDevInError"},
        {513, 0, "OnGraphSNDDevOutError"},
        {257, 1, "OnDVDDomainFirstPlay"},
        {257, 2, "OnDVDDomainVideoManagerMenu"},
        {257, 3, "OnDVDDomainVideoTitleSetMenu"},
        {257, 4, "OnDVDDomainTitle"},
        {257, 5, "OnDVDDomainStop"},
        {258, 0, "OnDVDTitleChange"},
        {259, 0, "OnDVDChapterStart"},
        {260, 0, "OnDVDAudioStreamChange"},
        {261, 0, "OnDVDSubpictureStreamChange"},
        {262, 0, "OnDVDAngleChange"},
        {263, 0, "OnDVDButtonChange"},
        {264, 0, "OnDVDValidUOPSChange"},
        {265, 0, "OnDVDStillOn"},
        {266, 0, "OnDVDStillOff"},
        {267, 0, "OnDVDCurrentTime"},
        {268, 1, "OnDVDErrorUnexpected"},
        {268, 2, "OnDVDErrorCopyProtectFail"},
        {268, 3, "OnDVDErrorInvalidDVD1_0Disc"},
        {268, 4, "OnDVDErrorInvalidDiscRegion"},
        {268, 5, "OnDVDErrorLowParentalLevel"},
        {268, 6, "OnDVDErrorMacrovisionFail"},
        {268, 7, "OnDVDErrorIncompatibleSystemAndDecoderRegions"},
        {268, 8, "OnDVDErrorIncompatibleDiscAndDecoderRegions"},
        {269, 1, "OnDVDWarningInvalidDVD1_0Disc"},
        {269, 2, "OnDVDWarningFormatNotSupported"},
        {269, 3, "OnDVDWarningIllegalNavCommand"},
        {269, 4, "OnDVDWarningOpen"},
        {269, 5, "OnDVDWarningSeek"},
        {269, 6, "OnDVDWarningRead"},
        {270, 0, "OnDVDChapterAutoStop"},
        {271, 0, "OnDVDNoFP_PGC"},
        {272, 0, "OnDVDPlaybackRateChange"},
        {273, 0, "OnDVDParentalLevelChange"},
        {274, 0, "OnDVDPlaybackStopped"},
        {275, 0, "OnDVDAnglesAvailable"},
        {276, 0, "OnDVDPlayPeriodAutoStop"},
        {277, 0, "OnDVDButtonAutoActivated"},
        {278, 0, "OnDVDCMDStart"},
        {279, 0, "OnDVDCMDEnd"},
        {280, 0, "OnDVDDiscEjected"},
        {281, 0, "OnDVDDiscInserted"},
        {282, 0, "OnDVDCurrentHMSFTime"},
        {283, 0, "OnDVDKaraokeMode"},
    };
    ASSERT_EQ(std::size(rows), 70u);
    for (const Row& row : rows) {
        fired.clear();
        DispatchTypedGraphEvent(graph, graph, row.code, row.param1, 0);
        EXPECT_EQ(fired, std::vector<std::string>{row.event}) << row.code << "/" << row.param1;
    }
    // Codes of no typed event, and sub-codes out of range, fire nothing.
    for (const auto& [code, param1] : std::vector<std::pair<int32_t, intptr_t>>{
             {4, 0}, {5, 0}, {12, 0}, {257, 0}, {257, 6}, {268, 0}, {268, 9}, {269, 7}, {284, 0}, {-1, 0}}) {
        fired.clear();
        DispatchTypedGraphEvent(graph, graph, code, param1, 0);
        EXPECT_TRUE(fired.empty()) << code << "/" << param1;
    }
}

TEST_F(GraphEventProperties, TypedEventsDecodeTheirParameters) {
    int width = 0, height = 0;
    graph.OnGraphVideoSizeChanged = [&](TFilterGraph&, uint16_t w, uint16_t h) { width = w, height = h; };
    DispatchTypedGraphEvent(graph, graph, EC_VIDEO_SIZE_CHANGED, (480 << 16) | 640, 0);
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, 480);

    std::vector<bool> removed;
    graph.OnGraphDeviceLost = [&](TFilterGraph&, IUnknown*, bool gone) { removed.push_back(gone); };
    DispatchTypedGraphEvent(graph, graph, EC_DEVICE_LOST, 0, 0);
    DispatchTypedGraphEvent(graph, graph, EC_DEVICE_LOST, 0, 1);
    EXPECT_EQ(removed, (std::vector<bool>{true, false}));

    HRESULT result = S_OK;
    graph.OnGraphErrorAbort = [&](TFilterGraph&, HRESULT hr) { result = hr; };
    DispatchTypedGraphEvent(graph, graph, EC_ERRORABORT, static_cast<intptr_t>(E_OUTOFMEMORY), 0);
    EXPECT_EQ(result, E_OUTOFMEMORY);

    // 01:23:45, frame 27, at 30 frames a second, in packed decimal digits.
    TDVDTimeCode time;
    graph.OnDVDCurrentTime = [&](TFilterGraph&, const TDVDTimeCode& t, uint32_t) { time = t; };
    DispatchTypedGraphEvent(graph, graph, EC_DVD_CURRENT_TIME, static_cast<intptr_t>(0xE7452301u), 0);
    EXPECT_EQ(time.hours, 1);
    EXPECT_EQ(time.minutes, 23);
    EXPECT_EQ(time.seconds, 45);
    EXPECT_EQ(time.frames, 27);
    EXPECT_EQ(time.frameRate, 30);
    graph.OnDVDCurrentHMSFTime = [&](TFilterGraph&, const TDVDTimeCode& t, uint32_t) { time = t; };
    DispatchTypedGraphEvent(graph, graph, EC_DVD_CURRENT_HMSF_TIME, 0x18372D02, 0);
    EXPECT_EQ(time.hours, 2);
    EXPECT_EQ(time.minutes, 45);
    EXPECT_EQ(time.seconds, 55);
    EXPECT_EQ(time.frames, 24);

    double rate = 0;
    graph.OnDVDPlaybackRateChange = [&](TFilterGraph&, double r) { rate = r; };
    DispatchTypedGraphEvent(graph, graph, EC_DVD_PLAYBACK_RATE_CHANGE, -20000, 0);
    EXPECT_DOUBLE_EQ(rate, -2.0);

    std::u16string name, value;
    graph.OnGraphOleEvent = [&](TFilterGraph&, const std::u16string& n, const std::u16string& v) {
        name = n, value = v;
    };
    const BSTR first = SysAllocString(u"Kanał");
    DispatchTypedGraphEvent(graph, graph, EC_OLE_EVENT, reinterpret_cast<intptr_t>(first), 0);
    SysFreeString(first);
    EXPECT_EQ(name, u"Kanał");
    EXPECT_EQ(value, u"");

    REFERENCE_TIME end = 0;
    uint32_t segment = 0;
    graph.OnGraphEndOfSegment = [&](TFilterGraph&, REFERENCE_TIME t, uint32_t s) { end = t, segment = s; };
    const REFERENCE_TIME segmentEnd = 123456789;
    DispatchTypedGraphEvent(graph, graph, EC_END_OF_SEGMENT, reinterpret_cast<intptr_t>(&segmentEnd), 3);
    EXPECT_EQ(end, segmentEnd);
    EXPECT_EQ(segment, 3u);
}

// Records what a graph tells its event sinks, into a shared journal.
class JournalSink : public IGraphEventSink {
public:
    explicit JournalSink(std::vector<std::string>& journal) : journal_(journal) {}
    void HandleGraphEvent(int32_t event, intptr_t, intptr_t) override {
        journal_.push_back("sink " + std::to_string(event));
    }
    void HandleControlEvent(TGraphControlEvent, int32_t) override {}

private:
    std::vector<std::string>& journal_;
};

TEST_F(GraphEventProperties, QueuedEventsReachSinksThenOnDSEventThenTheTypedEvent) {
    JournalSink sink(fired);
    graph.AttachEventSink(&sink);
    graph.SetActive(true);
    const auto events = graph.Query<IMediaEventSink>();
    ASSERT_TRUE(events);

    // Without handlers only the sink hears of it.
    events->Notify(EC_COMPLETE, S_OK, 0);
    ASSERT_TRUE(ProcessEventsUntil([&] { return !fired.empty(); }));
    EXPECT_EQ(fired, std::vector<std::string>{"sink 1"});

    fired.clear();
    graph.OnDSEvent = [this](TFilterGraph&, int32_t event, intptr_t, intptr_t) {
        fired.push_back("OnDSEvent " + std::to_string(event));
    };
    graph.OnGraphComplete = [this](TFilterGraph&, HRESULT result, IBaseFilter* renderer) {
        fired.push_back("OnGraphComplete " + std::to_string(result) + (renderer ? " renderer" : " none"));
    };
    events->Notify(EC_COMPLETE, E_FAIL, 0);
    ASSERT_TRUE(ProcessEventsUntil([&] { return fired.size() == 3; }));
    EXPECT_EQ(fired, (std::vector<std::string>{"sink 1", "OnDSEvent 1",
                                               "OnGraphComplete " + std::to_string(E_FAIL) + " none"}));
    graph.DetachEventSink(&sink);
}

TEST_F(GraphEventProperties, AnErrorWhileDrainingIsReportedAndTheOtherEventsStillArrive) {
    std::vector<std::string> reported;
    SetApplicationErrorHandler([&](const std::exception& error) { reported.push_back(error.what()); });
    graph.SetActive(true);
    bool thrown = false;
    graph.OnDSEvent = [&](TFilterGraph&, int32_t event, intptr_t, intptr_t) {
        fired.push_back(std::to_string(event));
        if (event == EC_PAUSED && !std::exchange(thrown, true))
            throw std::runtime_error("Zepsuty handler");
    };
    const auto events = graph.Query<IMediaEventSink>();
    events->Notify(EC_PAUSED, S_OK, 0);
    events->Notify(EC_CLOCK_CHANGED, 0, 0);
    events->Notify(EC_GRAPH_CHANGED, 0, 0);
    ASSERT_TRUE(ProcessEventsUntil([&] { return fired.size() == 3; }));
    EXPECT_EQ(fired, (std::vector<std::string>{"14", "13", "80"}));
    EXPECT_EQ(reported, std::vector<std::string>{"Zepsuty handler"});
}

TEST_F(GraphEventProperties, VolumeAndBalanceFollowTheLinearFlag) {
    graph.SetVolume(20000);
    graph.SetBalance(-20000);
    EXPECT_EQ(graph.Volume(), 10000) << "stored clamped while inactive";
    EXPECT_EQ(graph.Balance(), -10000);

    graph.SetActive(true);
    const auto audio = graph.Query<IBasicAudio>();
    ASSERT_TRUE(audio);
    int32_t sent = 1;
    const auto volume = [&](int value) {
        graph.SetVolume(value);
        audio->get_Volume(&sent);
        return sent;
    };
    const auto balance = [&](int value) {
        graph.SetBalance(value);
        audio->get_Balance(&sent);
        return sent;
    };
    EXPECT_EQ(volume(5000), -752);
    EXPECT_EQ(volume(0), -10000);
    EXPECT_EQ(volume(10000), 0);
    EXPECT_EQ(volume(1), -9247);
    EXPECT_EQ(balance(5000), 752);
    EXPECT_EQ(balance(-5000), -752) << "a left balance quietens the right channel";
    EXPECT_EQ(balance(-10000), -10000);
    EXPECT_EQ(balance(0), 0);

    graph.SetVolume(5000);
    graph.SetBalance(-2500);
    graph.SetLinearVolume(false); // sends both again
    audio->get_Volume(&sent);
    EXPECT_EQ(sent, -5000);
    audio->get_Balance(&sent);
    EXPECT_EQ(sent, -2500);
    EXPECT_EQ(volume(-3), -10000);
    EXPECT_EQ(graph.Volume(), 0);
}

TEST_F(GraphEventProperties, TheServiceIdLeadsBackToTheComponentOnly) {
    void* object = nullptr;
    EXPECT_EQ(graph.QueryService(TFilterGraph::kServiceId, TFilterGraph::kServiceId, &object), S_OK);
    EXPECT_EQ(object, static_cast<IServiceProvider*>(&graph));
    EXPECT_EQ(graph.QueryService(TFilterGraph::kServiceId, IID_IUnknown, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    // Without handlers the graph goes its own way.
    EXPECT_EQ(graph.SelectedFilter(nullptr), S_OK);
    EXPECT_EQ(graph.CreatedFilter(nullptr), S_OK);
    EXPECT_EQ(graph.UnableToRender(nullptr), S_FALSE);
}

// A source offering YUY2 and a sink taking only 24-bit RGB: the builder needs the colour
// converter between them, and asks the component's callbacks on the way.
class GraphBuildingCallbacks : public GraphEventProperties {
protected:
    void SetUp() override {
        GraphEventProperties::SetUp();
        graph.SetMode(TGraphMode::gmCapture);
        graph.SetActive(true);
        std::vector<ScopedMediaType> offers;
        offers.push_back(VideoInfoType(MEDIASUBTYPE_YUY2, 4, 2, 16));
        source = TestSource::Create(std::move(offers), &sourceFilter);
        sink = TestSink::Create({MEDIASUBTYPE_RGB24});
        ASSERT_EQ(graph.Graph()->AddFilter(source.Get(), u"Kamera"), S_OK);
        ASSERT_EQ(graph.Graph()->AddFilter(sink.Get(), u"Ekran"), S_OK);
    }
    HRESULT Render() {
        return graph.Query<ICaptureGraphBuilder2>()->RenderStream(&PIN_CATEGORY_PREVIEW, nullptr,
                                                                  source.Get(), nullptr, sink.Get());
    }

    ComPtr<IBaseFilter> source;
    TestSource* sourceFilter = nullptr;
    ComPtr<IBaseFilter> sink;
};

TEST_F(GraphBuildingCallbacks, ARefusedConverterIsSkippedAndUnableToRenderEarnsARetry) {
    bool acceptConverter = false;
    graph.OnSelectedFilter = [&](IMoniker* moniker, const std::u16string& name, const GUID& classId) {
        EXPECT_NE(moniker, nullptr);
        fired.push_back("selected " + Utf16ToUtf8(name) + (classId == CLSID_Colour ? " colour" : " other"));
        return acceptConverter;
    };
    graph.OnCreatedFilter = [&](IBaseFilter*, const GUID& classId) {
        fired.push_back(classId == CLSID_Colour ? "created colour" : "created other");
        return true;
    };
    IPin* unrendered = nullptr;
    graph.OnUnableToRender = [&](IPin* pin) {
        fired.push_back("unable");
        unrendered = pin;
        acceptConverter = true;
        return true;
    };
    EXPECT_EQ(Render(), S_OK);
    EXPECT_EQ(fired, (std::vector<std::string>{"selected Color Space Converter colour", "unable",
                                               "selected Color Space Converter colour", "created colour"}));
    EXPECT_EQ(unrendered, static_cast<IPin*>(&sourceFilter->Output()));
}

TEST_F(GraphBuildingCallbacks, RefusingTheCreatedFilterOrTheRetryLeavesThePinUnrendered) {
    graph.OnCreatedFilter = [&](IBaseFilter*, const GUID&) {
        fired.push_back("created");
        return false;
    };
    graph.OnUnableToRender = [&](IPin*) {
        fired.push_back("unable");
        return false;
    };
    EXPECT_NE(Render(), S_OK);
    EXPECT_EQ(fired, (std::vector<std::string>{"created", "unable"}));
    EXPECT_FALSE(sourceFilter->Output().IsConnected());
}

TEST_F(GraphBuildingCallbacks, AHandlersErrorIsReportedAndCountsAsARefusal) {
    std::vector<std::string> reported;
    SetApplicationErrorHandler([&](const std::exception& error) { reported.push_back(error.what()); });
    graph.OnSelectedFilter = [](IMoniker*, const std::u16string&, const GUID&) -> bool {
        throw std::runtime_error("Nie tym razem");
    };
    EXPECT_NE(Render(), S_OK);
    EXPECT_EQ(reported, std::vector<std::string>{"Nie tym razem"});
}

} // namespace
