#pragma once

#include "platform/media/core/DeviceEnumInterfaces.h"

// The system device enumerator (CLSID_SystemDeviceEnum): for the video-input category, the
// monikers of the devices present now; for the category of categories, the video-input
// category; for any other category, nothing. It keeps no state; any thread may use it.
class SystemDeviceEnum final : public ComObject<ICreateDevEnum> {
public:
    HRESULT CreateClassEnumerator(REFCLSID category, IEnumMoniker** enumerator, DWORD flags) override;
};
