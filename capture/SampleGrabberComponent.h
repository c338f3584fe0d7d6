#pragma once

#include "capture/FrameCopy.h"
#include "capture/GraphMemberComponent.h"
#include "capture/MediaType.h"
#include "platform/com/ComPtr.h"
#include "platform/media/core/SampleGrabberInterface.h"
#include "platform/runtime/Component.h"

#include <functional>
#include <mutex>

class TFilterGraph;
class TSampleGrabber;

// The handler of every frame: the component, the sample's time in seconds since the graph ran,
// and the framework's own buffer, valid only during the call.
using TOnBuffer =
    std::function<void(TSampleGrabber& sender, double sampleTime, uint8_t* buffer, int32_t bufferLen)>;

// The sample grabber component: a member of a filter graph that puts a sample grabber filter
// into it, asks it for one media type, and raises OnBuffer with every sample's bytes on the
// streaming thread, one call at a time (the delivery lock). Its own interfaces count no
// references; the owner frees it. Membership changes run on the GUI thread.
class TSampleGrabber : public TGraphMemberComponent, public ISampleGrabberCB {
public:
    // Raises EAssertionFailed when the sample grabber filter is not available.
    explicit TSampleGrabber(TComponent* owner = nullptr);
    ~TSampleGrabber() override;

    // Whether the platform can create a sample grabber filter.
    static bool SampleGrabberAvailable();

    TOnBuffer OnBuffer;
    TMediaType& MediaType() { return mediaType_; }

    // Asks the filter, if there is one, for the requested media type.
    void ApplyMediaType();
    // Copies a sample (or the filter's stored copy of the last one) into `bitmap` in the
    // connected format.
    bool GetBitmap(TBitmap* bitmap, const void* buffer = nullptr, int32_t bufferLen = 0);

    // The component's interface query: its own, then the grabber filter's.
    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    template <typename I> ComPtr<I> Query() {
        ComPtr<I> result;
        QueryInterface(IIDOf<I>(), result.ReceiveVoid());
        return result;
    }

    IBaseFilter* MemberFilter() override { return filter_.Get(); }
    void MemberNotify(TMemberNotifyKind kind, int32_t param) override;

    HRESULT SampleCB(double, IMediaSample*) override { return S_OK; }
    HRESULT BufferCB(double sampleTime, uint8_t* buffer, int32_t bufferLen) override;

private:
    TMediaType mediaType_;
    std::mutex deliveryLock_; // held around each OnBuffer call
    ComPtr<IBaseFilter> filter_;
    ComPtr<ISampleGrabber> grabber_;
    ComPtr<IPin> inputPin_;
    ComPtr<IPin> outputPin_;
};
