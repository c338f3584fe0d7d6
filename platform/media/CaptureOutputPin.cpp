#include "platform/media/CaptureOutputPin.h"

#include "platform/com/TaskString.h"
#include "platform/media/MediaTypeEnumerator.h"

#include <algorithm>

namespace {

void CopyName(std::u16string_view name, OLECHAR (&target)[128]) {
    const size_t length = std::min<size_t>(name.size(), 127);
    std::copy_n(name.begin(), length, target);
    target[length] = 0;
}

} // namespace

HRESULT CaptureOutputPin::QueryInterface(REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IPin) {
        *object = static_cast<IPin*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT CaptureOutputPin::Connect(IPin* receivePin, const AM_MEDIA_TYPE*) {
    return receivePin ? E_NOTIMPL : E_POINTER;
}

HRESULT CaptureOutputPin::ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) {
    // An output pin makes connections; it never receives them.
    return E_UNEXPECTED;
}

HRESULT CaptureOutputPin::ConnectedTo(IPin** pin) {
    if (!pin)
        return E_POINTER;
    *pin = nullptr;
    return VFW_E_NOT_CONNECTED;
}

HRESULT CaptureOutputPin::ConnectionMediaType(AM_MEDIA_TYPE* type) {
    if (!type)
        return E_POINTER;
    *type = AM_MEDIA_TYPE{};
    return VFW_E_NOT_CONNECTED;
}

HRESULT CaptureOutputPin::QueryPinInfo(PIN_INFO* info) {
    if (!info)
        return E_POINTER;
    info->pFilter = &filter_;
    filter_.AddRef();
    info->dir = PINDIR_OUTPUT;
    CopyName(name_, info->achName);
    return S_OK;
}

HRESULT CaptureOutputPin::QueryDirection(PIN_DIRECTION* direction) {
    if (!direction)
        return E_POINTER;
    *direction = PINDIR_OUTPUT;
    return S_OK;
}

HRESULT CaptureOutputPin::QueryId(LPOLESTR* id) {
    if (!id)
        return E_POINTER;
    *id = CoTaskStringFrom(name_);
    return *id ? S_OK : E_OUTOFMEMORY;
}

HRESULT CaptureOutputPin::QueryAccept(const AM_MEDIA_TYPE* type) {
    if (!type)
        return E_POINTER;
    const auto format = VideoFormatOf(*type);
    if (!format)
        return S_FALSE;
    const bool offered = std::any_of(formats_.begin(), formats_.end(), [&](const VideoFormat& own) {
        return own.width == format->width && own.height == format->height;
    });
    return offered ? S_OK : S_FALSE;
}

HRESULT CaptureOutputPin::EnumMediaTypes(IEnumMediaTypes** types) {
    if (!types)
        return E_POINTER;
    *types = MediaTypeEnumerator::Create(formats_).Detach();
    return S_OK;
}
