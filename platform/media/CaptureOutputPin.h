#pragma once

#include "platform/media/FilterInterfaces.h"
#include "platform/media/VideoFormat.h"

#include <string>
#include <vector>

// The output pin of a capture source: it offers the source's formats and accepts any of them.
// It lives inside its filter and shares the filter's reference count, so a reference to the pin
// keeps the filter alive. Connections and streaming are not made here yet: Connect answers
// E_NOTIMPL. Any thread may use it; its state never changes after construction.
class CaptureOutputPin final : public IPin {
public:
    CaptureOutputPin(IBaseFilter& filter, std::u16string name, std::vector<VideoFormat> formats)
        : filter_(filter), name_(std::move(name)), formats_(std::move(formats)) {}
    CaptureOutputPin(const CaptureOutputPin&) = delete;
    CaptureOutputPin& operator=(const CaptureOutputPin&) = delete;
    ~CaptureOutputPin() = default;

    const std::vector<VideoFormat>& Formats() const { return formats_; }

    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override { return filter_.AddRef(); }
    ULONG Release() override { return filter_.Release(); }

    HRESULT Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) override;
    HRESULT ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override;
    HRESULT Disconnect() override { return S_FALSE; }
    HRESULT ConnectedTo(IPin** pin) override;
    HRESULT ConnectionMediaType(AM_MEDIA_TYPE* type) override;
    HRESULT QueryPinInfo(PIN_INFO* info) override;
    HRESULT QueryDirection(PIN_DIRECTION* direction) override;
    HRESULT QueryId(LPOLESTR* id) override;
    HRESULT QueryAccept(const AM_MEDIA_TYPE* type) override;
    HRESULT EnumMediaTypes(IEnumMediaTypes** types) override;
    HRESULT QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
    HRESULT EndOfStream() override { return E_UNEXPECTED; }
    HRESULT BeginFlush() override { return E_UNEXPECTED; }
    HRESULT EndFlush() override { return E_UNEXPECTED; }
    HRESULT NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return S_OK; }

private:
    IBaseFilter& filter_;
    const std::u16string name_;
    const std::vector<VideoFormat> formats_;
};
