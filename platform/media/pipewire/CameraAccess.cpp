#include "platform/media/pipewire/CameraPortal.h"
#include "platform/media/pipewire/PipeWireCameras.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

CameraAccess CameraAccessFromEnvironment() {
    const char* value = std::getenv("TARNOLIX_CAMERA_ACCESS");
    const std::string access = value ? value : "";
    if (access == "v4l2")
        return CameraAccess::V4l2;
    if (access == "pipewire")
        return CameraAccess::PipeWire;
    return CameraAccess::Automatic;
}

bool CameraPortalWanted() {
    const char* wanted = std::getenv("TARNOLIX_CAMERA_PORTAL");
    if (wanted && *wanted)
        return std::strcmp(wanted, "1") == 0;
    return ::access("/.flatpak-info", F_OK) == 0;
}
