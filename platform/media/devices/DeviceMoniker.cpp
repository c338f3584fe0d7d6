#include "platform/media/devices/DeviceMoniker.h"

#include "platform/com/ItemMoniker.h"
#include "platform/com/StreamData.h"
#include "platform/com/TaskString.h"
#include "platform/media/core/DeviceEnumInterfaces.h"

namespace {

std::u16string KindName(DeviceKind kind) {
    switch (kind) {
    case DeviceKind::V4l2:
        return u"v4l2";
    case DeviceKind::Virtual:
        return u"virtual";
    case DeviceKind::Provided:
        return u"provided";
    case DeviceKind::Category:
        return u"category";
    case DeviceKind::PipeWire:
        return u"pipewire";
    }
    return u"unknown";
}

} // namespace

ComPtr<IMoniker> DeviceMoniker::Create(DeviceRecord record) {
    return ComPtr<IMoniker>::Adopt(
        new DeviceMoniker(std::move(record.identity), std::move(record.properties)));
}

HRESULT DeviceMoniker::GetClassID(CLSID* clsid) {
    if (!clsid)
        return E_POINTER;
    *clsid = CLSID_DeviceMoniker;
    return S_OK;
}

HRESULT DeviceMoniker::Load(IStream* stream) {
    if (!stream)
        return E_POINTER;
    uint32_t kind = 0;
    std::u16string id;
    HRESULT hr = ReadUInt32(stream, kind);
    if (SUCCEEDED(hr))
        hr = ReadWideString(stream, id);
    if (FAILED(hr))
        return hr;
    if (kind < static_cast<uint32_t>(DeviceKind::V4l2) || kind > static_cast<uint32_t>(DeviceKind::PipeWire))
        return STG_E_READFAULT;
    std::lock_guard lock(mutex_);
    identity_ = {static_cast<DeviceKind>(kind), std::move(id)};
    properties_.reset();
    return S_OK;
}

HRESULT DeviceMoniker::Save(IStream* stream, BOOL) {
    if (!stream)
        return E_POINTER;
    const DeviceIdentity identity = Identity();
    const HRESULT hr = WriteUInt32(stream, static_cast<uint32_t>(identity.kind));
    return FAILED(hr) ? hr : WriteWideString(stream, identity.id);
}

HRESULT DeviceMoniker::GetSizeMax(ULONGLONG* size) {
    if (!size)
        return E_POINTER;
    *size = 8 + 2 * Identity().id.size();
    return S_OK;
}

HRESULT DeviceMoniker::BindToObject(IBindCtx*, IMoniker*, REFIID iid, void** object) {
    return DeviceDirectory::Bind(Identity(), iid, object);
}

HRESULT DeviceMoniker::BindToStorage(IBindCtx*, IMoniker*, REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    std::optional<PropertyBag::Values> properties;
    {
        std::lock_guard lock(mutex_);
        properties = properties_;
    }
    if (!properties) {
        PropertyBag::Values current;
        const HRESULT hr = DeviceDirectory::Properties(Identity(), current);
        if (FAILED(hr))
            return hr;
        properties = std::move(current);
    }
    return PropertyBag::Create(std::move(*properties))->QueryInterface(iid, object);
}

HRESULT DeviceMoniker::GetDisplayName(IBindCtx*, IMoniker*, LPOLESTR* name) {
    if (!name)
        return E_POINTER;
    const DeviceIdentity identity = Identity();
    *name = CoTaskStringFrom(u"@device:tarnolix:" + KindName(identity.kind) + u":" + identity.id);
    return *name ? S_OK : E_OUTOFMEMORY;
}

HRESULT DeviceMoniker::IsEqual(IMoniker* other) {
    if (!other)
        return E_INVALIDARG;
    CLSID clsid;
    if (FAILED(other->GetClassID(&clsid)) || clsid != CLSID_DeviceMoniker)
        return S_FALSE;
    LPOLESTR own = nullptr;
    if (FAILED(GetDisplayName(nullptr, nullptr, &own)))
        return S_FALSE;
    return TakeCoTaskString(own) == MonikerDisplayName(other) ? S_OK : S_FALSE;
}

DeviceIdentity DeviceMoniker::Identity() {
    std::lock_guard lock(mutex_);
    return identity_;
}
