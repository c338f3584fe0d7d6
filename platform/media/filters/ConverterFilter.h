#pragma once

#include "platform/com/ViewerInterfaces.h"
#include "platform/media/core/MediaEventSink.h"
#include "platform/media/core/VideoFormat.h"
#include "platform/media/pins/MediaFilter.h"

#include <atomic>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// What a converter's input connection carries: an uncompressed or compressed picture of a
// video-info media type.
struct ConverterInput {
    GUID subtype{};
    int32_t width = 0;
    int32_t height = 0;   // always positive
    bool topDown = false; // the video-info block's negative height
    uint32_t bitCount = 0;
    REFERENCE_TIME averageTimePerFrame = 0;
    TYuvEncoding encoding{}; // as the camera's driver reports it
};

// The common part of the converter filters that the graph inserts between two pins that do not
// agree: an input pin "In" for video-info types of the subtypes the converter takes, and an
// output pin "Out" offering 24-bit RGB, bottom-up, of the same size. Receive converts each
// sample straight into the filter's own buffer, which the delivered sample wraps, and delivers
// it downstream synchronously, on the streaming thread.
//
// A sample that cannot be converted (empty, short, undecodable, of another size) is damaged: it
// is dropped and counted, and the stream goes on. When every sample has been damaged for
// kDamagedSpan, from the first damaged one after the last good one, the filter queues
// EC_ERRORABORT (HRESULT_ERROR_INVALID_DATA) with its graph, once, and passes nothing more on
// until it is stopped. The span is measured in the samples' stream times: those are when the
// frames were taken, so the span is the camera's and a test sets it without waiting. Samples
// without times are measured by the steady clock instead. The counts are read by viewers
// (ICounterSource) from any thread.
class ConverterFilter : public MediaFilter<ICounterSource> {
public:
    // 5 s in 100 ns units.
    static constexpr REFERENCE_TIME kDamagedSpan = 50'000'000;

    std::string CounterKind() override { return counterKind_; }
    // The samples converted (under the name the converter gives) and `damaged_frames_dropped`.
    void ReadCounters(NamedCounters& counters) override;

protected:
    // `counterKind` and `convertedCounter` name the filter's counts for viewers.
    ConverterFilter(const CLSID& clsid, std::string counterKind, std::string convertedCounter);

    // Whether the converter takes this input; the picture's size has been checked already.
    virtual bool Accepts(const ConverterInput& input) const = 0;
    // Converts `size` bytes of one input picture into `target`: 24-bit bottom-up rows of the
    // input's size, Rgb24Stride(width) bytes each, as the output pin's connected type says.
    // False when the data cannot be converted.
    virtual bool Convert(const ConverterInput& input, const uint8_t* data, size_t size, uint8_t* target) = 0;

private:
    class InputPin final : public BasePin {
    public:
        explicit InputPin(ConverterFilter& filter) : BasePin(filter, u"In", PINDIR_INPUT), owner_(filter) {}
        HRESULT Receive(IMediaSample* sample) override { return owner_.Receive(sample); }

    protected:
        HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override;
        void OnConnected(const AM_MEDIA_TYPE& type) override;
        void OnDisconnected() override;

    private:
        ConverterFilter& owner_;
    };

    class OutputPin final : public BasePin {
    public:
        explicit OutputPin(ConverterFilter& filter)
            : BasePin(filter, u"Out", PINDIR_OUTPUT), owner_(filter) {}

    protected:
        HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override;
        std::vector<ScopedMediaType> ProposedTypes() override;

    private:
        ConverterFilter& owner_;
    };

    std::vector<BasePin*> Pins() override { return {&input_, &output_}; }
    HRESULT OnRun(REFERENCE_TIME) override;
    HRESULT OnStop() override;
    // The picture a media type describes, when it is a video-info type of a sane size.
    static std::optional<ConverterInput> InputOf(const AM_MEDIA_TYPE& type);
    std::optional<ConverterInput> Connected() const;
    HRESULT Receive(IMediaSample* sample);
    // Counts a damaged sample taken at `at` and aborts the stream when its span is over;
    // S_FALSE once aborted.
    HRESULT Damaged(REFERENCE_TIME at, bool streamTime);
    bool Aborted();

    const std::string counterKind_;
    const std::string convertedCounter_;
    InputPin input_;
    OutputPin output_;
    mutable std::mutex mutex_; // guards connected_
    std::optional<ConverterInput> connected_;
    std::vector<uint8_t> buffer_; // the output picture; the streaming thread's only

    // The damaged span: the streaming thread's, but reset and given the graph's event sink by
    // state changes, hence the lock (never held while calling out).
    std::mutex damageMutex_;
    std::optional<REFERENCE_TIME> damagedSince_; // the first damaged sample after the last good one
    bool damagedOnStreamTime_ = true;            // whether damagedSince_ is a stream time
    bool aborted_ = false;
    ComPtr<IMediaEventSink> events_; // the graph's, from Run until Stop
    std::atomic<uint64_t> converted_{0};
    std::atomic<uint64_t> damaged_{0};
};
