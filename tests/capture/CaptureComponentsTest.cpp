#include "capture/Filter.h"
#include "capture/FilterGraph.h"
#include "capture/PinList.h"
#include "capture/SampleGrabberComponent.h"
#include "capture/SysDevEnum.h"
#include "capture/VideoWindow.h"

#include "QtTestMain.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/core/DeviceEnumInterfaces.h"
#include "platform/media/core/ErrorText.h"
#include "platform/runtime/ApplicationErrors.h"
#include "platform/windows/WindowServices.h"

#include <QCoreApplication>
#include <QMenu>
#include <QWidget>

#include <stdexcept>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>

namespace {

// The capture components as the main window holds them, joined to one graph in capture mode.
class CaptureComponents : public ::testing::Test {
protected:
    // The platform's classes come first: the sample grabber component needs its filter class.
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
        graph.SetName("FilterGraph");
        graph.SetMode(TGraphMode::gmCapture);
        filter.SetName("Filter");
        grabber.SetName("SampleGrabber");
        video.SetName("VideoWindow");
        video.Control()->setGeometry(10, 20, 160, 120);
        filter.SetFilterGraph(&graph);
        grabber.SetFilterGraph(&graph);
        video.SetFilterGraph(&graph);
        grabber.OnBuffer = [this](TSampleGrabber&, double, uint8_t*, int32_t length) {
            lastLength = length;
            ++frames;
        };
    }
    void TearDown() override {
        graph.ClearGraph();
        graph.SetActive(false);
        unsetenv("TARNOLIX_VIRTUAL_CAMERAS");
    }

    // Device choice: what live capture does with the first camera.
    void StartCamera() {
        graph.ClearGraph();
        graph.SetActive(false);
        TSysDevEnum devices(CLSID_VideoInputDeviceCategory);
        filter.BaseFilter().SetMoniker(devices.GetMoniker(0).Get());
        graph.SetActive(true);
        auto builder = graph.Query<ICaptureGraphBuilder2>();
        auto videoFilter = video.Query<IBaseFilter>();
        auto grabberFilter = grabber.Query<IBaseFilter>();
        auto source = filter.Query<IBaseFilter>();
        ASSERT_TRUE(builder && videoFilter && grabberFilter && source);
        ASSERT_EQ(builder->RenderStream(&PIN_CATEGORY_PREVIEW, nullptr, source.Get(), grabberFilter.Get(),
                                        videoFilter.Get()),
                  S_OK);
        ASSERT_TRUE(graph.Play());
    }

    Platform platform;
    QWidget parent;
    TComponent form;
    TFilterGraph& graph = TComponent::Create<TFilterGraph>(form);
    TFilter& filter = TComponent::Create<TFilter>(form);
    TSampleGrabber& grabber = TComponent::Create<TSampleGrabber>(form);
    TVideoWindow& video = TComponent::Create<TVideoWindow>(form, &parent);
    std::atomic<int> frames{0};
    std::atomic<int32_t> lastLength{0};
};

TEST_F(CaptureComponents, FramesOfTheCamerasSizeReachOnBufferAndCopyIntoABitmap) {
    StartCamera();
    ASSERT_TRUE(ProcessEventsUntil([&] { return frames >= 3; }));
    EXPECT_EQ(lastLength, 64 * 3 * 48);
    TBitmap bitmap;
    EXPECT_TRUE(grabber.GetBitmap(&bitmap)) << "the filter keeps a copy of the last sample";
    EXPECT_EQ(bitmap.Width(), 64);
    EXPECT_EQ(bitmap.Height(), 48);
    graph.Stop();
    const int stopped = frames;
    QCoreApplication::processEvents();
    EXPECT_EQ(frames, stopped) << "no frame after Stop returned";
}

TEST_F(CaptureComponents, RunPlacesTheRenderersWindowOverTheControlWithItsNameAndDrain) {
    StartCamera();
    const HWND window = video.VideoHandle();
    ASSERT_NE(window, HandleOf(video.Control())) << "the renderer's own window";
    EXPECT_EQ(GetWindowText(window), "VideoWindow");
    EXPECT_EQ(GetClassName(window), "VideoRenderer");
    EXPECT_EQ(GetParent(window), HandleOf(&parent));
    EXPECT_EQ(GetMessageDrain(window), HandleOf(video.Control()));
    RECT bounds{};
    ASSERT_TRUE(GetWindowBounds(window, &bounds));
    EXPECT_EQ(bounds.left, 10);
    EXPECT_EQ(bounds.top, 20);
    EXPECT_EQ(bounds.right - bounds.left, 160);
    EXPECT_EQ(bounds.bottom - bounds.top, 120);
    EXPECT_TRUE(GetWindowLong(window, GWL_STYLE) & WS_CHILD);

    video.Control()->resize(160, 200);
    ASSERT_TRUE(GetWindowBounds(window, &bounds));
    EXPECT_EQ(bounds.bottom - bounds.top, 200) << "resizing the control moves the renderer's window";
}

TEST_F(CaptureComponents, FullScreenCoversTheScreenAndComesBack) {
    StartCamera();
    const HWND window = video.VideoHandle();
    video.SetFullScreenTopMost(true);
    video.SetFullScreen(true);
    RECT bounds{};
    ASSERT_TRUE(GetWindowBounds(window, &bounds));
    EXPECT_EQ(bounds.left, 0);
    EXPECT_EQ(bounds.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(GetWindowLong(window, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME), 0);
    EXPECT_TRUE(WidgetOf(window)->isWindow()) << "no owner: a window of its own";
    EXPECT_TRUE(GetWindowLong(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    video.SetFullScreen(false);
    ASSERT_TRUE(GetWindowBounds(window, &bounds));
    EXPECT_EQ(bounds.left, 10);
    EXPECT_EQ(GetParent(window), HandleOf(&parent));
}

TEST_F(CaptureComponents, FullScreenContextMenuRequestShowsThePopupAtTheCursor) {
    QMenu menu;
    menu.addAction("Pozycja");
    video.PopupMenu = &menu;
    StartCamera();
    PostMessage(HandleOf(video.Control()), 0x007B, 0, 0); // windowed: not the control's to answer
    QCoreApplication::processEvents();
    EXPECT_FALSE(menu.isVisible());
    video.SetFullScreen(true);
    PostMessage(HandleOf(video.Control()), 0x007B, 0, 0);
    ASSERT_TRUE(ProcessEventsUntil([&] { return menu.isVisible(); }));
    menu.hide();
    video.SetFullScreen(false);
    video.PopupMenu = nullptr;
}

TEST_F(CaptureComponents, MouseInputDrainedFromTheRenderersWindowReachesTheControl) {
    QPoint pressed;
    video.OnMouseDown = [&](TVideoWindow&, Qt::MouseButton, QPoint at) { pressed = at; };
    StartCamera();
    PostMessage(HandleOf(video.Control()), WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(12, 34));
    ASSERT_TRUE(ProcessEventsUntil([&] { return !pressed.isNull(); }));
    EXPECT_EQ(pressed, QPoint(12, 34));
}

TEST_F(CaptureComponents, FullScreenRequestedBeforeRunOnlyRecordsTheValue) {
    video.SetFullScreen(true);
    EXPECT_TRUE(video.FullScreen());
    EXPECT_EQ(video.VideoHandle(), HandleOf(video.Control())) << "no renderer yet";
    video.SetFullScreen(false);
}

TEST_F(CaptureComponents, ClearGraphLeavesTheThreeMemberFiltersUnconnected) {
    StartCamera();
    graph.ClearGraph();
    ComPtr<IEnumFilters> filters;
    ASSERT_EQ(graph.Graph()->EnumFilters(filters.Receive()), S_OK);
    int count = 0;
    ComPtr<IBaseFilter> each;
    while (filters->Next(1, each.Receive(), nullptr) == S_OK)
        ++count;
    EXPECT_EQ(count, 3);
    FILTER_STATE state = State_Running;
    video.Query<IBaseFilter>()->GetState(0, &state);
    EXPECT_EQ(state, State_Stopped);
    TPinList pins(video.Query<IBaseFilter>().Get());
    ASSERT_GT(pins.Count(), 0);
    EXPECT_FALSE(pins.Connected(0));
}

TEST_F(CaptureComponents, AnErrorInOnBufferStaysOffTheStreamingThread) {
    std::atomic<int> calls{0};
    grabber.OnBuffer = [&](TSampleGrabber&, double, uint8_t*, int32_t) {
        ++calls;
        throw std::runtime_error("handler failed");
    };
    std::atomic<int> reported{0};
    SetApplicationErrorHandler([&](const std::exception&) { ++reported; });
    StartCamera();
    ASSERT_TRUE(ProcessEventsUntil([&] { return calls >= 3; })) << "frames keep coming";
    graph.Stop();
    SetApplicationErrorHandler(nullptr);
    EXPECT_GE(reported, 3);
}

TEST_F(CaptureComponents, TheComponentsAnswerForTheirFiltersOnlyWhileActive) {
    EXPECT_FALSE(grabber.Query<IBaseFilter>());
    EXPECT_FALSE(video.Query<IBaseFilter>());
    EXPECT_FALSE(graph.Query<ICaptureGraphBuilder2>());
    EXPECT_TRUE(grabber.MediaType().Record().majortype == MEDIATYPE_Video);
    EXPECT_TRUE(grabber.MediaType().Record().subtype == MEDIASUBTYPE_RGB24);
    EXPECT_TRUE(TSampleGrabber::SampleGrabberAvailable());
}

} // namespace
