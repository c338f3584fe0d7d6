#include "platform/media/sources/CaptureSourceFilter.h"

#include "platform/media/pins/MediaSample.h"

#include <algorithm>
#include <chrono>

CaptureSourceFilter::CaptureSourceFilter(REFCLSID clsid, std::string device, std::vector<VideoFormat> formats,
                                         FrameSourceFactory factory)
    : MediaFilter(clsid), device_(std::move(device)), factory_(std::move(factory)),
      pin_(*this, std::move(formats)) {}

ComPtr<IBaseFilter> CaptureSourceFilter::Create(REFCLSID clsid, std::string device,
                                                std::vector<VideoFormat> formats,
                                                FrameSourceFactory factory) {
    return ComPtr<IBaseFilter>::Adopt(
        new CaptureSourceFilter(clsid, std::move(device), std::move(formats), std::move(factory)));
}

CaptureSourceFilter::~CaptureSourceFilter() {
    StopStreaming();
}

HRESULT CaptureSourceFilter::OutputPin::CheckMediaType(const AM_MEDIA_TYPE& type) {
    const auto format = AnyVideoFormatOf(type);
    if (!format)
        return S_FALSE;
    const bool offered = std::any_of(formats_.begin(), formats_.end(), [&](const VideoFormat& own) {
        return own.width == format->width && own.height == format->height && own.subtype == format->subtype;
    });
    return offered ? S_OK : S_FALSE;
}

std::vector<ScopedMediaType> CaptureSourceFilter::OutputPin::ProposedTypes() {
    std::vector<ScopedMediaType> types;
    for (const VideoFormat& format : formats_) {
        ScopedMediaType type;
        if (FillVideoMediaType(format, type.Get()))
            types.push_back(std::move(type));
    }
    return types;
}

HRESULT CaptureSourceFilter::OnRun(REFERENCE_TIME) {
    if (thread_.joinable())
        return S_OK; // paused while streaming: it goes on
    const ScopedMediaType connected = pin_.ConnectedType();
    const auto format = AnyVideoFormatOf(connected.Get());
    if (!pin_.IsConnected() || !format || !factory_)
        return S_OK; // nothing downstream: nothing to capture for
    std::unique_ptr<FrameSource> source = factory_(*format);
    if (!source)
        return E_OUTOFMEMORY;
    if (const HRESULT result = source->Start(); FAILED(result))
        return result;
    // The graph queues the thread's events; the reference lasts until the thread is joined.
    ComPtr<IMediaEventSink> events;
    if (IFilterGraph* graph = Graph())
        graph->QueryInterface(IID_IMediaEventSink, events.ReceiveVoid());
    FrameSource& streamed = *source;
    {
        std::lock_guard lock(sourceMutex_);
        source_ = std::move(source);
    }
    thread_ = std::thread(&CaptureSourceFilter::Stream, this, std::ref(streamed), std::move(events),
                          format->averageTimePerFrame);
    return S_OK;
}

HRESULT CaptureSourceFilter::OnPause(FILTER_STATE was) {
    // A live source sends nothing while paused.
    if (was == State_Running)
        StopStreaming();
    return S_OK;
}

HRESULT CaptureSourceFilter::OnStop() {
    StopStreaming();
    return S_OK;
}

void CaptureSourceFilter::StopStreaming() {
    if (source_)
        source_->Wake();
    if (thread_.joinable())
        thread_.join();
    std::unique_ptr<FrameSource> ended;
    {
        std::lock_guard lock(sourceMutex_);
        ended = std::move(source_);
    }
    ended.reset(); // closes the device
}

void CaptureSourceFilter::ReadCounters(NamedCounters& counters) {
    std::lock_guard lock(sourceMutex_);
    if (source_)
        source_->ReadCounters(counters);
}

void CaptureSourceFilter::Stream(FrameSource& source, ComPtr<IMediaEventSink> events,
                                 REFERENCE_TIME frameTime) {
    using Clock = std::chrono::steady_clock;
    using Units = std::chrono::duration<int64_t, std::ratio<1, 10'000'000>>;
    const Clock::time_point started = Clock::now();
    const auto deliver = [&](uint8_t* bits, int32_t length) {
        const REFERENCE_TIME start = std::chrono::duration_cast<Units>(Clock::now() - started).count();
        const ComPtr<IMediaSample> sample =
            MediaSample::Create(bits, length, length, start, start + frameTime);
        // A refusal downstream (a filter stopped before this one) drops the frame only.
        pin_.Deliver(sample.Get());
    };
    FrameSource::Outcome outcome;
    HRESULT failure = S_OK;
    try {
        do
            outcome = source.Next(deliver);
        while (outcome == FrameSource::Outcome::Frame);
        failure = source.LastError();
    } catch (...) {
        outcome = FrameSource::Outcome::Failed;
        failure = E_UNEXPECTED;
    }
    if (!events)
        return;
    if (outcome == FrameSource::Outcome::DeviceLost)
        events->Notify(EC_DEVICE_LOST, reinterpret_cast<intptr_t>(static_cast<IBaseFilter*>(this)), 0);
    else if (outcome == FrameSource::Outcome::Failed)
        events->Notify(EC_ERRORABORT, failure, 0);
}
