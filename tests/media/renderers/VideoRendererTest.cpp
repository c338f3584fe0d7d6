#include "platform/media/renderers/VideoRenderer.h"
#include "platform/media/renderers/VideoRendererWidget.h"
#include "platform/windows/WindowServices.h"
#include "tests/media/support/FakeGraph.h"
#include "tests/media/support/GrabberTestSupport.h"
#include "tests/support/QtTestMain.h"

#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

#include <future>

namespace {

const GUID kRgb32{0xE436EB7E, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
const GUID kYuy2{0x32595559, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

ScopedMediaType WithSubtype(ScopedMediaType type, const GUID& subtype, int bitCount) {
    type->subtype = subtype;
    reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat)->bmiHeader.biBitCount =
        static_cast<uint16_t>(bitCount);
    return type;
}

// A renderer fed by a test source over a connected 24-bit type of `width` x `height`.
struct RendererChain {
    RendererChain(int32_t width, int32_t height, FakeGraph* graph = nullptr) {
        rendererFilter = ComPtr<IBaseFilter>::Adopt(renderer = new VideoRenderer);
        if (graph)
            rendererFilter->JoinFilterGraph(graph, u"Renderer");
        sourceFilter = TestSource::Create({RgbVideoType(width, height)}, &source);
        rendererFilter->FindPin(u"Input", input.Receive());
        EXPECT_EQ(source->Output().Connect(input.Get(), nullptr), S_OK);
        window = rendererFilter.As<IVideoWindow>();
    }
    ~RendererChain() {
        rendererFilter->Stop();
        source->Output().Disconnect();
        input->Disconnect();
        rendererFilter->JoinFilterGraph(nullptr, nullptr);
    }
    HRESULT Push(std::vector<uint8_t>& frame) {
        auto sample = MediaSample::Create(frame.data(), static_cast<int32_t>(frame.size()),
                                          static_cast<int32_t>(frame.size()), 0, 1);
        return source->Output().Deliver(sample.Get());
    }
    VideoRendererWidget& Widget() { return *static_cast<VideoRendererWidget*>(WidgetOf(renderer->Window())); }

    VideoRenderer* renderer = nullptr;
    TestSource* source = nullptr;
    ComPtr<IBaseFilter> rendererFilter, sourceFilter;
    ComPtr<IPin> input;
    ComPtr<IVideoWindow> window;
};

// A bottom-up 24-bit frame: the bottom half (first in memory) blue, the top half red.
std::vector<uint8_t> TwoBandFrame(int width, int height) {
    const int stride = (width * 3 + 3) / 4 * 4;
    std::vector<uint8_t> frame(static_cast<size_t>(stride) * height);
    for (int row = 0; row < height; ++row)
        for (int x = 0; x < width; ++x) {
            uint8_t* pixel = &frame[static_cast<size_t>(row) * stride + x * 3];
            const bool bottom = row < height / 2;
            pixel[0] = bottom ? 255 : 0; // blue
            pixel[2] = bottom ? 0 : 255; // red
        }
    return frame;
}

TEST(VideoRenderer, AcceptsRgb24AndRgb32VideoInfoOnly) {
    auto filter = ComPtr<IBaseFilter>::Adopt(new VideoRenderer);
    ComPtr<IPin> input;
    ASSERT_EQ(filter->FindPin(u"Input", input.Receive()), S_OK);
    EXPECT_EQ(input->QueryAccept(&RgbVideoType(64, 48)), S_OK);
    EXPECT_EQ(input->QueryAccept(&WithSubtype(RgbVideoType(64, 48), kRgb32, 32)), S_OK);
    EXPECT_EQ(input->QueryAccept(&WithSubtype(RgbVideoType(64, 48), kYuy2, 16)), S_FALSE);
    EXPECT_EQ(input->QueryAccept(&WithSubtype(RgbVideoType(64, 48), MEDIASUBTYPE_RGB24, 32)), S_FALSE)
        << "the subtype and the bit count must agree";
    ScopedMediaType noFormat = VideoType(MEDIASUBTYPE_RGB24);
    EXPECT_EQ(input->QueryAccept(&noFormat), S_FALSE);
}

TEST(VideoRenderer, ConnectingQueuesTheVideoSizeWithItsGraph) {
    auto graph = ComPtr<FakeGraph>::Adopt(new FakeGraph);
    RendererChain chain(320, 240, graph.Get());
    const auto events = graph->Events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].code, EC_VIDEO_SIZE_CHANGED);
    EXPECT_EQ(events[0].param1 & 0xFFFF, 320);
    EXPECT_EQ((events[0].param1 >> 16) & 0xFFFF, 240);
    EXPECT_EQ(GetClassName(chain.renderer->Window()), "VideoRenderer");
}

TEST(VideoRenderer, DrawsTheNewestFrameScaledAndTheRightWayUp) {
    RendererChain chain(8, 6);
    std::vector<uint8_t> frame = TwoBandFrame(8, 6);
    EXPECT_EQ(chain.Push(frame), VFW_E_WRONG_STATE) << "a stopped renderer draws nothing";
    ASSERT_EQ(chain.rendererFilter->Run(0), S_OK);
    ASSERT_EQ(chain.window->SetWindowPosition(10, 20, 80, 60), S_OK);
    ASSERT_EQ(chain.Push(frame), S_OK);
    ASSERT_TRUE(ProcessEventsUntil([&] { return chain.Widget().FramesPainted() >= 1; }));
    const QImage shown = chain.Widget().grab().toImage();
    ASSERT_EQ(shown.size(), QSize(80, 60));
    EXPECT_EQ(QColor(shown.pixel(40, 5)), QColor(Qt::red)) << "top";
    EXPECT_EQ(QColor(shown.pixel(40, 55)), QColor(Qt::blue)) << "bottom";

    std::vector<uint8_t> shortFrame(10);
    EXPECT_EQ(chain.Push(shortFrame), E_INVALIDARG) << "a sample shorter than the picture";
}

TEST(VideoRenderer, TheStreamingThreadNeverWaitsForTheGuiThread) {
    RendererChain chain(16, 16);
    chain.rendererFilter->Run(0);
    std::vector<uint8_t> frame = TwoBandFrame(16, 16);
    // The GUI thread processes no events meanwhile: every push must still return.
    auto pushed = std::async(std::launch::async, [&] {
        for (int k = 0; k < 200; ++k)
            if (chain.Push(frame) != S_OK)
                return false;
        return true;
    });
    ASSERT_EQ(pushed.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_TRUE(pushed.get());
    EXPECT_EQ(chain.renderer->Slot()->FramesPut(), 200u);
    ASSERT_TRUE(ProcessEventsUntil([&] { return chain.Widget().FramesPainted() >= 1; }));
    EXPECT_LT(chain.Widget().FramesPainted(), 200u) << "older frames are replaced, not queued";
}

TEST(VideoRenderer, VideoWindowPlacesStylesCaptionsAndShowsItsWindow) {
    QWidget owner;
    owner.resize(400, 300);
    QWidget drain(&owner);
    RendererChain chain(64, 48);
    IVideoWindow& window = *chain.window;
    const HWND renderer = chain.renderer->Window();

    ASSERT_EQ(window.put_Owner(reinterpret_cast<OAHWND>(HandleOf(&owner))), S_OK);
    ASSERT_EQ(window.put_WindowStyle(static_cast<LONG>(WS_CHILD | WS_CLIPSIBLINGS)), S_OK);
    ASSERT_EQ(window.put_WindowStyleEx(0x100), S_OK);
    OAHWND ownerValue = 0;
    window.get_Owner(&ownerValue);
    EXPECT_EQ(reinterpret_cast<HWND>(ownerValue), HandleOf(&owner));
    EXPECT_EQ(WidgetOf(renderer)->parentWidget(), &owner);
    LONG style = 0;
    window.get_WindowStyle(&style);
    EXPECT_EQ(static_cast<DWORD>(style) & (WS_CHILD | WS_CLIPSIBLINGS), WS_CHILD | WS_CLIPSIBLINGS);
    window.get_WindowStyleEx(&style);
    EXPECT_EQ(style, 0x100);
    EXPECT_EQ(window.put_WindowStyle(static_cast<LONG>(WS_CHILD | 0x00200000)), E_INVALIDARG);

    ASSERT_EQ(window.SetWindowPosition(5, 6, 120, 90), S_OK);
    LONG left = 0, top = 0, width = 0, height = 0;
    ASSERT_EQ(window.GetWindowPosition(&left, &top, &width, &height), S_OK);
    EXPECT_EQ(std::vector<LONG>({left, top, width, height}), std::vector<LONG>({5, 6, 120, 90}));
    EXPECT_EQ(WidgetOf(renderer)->geometry(), QRect(5, 6, 120, 90));

    BSTR caption = SysAllocString(u"VideoWindow");
    ASSERT_EQ(window.put_Caption(caption), S_OK);
    SysFreeString(caption);
    BSTR read = nullptr;
    ASSERT_EQ(window.get_Caption(&read), S_OK);
    EXPECT_EQ(std::u16string(read), u"VideoWindow");
    SysFreeString(read);
    EXPECT_EQ(FindWindowEx(HandleOf(&owner), nullptr, "VideoRenderer", "VideoWindow"), renderer);

    ASSERT_EQ(window.put_MessageDrain(reinterpret_cast<OAHWND>(HandleOf(&drain))), S_OK);
    OAHWND drainValue = 0;
    window.get_MessageDrain(&drainValue);
    EXPECT_EQ(reinterpret_cast<HWND>(drainValue), HandleOf(&drain));

    owner.show();
    LONG visible = 0;
    ASSERT_EQ(window.put_Visible(OATRUE), S_OK);
    window.get_Visible(&visible);
    EXPECT_EQ(visible, OATRUE);
    ASSERT_EQ(window.put_Visible(OAFALSE), S_OK);
    window.get_Visible(&visible);
    EXPECT_EQ(visible, OAFALSE);
    EXPECT_EQ(window.put_WindowState(0), E_NOTIMPL);
    window.put_Owner(0); // back to a window of its own before the owner goes
}

} // namespace
