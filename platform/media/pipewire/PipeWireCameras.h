#pragma once

#include "platform/com/ComPtr.h"
#include "platform/media/core/CameraControlInterfaces.h"
#include "platform/media/pipewire/PipeWireMode.h"
#include "platform/media/sources/FrameSource.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A camera node of the PipeWire daemon, as the device directory needs it.
struct PipeWireCameraEntry {
    uint64_t serial = 0;     // valid while this daemon runs
    std::string name;        // node.name
    std::string description; // node.description, the name users see
    std::string api;         // device.api: "v4l2", "libcamera", or empty for a program's node
    std::string v4l2Path;    // api.v4l2.path: the V4L2 node PipeWire reads, if any
    std::string busPath;     // device.bus-path
    std::string objectPath;  // object.path
};

// How cameras are reached: TARNOLIX_CAMERA_ACCESS=v4l2 or pipewire forces one way; otherwise a
// camera that PipeWire serves goes through PipeWire and the rest directly through V4L2.
enum class CameraAccess { Automatic, V4l2, PipeWire };
CameraAccess CameraAccessFromEnvironment();

// The process's one PipeWire session for cameras. It starts with the first listing (unless
// the access is V4L2 only), connects when a daemon's socket is there (through the Camera portal,
// on its own thread, where CameraPortalWanted: a refusal lists nothing and leaves a notice; no
// portal connects the plain way), and while it runs keeps
// the camera list up to date on PipeWire's loop thread; when the daemon goes it lists nothing,
// and it connects again when a daemon comes back (it looks once a second). Any thread may call.
namespace PipeWireCameras {

// The camera nodes now; empty with no daemon, or without PipeWire in this build.
std::vector<PipeWireCameraEntry> List();
// An eventfd that turns readable when the list changed (a node came or went, the daemon went
// or came); the reader drains it. -1 before the first listing, or without PipeWire.
int ChangeDescriptor();
// The modes the node lists now; empty when it is gone.
std::vector<PipeWireMode> Modes(uint64_t serial);
// A message for the window, in Polish, given once: access to the cameras was refused through the
// Camera portal. Empty otherwise.
std::string TakeNotice();
// The frame source of the node in the mode; null when the daemon has gone.
std::unique_ptr<FrameSource> MakeFrameSource(uint64_t serial, const std::string& nodeName,
                                             const VideoFormat& format, const PipeWireMode& mode);
// The settings the node publishes; null when the daemon has gone, or without PipeWire.
ComPtr<ICameraControls> MakeControls(uint64_t serial);

} // namespace PipeWireCameras
