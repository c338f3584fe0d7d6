#include "platform/media/cameras/VirtualCameras.h"

#include "platform/media/sources/StillImageSize.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>

namespace {

constexpr std::string_view kDefaultName = "Kamera testowa";
constexpr std::string_view kPattern = "pattern";
constexpr std::string_view kImage = "image:";
constexpr std::string_view kRecording = "mjpeg";
constexpr int32_t kMaxSide = 16384;
constexpr int32_t kMaxRate = 1000;

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// A whole decimal number within [1, limit].
std::optional<int32_t> Number(std::string_view text, int32_t limit) {
    int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 1 || value > limit)
        return std::nullopt;
    return value;
}

// "WxH" or "WxH@FPS" into the camera.
bool ParsePatternFormat(std::string_view text, VirtualCamera& camera) {
    const auto at = text.find('@');
    if (at != std::string_view::npos) {
        const auto rate = Number(text.substr(at + 1), kMaxRate);
        if (!rate)
            return false;
        camera.framesPerSecond = *rate;
        text = text.substr(0, at);
    }
    const auto x = text.find('x');
    if (x == std::string_view::npos)
        return false;
    const auto width = Number(text.substr(0, x), kMaxSide);
    const auto height = Number(text.substr(x + 1), kMaxSide);
    if (!width || !height)
        return false;
    camera.width = *width;
    camera.height = *height;
    return true;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// Whether the entry starts with its kind rather than a name.
bool StartsWithKind(std::string_view entry) {
    return entry == kPattern || StartsWith(entry, "pattern:") || StartsWith(entry, kImage) ||
           StartsWith(entry, "mjpeg:") || StartsWith(entry, "mjpeg@");
}

} // namespace

std::string VirtualCamera::Entry() const {
    if (kind == Kind::Image)
        return name + "=" + std::string(kImage) + imagePath;
    if (kind == Kind::Recording)
        return name + "=" + std::string(kRecording) + "@" + std::to_string(framesPerSecond) + ":" + imagePath;
    return name + "=" + std::string(kPattern) + ":" + std::to_string(width) + "x" + std::to_string(height) +
           "@" + std::to_string(framesPerSecond);
}

std::optional<VirtualCamera> ParseVirtualCamera(std::string_view entry) {
    entry = Trim(entry);
    VirtualCamera camera;
    // A name comes before the first '=', unless the entry starts with its kind (an image path
    // may hold '=' of its own).
    if (!StartsWithKind(entry)) {
        const auto equals = entry.find('=');
        if (equals == std::string_view::npos)
            return std::nullopt;
        camera.name = std::string(Trim(entry.substr(0, equals)));
        entry = Trim(entry.substr(equals + 1));
    }
    const bool recording = StartsWith(entry, "mjpeg:") || StartsWith(entry, "mjpeg@");
    if (recording) {
        std::string_view rest = entry.substr(kRecording.size());
        const auto colon = rest.find(':');
        if (colon == std::string_view::npos)
            return std::nullopt;
        if (rest[0] == '@') {
            const auto rate = Number(rest.substr(1, colon - 1), kMaxRate);
            if (!rate)
                return std::nullopt;
            camera.framesPerSecond = *rate;
        }
        entry = rest.substr(colon + 1);
    }
    if (recording || StartsWith(entry, kImage)) {
        camera.kind = recording ? VirtualCamera::Kind::Recording : VirtualCamera::Kind::Image;
        camera.imagePath = std::string(recording ? entry : entry.substr(kImage.size()));
        if (camera.imagePath.empty())
            return std::nullopt;
        if (camera.name.empty()) {
            const auto slash = camera.imagePath.find_last_of('/');
            camera.name = slash == std::string::npos ? camera.imagePath : camera.imagePath.substr(slash + 1);
        }
        return camera;
    }
    if (!StartsWith(entry, kPattern))
        return std::nullopt;
    const std::string_view rest = entry.substr(kPattern.size());
    if (!rest.empty() && (rest[0] != ':' || !ParsePatternFormat(rest.substr(1), camera)))
        return std::nullopt;
    if (camera.name.empty())
        camera.name = kDefaultName;
    return camera;
}

std::vector<VirtualCamera> VirtualCamerasFromEnvironment() {
    const char* value = std::getenv("TARNOLIX_VIRTUAL_CAMERAS");
    if (!value)
        return {*ParseVirtualCamera(kPattern)};
    std::vector<VirtualCamera> cameras;
    std::string_view list = value;
    while (!list.empty()) {
        const auto comma = list.find(',');
        const std::string_view entry = list.substr(0, comma);
        if (auto camera = ParseVirtualCamera(entry))
            cameras.push_back(std::move(*camera));
        if (comma == std::string_view::npos)
            break;
        list.remove_prefix(comma + 1);
    }
    return cameras;
}

std::vector<VideoFormat> VirtualCameraFormats(const VirtualCamera& camera) {
    constexpr int64_t unit = 10'000'000;
    if (camera.kind == VirtualCamera::Kind::Pattern)
        return {{camera.width, camera.height, unit / std::max(camera.framesPerSecond, 1)}};
    const auto size = ReadStillImageSize(camera.imagePath);
    if (!size)
        return {};
    if (camera.kind == VirtualCamera::Kind::Recording)
        return {{size->width, size->height, unit / std::max(camera.framesPerSecond, 1), MEDIASUBTYPE_MJPG}};
    return {{size->width, size->height, unit / 30}};
}
