#include "platform/media/graph/FilterClassMoniker.h"

#include "platform/com/ClassIdText.h"
#include "platform/com/ClassRegistry.h"
#include "platform/com/ItemMoniker.h"
#include "platform/com/PropertyBag.h"
#include "platform/com/StreamData.h"
#include "platform/com/TaskString.h"
#include "platform/runtime/UnicodeText.h"

CLSID FilterClassMoniker::Class() {
    std::lock_guard lock(mutex_);
    return clsid_;
}

std::u16string FilterClassMoniker::FriendlyName() {
    std::lock_guard lock(mutex_);
    return friendlyName_;
}

HRESULT FilterClassMoniker::GetClassID(CLSID* clsid) {
    if (!clsid)
        return E_POINTER;
    *clsid = CLSID_ClassMoniker;
    return S_OK;
}

HRESULT FilterClassMoniker::Load(IStream* stream) {
    if (!stream)
        return E_POINTER;
    std::u16string classText;
    std::u16string name;
    HRESULT hr = ReadWideString(stream, classText, 64);
    if (SUCCEEDED(hr))
        hr = ReadWideString(stream, name);
    if (FAILED(hr))
        return hr;
    const std::optional<GUID> clsid = StringToGUID(Utf16ToUtf8(classText));
    if (!clsid)
        return STG_E_READFAULT;
    std::lock_guard lock(mutex_);
    clsid_ = *clsid;
    friendlyName_ = std::move(name);
    return S_OK;
}

HRESULT FilterClassMoniker::Save(IStream* stream, BOOL) {
    if (!stream)
        return E_POINTER;
    const HRESULT hr = WriteWideString(stream, StringFromCLSID(Class()));
    return FAILED(hr) ? hr : WriteWideString(stream, FriendlyName());
}

HRESULT FilterClassMoniker::GetSizeMax(ULONGLONG* size) {
    if (!size)
        return E_POINTER;
    *size = 8 + 2 * (38 + FriendlyName().size());
    return S_OK;
}

HRESULT FilterClassMoniker::BindToObject(IBindCtx*, IMoniker*, REFIID iid, void** object) {
    return CoCreateInstance(Class(), nullptr, CLSCTX_INPROC_SERVER, iid, object);
}

HRESULT FilterClassMoniker::BindToStorage(IBindCtx*, IMoniker*, REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    ComPtr<IPropertyBag> bag =
        PropertyBag::Create({{u"FriendlyName", FriendlyName()}, {u"CLSID", StringFromCLSID(Class())}});
    return bag->QueryInterface(iid, object);
}

HRESULT FilterClassMoniker::GetDisplayName(IBindCtx*, IMoniker*, LPOLESTR* name) {
    if (!name)
        return E_POINTER;
    std::u16string text = StringFromCLSID(Class());
    // "clsid:" and the class id without its braces.
    *name = CoTaskStringFrom(u"clsid:" + text.substr(1, text.size() - 2) + u":");
    return *name ? S_OK : E_OUTOFMEMORY;
}

HRESULT FilterClassMoniker::IsEqual(IMoniker* other) {
    if (!other)
        return E_INVALIDARG;
    CLSID clsid;
    if (FAILED(other->GetClassID(&clsid)) || clsid != CLSID_ClassMoniker)
        return S_FALSE;
    LPOLESTR own = nullptr;
    if (FAILED(GetDisplayName(nullptr, nullptr, &own)))
        return S_FALSE;
    return TakeCoTaskString(own) == MonikerDisplayName(other) ? S_OK : S_FALSE;
}
