#pragma once

#include "platform/com/PropertyBag.h"

#include <string>
#include <vector>

// Where a device comes from, and so how its identity is read.
enum class DeviceKind : uint32_t {
    V4l2 = 1,     // identity: a /dev/v4l/by-id link, else the bus and card, else the path
    Virtual = 2,  // identity: the virtual camera's full entry
    Provided = 3, // identity: the device's id within its provider
    Category = 4, // a category of the category of categories; identity: its class id, braced
    PipeWire = 5, // a PipeWire camera no V4L2 node of ours shows; identity: PipeWireIdentity
};

struct DeviceIdentity {
    DeviceKind kind = DeviceKind::V4l2;
    std::u16string id;

    friend bool operator==(const DeviceIdentity&, const DeviceIdentity&) = default;
};

// A device as an enumeration finds it: who it is and its property bag at that moment.
struct DeviceRecord {
    DeviceIdentity identity;
    PropertyBag::Values properties;
};

// The devices the system device enumerator knows, looked up afresh at every call. Any thread
// may call these.
namespace DeviceDirectory {

// The video-input devices: V4L2 cameras in order of their node numbers, then the PipeWire
// cameras that are not among them (by the V4L2 node PipeWire reads), then the virtual cameras in
// the order of TARNOLIX_VIRTUAL_CAMERAS, then the provided devices. A V4L2 camera that PipeWire
// serves is captured through PipeWire unless TARNOLIX_CAMERA_ACCESS=v4l2; with
// TARNOLIX_CAMERA_ACCESS=pipewire only PipeWire's cameras are listed.
std::vector<DeviceRecord> VideoInputDevices();
// The categories listed in the category of categories.
std::vector<DeviceRecord> Categories();

// The property bag of a device as it is now; MK_E_NOOBJECT when it is gone.
HRESULT Properties(const DeviceIdentity& identity, PropertyBag::Values& properties);
// Creates the device's capture source filter and queries it for iid; MK_E_NOOBJECT when the
// device is gone or cannot be opened.
HRESULT Bind(const DeviceIdentity& identity, REFIID iid, void** object);

} // namespace DeviceDirectory
