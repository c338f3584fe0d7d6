#pragma once

#include "platform/media/core/VideoFormat.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A camera made up by the platform: an animated test pattern, a still picture served as a
// camera, or a recording of MJPEG frames served as an MJPEG camera. Listed after the V4L2 cameras.
struct VirtualCamera {
    enum class Kind { Pattern, Image, Recording };

    std::string name; // friendly name, UTF-8
    Kind kind = Kind::Pattern;
    int32_t width = 640;
    int32_t height = 480;
    int32_t framesPerSecond = 30;
    std::string imagePath; // Image and Recording

    // The entry in its full form, name included ("Kamera testowa=pattern:640x480@30",
    // "Tło=image:/home/a/tlo.jpg"); what a device moniker keeps.
    std::string Entry() const;
};

// Parses one entry: [NAME=]pattern[:WxH[@FPS]], [NAME=]image:PATH or [NAME=]mjpeg[@FPS]:PATH,
// spaces around it ignored. Without a name, a pattern is "Kamera testowa" and a picture or a
// recording is named by its file name. Sides
// from 1 to 16384 and rates from 1 to 1000 are accepted; nullopt for anything else.
std::optional<VirtualCamera> ParseVirtualCamera(std::string_view entry);

// The cameras of TARNOLIX_VIRTUAL_CAMERAS, a comma-separated list of entries, read afresh at
// every call. Unset: one pattern camera "Kamera testowa" at 640x480, 30 frames a second; empty:
// none. Entries that do not parse are left out.
std::vector<VirtualCamera> VirtualCamerasFromEnvironment();

// The format the camera offers: the pattern's size and rate, the picture's own size at 30 frames
// a second, or MJPG at the size of the recording's first frame and its rate. Empty for a
// picture or recording that cannot be read.
std::vector<VideoFormat> VirtualCameraFormats(const VirtualCamera& camera);
