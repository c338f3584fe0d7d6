#pragma once

#include "platform/com/ComPtr.h"
#include "platform/com/PropertyBagInterface.h"

#include <map>
#include <mutex>
#include <string>

// A property bag of string values held in memory: the device bags of the device enumerator.
// Reading a name it lacks answers HRESULT_FILE_NOT_FOUND; a value asked for as anything but a
// string (or as stored) answers DISP_E_TYPEMISMATCH. Any thread may use it.
class PropertyBag final : public ComObject<IPropertyBag> {
public:
    using Values = std::map<std::u16string, std::u16string>;

    static ComPtr<IPropertyBag> Create(Values values);

    HRESULT Read(LPCOLESTR name, VARIANT* value, IErrorLog* log) override;
    // Stores a string value; other kinds answer DISP_E_TYPEMISMATCH.
    HRESULT Write(LPCOLESTR name, VARIANT* value) override;

private:
    explicit PropertyBag(Values values) : values_(std::move(values)) {}

    // mutex_ guards values_.
    std::mutex mutex_;
    Values values_;
};
