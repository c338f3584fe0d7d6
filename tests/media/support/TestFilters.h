#pragma once

#include "platform/com/TaskAllocator.h"
#include "platform/media/converters/Classes.h"
#include "platform/media/core/VideoFormat.h"
#include "platform/media/pins/MediaFilter.h"
#include "platform/media/pins/MediaSample.h"

#include <atomic>
#include <vector>

// Small filters for pin and graph tests: a source offering the types it is given on its output
// pin "Out", and a sink whose input pin "In" accepts the subtypes it is given and counts samples.

inline ScopedMediaType VideoType(const GUID& subtype) {
    ScopedMediaType type;
    type->majortype = MEDIATYPE_Video;
    type->subtype = subtype;
    return type;
}

// A video-info type of the given picture (RGB, or the subtype's four-character code).
inline ScopedMediaType VideoInfoType(const GUID& subtype, int width, int height, uint16_t bitCount) {
    ScopedMediaType type = VideoType(subtype);
    type->formattype = FORMAT_VideoInfo;
    type->cbFormat = sizeof(VIDEOINFOHEADER);
    auto* info = static_cast<VIDEOINFOHEADER*>(CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
    *info = VIDEOINFOHEADER{};
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biWidth = width;
    info->bmiHeader.biHeight = height;
    info->bmiHeader.biBitCount = bitCount;
    const bool rgb = subtype == MEDIASUBTYPE_RGB24 || subtype == MEDIASUBTYPE_RGB32;
    info->bmiHeader.biCompression = rgb ? 0 : subtype.Data1; // BI_RGB or the four-character code
    info->AvgTimePerFrame = 333333;
    type->pbFormat = reinterpret_cast<uint8_t*>(info);
    return type;
}

class TestSource final : public MediaFilter<> {
public:
    static ComPtr<IBaseFilter> Create(std::vector<ScopedMediaType> offers, TestSource** self = nullptr) {
        auto* filter = new TestSource(std::move(offers));
        if (self)
            *self = filter;
        return ComPtr<IBaseFilter>::Adopt(filter);
    }
    BasePin& Output() { return pin_; }

private:
    class OutputPin final : public BasePin {
    public:
        OutputPin(IBaseFilter& filter, std::vector<ScopedMediaType> offers)
            : BasePin(filter, u"Out", PINDIR_OUTPUT), offers_(std::move(offers)) {}

    protected:
        HRESULT CheckMediaType(const AM_MEDIA_TYPE&) override { return S_OK; }
        std::vector<ScopedMediaType> ProposedTypes() override { return offers_; }

    private:
        std::vector<ScopedMediaType> offers_;
    };

    explicit TestSource(std::vector<ScopedMediaType> offers)
        : MediaFilter(GUID{0x1, 0, 0, {}}), pin_(*this, std::move(offers)) {}
    std::vector<BasePin*> Pins() override { return {&pin_}; }

    OutputPin pin_;
};

class TestSink final : public MediaFilter<> {
public:
    static ComPtr<IBaseFilter> Create(std::vector<GUID> accepted, TestSink** self = nullptr) {
        auto* filter = new TestSink(std::move(accepted));
        if (self)
            *self = filter;
        return ComPtr<IBaseFilter>::Adopt(filter);
    }
    BasePin& Input() { return pin_; }
    int Samples() const { return pin_.samples; }

private:
    class InputPin final : public BasePin {
    public:
        InputPin(IBaseFilter& filter, std::vector<GUID> accepted)
            : BasePin(filter, u"In", PINDIR_INPUT), accepted_(std::move(accepted)) {}
        HRESULT Receive(IMediaSample*) override {
            ++samples;
            return S_OK;
        }
        std::atomic<int> samples{0};

    protected:
        HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override {
            for (const GUID& subtype : accepted_)
                if (type.subtype == subtype)
                    return S_OK;
            return S_FALSE;
        }

    private:
        std::vector<GUID> accepted_;
    };

    explicit TestSink(std::vector<GUID> accepted)
        : MediaFilter(GUID{0x2, 0, 0, {}}), pin_(*this, std::move(accepted)) {}
    std::vector<BasePin*> Pins() override { return {&pin_}; }

    InputPin pin_;
};
