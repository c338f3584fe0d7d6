#include "platform/media/CaptureSourceFilter.h"

#include "platform/media/PinEnumerator.h"

#include <algorithm>

CaptureSourceFilter::CaptureSourceFilter(REFCLSID clsid, std::string device, std::vector<VideoFormat> formats)
    : clsid_(clsid), device_(std::move(device)), pin_(*this, u"Capture", std::move(formats)) {}

ComPtr<IBaseFilter> CaptureSourceFilter::Create(REFCLSID clsid, std::string device,
                                                std::vector<VideoFormat> formats) {
    return ComPtr<IBaseFilter>::Adopt(new CaptureSourceFilter(clsid, std::move(device), std::move(formats)));
}

HRESULT CaptureSourceFilter::GetClassID(CLSID* clsid) {
    if (!clsid)
        return E_POINTER;
    *clsid = clsid_;
    return S_OK;
}

HRESULT CaptureSourceFilter::Stop() {
    std::lock_guard lock(mutex_);
    state_ = State_Stopped;
    return S_OK;
}

HRESULT CaptureSourceFilter::GetState(DWORD, FILTER_STATE* state) {
    if (!state)
        return E_POINTER;
    std::lock_guard lock(mutex_);
    *state = state_;
    return S_OK;
}

HRESULT CaptureSourceFilter::GetSyncSource(IReferenceClock** clock) {
    if (!clock)
        return E_POINTER;
    *clock = nullptr;
    return S_OK;
}

HRESULT CaptureSourceFilter::EnumPins(IEnumPins** pins) {
    if (!pins)
        return E_POINTER;
    *pins = PinEnumerator::Create({ComPtr<IPin>(&pin_)}).Detach();
    return S_OK;
}

HRESULT CaptureSourceFilter::FindPin(LPCOLESTR id, IPin** pin) {
    if (!id || !pin)
        return E_POINTER;
    if (std::u16string_view(id) != u"Capture") {
        *pin = nullptr;
        return VFW_E_NOT_FOUND;
    }
    *pin = ComPtr<IPin>(&pin_).Detach();
    return S_OK;
}

HRESULT CaptureSourceFilter::QueryFilterInfo(FILTER_INFO* info) {
    if (!info)
        return E_POINTER;
    std::lock_guard lock(mutex_);
    const size_t length = std::min<size_t>(name_.size(), 127);
    std::copy_n(name_.begin(), length, info->achName);
    info->achName[length] = 0;
    info->pGraph = graph_;
    if (graph_)
        graph_->AddRef();
    return S_OK;
}

HRESULT CaptureSourceFilter::JoinFilterGraph(IFilterGraph* graph, LPCOLESTR name) {
    std::lock_guard lock(mutex_);
    graph_ = graph;
    name_ = graph && name ? name : u"";
    return S_OK;
}
