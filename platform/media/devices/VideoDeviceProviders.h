#pragma once

#include "platform/com/PropertyBag.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// A video-input device that does not come from V4L2 or the virtual cameras: tests register
// such devices to present bags of their own making (no "CLSID", a malformed one).
struct ProvidedDevice {
    std::u16string id;              // the device's identity within its provider, kept by monikers
    PropertyBag::Values properties; // the device's property bag, as it is
    // Binds the device's filter; null answers MK_E_NOOBJECT.
    std::function<HRESULT(REFIID iid, void** object)> bind;
};

// A source of such devices, asked at every enumeration.
class VideoDeviceProvider {
public:
    virtual ~VideoDeviceProvider() = default;
    virtual std::vector<ProvidedDevice> Devices() = 0;
};

// The registered providers, whose devices are listed after the virtual cameras in the order
// the providers were added. Any thread may add, remove and list.
namespace VideoDeviceProviders {

void Add(std::shared_ptr<VideoDeviceProvider> provider);
void Remove(const std::shared_ptr<VideoDeviceProvider>& provider);
std::vector<ProvidedDevice> Devices();

} // namespace VideoDeviceProviders
