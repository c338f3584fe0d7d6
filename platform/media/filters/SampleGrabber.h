#pragma once

#include "platform/com/ViewerInterfaces.h"
#include "platform/media/core/SampleGrabberInterface.h"
#include "platform/media/pins/MediaFilter.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

// The sample grabber filter: an input pin that accepts only the media type asked for with
// SetMediaType, and an output pin that passes every sample on unchanged after the callback
// has seen it. It may keep a copy of the last sample (SetBufferSamples) for GetCurrentBuffer.
//
// Threads: configuration and connections on the GUI thread; Receive, the callback and the copy
// on the streaming thread. Stop returns only when no sample is inside the filter any more, so
// no callback runs after it. A callback must not wait for the GUI thread. It counts the
// callbacks it made, for viewers (ICounterSource).
class SampleGrabber final : public MediaFilter<ISampleGrabber, ICounterSource> {
public:
    SampleGrabber();

    HRESULT SetOneShot(BOOL oneShot) override;
    HRESULT SetMediaType(const AM_MEDIA_TYPE* type) override;
    HRESULT GetConnectedMediaType(AM_MEDIA_TYPE* type) override;
    HRESULT SetBufferSamples(BOOL bufferThem) override;
    HRESULT GetCurrentBuffer(int32_t* bufferSize, int32_t* buffer) override;
    HRESULT GetCurrentSample(IMediaSample**) override { return E_NOTIMPL; }
    HRESULT SetCallback(ISampleGrabberCB* callback, int32_t whichMethodToCallback) override;

    std::string CounterKind() override { return "sample grabber"; }
    void ReadCounters(NamedCounters& counters) override;

private:
    class InputPin final : public BasePin {
    public:
        explicit InputPin(SampleGrabber& owner) : BasePin(owner, u"Input", PINDIR_INPUT), owner_(owner) {}
        HRESULT Receive(IMediaSample* sample) override { return owner_.ReceiveSample(sample); }

    protected:
        HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override { return owner_.CheckInputType(type); }

    private:
        SampleGrabber& owner_;
    };

    class OutputPin final : public BasePin {
    public:
        explicit OutputPin(SampleGrabber& owner) : BasePin(owner, u"Output", PINDIR_OUTPUT), owner_(owner) {}

    protected:
        HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override { return owner_.CheckOutputType(type); }
        std::vector<ScopedMediaType> ProposedTypes() override;

    private:
        SampleGrabber& owner_;
    };

    std::vector<BasePin*> Pins() override { return {&input_, &output_}; }
    HRESULT OnRun(REFERENCE_TIME) override;
    HRESULT OnPause(FILTER_STATE) override;
    HRESULT OnStop() override;

    HRESULT CheckInputType(const AM_MEDIA_TYPE& type);
    HRESULT CheckOutputType(const AM_MEDIA_TYPE& type);
    HRESULT ReceiveSample(IMediaSample* sample);
    void KeepCopy(const uint8_t* bytes, int32_t length);
    void CallBack(ISampleGrabberCB& callback, int32_t which, IMediaSample* sample, uint8_t* bytes,
                  int32_t length);
    void LeaveDelivery();

    InputPin input_;
    OutputPin output_;

    std::mutex settingsMutex_; // guards the settings below
    ScopedMediaType wanted_;
    bool hasWanted_ = false;
    bool bufferSamples_ = false;
    bool oneShot_ = false;
    ComPtr<ISampleGrabberCB> callback_;
    int32_t which_ = 0;

    std::mutex deliveryMutex_; // guards accepting_, inFlight_ and oneShotDone_
    std::condition_variable deliveryDone_;
    bool accepting_ = false;
    int inFlight_ = 0;
    bool oneShotDone_ = false;

    std::atomic<uint64_t> callbacks_{0}; // bumped by the streaming thread, read by viewers

    std::mutex bufferMutex_; // guards stored_ and hasStored_
    std::vector<uint8_t> stored_;
    bool hasStored_ = false;
};
