#include "platform/media/devices/SystemDeviceEnum.h"

#include "platform/com/MonikerEnumerator.h"
#include "platform/media/devices/DeviceMoniker.h"
#include "platform/media/devices/Directory.h"

HRESULT SystemDeviceEnum::CreateClassEnumerator(REFCLSID category, IEnumMoniker** enumerator, DWORD) {
    if (!enumerator)
        return E_POINTER;
    *enumerator = nullptr;
    std::vector<DeviceRecord> records;
    if (category == CLSID_VideoInputDeviceCategory)
        records = DeviceDirectory::VideoInputDevices();
    else if (category == CLSID_ActiveMovieCategories)
        records = DeviceDirectory::Categories();
    if (records.empty())
        return S_FALSE;
    std::vector<ComPtr<IMoniker>> monikers;
    for (auto& record : records)
        monikers.push_back(DeviceMoniker::Create(std::move(record)));
    *enumerator = MonikerEnumerator::Create(std::move(monikers)).Detach();
    return S_OK;
}
