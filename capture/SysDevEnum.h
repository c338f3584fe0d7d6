#pragma once

#include "capture/DeviceEntry.h"
#include "platform/com/ComPtr.h"
#include "platform/com/MonikerInterface.h"

#include <cstdint>
#include <vector>

// Lists the devices that the system device enumerator registers under one category, with a
// friendly name and a class id for each, and hands out a device's moniker by its position.
// The lists are built when the enumerator is made and when a category is selected; nothing
// rebuilds them when devices come or go. It holds no framework object between calls. Used on
// the GUI thread only.
class TSysDevEnum {
public:
    // Builds the category list, then selects category (its device list is built before the
    // constructor returns). An invalid "CLSID" in a device's bag raises EOleSysError.
    explicit TSysDevEnum(const GUID& category);

    // Stores the category and rebuilds the device list for it. A "CLSID" value that is not a
    // class id raises EOleSysError; the entries listed before that device stay.
    void SelectCategory(const GUID& category);

    int32_t DeviceCount() const;
    // A copy of the entry at index; EListError "List index out of bounds (%d)" outside the list.
    TDeviceEntry DeviceEntries(int32_t index) const;
    // The moniker of the device at index in a fresh enumeration of the selected category, or
    // none (an index outside the list, or the device gone). The caller owns the reference.
    ComPtr<IMoniker> GetMoniker(int32_t index) const;

    // The entries of the category of categories, as they were at construction.
    int32_t CategoryCount() const;
    TDeviceEntry CategoryEntries(int32_t index) const;

    const GUID& SelectedCategory() const { return category_; }

private:
    GUID category_ = GUID_NULL;
    std::vector<TDeviceEntry> categories_;
    std::vector<TDeviceEntry> devices_;
};
