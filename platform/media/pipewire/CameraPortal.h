#pragma once

#include <functional>
#include <string>

// The Camera portal (org.freedesktop.portal.Camera): how a sandboxed program gets a PipeWire
// connection that shows it the cameras, once the user allowed it.

// Whether cameras are to be reached through the portal: inside a Flatpak (/.flatpak-info
// exists), or when TARNOLIX_CAMERA_PORTAL=1.
bool CameraPortalWanted();

struct CameraPortalAnswer {
    enum class Outcome {
        Granted, // `descriptor` is the PipeWire socket the portal opened
        Refused, // the user (or the stored answer) said no
        Absent,  // no session bus, no portal, or a portal without the Camera interface
    };
    Outcome outcome = Outcome::Absent;
    int descriptor = -1; // owned by the caller when granted
    std::string detail;  // why, in English, for the log
};

// Asks the portal on the session bus: AccessCamera, then the Request's Response, then
// OpenPipeWireRemote. Blocks the calling thread (the portal may show a dialog and wait for the
// user) until the answer, or until `keepWaiting` says no (it is asked about every 200 ms).
CameraPortalAnswer AskCameraPortal(const std::function<bool()>& keepWaiting);

// The words the window shows when access was refused.
inline constexpr const char* kCameraAccessRefused =
    "Dostęp do kamery został odmówiony. Można na niego zezwolić w ustawieniach prywatności systemu.";
