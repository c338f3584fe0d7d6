#include "platform/media/filters/ConverterFilter.h"

#include "platform/media/core/VideoFormat.h"
#include "platform/media/pins/MediaSample.h"

#include <cstdlib>
#include <cstring>

namespace {

// Larger pictures are refused: their buffers would not fit the sample's 32-bit sizes.
constexpr int32_t kMaxSide = 16384;

} // namespace

ConverterFilter::ConverterFilter(const CLSID& clsid) : MediaFilter(clsid), input_(*this), output_(*this) {}

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
    uint8_t* data = nullptr;
    const int32_t length = sample->GetActualDataLength();
    if (FAILED(sample->GetPointer(&data)) || !data || length <= 0)
        return S_OK; // an empty sample: nothing to pass on
    const size_t size = static_cast<size_t>(Rgb24Stride(input->width)) * static_cast<size_t>(input->height);
    buffer_.resize(size);
    if (!Convert(*input, data, static_cast<size_t>(length), buffer_.data()))
        return S_OK; // a broken picture is dropped; the stream goes on
    REFERENCE_TIME start = 0;
    REFERENCE_TIME end = 0;
    const bool timed = SUCCEEDED(sample->GetTime(&start, &end));
    ComPtr<IMediaSample> converted = MediaSample::Create(buffer_.data(), static_cast<int32_t>(size),
                                                         static_cast<int32_t>(size), start, end);
    if (!timed)
        converted->SetTime(nullptr, nullptr);
    return output_.Deliver(converted.Get());
}
