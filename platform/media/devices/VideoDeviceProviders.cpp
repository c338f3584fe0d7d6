#include "platform/media/devices/VideoDeviceProviders.h"

#include <algorithm>
#include <mutex>

namespace VideoDeviceProviders {

namespace {

// providersMutex guards providers.
std::mutex providersMutex;
std::vector<std::shared_ptr<VideoDeviceProvider>> providers;

} // namespace

void Add(std::shared_ptr<VideoDeviceProvider> provider) {
    std::lock_guard lock(providersMutex);
    providers.push_back(std::move(provider));
}

void Remove(const std::shared_ptr<VideoDeviceProvider>& provider) {
    std::lock_guard lock(providersMutex);
    std::erase(providers, provider);
}

std::vector<ProvidedDevice> Devices() {
    std::vector<std::shared_ptr<VideoDeviceProvider>> current;
    {
        std::lock_guard lock(providersMutex);
        current = providers;
    }
    // Providers are asked without the lock, so one may add or remove providers itself.
    std::vector<ProvidedDevice> devices;
    for (const auto& provider : current)
        for (auto& device : provider->Devices())
            devices.push_back(std::move(device));
    return devices;
}

} // namespace VideoDeviceProviders
