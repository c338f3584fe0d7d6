#pragma once

#include "platform/com/ComPtr.h"
#include "platform/com/MonikerInterface.h"

#include <mutex>
#include <string>

// {0000031A-0000-0000-C000-000000000046}
inline constexpr CLSID CLSID_ClassMoniker{
    0x0000031A, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// A moniker naming a filter class: binding creates a new filter of the class, and its property
// bag holds "FriendlyName" and "CLSID" (braced text), as the device monikers' bags do. The graph
// hands these to the graph-building callbacks for the converters it considers. Its persisted
// state is the class id's text and the friendly name. Any thread may use it.
class FilterClassMoniker final : public ComObject<IMoniker> {
public:
    FilterClassMoniker() = default;
    FilterClassMoniker(const CLSID& clsid, std::u16string friendlyName)
        : clsid_(clsid), friendlyName_(std::move(friendlyName)) {}

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
    CLSID Class();
    std::u16string FriendlyName();

    // mutex_ guards clsid_ and friendlyName_, which Load replaces.
    std::mutex mutex_;
    CLSID clsid_{};
    std::u16string friendlyName_;
};
