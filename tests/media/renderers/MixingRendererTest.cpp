#include "platform/media/renderers/MixingRenderer.h"
#include "platform/media/renderers/VideoRendererWidget.h"
#include "platform/windows/WindowServices.h"
#include "tests/media/support/CountingAllocator.h"
#include "tests/media/support/FakeGraph.h"
#include "tests/media/support/GrabberTestSupport.h"
#include "tests/support/QtTestMain.h"

#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

// A bottom-up 24-bit frame: the top half red, the bottom half blue.
std::vector<uint8_t> RedOverBlue(int width, int height) {
    const int stride = (width * 3 + 3) / 4 * 4;
    std::vector<uint8_t> frame(static_cast<size_t>(stride) * height);
    for (int row = 0; row < height; ++row)
        for (int x = 0; x < width; ++x)
            frame[static_cast<size_t>(row) * stride + x * 3 + (row < height / 2 ? 0 : 2)] = 255;
    return frame;
}

// A mixing renderer in a fake graph, fed on its first input by a test source of 24-bit
// `width` x `height` frames once Connect is called.
struct MixingChain {
    explicit MixingChain(DWORD mode = VMR9Mode_Windowed) {
        filter = ComPtr<IBaseFilter>::Adopt(renderer = new MixingRenderer);
        config = filter.As<IVMRFilterConfig9>();
        EXPECT_EQ(config->SetRenderingMode(mode), S_OK);
        filter->JoinFilterGraph(graph.Get(), u"VMR9");
    }
    ~MixingChain() {
        filter->Stop();
        if (source) {
            source->Output().Disconnect();
            input->Disconnect();
        }
        filter->JoinFilterGraph(nullptr, nullptr);
    }
    void Connect(int32_t width, int32_t height) {
        sourceFilter = TestSource::Create({RgbVideoType(width, height)}, &source);
        ASSERT_EQ(filter->FindPin(u"VMR Input0", input.Receive()), S_OK);
        ASSERT_EQ(source->Output().Connect(input.Get(), nullptr), S_OK);
    }
    HRESULT Push(std::vector<uint8_t>& frame) {
        auto sample = MediaSample::Create(frame.data(), static_cast<int32_t>(frame.size()),
                                          static_cast<int32_t>(frame.size()), 0, 1);
        return source->Output().Deliver(sample.Get());
    }
    int DeviceEvents() {
        int count = 0;
        for (const FakeGraph::Event& event : graph->Events())
            count += event.code == EC_VMR_RENDERDEVICE_SET;
        return count;
    }

    ComPtr<FakeGraph> graph = ComPtr<FakeGraph>::Adopt(new FakeGraph);
    MixingRenderer* renderer = nullptr;
    ComPtr<IBaseFilter> filter;
    ComPtr<IVMRFilterConfig9> config;
    TestSource* source = nullptr;
    ComPtr<IBaseFilter> sourceFilter;
    ComPtr<IPin> input;
};

TEST(MixingRenderer, ConfigurationValuesAreCheckedAndReadBack) {
    auto filter = ComPtr<IBaseFilter>::Adopt(new MixingRenderer);
    auto config = filter.As<IVMRFilterConfig9>();
    auto aspect = filter.As<IVMRAspectRatioControl9>();
    ASSERT_TRUE(config && aspect);
    DWORD value = 0;
    config->GetRenderingMode(&value);
    EXPECT_EQ(value, VMR9Mode_Windowed);
    for (DWORD mode : {0u, 3u, 8u})
        EXPECT_EQ(config->SetRenderingMode(mode), E_INVALIDARG) << mode;
    EXPECT_EQ(config->SetRenderingMode(VMR9Mode_Renderless), S_OK);
    config->GetRenderingMode(&value);
    EXPECT_EQ(value, VMR9Mode_Renderless);

    EXPECT_EQ(config->SetNumberOfStreams(0), E_INVALIDARG);
    EXPECT_EQ(config->SetNumberOfStreams(17), E_INVALIDARG);
    ASSERT_EQ(config->SetNumberOfStreams(16), S_OK);
    config->GetNumberOfStreams(&value);
    EXPECT_EQ(value, 16u);
    ComPtr<IPin> last;
    EXPECT_EQ(filter->FindPin(u"VMR Input15", last.Receive()), S_OK) << "one input pin a stream";

    EXPECT_EQ(config->SetRenderingPrefs(0x40), E_INVALIDARG);
    ASSERT_EQ(
        config->SetRenderingPrefs(VMRRenderPrefs_ForceOffscreen | VMRRenderPrefs_PreferAGPMemWhenMixing),
        S_OK);
    config->GetRenderingPrefs(&value);
    EXPECT_EQ(value, 0x21u);

    EXPECT_EQ(aspect->SetAspectRatioMode(2), E_INVALIDARG);
    ASSERT_EQ(aspect->SetAspectRatioMode(VMR9ARMode_LetterBox), S_OK);
    aspect->GetAspectRatioMode(&value);
    EXPECT_EQ(value, VMR9ARMode_LetterBox);
}

TEST(MixingRenderer, ModeAndStreamsAreFixedOnceAnInputIsConnected) {
    MixingChain chain;
    chain.Connect(8, 6);
    EXPECT_EQ(chain.config->SetRenderingMode(VMR9Mode_Windowless), VFW_E_WRONG_STATE);
    EXPECT_EQ(chain.config->SetNumberOfStreams(2), VFW_E_WRONG_STATE);
    EXPECT_EQ(chain.config->SetRenderingMode(VMR9Mode_Windowed), S_OK) << "the same mode again";
}

TEST(MixingRenderer, EachModeAnswersOnlyItsOwnControl) {
    auto filter = ComPtr<IBaseFilter>::Adopt(new MixingRenderer);
    auto config = filter.As<IVMRFilterConfig9>();
    const auto answers = [&] {
        return std::vector<bool>{bool(filter.As<IVideoWindow>()), bool(filter.As<IVMRWindowlessControl9>()),
                                 bool(filter.As<IVMRSurfaceAllocatorNotify9>())};
    };
    EXPECT_EQ(answers(), std::vector<bool>({true, false, false}));
    config->SetRenderingMode(VMR9Mode_Windowless);
    EXPECT_EQ(answers(), std::vector<bool>({false, true, false}));
    config->SetRenderingMode(VMR9Mode_Renderless);
    EXPECT_EQ(answers(), std::vector<bool>({false, false, true}));
}

TEST(MixingRenderer, WindowedShowsFramesInItsOwnWindowAndAnnouncesItsDeviceOnce) {
    MixingChain chain(VMR9Mode_Windowed);
    chain.Connect(8, 6);
    const HWND window = chain.renderer->Window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(GetClassName(window), "VideoRenderer");
    auto videoWindow = chain.filter.As<IVideoWindow>();
    ASSERT_EQ(videoWindow->SetWindowPosition(0, 0, 80, 60), S_OK);
    std::vector<uint8_t> frame = RedOverBlue(8, 6);
    EXPECT_EQ(chain.Push(frame), VFW_E_WRONG_STATE) << "a stopped renderer draws nothing";
    EXPECT_EQ(chain.DeviceEvents(), 0);
    ASSERT_EQ(chain.filter->Run(0), S_OK);
    ASSERT_EQ(chain.Push(frame), S_OK);
    ASSERT_EQ(chain.Push(frame), S_OK);
    auto& widget = *static_cast<VideoRendererWidget*>(WidgetOf(window));
    ASSERT_TRUE(ProcessEventsUntil([&] { return widget.FramesPainted() >= 1; }));
    const QImage shown = widget.grab().toImage();
    EXPECT_EQ(QColor(shown.pixel(40, 5)), QColor(Qt::red));
    EXPECT_EQ(QColor(shown.pixel(40, 55)), QColor(Qt::blue));
    EXPECT_EQ(chain.DeviceEvents(), 1);
    chain.filter->Stop();
    chain.filter->Run(0);
    chain.Push(frame);
    EXPECT_EQ(chain.DeviceEvents(), 2) << "announced again after a stop";
}

TEST(MixingRenderer, WindowlessDrawsIntoTheClippingWindowAtTheDestination) {
    QWidget host;
    host.resize(200, 100);
    QPalette green = host.palette();
    green.setColor(QPalette::Window, Qt::green);
    host.setPalette(green);
    host.setAutoFillBackground(true);
    host.show();
    MixingChain chain(VMR9Mode_Windowless);
    chain.Connect(8, 6);
    auto windowless = chain.filter.As<IVMRWindowlessControl9>();
    ASSERT_TRUE(windowless);
    ASSERT_EQ(windowless->SetVideoClippingWindow(HandleOf(&host)), S_OK);
    const RECT destination{20, 10, 100, 90};
    ASSERT_EQ(windowless->SetVideoPosition(nullptr, &destination), S_OK);
    RECT source{}, read{};
    ASSERT_EQ(windowless->GetVideoPosition(&source, &read), S_OK);
    EXPECT_EQ(std::vector<LONG>({source.left, source.top, source.right, source.bottom}),
              std::vector<LONG>({0, 0, 8, 6}))
        << "no source set: the whole picture";
    EXPECT_EQ(read.right, 100);
    LONG width = 0, height = 0;
    ASSERT_EQ(windowless->GetNativeVideoSize(&width, &height, nullptr, nullptr), S_OK);
    EXPECT_EQ(width, 8);
    EXPECT_EQ(height, 6);
    const RECT inverted{10, 10, 5, 5};
    EXPECT_EQ(windowless->SetVideoPosition(nullptr, &inverted), E_INVALIDARG);

    chain.filter->Run(0);
    std::vector<uint8_t> frame = RedOverBlue(8, 6);
    ASSERT_EQ(chain.Push(frame), S_OK);
    auto& painter = *static_cast<VideoRendererWidget*>(WidgetOf(chain.renderer->WindowlessPainter()));
    ASSERT_TRUE(ProcessEventsUntil([&] { return painter.FramesPainted() >= 1; }));
    QImage shown = host.grab().toImage();
    EXPECT_EQ(QColor(shown.pixel(60, 12)), QColor(Qt::red)) << "stretched: the top of the destination";
    EXPECT_EQ(QColor(shown.pixel(60, 88)), QColor(Qt::blue));
    EXPECT_EQ(QColor(shown.pixel(5, 5)), QColor(Qt::green)) << "outside the destination";

    // Letter box: a 4:3 picture in the 80 x 80 destination leaves bars above and below.
    ASSERT_EQ(windowless->SetAspectRatioMode(VMR9ARMode_LetterBox), S_OK);
    shown = host.grab().toImage();
    EXPECT_EQ(QColor(shown.pixel(60, 12)), QColor(Qt::black));
    EXPECT_EQ(QColor(shown.pixel(60, 22)), QColor(Qt::red));
}

TEST(MixingRenderer, LetterBoxKeepsThePicturesProportionsCentred) {
    EXPECT_EQ(VideoRendererWidget::LetterBox(QSize(4, 3), QRect(0, 0, 200, 100)), QRect(33, 0, 133, 100));
    EXPECT_EQ(VideoRendererWidget::LetterBox(QSize(4, 3), QRect(10, 20, 100, 200)), QRect(10, 82, 100, 75));
    EXPECT_EQ(VideoRendererWidget::LetterBox(QSize(8, 6), QRect(0, 0, 40, 30)), QRect(0, 0, 40, 30));
    EXPECT_EQ(VideoRendererWidget::LetterBox(QSize(), QRect(0, 0, 40, 30)), QRect(0, 0, 40, 30));
}

TEST(MixingRenderer, RenderlessHandsEveryFrameToTheAdvisedAllocatorOnTheStreamingThread) {
    std::atomic<bool> destroyed{false};
    {
        MixingChain chain(VMR9Mode_Renderless);
        chain.Connect(8, 6);
        auto notify = chain.filter.As<IVMRSurfaceAllocatorNotify9>();
        ASSERT_TRUE(notify);
        auto allocator = ComPtr<CountingAllocator>::Adopt(new CountingAllocator(&destroyed));
        ASSERT_EQ(notify->AdviseSurfaceAllocator(7, allocator.Get()), S_OK);
        allocator->AdviseNotify(notify.Get());
        notify.Reset();
        chain.filter->Run(0);
        std::vector<uint8_t> frame = RedOverBlue(8, 6);
        std::thread streaming([&] {
            for (int k = 0; k < 3; ++k)
                chain.Push(frame);
        });
        streaming.join();
        EXPECT_EQ(allocator->frames, 3);
        EXPECT_EQ(allocator->lastUserId, 7u);
        EXPECT_EQ(allocator->lastWidth, 8);
        EXPECT_EQ(allocator->lastFirstByte, 255) << "the bytes as they came";
        EXPECT_EQ(chain.DeviceEvents(), 1);
        allocator.Reset();
        EXPECT_FALSE(destroyed) << "the renderer holds it while in its graph";
    }
    EXPECT_TRUE(destroyed) << "leaving the graph let the allocator, and its hold on the renderer, go";
}

} // namespace
