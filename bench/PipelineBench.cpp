// The capture pipeline at full speed: a 1920x1080 test-pattern camera, unpaced, through the
// sample grabber into a renderer (the classic one, or the mixing renderer windowed or handing
// frames to an allocator), with the GUI thread painting on Qt's offscreen platform. Prints frames a second
// and the streaming thread's CPU time a frame, split into the pattern's drawing (the camera's own work), the
// grabber callback, and the rest (the runtime).

#include "platform/media/converters/ColourConversion.h"
#include "platform/media/core/DeviceEnumInterfaces.h"
#include "platform/media/core/VideoWindowInterface.h"
#include "platform/media/core/VmrInterfaces.h"
#include "platform/media/filters/SampleGrabber.h"
#include "platform/media/pins/PinQueries.h"
#include "platform/media/renderers/MixingRenderer.h"
#include "platform/media/renderers/VideoRenderer.h"
#include "platform/media/sources/CaptureSourceFilter.h"
#include "platform/media/sources/PatternFrameSource.h"
#include "platform/media/sources/TestPattern.h"

#include <QApplication>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kWarmUp = 20;
constexpr int kFrames = 300;

double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec * 1e-9;
}

double ProcessCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec * 1e-9;
}

double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Counts frames and takes the streaming thread's CPU clock at the first and last measured one;
// the time spent inside the callback itself is summed apart.
class CountingCallback final : public ComObject<ISampleGrabberCB> {
public:
    HRESULT SampleCB(double, IMediaSample*) override { return S_OK; }
    HRESULT BufferCB(double, uint8_t* buffer, int32_t length) override {
        const double entered = ThreadCpuSeconds();
        const int frame = frames.load(std::memory_order_relaxed);
        if (frame == kWarmUp) {
            cpuStart = entered;
            wallStart = WallSeconds();
        }
        if (frame >= kWarmUp && frame < kWarmUp + kFrames) {
            checksum += buffer[length / 2]; // touch the frame, as a real callback would
            inCallback += ThreadCpuSeconds() - entered;
        }
        if (frame == kWarmUp + kFrames) {
            cpuEnd = entered;
            wallEnd = WallSeconds();
        }
        frames.store(frame + 1, std::memory_order_release);
        return S_OK;
    }

    std::atomic<int> frames{0};
    // Written by the streaming thread, read after it has stopped.
    double cpuStart = 0, cpuEnd = 0, wallStart = 0, wallEnd = 0, inCallback = 0;
    unsigned checksum = 0;
};

// A renderless client's allocator that only counts what it is handed.
class DiscardingAllocator final : public ComObject<IVMRSurfaceAllocator9> {
public:
    HRESULT PresentImage(DWORD_PTR, const VmrFrame*) override {
        frames.fetch_add(1, std::memory_order_relaxed);
        return S_OK;
    }
    HRESULT AdviseNotify(IVMRSurfaceAllocatorNotify9*) override { return S_OK; }
    std::atomic<int> frames{0};
};

enum class RendererKind { Classic, MixingWindowed, MixingRenderless };

const char* NameOf(RendererKind kind) {
    switch (kind) {
    case RendererKind::Classic:
        return "classic video renderer";
    case RendererKind::MixingWindowed:
        return "mixing renderer, windowed";
    case RendererKind::MixingRenderless:
        return "mixing renderer, renderless";
    }
    return "";
}

// The renderer of the kind, placed in a 640x360 window where it has one.
ComPtr<IBaseFilter> MakeRenderer(RendererKind kind, const ComPtr<DiscardingAllocator>& allocator) {
    if (kind == RendererKind::Classic) {
        auto renderer = ComPtr<VideoRenderer>::Adopt(new VideoRenderer);
        renderer->SetWindowPosition(0, 0, 640, 360);
        return ComPtr<IBaseFilter>(renderer.Get());
    }
    auto renderer = ComPtr<MixingRenderer>::Adopt(new MixingRenderer);
    auto config = renderer.As<IVMRFilterConfig9>();
    if (kind == RendererKind::MixingWindowed) {
        config->SetRenderingMode(VMR9Mode_Windowed);
        renderer.As<IVideoWindow>()->SetWindowPosition(0, 0, 640, 360);
    } else {
        config->SetRenderingMode(VMR9Mode_Renderless);
        renderer.As<IVMRSurfaceAllocatorNotify9>()->AdviseSurfaceAllocator(0, allocator.Get());
    }
    return ComPtr<IBaseFilter>(renderer.Get());
}

ComPtr<IPin> PinOf(IBaseFilter* filter, const char16_t* name) {
    ComPtr<IPin> pin;
    filter->FindPin(name, pin.Receive());
    return pin;
}

// Drawing the pattern alone, per frame: the camera's work, not the runtime's.
double PatternSecondsPerFrame() {
    const int stride = Rgb24Stride(kWidth);
    std::vector<uint8_t> frame(static_cast<size_t>(stride) * kHeight);
    const double start = ThreadCpuSeconds();
    for (int k = 0; k < 60; ++k)
        RenderTestPattern(frame.data(), kWidth, kHeight, stride, static_cast<uint64_t>(k));
    return (ThreadCpuSeconds() - start) / 60;
}

double CopySecondsPerFrame() {
    const size_t size = static_cast<size_t>(Rgb24Stride(kWidth)) * kHeight;
    std::vector<uint8_t> from(size, 1), to(size);
    const double start = ThreadCpuSeconds();
    for (int k = 0; k < 60; ++k) {
        from[k] = static_cast<uint8_t>(k);
        std::memcpy(to.data(), from.data(), size);
    }
    const double seconds = (ThreadCpuSeconds() - start) / 60;
    return to[7] == 255 ? 0 : seconds;
}

void RunOnce(QApplication& application, RendererKind kind, bool bufferSamples) {
    const VideoFormat format{kWidth, kHeight, 0};
    auto source = CaptureSourceFilter::Create(
        CLSID_VirtualCameraSource, "pattern:1920x1080 unpaced", {format},
        [](const VideoFormat& f) { return std::make_unique<PatternFrameSource>(f, false); });
    auto grabber = ComPtr<SampleGrabber>::Adopt(new SampleGrabber);
    auto allocator = ComPtr<DiscardingAllocator>::Adopt(new DiscardingAllocator);
    const ComPtr<IBaseFilter> renderer = MakeRenderer(kind, allocator);
    auto callback = ComPtr<CountingCallback>::Adopt(new CountingCallback);
    grabber->SetBufferSamples(bufferSamples ? TRUE : FALSE);
    grabber->SetCallback(callback.Get(), 1);
    PinOf(source.Get(), u"Capture")->Connect(PinOf(grabber.Get(), u"Input").Get(), nullptr);
    const ComPtr<IPin> rendererInput = PinsOf(renderer.Get(), PINDIR_INPUT).front();
    PinOf(grabber.Get(), u"Output")->Connect(rendererInput.Get(), nullptr);

    const double processStart = ProcessCpuSeconds();
    renderer->Run(0);
    grabber->Run(0);
    source->Run(0);
    while (callback->frames.load(std::memory_order_acquire) <= kWarmUp + kFrames)
        application.processEvents(QEventLoop::AllEvents, 5);
    source->Stop();
    grabber->Stop();
    renderer->Stop();
    const double processCpu = ProcessCpuSeconds() - processStart;

    const double seconds = callback->wallEnd - callback->wallStart;
    const double streamingCpu = (callback->cpuEnd - callback->cpuStart) / kFrames;
    const double inCallback = callback->inCallback / kFrames;
    const double pattern = PatternSecondsPerFrame();
    const double copy = CopySecondsPerFrame();
    const double runtime = streamingCpu - inCallback - pattern;
    std::printf("%s; grabber keeps a copy: %s\n", NameOf(kind), bufferSamples ? "yes" : "no");
    std::printf("  frames a second:                         %8.1f\n", kFrames / seconds);
    std::printf("  streaming thread CPU a frame:            %8.3f ms\n", streamingCpu * 1e3);
    std::printf("    of it drawing the pattern (camera):    %8.3f ms\n", pattern * 1e3);
    std::printf("    of it inside the grabber callback:     %8.3f ms\n", inCallback * 1e3);
    std::printf("    runtime (the rest):                    %8.3f ms\n", runtime * 1e3);
    std::printf("  one frame copy (memcpy of %d bytes): %8.3f ms\n", Rgb24Stride(kWidth) * kHeight,
                copy * 1e3);
    std::printf("  runtime beyond one frame copy:           %8.3f ms\n", (runtime - copy) * 1e3);
    std::printf("  process CPU a frame (GUI painting too):  %8.3f ms\n",
                processCpu / (kWarmUp + kFrames + 1) * 1e3);

    PinOf(source.Get(), u"Capture")->Disconnect();
    PinOf(grabber.Get(), u"Input")->Disconnect();
    PinOf(grabber.Get(), u"Output")->Disconnect();
    rendererInput->Disconnect();
    if (kind == RendererKind::MixingRenderless)
        renderer.As<IVMRSurfaceAllocatorNotify9>()->AdviseSurfaceAllocator(0, nullptr);
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    std::printf("pipeline: %dx%d test pattern, unpaced -> sample grabber -> renderer (%d frames)\n", kWidth,
                kHeight, kFrames);
    for (const RendererKind kind :
         {RendererKind::Classic, RendererKind::MixingWindowed, RendererKind::MixingRenderless}) {
        RunOnce(application, kind, false);
        RunOnce(application, kind, true);
    }
    return 0;
}
