#include "platform/com/ItemMoniker.h"

#include "platform/com/RunningObjectTableInterface.h"
#include "platform/com/StreamData.h"
#include "platform/com/TaskString.h"

HRESULT ItemMoniker::GetClassID(CLSID* clsid) {
    if (!clsid)
        return E_POINTER;
    *clsid = CLSID_ItemMoniker;
    return S_OK;
}

HRESULT ItemMoniker::Load(IStream* stream) {
    if (!stream)
        return E_POINTER;
    std::u16string delimiter;
    std::u16string item;
    HRESULT hr = ReadWideString(stream, delimiter);
    if (SUCCEEDED(hr))
        hr = ReadWideString(stream, item);
    if (FAILED(hr))
        return hr;
    std::lock_guard lock(mutex_);
    delimiter_ = std::move(delimiter);
    item_ = std::move(item);
    return S_OK;
}

HRESULT ItemMoniker::Save(IStream* stream, BOOL) {
    if (!stream)
        return E_POINTER;
    std::u16string delimiter;
    std::u16string item;
    {
        std::lock_guard lock(mutex_);
        delimiter = delimiter_;
        item = item_;
    }
    const HRESULT hr = WriteWideString(stream, delimiter);
    return FAILED(hr) ? hr : WriteWideString(stream, item);
}

HRESULT ItemMoniker::GetSizeMax(ULONGLONG* size) {
    if (!size)
        return E_POINTER;
    std::lock_guard lock(mutex_);
    *size = 8 + 2 * (delimiter_.size() + item_.size());
    return S_OK;
}

HRESULT ItemMoniker::BindToObject(IBindCtx*, IMoniker*, REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    ComPtr<IRunningObjectTable> table;
    HRESULT hr = GetRunningObjectTable(0, table.Receive());
    if (FAILED(hr))
        return hr;
    ComPtr<IUnknown> running;
    hr = table->GetObject(this, running.Receive());
    if (hr != S_OK)
        return MK_E_NOOBJECT;
    return running->QueryInterface(iid, object);
}

HRESULT ItemMoniker::BindToStorage(IBindCtx*, IMoniker*, REFIID, void** object) {
    if (object)
        *object = nullptr;
    return MK_E_NOSTORAGE;
}

HRESULT ItemMoniker::GetDisplayName(IBindCtx*, IMoniker*, LPOLESTR* name) {
    if (!name)
        return E_POINTER;
    *name = CoTaskStringFrom(DisplayName());
    return *name ? S_OK : E_OUTOFMEMORY;
}

HRESULT ItemMoniker::IsEqual(IMoniker* other) {
    if (!other)
        return E_INVALIDARG;
    CLSID clsid;
    if (FAILED(other->GetClassID(&clsid)) || clsid != CLSID_ItemMoniker)
        return S_FALSE;
    return MonikerDisplayName(other) == DisplayName() ? S_OK : S_FALSE;
}

std::u16string ItemMoniker::DisplayName() {
    std::lock_guard lock(mutex_);
    return delimiter_ + item_;
}

HRESULT CreateItemMoniker(LPCOLESTR delimiter, LPCOLESTR item, IMoniker** moniker) {
    if (!moniker)
        return E_POINTER;
    *moniker = nullptr;
    if (!item)
        return E_INVALIDARG;
    *moniker = new ItemMoniker(delimiter ? delimiter : u"", item);
    return S_OK;
}

std::u16string MonikerDisplayName(IMoniker* moniker) {
    LPOLESTR name = nullptr;
    if (!moniker || FAILED(moniker->GetDisplayName(nullptr, nullptr, &name)))
        return {};
    return TakeCoTaskString(name);
}
