#pragma once

#include "platform/com/ComPtr.h"
#include "platform/com/MonikerInterface.h"

#include <mutex>
#include <string>

// {00000304-0000-0000-C000-000000000046}
inline constexpr CLSID CLSID_ItemMoniker{
    0x00000304, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// A moniker naming an item by a delimiter and a name ("!" and "FilterGraph ..."). Binding finds
// the object registered under an equal name in the running-object table. Its persisted state is
// the delimiter and the name as wide strings. Any thread may use it.
class ItemMoniker final : public ComObject<IMoniker> {
public:
    ItemMoniker() = default;
    ItemMoniker(std::u16string delimiter, std::u16string item)
        : delimiter_(std::move(delimiter)), item_(std::move(item)) {}

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
    std::u16string DisplayName();

    // mutex_ guards delimiter_ and item_, which Load replaces.
    std::mutex mutex_;
    std::u16string delimiter_;
    std::u16string item_;
};

HRESULT CreateItemMoniker(LPCOLESTR delimiter, LPCOLESTR item, IMoniker** moniker);

// The display name of any moniker (empty when it has none).
std::u16string MonikerDisplayName(IMoniker* moniker);
