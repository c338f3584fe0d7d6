#include "platform/com/PropertyBag.h"

ComPtr<IPropertyBag> PropertyBag::Create(Values values) {
    return ComPtr<IPropertyBag>::Adopt(new PropertyBag(std::move(values)));
}

HRESULT PropertyBag::Read(LPCOLESTR name, VARIANT* value, IErrorLog*) {
    if (!name || !value)
        return E_POINTER;
    if (value->vt != VT_EMPTY && value->vt != VT_BSTR)
        return DISP_E_TYPEMISMATCH;
    std::u16string text;
    {
        std::lock_guard lock(mutex_);
        const auto found = values_.find(name);
        if (found == values_.end()) {
            VariantInit(value);
            return HRESULT_FILE_NOT_FOUND;
        }
        text = found->second;
    }
    BSTR copy = SysAllocStringLen(text.data(), static_cast<uint32_t>(text.size()));
    if (!copy)
        return E_OUTOFMEMORY;
    value->vt = VT_BSTR;
    value->bstrVal = copy;
    return S_OK;
}

HRESULT PropertyBag::Write(LPCOLESTR name, VARIANT* value) {
    if (!name || !value)
        return E_POINTER;
    if (value->vt != VT_BSTR)
        return DISP_E_TYPEMISMATCH;
    std::u16string text(value->bstrVal ? value->bstrVal : u"", SysStringLen(value->bstrVal));
    std::lock_guard lock(mutex_);
    values_[name] = std::move(text);
    return S_OK;
}
