#include "app/VirtualCamera.h"

#include "platform/com/ComObject.h"
#include "platform/media/outputs/PipeWireCameraOutput.h"
#include "platform/media/outputs/VirtualCameraOutput.h"

#include <numeric>

// The counts of whichever writer runs, so that viewers see one group across restarts; none while
// no writer runs. Read from the viewer server's thread.
class TVirtualCameraCounters final : public ComObject<ICounterSource, ICounterLabels> {
public:
    std::string CounterKind() override { return "virtual camera"; }
    void ReadCounters(NamedCounters& counters) override {
        if (const ComPtr<ICounterSource> current = Current())
            current->ReadCounters(counters);
    }
    void ReadLabels(NamedLabels& labels) override {
        const ComPtr<ICounterSource> current = Current();
        ComPtr<ICounterLabels> texts;
        if (current && SUCCEEDED(current->QueryInterface(IID_ICounterLabels, texts.ReceiveVoid())) && texts)
            texts->ReadLabels(labels);
    }
    void Follow(ComPtr<ICounterSource> source) {
        std::lock_guard lock(mutex_);
        current_ = std::move(source);
    }

private:
    ComPtr<ICounterSource> Current() {
        std::lock_guard lock(mutex_);
        return current_;
    }

    std::mutex mutex_; // guards current_
    ComPtr<ICounterSource> current_;
};

TVirtualCamera::TVirtualCamera(PictureReader reader)
    : reader_(std::move(reader)),
      counters_(ComPtr<TVirtualCameraCounters>::Adopt(new TVirtualCameraCounters)) {}

TVirtualCamera::~TVirtualCamera() {
    Stop();
}

std::vector<LoopbackOutput> TVirtualCamera::Outputs() const {
    return ListLoopbackOutputs(*V4l2Access::Current());
}

bool TVirtualCamera::PipeWireOffered() const {
    return PipeWireCameraOutputPossible();
}

void TVirtualCamera::Start(int width, int height, V4l2Interval interval) {
    std::unique_ptr<CameraOutput> output = Make(width, height, interval);
    counters_->Follow(output->Counters());
    device_ = output->Target() == kPipeWireCameraNodeName ? kPipeWireVirtualCamera : output->Target();
    Replace(std::move(output));
}

std::unique_ptr<CameraOutput> TVirtualCamera::Make(int width, int height, V4l2Interval interval) {
    const auto pipewire = [&] {
        // The node is let go first: a second one of the same name would confuse readers.
        Stop();
        return MakePipeWireCameraOutput({width, height, interval}, reader_);
    };
    if (requested_ == kPipeWireVirtualCamera)
        return pipewire();
    // The device written to now counts as free for this choice: it is let go first.
    std::vector<LoopbackOutput> outputs = Outputs();
    for (LoopbackOutput& output : outputs)
        if (output.path == device_) {
            output.free = true;
            output.otherWriter = false;
        }
    LoopbackOutput chosen;
    try {
        chosen = ChooseLoopbackOutput(outputs, requested_);
    } catch (const VirtualCameraError&) {
        // A loopback device reaches every program; PipeWire only those that read it.
        if (!requested_.empty() || !PipeWireOffered())
            throw;
        return pipewire();
    }
    Stop();
    return std::make_unique<VirtualCameraOutput>(
        V4l2Access::Current(), VirtualCameraSettings{chosen.path, width, height, interval}, reader_);
}

void TVirtualCamera::Stop() {
    Replace(nullptr);
    counters_->Follow(nullptr);
    device_.clear();
}

bool TVirtualCamera::Running() const {
    std::lock_guard lock(outputMutex_);
    return output_ != nullptr;
}

void TVirtualCamera::SetFrameInterval(V4l2Interval interval) {
    std::lock_guard lock(outputMutex_);
    if (output_)
        output_->SetFrameInterval(interval);
}

void TVirtualCamera::FrameReady(int64_t captureTime) {
    std::lock_guard lock(outputMutex_);
    if (output_)
        output_->FrameReady(captureTime);
}

ComPtr<ICounterSource> TVirtualCamera::Counters() const {
    return ComPtr<ICounterSource>(counters_.Get());
}

void TVirtualCamera::Replace(std::unique_ptr<CameraOutput> output) {
    std::unique_ptr<CameraOutput> previous;
    {
        std::lock_guard lock(outputMutex_);
        previous = std::move(output_);
        output_ = std::move(output);
    }
    previous.reset(); // joins its writer, outside the lock the streaming thread takes
}

V4l2Interval IntervalOfFrameTime(int64_t frameTime) {
    constexpr int64_t kUnits = 10'000'000;
    if (frameTime <= 0 || frameTime > kUnits * 60)
        return {1, 30};
    const int64_t common = std::gcd(frameTime, kUnits);
    return {static_cast<uint32_t>(frameTime / common), static_cast<uint32_t>(kUnits / common)};
}
