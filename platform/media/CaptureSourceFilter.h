#pragma once

#include "platform/com/ComPtr.h"
#include "platform/media/CaptureOutputPin.h"

#include <mutex>
#include <string>

// The capture source filter of one device, as binding its moniker makes it: it names its class
// (the V4L2 or the virtual camera source), the device it stands for, and offers the device's
// formats on its one output pin, "Capture". It can be stopped and asked its state; running it
// (streaming) is not part of it yet, so Pause and Run answer E_NOTIMPL. The GUI thread uses
// it; the reference count may be touched from any thread.
class CaptureSourceFilter final : public ComObject<IBaseFilter> {
public:
    static ComPtr<IBaseFilter> Create(REFCLSID clsid, std::string device, std::vector<VideoFormat> formats);

    // The device this filter captures from: a V4L2 node's path or a virtual camera's entry.
    const std::string& Device() const { return device_; }

    HRESULT GetClassID(CLSID* clsid) override;
    HRESULT Stop() override;
    HRESULT Pause() override { return E_NOTIMPL; }
    HRESULT Run(REFERENCE_TIME) override { return E_NOTIMPL; }
    HRESULT GetState(DWORD millisecondsTimeout, FILTER_STATE* state) override;
    HRESULT SetSyncSource(IReferenceClock*) override { return S_OK; }
    HRESULT GetSyncSource(IReferenceClock** clock) override;
    HRESULT EnumPins(IEnumPins** pins) override;
    HRESULT FindPin(LPCOLESTR id, IPin** pin) override;
    HRESULT QueryFilterInfo(FILTER_INFO* info) override;
    HRESULT JoinFilterGraph(IFilterGraph* graph, LPCOLESTR name) override;
    HRESULT QueryVendorInfo(LPOLESTR*) override { return E_NOTIMPL; }

private:
    CaptureSourceFilter(REFCLSID clsid, std::string device, std::vector<VideoFormat> formats);

    const CLSID clsid_;
    const std::string device_;
    CaptureOutputPin pin_;
    // mutex_ guards graph_, name_ and state_.
    std::mutex mutex_;
    IFilterGraph* graph_ = nullptr; // not counted: the graph owns the filter
    std::u16string name_;
    FILTER_STATE state_ = State_Stopped;
};
