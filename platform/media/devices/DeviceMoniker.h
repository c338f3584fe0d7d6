#pragma once

#include "platform/com/ComPtr.h"
#include "platform/com/MonikerInterface.h"
#include "platform/com/PropertyBag.h"
#include "platform/media/devices/Directory.h"

#include <mutex>
#include <optional>

// The moniker of one device of the system device enumerator. Its persisted state is the
// device's kind and identity, so a saved moniker names the same device in a later run.
// BindToObject creates the device's capture source filter; BindToStorage gives its property
// bag: the one the enumeration saw, or, for a loaded moniker, the device's bag as it is now.
// Any thread may use it.
class DeviceMoniker final : public ComObject<IMoniker> {
public:
    DeviceMoniker() = default;
    DeviceMoniker(DeviceIdentity identity, std::optional<PropertyBag::Values> properties)
        : identity_(std::move(identity)), properties_(std::move(properties)) {}

    static ComPtr<IMoniker> Create(DeviceRecord record);

    HRESULT GetClassID(CLSID* clsid) override;
    HRESULT IsDirty() override { return S_FALSE; }
    HRESULT Load(IStream* stream) override;
    HRESULT Save(IStream* stream, BOOL clearDirty) override;
    HRESULT GetSizeMax(ULONGLONG* size) override;
    HRESULT BindToObject(IBindCtx* context, IMoniker* left, REFIID iid, void** object) override;
    HRESULT BindToStorage(IBindCtx* context, IMoniker* left, REFIID iid, void** object) override;
    HRESULT GetDisplayName(IBindCtx* context, IMoniker* left, LPOLESTR* name) override;
    HRESULT IsEqual(IMoniker* other) override;

private:
    DeviceIdentity Identity();

    // mutex_ guards identity_ and properties_, which Load replaces.
    std::mutex mutex_;
    DeviceIdentity identity_;
    std::optional<PropertyBag::Values> properties_;
};
