#include "platform/media/sources/CaptureSourceFilter.h"

#include "platform/media/pins/MediaSample.h"
#include "platform/media/sources/DeliveredFrame.h"

#include <algorithm>
#include <chrono>

CaptureSourceFilter::CaptureSourceFilter(REFCLSID clsid, std::string device, std::vector<VideoFormat> formats,
                                         FrameSourceFactory factory, ComPtr<ICameraControls> controls)
    : MediaFilter(clsid), device_(std::move(device)), factory_(std::move(factory)),
      controls_(std::move(controls)), pin_(*this, std::move(formats)) {}

ComPtr<IBaseFilter> CaptureSourceFilter::Create(REFCLSID clsid, std::string device,
                                                std::vector<VideoFormat> formats, FrameSourceFactory factory,
                                                ComPtr<ICameraControls> controls) {
    return ComPtr<IBaseFilter>::Adopt(new CaptureSourceFilter(clsid, std::move(device), std::move(formats),
                                                              std::move(factory), std::move(controls)));
}

void* CaptureSourceFilter::QueryOther(REFIID iid) {
    if (!controls_)
        return nullptr;
    if (iid == IID_ICameraControls)
        return static_cast<ICameraControls*>(this);
    if (iid == IID_IAMVideoProcAmp)
        return static_cast<IAMVideoProcAmp*>(&imageControls_);
    if (iid == IID_IAMCameraControl)
        return static_cast<IAMCameraControl*>(&cameraControls_);
    return nullptr;
}

HRESULT CaptureSourceFilter::GetControls(std::vector<CameraControl>& controls) {
    return controls_ ? controls_->GetControls(controls) : E_NOINTERFACE;
}

HRESULT CaptureSourceFilter::GetControl(uint32_t id, CameraControl& control) {
    return controls_ ? controls_->GetControl(id, control) : E_NOINTERFACE;
}

HRESULT CaptureSourceFilter::SetValue(uint32_t id, int64_t value) {
    return controls_ ? controls_->SetValue(id, value) : E_NOINTERFACE;
}

HRESULT CaptureSourceFilter::SetText(uint32_t id, const std::string& text) {
    return controls_ ? controls_->SetText(id, text) : E_NOINTERFACE;
}

HRESULT CaptureSourceFilter::Advise(CameraControlHandler handler, uint32_t* cookie) {
    return controls_ ? controls_->Advise(std::move(handler), cookie) : E_NOINTERFACE;
}

HRESULT CaptureSourceFilter::Unadvise(uint32_t cookie) {
    return controls_ ? controls_->Unadvise(cookie) : E_NOINTERFACE;
}

CaptureSourceFilter::~CaptureSourceFilter() {
    StopStreaming();
}

const VideoFormat* CaptureSourceFilter::OutputPin::Offered(const AM_MEDIA_TYPE& type) const {
    const auto format = AnyVideoFormatOf(type);
    if (!format)
        return nullptr;
    const auto own = std::find_if(formats_.begin(), formats_.end(), [&](const VideoFormat& offered) {
        return offered.width == format->width && offered.height == format->height &&
               offered.subtype == format->subtype;
    });
    return own != formats_.end() ? &*own : nullptr;
}

HRESULT CaptureSourceFilter::OutputPin::CheckMediaType(const AM_MEDIA_TYPE& type) {
    return Offered(type) ? S_OK : S_FALSE;
}

// A chosen format is proposed alone: with the others behind it, a downstream pin that takes only
// 24-bit RGB would connect directly with an RGB format of another size before the graph tried a
// converter for the chosen one.
std::vector<ScopedMediaType> CaptureSourceFilter::OutputPin::ProposedTypes() {
    std::vector<VideoFormat> order;
    {
        std::lock_guard lock(chosenMutex_);
        if (chosen_)
            order.push_back(*chosen_);
    }
    if (order.empty())
        order = formats_;
    std::vector<ScopedMediaType> types;
    for (const VideoFormat& format : order) {
        ScopedMediaType type;
        if (FillVideoMediaType(format, type.Get()))
            types.push_back(std::move(type));
    }
    return types;
}

HRESULT CaptureSourceFilter::OutputPin::QueryInterface(REFIID iid, void** object) {
    if (object && iid == IID_IAMStreamConfig) {
        *object = static_cast<IAMStreamConfig*>(this);
        AddRef();
        return S_OK;
    }
    return BasePin::QueryInterface(iid, object);
}

HRESULT CaptureSourceFilter::OutputPin::SetFormat(AM_MEDIA_TYPE* type) {
    if (!type)
        return E_POINTER;
    if (IsConnected())
        return VFW_E_ALREADY_CONNECTED;
    if (!FilterStopped())
        return VFW_E_NOT_STOPPED;
    const VideoFormat* offered = Offered(*type);
    if (!offered)
        return VFW_E_INVALIDMEDIATYPE;
    std::lock_guard lock(chosenMutex_);
    chosen_ = *offered;
    return S_OK;
}

HRESULT CaptureSourceFilter::OutputPin::GetFormat(AM_MEDIA_TYPE** type) {
    if (!type)
        return E_POINTER;
    *type = nullptr;
    if (IsConnected()) {
        const ScopedMediaType connected = ConnectedType();
        *type = CreateMediaTypeCopy(connected.Get());
    } else {
        std::vector<ScopedMediaType> proposed = ProposedTypes();
        if (proposed.empty())
            return VFW_E_NO_ACCEPTABLE_TYPES;
        *type = CreateMediaTypeCopy(proposed.front().Get());
    }
    return *type ? S_OK : E_OUTOFMEMORY;
}

HRESULT CaptureSourceFilter::OutputPin::GetNumberOfCapabilities(int* count, int* capsSize) {
    if (!count || !capsSize)
        return E_POINTER;
    *count = static_cast<int>(formats_.size());
    *capsSize = 0;
    return S_OK;
}

HRESULT CaptureSourceFilter::OutputPin::GetStreamCaps(int index, AM_MEDIA_TYPE** type, uint8_t*) {
    if (!type)
        return E_POINTER;
    *type = nullptr;
    if (index < 0 || static_cast<size_t>(index) >= formats_.size())
        return S_FALSE;
    *type = CreateVideoMediaType(formats_[static_cast<size_t>(index)]);
    return *type ? S_OK : E_OUTOFMEMORY;
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

void CaptureSourceFilter::ReadLabels(NamedLabels& labels) {
    std::lock_guard lock(sourceMutex_);
    if (source_)
        source_->ReadLabels(labels);
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
        const int64_t captured = source.FrameCaptureTime();
        const DeliveredFrameScope delivering(captured != 0 ? captured : MonotonicNanoseconds());
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
