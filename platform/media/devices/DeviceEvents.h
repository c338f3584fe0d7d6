#pragma once

#include <memory>
#include <string>

// A source of the system's news about video devices, read by the device watch: a descriptor
// to poll, and Drain, which reads what is pending and tells whether any of it was about a
// video device. Not thread-safe; the watch's thread alone uses it.
class DeviceEventSource {
public:
    virtual ~DeviceEventSource() = default;
    virtual int Descriptor() const = 0;
    virtual bool Drain() = 0;
    // What it watches, for the viewer and the logs: "udev" or "folder /dev".
    virtual std::string Describe() const = 0;
};

// udev's events on the video4linux subsystem, sent once udev's rules have run (the node's
// permissions and /dev/v4l links are in place); null when no udev daemon runs here.
std::unique_ptr<DeviceEventSource> MakeUdevEvents();
// The kernel's own changes to a folder of device nodes (inotify): video nodes created, removed,
// renamed or given other permissions. Throws when the folder cannot be watched.
std::unique_ptr<DeviceEventSource> MakeFolderEvents(const std::string& folder);
