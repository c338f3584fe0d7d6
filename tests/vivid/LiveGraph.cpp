#include "tests/vivid/LiveGraph.h"

#include "platform/com/ClassRegistry.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/cameras/LibV4l2Access.h"
#include "platform/media/core/MediaType.h"
#include "platform/media/core/StreamConfigInterface.h"
#include "platform/media/devices/Directory.h"
#include "platform/media/pins/PinQueries.h"
#include "platform/media/renderers/VideoRenderer.h"
#include "platform/runtime/UnicodeText.h"

#include <array>
#include <cstdio>
#include <memory>

HRESULT FrameKeeper::BufferCB(double, uint8_t* buffer, int32_t length) {
    std::lock_guard lock(mutex_);
    latest_.assign(buffer, buffer + length);
    ++frames_;
    changed_.notify_all();
    return S_OK;
}

bool FrameKeeper::WaitForFrames(int count, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return frames_ >= count; });
}

int FrameKeeper::Frames() {
    std::lock_guard lock(mutex_);
    return frames_;
}

std::vector<uint8_t> FrameKeeper::Latest() {
    std::lock_guard lock(mutex_);
    return latest_;
}

LiveGraph::LiveGraph(const std::string& node, const std::optional<VideoFormat>& mode) {
    CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                     graph.ReceiveVoid());
    CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER, IID_ICaptureGraphBuilder2,
                     builder.ReceiveVoid());
    CoCreateInstance(CLSID_SampleGrabber, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                     grabberFilter.ReceiveVoid());
    CoCreateInstance(CLSID_VideoRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                     rendererFilter.ReceiveVoid());
    bound =
        DeviceDirectory::Bind({DeviceKind::V4l2, Utf8ToUtf16(node)}, IID_IBaseFilter, source.ReceiveVoid());
    if (!graph || !builder || !grabberFilter || !rendererFilter || FAILED(bound))
        return;
    builder->SetFiltergraph(graph.Get());
    graph->AddFilter(source.Get(), u"Kamera");
    graph->AddFilter(grabberFilter.Get(), u"SampleGrabber");
    graph->AddFilter(rendererFilter.Get(), u"VideoRenderer");
    if (mode) {
        ComPtr<IAMStreamConfig> config;
        builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, source.Get(), IID_IAMStreamConfig,
                               config.ReceiveVoid());
        if (AM_MEDIA_TYPE* type = CreateVideoMediaType(*mode); type && config) {
            chosen = config->SetFormat(type);
            DeleteMediaType(type);
        }
    }
    auto grabber = grabberFilter.As<ISampleGrabber>();
    AM_MEDIA_TYPE wanted{};
    wanted.majortype = MEDIATYPE_Video;
    wanted.subtype = MEDIASUBTYPE_RGB24;
    wanted.formattype = FORMAT_VideoInfo;
    grabber->SetMediaType(&wanted);
    grabber->SetCallback(frames.Get(), 1);
    rendered = builder->RenderStream(&PIN_CATEGORY_PREVIEW, nullptr, source.Get(), grabberFilter.Get(),
                                     rendererFilter.Get());
}

LiveGraph::~LiveGraph() {
    if (graph)
        graph.As<IMediaControl>()->Stop();
}

HRESULT LiveGraph::Run() {
    return graph.As<IMediaControl>()->Run();
}

HRESULT LiveGraph::Stop() {
    return graph.As<IMediaControl>()->Stop();
}

std::optional<VideoFormat> LiveGraph::Connected() {
    AM_MEDIA_TYPE type{};
    if (FAILED(grabberFilter.As<ISampleGrabber>()->GetConnectedMediaType(&type)))
        return std::nullopt;
    auto format = VideoFormatOf(type);
    FreeMediaType(type);
    return format;
}

std::optional<VideoFormat> LiveGraph::Captured() {
    const auto pins = PinsOf(source.Get(), PINDIR_OUTPUT);
    ScopedMediaType type;
    if (pins.empty() || FAILED(pins.front()->ConnectionMediaType(&type)))
        return std::nullopt;
    return AnyVideoFormatOf(type.Get());
}

bool LiveGraph::WaitForEvent(int32_t code, LONG_PTR* param1, std::chrono::milliseconds timeout) {
    using Clock = std::chrono::steady_clock;
    auto events = graph.As<IMediaEvent>();
    const auto end = Clock::now() + timeout;
    while (Clock::now() < end) {
        int32_t got = 0;
        LONG_PTR p1 = 0, p2 = 0;
        if (events->GetEvent(&got, &p1, &p2, 200) != S_OK)
            continue;
        if (got == code && param1)
            *param1 = p1;
        events->FreeEventParams(got, p1, p2);
        if (got == code)
            return true;
    }
    return false;
}

namespace {

void PrintMode(const char* heading, const V4l2Mode& mode) {
    const char fourcc[5] = {static_cast<char>(mode.pixelFormat), static_cast<char>(mode.pixelFormat >> 8),
                            static_cast<char>(mode.pixelFormat >> 16),
                            static_cast<char>(mode.pixelFormat >> 24), 0};
    std::printf("%s%s %dx%d, %.2f frames a second\n", heading, fourcc, mode.width, mode.height,
                mode.interval ? 1e7 / static_cast<double>(mode.interval) : 0.0);
}

} // namespace

std::optional<V4l2Mode> PrintV4l2Modes(const std::string& node) {
    const V4l2Node opened(std::make_shared<LibV4l2Access>("/dev"), node);
    const std::vector<V4l2Mode> modes = ListV4l2Modes(opened);
    std::printf("%s lists %zu modes:\n", node.c_str(), modes.size());
    for (const V4l2Mode& mode : modes)
        PrintMode("    ", mode);
    const auto best = BestV4l2Mode(modes);
    if (best)
        PrintMode("the best: ", *best);
    return best;
}
