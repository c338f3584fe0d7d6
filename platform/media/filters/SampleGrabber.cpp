#include "platform/media/filters/SampleGrabber.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <utility>

namespace {

constexpr double kUnitsPerSecond = 1e7;

bool SameFormatBlock(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b) {
    if (a.cbFormat != b.cbFormat)
        return false;
    return a.cbFormat == 0 ||
           (a.pbFormat && b.pbFormat && std::memcmp(a.pbFormat, b.pbFormat, a.cbFormat) == 0);
}

// Ends one sample's stay in the filter, however Receive leaves.
class DeliveryScope {
public:
    explicit DeliveryScope(std::function<void()> leave) : leave_(std::move(leave)) {}
    ~DeliveryScope() { leave_(); }
    DeliveryScope(const DeliveryScope&) = delete;
    DeliveryScope& operator=(const DeliveryScope&) = delete;

private:
    std::function<void()> leave_;
};

} // namespace

SampleGrabber::SampleGrabber() : MediaFilter(CLSID_SampleGrabber), input_(*this), output_(*this) {}

HRESULT SampleGrabber::SetOneShot(BOOL oneShot) {
    std::lock_guard lock(settingsMutex_);
    oneShot_ = oneShot != FALSE;
    return S_OK;
}

HRESULT SampleGrabber::SetMediaType(const AM_MEDIA_TYPE* type) {
    ScopedMediaType copy = type ? ScopedMediaType(*type) : ScopedMediaType();
    if (type && type->cbFormat != 0 && !copy->pbFormat)
        return type->pbFormat ? E_OUTOFMEMORY : E_POINTER;
    std::lock_guard lock(settingsMutex_);
    wanted_ = std::move(copy);
    hasWanted_ = type != nullptr;
    return S_OK;
}

HRESULT SampleGrabber::GetConnectedMediaType(AM_MEDIA_TYPE* type) {
    if (!type)
        return E_POINTER;
    return input_.ConnectionMediaType(type);
}

HRESULT SampleGrabber::SetBufferSamples(BOOL bufferThem) {
    {
        std::lock_guard lock(settingsMutex_);
        bufferSamples_ = bufferThem != FALSE;
    }
    if (!bufferThem) {
        std::lock_guard lock(bufferMutex_);
        stored_.clear();
        stored_.shrink_to_fit();
        hasStored_ = false;
    }
    return S_OK;
}

HRESULT SampleGrabber::GetCurrentBuffer(int32_t* bufferSize, int32_t* buffer) {
    if (!bufferSize)
        return E_POINTER;
    {
        std::lock_guard lock(settingsMutex_);
        if (!bufferSamples_)
            return E_INVALIDARG;
    }
    std::lock_guard lock(bufferMutex_);
    if (!hasStored_)
        return VFW_E_WRONG_STATE;
    const auto stored = static_cast<int32_t>(stored_.size());
    if (!buffer) {
        *bufferSize = stored;
        return S_OK;
    }
    // Never more than the caller's buffer holds.
    const int32_t count = std::clamp(*bufferSize, 0, stored);
    std::memcpy(buffer, stored_.data(), static_cast<size_t>(count));
    *bufferSize = count;
    return S_OK;
}

HRESULT SampleGrabber::SetCallback(ISampleGrabberCB* callback, int32_t whichMethodToCallback) {
    if (whichMethodToCallback != 0 && whichMethodToCallback != 1)
        return E_INVALIDARG;
    ComPtr<ISampleGrabberCB> previous;
    {
        std::lock_guard lock(settingsMutex_);
        previous = std::exchange(callback_, ComPtr<ISampleGrabberCB>(callback));
        which_ = whichMethodToCallback;
    }
    return S_OK; // the previous callback is released here, outside the lock
}

HRESULT SampleGrabber::CheckInputType(const AM_MEDIA_TYPE& type) {
    std::lock_guard lock(settingsMutex_);
    if (!hasWanted_)
        return S_OK;
    const AM_MEDIA_TYPE& wanted = wanted_.Get();
    if (wanted.majortype != GUID_NULL && wanted.majortype != type.majortype)
        return S_FALSE;
    if (wanted.subtype != GUID_NULL && wanted.subtype != type.subtype)
        return S_FALSE;
    if (wanted.formattype != GUID_NULL && wanted.formattype != type.formattype)
        return S_FALSE;
    // Without a format block any size will do; with one, it must be that format.
    if (wanted.cbFormat != 0 && !SameFormatBlock(wanted, type))
        return S_FALSE;
    return S_OK;
}

HRESULT SampleGrabber::CheckOutputType(const AM_MEDIA_TYPE& type) {
    // The output passes samples on unchanged, so it can only offer what the input receives.
    const ScopedMediaType input = input_.ConnectedType();
    if (!input_.IsConnected())
        return S_FALSE;
    const AM_MEDIA_TYPE& in = input.Get();
    if (type.majortype != in.majortype || type.subtype != in.subtype || type.formattype != in.formattype)
        return S_FALSE;
    return SameFormatBlock(in, type) ? S_OK : S_FALSE;
}

std::vector<ScopedMediaType> SampleGrabber::OutputPin::ProposedTypes() {
    if (!owner_.input_.IsConnected())
        return {};
    std::vector<ScopedMediaType> types;
    types.push_back(owner_.input_.ConnectedType());
    return types;
}

HRESULT SampleGrabber::OnRun(REFERENCE_TIME) {
    std::lock_guard lock(deliveryMutex_);
    accepting_ = true;
    return S_OK;
}

HRESULT SampleGrabber::OnPause(FILTER_STATE) {
    std::lock_guard lock(deliveryMutex_);
    accepting_ = true;
    return S_OK;
}

HRESULT SampleGrabber::OnStop() {
    std::unique_lock lock(deliveryMutex_);
    accepting_ = false;
    oneShotDone_ = false;
    deliveryDone_.wait(lock, [this] { return inFlight_ == 0; });
    return S_OK;
}

void SampleGrabber::LeaveDelivery() {
    std::lock_guard lock(deliveryMutex_);
    if (--inFlight_ == 0)
        deliveryDone_.notify_all();
}

HRESULT SampleGrabber::ReceiveSample(IMediaSample* sample) {
    if (!sample)
        return E_POINTER;
    bool oneShot;
    {
        std::lock_guard settings(settingsMutex_);
        oneShot = oneShot_;
    }
    {
        std::lock_guard lock(deliveryMutex_);
        if (!accepting_)
            return VFW_E_WRONG_STATE;
        if (oneShotDone_)
            return S_FALSE; // one shot taken: the rest wait for the next run
        oneShotDone_ = oneShot;
        ++inFlight_;
    }
    DeliveryScope scope([this] { LeaveDelivery(); });

    ComPtr<ISampleGrabberCB> callback;
    int32_t which;
    bool bufferSamples;
    {
        std::lock_guard lock(settingsMutex_);
        callback = callback_;
        which = which_;
        bufferSamples = bufferSamples_;
    }
    uint8_t* bytes = nullptr;
    if (FAILED(sample->GetPointer(&bytes)) || !bytes)
        return E_POINTER;
    const int32_t length = std::clamp(sample->GetActualDataLength(), 0, sample->GetSize());
    if (bufferSamples)
        KeepCopy(bytes, length);
    if (callback)
        CallBack(*callback, which, sample, bytes, length);
    const HRESULT result = output_.Deliver(sample);
    return result == VFW_E_NOT_CONNECTED ? S_OK : result;
}

void SampleGrabber::KeepCopy(const uint8_t* bytes, int32_t length) {
    std::lock_guard lock(bufferMutex_);
    stored_.resize(static_cast<size_t>(length)); // keeps its capacity from frame to frame
    std::memcpy(stored_.data(), bytes, static_cast<size_t>(length));
    hasStored_ = true;
}

void SampleGrabber::CallBack(ISampleGrabberCB& callback, int32_t which, IMediaSample* sample, uint8_t* bytes,
                             int32_t length) {
    REFERENCE_TIME start = 0;
    REFERENCE_TIME end = 0;
    const double time = SUCCEEDED(sample->GetTime(&start, &end)) ? start / kUnitsPerSecond : 0.0;
    // Whatever the callback does, the stream goes on: an exception must not unwind into the
    // source's streaming thread, and the result of a callback is not the stream's business.
    try {
        if (which == 0)
            callback.SampleCB(time, sample);
        else
            callback.BufferCB(time, bytes, length);
    } catch (...) {
    }
    callbacks_.fetch_add(1, std::memory_order_relaxed);
}

void SampleGrabber::ReadCounters(NamedCounters& counters) {
    counters.emplace_back("callbacks", callbacks_.load(std::memory_order_relaxed));
}
