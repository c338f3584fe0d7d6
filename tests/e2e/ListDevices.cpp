// Prints the friendly names of the video-input devices, one a line, in the order the program's
// device menu lists them, so that the end-to-end test can choose a camera by its name.
#include "capture/SysDevEnum.h"
#include "platform/media/core/DeviceEnumInterfaces.h"

#include <cstdio>
#include <exception>

int main() {
    try {
        const TSysDevEnum devices(CLSID_VideoInputDeviceCategory);
        for (int32_t i = 0; i < devices.DeviceCount(); ++i)
            std::printf("%s\n", devices.DeviceEntries(i).FriendlyName.c_str());
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "list_devices: %s\n", error.what());
        return 1;
    }
}
