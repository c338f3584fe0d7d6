#pragma once

#include "platform/media/core/VideoFormat.h"
#include "platform/media/pins/MediaFilter.h"

#include <cstddef>
#include <mutex>
#include <optional>
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
// sample into the filter's own buffer and delivers it downstream synchronously, on the
// streaming thread; a sample that cannot be converted is dropped.
class ConverterFilter : public MediaFilter<> {
protected:
    explicit ConverterFilter(const CLSID& clsid);

    // Whether the converter takes this input; the picture's size has been checked already.
    virtual bool Accepts(const ConverterInput& input) const = 0;
    // Converts `size` bytes of one input picture into `target` (24-bit bottom-up rows of the
    // input's size); false when the data cannot be converted.
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
    // The picture a media type describes, when it is a video-info type of a sane size.
    static std::optional<ConverterInput> InputOf(const AM_MEDIA_TYPE& type);
    std::optional<ConverterInput> Connected() const;
    HRESULT Receive(IMediaSample* sample);

    InputPin input_;
    OutputPin output_;
    mutable std::mutex mutex_; // guards connected_
    std::optional<ConverterInput> connected_;
    std::vector<uint8_t> buffer_; // the output picture; the streaming thread's only
};
