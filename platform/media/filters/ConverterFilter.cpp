#include "platform/media/filters/ConverterFilter.h"

#include "platform/media/core/VideoFormat.h"
#include "platform/media/pins/MediaSample.h"

#include <chrono>
#include <cstdlib>
#include <cstring>

namespace {

// Larger pictures are refused: their buffers would not fit the sample's 32-bit sizes.
constexpr int32_t kMaxSide = 16384;

} // namespace

ConverterFilter::ConverterFilter(const CLSID& clsid, std::string counterKind, std::string convertedCounter)
    : MediaFilter(clsid), counterKind_(std::move(counterKind)),
      convertedCounter_(std::move(convertedCounter)), input_(*this), output_(*this) {}

void ConverterFilter::ReadCounters(NamedCounters& counters) {
    counters.emplace_back(convertedCounter_, converted_.load(std::memory_order_relaxed));
    counters.emplace_back("damaged_frames_dropped", damaged_.load(std::memory_order_relaxed));
}

HRESULT ConverterFilter::OnRun(REFERENCE_TIME) {
    ComPtr<IMediaEventSink> events;
    if (IFilterGraph* graph = Graph())
        graph->QueryInterface(IID_IMediaEventSink, events.ReceiveVoid());
    std::lock_guard lock(damageMutex_);
    events_ = std::move(events);
    return S_OK;
}

HRESULT ConverterFilter::OnStop() {
    ComPtr<IMediaEventSink> events;
    std::lock_guard lock(damageMutex_);
    events = std::move(events_);
    damagedSince_.reset();
    aborted_ = false;
    return S_OK;
}

std::optional<ConverterInput> ConverterFilter::InputOf(const AM_MEDIA_TYPE& type) {
    if (type.majortype != MEDIATYPE_Video || !type.pbFormat)
        return std::nullopt;
    BITMAPINFOHEADER header;
    REFERENCE_TIME frameTime = 0;
    if (type.formattype == FORMAT_VideoInfo && type.cbFormat >= sizeof(VIDEOINFOHEADER)) {
        VIDEOINFOHEADER info;
        std::memcpy(&info, type.pbFormat, sizeof info);
        header = info.bmiHeader;
        frameTime = info.AvgTimePerFrame;
    } else if (type.formattype == FORMAT_VideoInfo2 && type.cbFormat >= sizeof(VIDEOINFOHEADER2)) {
        VIDEOINFOHEADER2 info;
        std::memcpy(&info, type.pbFormat, sizeof info);
        header = info.bmiHeader;
        frameTime = info.AvgTimePerFrame;
    } else {
        return std::nullopt;
    }
    const int32_t width = header.biWidth;
    const int32_t height = header.biHeight;
    if (width <= 0 || width > kMaxSide || height == 0 || height < -kMaxSide || height > kMaxSide)
        return std::nullopt;
    ConverterInput input;
    input.subtype = type.subtype;
    input.width = width;
    input.height = std::abs(height);
    input.topDown = height < 0;
    input.bitCount = header.biBitCount;
    input.averageTimePerFrame = frameTime;
    if (const auto format = AnyVideoFormatOf(type))
        input.encoding = format->encoding;
    return input;
}

std::optional<ConverterInput> ConverterFilter::Connected() const {
    std::lock_guard lock(mutex_);
    return connected_;
}

HRESULT ConverterFilter::InputPin::CheckMediaType(const AM_MEDIA_TYPE& type) {
    const std::optional<ConverterInput> input = InputOf(type);
    return input && owner_.Accepts(*input) ? S_OK : S_FALSE;
}

void ConverterFilter::InputPin::OnConnected(const AM_MEDIA_TYPE& type) {
    std::lock_guard lock(owner_.mutex_);
    owner_.connected_ = InputOf(type);
}

void ConverterFilter::InputPin::OnDisconnected() {
    std::lock_guard lock(owner_.mutex_);
    owner_.connected_.reset();
}

std::vector<ScopedMediaType> ConverterFilter::OutputPin::ProposedTypes() {
    std::vector<ScopedMediaType> types;
    const std::optional<ConverterInput> input = owner_.Connected();
    if (!input)
        return types; // nothing to offer before the input is connected
    ScopedMediaType type;
    if (FillVideoMediaType(VideoFormat{input->width, input->height, input->averageTimePerFrame}, type.Get()))
        types.push_back(std::move(type));
    return types;
}

HRESULT ConverterFilter::OutputPin::CheckMediaType(const AM_MEDIA_TYPE& type) {
    const std::optional<ConverterInput> input = owner_.Connected();
    const std::optional<VideoFormat> format = VideoFormatOf(type);
    if (!input || !format)
        return S_FALSE;
    return format->width == input->width && format->height == input->height ? S_OK : S_FALSE;
}

HRESULT ConverterFilter::Receive(IMediaSample* sample) {
    if (!sample)
        return E_POINTER;
    if (State() == State_Stopped)
        return VFW_E_WRONG_STATE;
    const std::optional<ConverterInput> input = Connected();
    if (!input)
        return VFW_E_NOT_CONNECTED;
    if (Aborted())
        return S_FALSE;
    REFERENCE_TIME start = 0;
    REFERENCE_TIME end = 0;
    const bool timed = SUCCEEDED(sample->GetTime(&start, &end));
    if (!timed) {
        using Units = std::chrono::duration<REFERENCE_TIME, std::ratio<1, 10'000'000>>;
        start =
            std::chrono::duration_cast<Units>(std::chrono::steady_clock::now().time_since_epoch()).count();
    }
    uint8_t* data = nullptr;
    const int32_t length = sample->GetActualDataLength();
    const size_t size = static_cast<size_t>(Rgb24Stride(input->width)) * static_cast<size_t>(input->height);
    buffer_.resize(size);
    if (FAILED(sample->GetPointer(&data)) || !data || length <= 0 ||
        !Convert(*input, data, static_cast<size_t>(length), buffer_.data()))
        return Damaged(start, timed);
    converted_.fetch_add(1, std::memory_order_relaxed);
    {
        std::lock_guard lock(damageMutex_);
        damagedSince_.reset();
    }
    ComPtr<IMediaSample> converted = MediaSample::Create(buffer_.data(), static_cast<int32_t>(size),
                                                         static_cast<int32_t>(size), start, end);
    if (!timed)
        converted->SetTime(nullptr, nullptr);
    return output_.Deliver(converted.Get());
}

bool ConverterFilter::Aborted() {
    std::lock_guard lock(damageMutex_);
    return aborted_;
}

HRESULT ConverterFilter::Damaged(REFERENCE_TIME at, bool streamTime) {
    damaged_.fetch_add(1, std::memory_order_relaxed);
    ComPtr<IMediaEventSink> events;
    {
        std::lock_guard lock(damageMutex_);
        // A span starts at the first damaged sample, and again when the clock changes or the
        // stream's time goes back (a source started anew).
        if (!damagedSince_ || damagedOnStreamTime_ != streamTime || at < *damagedSince_) {
            damagedSince_ = at;
            damagedOnStreamTime_ = streamTime;
        }
        if (at - *damagedSince_ < kDamagedSpan)
            return S_OK; // dropped; the stream goes on
        aborted_ = true;
        events = events_;
    }
    if (events)
        events->Notify(EC_ERRORABORT, HRESULT_ERROR_INVALID_DATA, 0);
    return S_FALSE;
}
