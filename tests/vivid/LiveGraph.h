#pragma once

#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "platform/media/cameras/V4l2Modes.h"
#include "platform/media/core/CaptureBuilderInterfaces.h"
#include "platform/media/core/GraphInterfaces.h"
#include "platform/media/core/SampleGrabberInterface.h"
#include "platform/media/core/VideoFormat.h"
#include "tests/vivid/ColourBars.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// Counts the frames the sample grabber hands over and keeps a copy of the latest.
class FrameKeeper final : public ComObject<ISampleGrabberCB> {
public:
    HRESULT SampleCB(double, IMediaSample*) override { return S_OK; }
    HRESULT BufferCB(double, uint8_t* buffer, int32_t length) override;
    bool WaitForFrames(int count, std::chrono::milliseconds timeout = std::chrono::seconds(10));
    int Frames();
    std::vector<uint8_t> Latest();

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int frames_ = 0;
    std::vector<uint8_t> latest_;
};

// Capture source → sample grabber (24-bit RGB) → video renderer, connected by the capture graph
// builder in a filter graph manager, as the program's live capture does. With `mode`, the
// capture pin is asked for that size and subtype first, as the window's camera menu does.
class LiveGraph {
public:
    explicit LiveGraph(const std::string& node, const std::optional<VideoFormat>& mode = std::nullopt);
    ~LiveGraph();
    LiveGraph(const LiveGraph&) = delete;
    LiveGraph& operator=(const LiveGraph&) = delete;

    HRESULT Run();
    HRESULT Stop();
    // The connected picture: what the grabber's input negotiated.
    std::optional<VideoFormat> Connected();
    // What the capture pin is connected with, whatever its subtype.
    std::optional<VideoFormat> Captured();
    // Waits for the graph event `code`; false when another ending event or none comes.
    bool WaitForEvent(int32_t code, LONG_PTR* param1 = nullptr,
                      std::chrono::milliseconds timeout = std::chrono::seconds(15));

    ComPtr<IGraphBuilder> graph;
    ComPtr<ICaptureGraphBuilder2> builder;
    ComPtr<IBaseFilter> source, grabberFilter, rendererFilter;
    ComPtr<FrameKeeper> frames = ComPtr<FrameKeeper>::Adopt(new FrameKeeper);
    HRESULT bound = E_FAIL;
    HRESULT chosen = E_FAIL;
    HRESULT rendered = E_FAIL;
};

// Prints the modes the node lists ("YUYV 640x360, 40.00 frames a second") and the best of them
// by the program's rule, which it returns.
std::optional<V4l2Mode> PrintV4l2Modes(const std::string& node);
