// Built instead of the portal's client where libdbus's development files are missing: cameras are
// then reached the plain way only.
#include "platform/media/pipewire/CameraPortal.h"

CameraPortalAnswer AskCameraPortal(const std::function<bool()>&) {
    return {CameraPortalAnswer::Outcome::Absent, -1, "this build of Tarnolix has no D-Bus client"};
}
