#include "capture/SampleGrabberComponent.h"

#include "capture/FilterGraph.h"
#include "platform/com/ClassRegistry.h"
#include "platform/runtime/ApplicationErrors.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/StandardErrors.h"

TSampleGrabber::TSampleGrabber(TComponent* owner)
    : TGraphMemberComponent(owner), mediaType_(MEDIATYPE_Video) {
    if (!SampleGrabberAvailable())
        RaiseAssertion(Format("The SampleGrabber Filter is not available on this system. (%s, line %d)",
                              "SampleGrabberComponent.cpp", __LINE__));
    mediaType_.SetSubType(MEDIASUBTYPE_RGB24);
    mediaType_.SetFormatType(FORMAT_VideoInfo);
}

TSampleGrabber::~TSampleGrabber() {
    LeaveGraph();
}

bool TSampleGrabber::SampleGrabberAvailable() {
    ComPtr<IBaseFilter> filter;
    return CoCreateInstance(CLSID_SampleGrabber, nullptr, CLSCTX_INPROC, IID_IBaseFilter,
                            filter.ReceiveVoid()) == S_OK;
}

HRESULT TSampleGrabber::QueryInterface(REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_ISampleGrabberCB) {
        *object = static_cast<ISampleGrabberCB*>(this);
        return S_OK;
    }
    return filter_ ? filter_->QueryInterface(iid, object) : E_NOINTERFACE;
}

void TSampleGrabber::MemberNotify(TMemberNotifyKind kind, int32_t) {
    // The framework calls' results are not examined: a filter that cannot be created, queried or
    // given the media type shows only as the absence of frames.
    switch (kind) {
    case TMemberNotifyKind::mnAdding:
        filter_.Reset();
        CoCreateInstance(CLSID_SampleGrabber, nullptr, CLSCTX_INPROC, IID_IBaseFilter, filter_.ReceiveVoid());
        break;
    case TMemberNotifyKind::mnAdded: {
        if (!filter_)
            break;
        grabber_ = filter_.As<ISampleGrabber>();
        ComPtr<IEnumPins> pins;
        if (SUCCEEDED(filter_->EnumPins(pins.Receive())) && pins) {
            pins->Next(1, inputPin_.Receive(), nullptr);
            pins->Next(1, outputPin_.Receive(), nullptr);
        }
        ApplyMediaType();
        if (grabber_) {
            grabber_->SetBufferSamples(-1);
            grabber_->SetCallback(this, 1);
        }
        break;
    }
    case TMemberNotifyKind::mnRemoving:
        if (filter_)
            filter_->Stop();
        if (inputPin_)
            inputPin_->Disconnect();
        if (outputPin_)
            outputPin_->Disconnect();
        break;
    case TMemberNotifyKind::mnRemoved:
        if (grabber_) {
            grabber_->SetCallback(nullptr, 1);
            grabber_->SetBufferSamples(0);
        }
        filter_.Reset();
        grabber_.Reset();
        inputPin_.Reset();
        outputPin_.Reset();
        break;
    case TMemberNotifyKind::mnRefresh:
        ApplyMediaType();
        break;
    }
}

void TSampleGrabber::ApplyMediaType() {
    if (!grabber_)
        return;
    if (filter_)
        filter_->Stop();
    if (inputPin_)
        inputPin_->Disconnect();
    grabber_->SetMediaType(&mediaType_.Record());
}

bool TSampleGrabber::GetBitmap(TBitmap* bitmap, const void* buffer, int32_t bufferLen) {
    return ::GetBitmap(grabber_.Get(), bitmap, buffer, bufferLen);
}

HRESULT TSampleGrabber::BufferCB(double sampleTime, uint8_t* buffer, int32_t bufferLen) {
    if (!OnBuffer)
        return S_OK;
    std::lock_guard lock(deliveryLock_);
    try {
        OnBuffer(*this, sampleTime, buffer, bufferLen);
    } catch (...) {
        // The framework's streaming code must not see the error: it goes to the application's
        // error report, and the next sample is delivered as usual.
        ReportCurrentException();
    }
    return S_OK;
}
