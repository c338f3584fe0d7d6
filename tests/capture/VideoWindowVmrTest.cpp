#include "capture/DirectShowErrors.h"
#include "capture/Filter.h"
#include "capture/FilterGraph.h"
#include "capture/SampleGrabberComponent.h"
#include "capture/SysDevEnum.h"
#include "capture/VideoWindow.h"

#include "QtTestMain.h"
#include "platform/com/ClassRegistry.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/core/DeviceEnumInterfaces.h"
#include "platform/media/core/ErrorText.h"
#include "platform/media/renderers/MixingRenderer.h"
#include "platform/media/renderers/VideoRenderer.h"
#include "platform/media/renderers/VideoRendererWidget.h"
#include "platform/windows/WindowServices.h"
#include "tests/media/support/CountingAllocator.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <cfenv>
#include <cstdlib>

namespace {

// The capture components joined to one graph in capture mode, with the video window in vmVMR:
// a virtual camera's preview goes through the sample grabber to the mixing renderer.
class VideoWindowVmr : public ::testing::Test {
protected:
    struct Platform {
        Platform() {
            RegisterMediaClasses();
            RegisterQuartzModule();
            setenv("TARNOLIX_VIRTUAL_CAMERAS", "pattern:64x48@60", 1);
        }
    };

    void SetUp() override {
        parent.resize(400, 300);
        parent.show();
        graph.SetMode(TGraphMode::gmCapture);
        video.SetName("VideoWindow");
        video.Control()->setGeometry(10, 20, 160, 120);
        filter.SetFilterGraph(&graph);
        grabber.SetFilterGraph(&graph);
        video.SetFilterGraph(&graph);
        video.SetMode(TVideoMode::vmVMR);
        TSysDevEnum devices(CLSID_VideoInputDeviceCategory);
        filter.BaseFilter().SetMoniker(devices.GetMoniker(0).Get());
    }
    void TearDown() override {
        graph.ClearGraph();
        graph.SetActive(false);
        unsetenv("TARNOLIX_VIRTUAL_CAMERAS");
    }

    // Activates the graph, connects the preview stream to the renderer and runs it.
    void StartCamera() {
        graph.SetActive(true);
        auto builder = graph.Query<ICaptureGraphBuilder2>();
        auto source = filter.Query<IBaseFilter>();
        ASSERT_EQ(builder->RenderStream(&PIN_CATEGORY_PREVIEW, nullptr, source.Get(),
                                        grabber.Query<IBaseFilter>().Get(), video.Query<IBaseFilter>().Get()),
                  S_OK);
        ASSERT_TRUE(graph.Play());
    }

    // The renderer's painter: its own window's widget, or the one it put into the control.
    static VideoRendererWidget* PainterIn(QWidget* window) {
        if (auto* painter = dynamic_cast<VideoRendererWidget*>(window))
            return painter;
        for (QObject* child : window->children())
            if (auto* painter = dynamic_cast<VideoRendererWidget*>(child))
                return painter;
        return nullptr;
    }
    bool FramesPaintedIn(QWidget* window) {
        return ProcessEventsUntil([&] {
            VideoRendererWidget* painter = PainterIn(window);
            return painter && painter->FramesPainted() >= 2;
        });
    }

    Platform platform;
    QWidget parent;
    TComponent form;
    TFilterGraph& graph = TComponent::Create<TFilterGraph>(form);
    TFilter& filter = TComponent::Create<TFilter>(form);
    TSampleGrabber& grabber = TComponent::Create<TSampleGrabber>(form);
    TVideoWindow& video = TComponent::Create<TVideoWindow>(form, &parent);
};

TEST_F(VideoWindowVmr, StreamsOutsideOneToSixteenStoreOne) {
    EXPECT_EQ(video.VMROptions().Streams(), 4u);
    EXPECT_EQ(video.VMROptions().Preferences(), TVMRPreferences{TVMRPreference::vpForceMixer});
    EXPECT_EQ(video.VMROptions().Preferences().Bits(), 4);
    video.VMROptions().SetStreams(0);
    EXPECT_EQ(video.VMROptions().Streams(), 1u);
    video.VMROptions().SetStreams(16);
    EXPECT_EQ(video.VMROptions().Streams(), 16u);
    video.VMROptions().SetStreams(17);
    EXPECT_EQ(video.VMROptions().Streams(), 1u);
}

TEST_F(VideoWindowVmr, WindowedShowsFramesOverTheControlAndTakesItsNameFromTheDeviceEvent) {
    video.VMROptions().SetStreams(2);
    video.VMROptions().SetPreferences({TVMRPreference::vpForceMixer, TVMRPreference::vpForceOffscreen});
    StartCamera();
    const HWND window = FindWindowEx(HandleOf(&parent), nullptr, "VideoRenderer", "");
    ASSERT_NE(window, nullptr) << "placed beside the control at the run";
    ASSERT_TRUE(ProcessEventsUntil([&] { return GetWindowText(window) == "VideoWindow"; }))
        << "EC_VMR_RENDERDEVICE_SET gives the renderer's window its caption";
    EXPECT_EQ(video.VideoHandle(), window);
    EXPECT_EQ(GetMessageDrain(window), HandleOf(video.Control()));
    RECT bounds{};
    ASSERT_TRUE(GetWindowBounds(window, &bounds));
    EXPECT_EQ(std::vector<LONG>({bounds.left, bounds.top, bounds.right, bounds.bottom}),
              std::vector<LONG>({10, 20, 170, 140}));
    EXPECT_TRUE(FramesPaintedIn(WidgetOf(window)));

    auto config = video.Query<IVMRFilterConfig9>();
    DWORD value = 0;
    config->GetNumberOfStreams(&value);
    EXPECT_EQ(value, 2u);
    config->GetRenderingPrefs(&value);
    EXPECT_EQ(value, VMRRenderPrefs_ForceOffscreen) << "the mixer is not passed as a preference";
    EXPECT_TRUE(video.VMROptions().Preferences().Contains(TVMRPreference::vpForceMixer));
    video.Query<IVMRAspectRatioControl9>()->GetAspectRatioMode(&value);
    EXPECT_EQ(value, VMR9ARMode_LetterBox) << "KeepAspectRatio is applied after binding";
    video.VMROptions().SetKeepAspectRatio(false);
    video.Query<IVMRAspectRatioControl9>()->GetAspectRatioMode(&value);
    EXPECT_EQ(value, VMR9ARMode_None);
}

TEST_F(VideoWindowVmr, WindowlessDrawsIntoTheControlAndFollowsItsSize) {
    video.VMROptions().SetMode(TVMRVideoMode::vmrWindowless);
    StartCamera();
    auto windowless = video.Query<IVMRWindowlessControl9>();
    ASSERT_TRUE(windowless);
    EXPECT_FALSE(video.Query<IVideoWindow>());
    EXPECT_EQ(video.VideoHandle(), HandleOf(video.Control())) << "no window of the renderer's own";
    EXPECT_TRUE(FramesPaintedIn(video.Control()));
    RECT destination{};
    windowless->GetVideoPosition(nullptr, &destination);
    EXPECT_EQ(destination.right, 160);
    video.Control()->resize(200, 150);
    windowless->GetVideoPosition(nullptr, &destination);
    EXPECT_EQ(std::vector<LONG>({destination.left, destination.top, destination.right, destination.bottom}),
              std::vector<LONG>({0, 0, 200, 150}));
}

TEST_F(VideoWindowVmr, RenderlessFramesReachTheAllocatorMadeFromTheClass) {
    ComPtr<CountingAllocator> allocator;
    HWND given = nullptr;
    video.SurfaceAllocatorClass = [&](HRESULT& result, HWND window, IUnknown* device, IUnknown* direct3D) {
        EXPECT_FALSE(device || direct3D);
        given = window;
        result = S_OK;
        allocator = ComPtr<CountingAllocator>::Adopt(new CountingAllocator);
        return ComPtr<IUnknown>(allocator.Get());
    };
    video.VMROptions().SetMode(TVMRVideoMode::vmrRenderless);
    StartCamera();
    EXPECT_EQ(given, HandleOf(video.Control()));
    ASSERT_TRUE(ProcessEventsUntil([&] { return allocator->frames >= 3; }));
    EXPECT_EQ(allocator->lastWidth, 64);
}

TEST_F(VideoWindowVmr, RenderlessWithoutAWorkingAllocatorClassFailsTheActivation) {
    video.VMROptions().SetMode(TVMRVideoMode::vmrRenderless);
    try {
        graph.SetActive(true);
        ADD_FAILURE() << "no allocator class";
    } catch (const EDSComponentException& error) {
        EXPECT_STREQ(error.what(), "Allocator class not set.");
    }
    graph.SetActive(false);

    video.SurfaceAllocatorClass = [](HRESULT& result, HWND, IUnknown*, IUnknown*) {
        result = E_OUTOFMEMORY;
        return ComPtr<IUnknown>();
    };
    try {
        graph.SetActive(true);
        ADD_FAILURE() << "the allocator reported a failure";
    } catch (const EDSComponentException& error) {
        EXPECT_STREQ(error.what(), "Error Creating Allocator");
        EXPECT_EQ(error.ErrorCode(), E_OUTOFMEMORY);
    }
}

// A mixing renderer class that leaves the rounding mode changed, as some drivers' did.
HRESULT CreateRoundingMixingRenderer(IUnknown* outer, REFIID iid, void** object) {
    std::fesetround(FE_TOWARDZERO);
    return CreateComObject<MixingRenderer>(outer, iid, object);
}

TEST_F(VideoWindowVmr, CreatingTheMixingRendererLeavesTheFloatingPointEnvironmentAsItWas) {
    ClassRegistry::Instance().Register(CLSID_VideoMixingRenderer9, &CreateRoundingMixingRenderer);
    const int rounding = std::fegetround();
    std::fesetround(FE_UPWARD);
    const bool available = TVideoWindow::VMR9Available();
    const int afterAvailable = std::fegetround();
    graph.SetActive(true);
    const int afterAdding = std::fegetround();
    graph.SetActive(false);
    video.VMROptions().SetMode(TVMRVideoMode::vmrRenderless);
    EXPECT_THROW(graph.SetActive(true), EDSComponentException);
    const int afterFailure = std::fegetround();
    std::fesetround(rounding);
    ClassRegistry::Instance().Register(CLSID_VideoMixingRenderer9, &CreateComObject<MixingRenderer>);

    EXPECT_TRUE(available);
    EXPECT_EQ(afterAvailable, FE_UPWARD);
    EXPECT_EQ(afterAdding, FE_UPWARD);
    EXPECT_EQ(afterFailure, FE_UPWARD);
}

TEST_F(VideoWindowVmr, OptionChangesWhileActiveRebuildTheRendererOnlyInVmrMode) {
    graph.SetActive(true);
    const auto first = video.Query<IBaseFilter>();
    video.VMROptions().SetStreams(3);
    const auto second = video.Query<IBaseFilter>();
    ASSERT_TRUE(second);
    EXPECT_NE(second, first);
    DWORD streams = 0;
    video.Query<IVMRFilterConfig9>()->GetNumberOfStreams(&streams);
    EXPECT_EQ(streams, 3u);
    video.VMROptions().SetMode(TVMRVideoMode::vmrWindowless);
    EXPECT_TRUE(video.Query<IVMRWindowlessControl9>());

    video.SetMode(TVideoMode::vmNormal);
    const auto classic = video.Query<IBaseFilter>();
    CLSID clsid{};
    classic->GetClassID(&clsid);
    EXPECT_TRUE(clsid == CLSID_VideoRenderer);
    video.VMROptions().SetStreams(5);
    video.VMROptions().SetPreferences({});
    video.VMROptions().SetMode(TVMRVideoMode::vmrWindowed);
    EXPECT_EQ(video.Query<IBaseFilter>(), classic) << "vmNormal only stores the options";
    EXPECT_EQ(video.VMROptions().Streams(), 5u);
}

} // namespace
