#include "platform/media/pipewire/PipeWireCameras.h"

#include <cstdlib>
#include <string>

CameraAccess CameraAccessFromEnvironment() {
    const char* value = std::getenv("TARNOLIX_CAMERA_ACCESS");
    const std::string access = value ? value : "";
    if (access == "v4l2")
        return CameraAccess::V4l2;
    if (access == "pipewire")
        return CameraAccess::PipeWire;
    return CameraAccess::Automatic;
}
