#include "app/CameraSettingsStore.h"

#include "platform/com/Guid.h"
#include "platform/runtime/JsonValue.h"
#include "platform/runtime/JsonWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kVersion = 1;
// Far more than any number of cameras needs; a larger file is taken as damaged.
constexpr std::uintmax_t kMaximumBytes = 4 << 20;

using Cameras = std::map<std::string, SavedCamera>;

// A whole number member, or `otherwise`.
int64_t IntegerOf(const JsonValue& object, std::string_view key, int64_t otherwise) {
    const JsonValue* member = object.Find(key);
    return member ? member->AsInteger().value_or(otherwise) : otherwise;
}

std::optional<VideoFormat> ModeOf(const JsonValue* mode) {
    if (!mode || !mode->IsObject())
        return std::nullopt;
    const int64_t width = IntegerOf(*mode, "width", 0);
    const int64_t height = IntegerOf(*mode, "height", 0);
    const int64_t frameTime = IntegerOf(*mode, "frame_time", -1);
    const auto subtype = StringToGUID(mode->StringOf("subtype"));
    if (!subtype || width <= 0 || width > 65535 || height == 0 || height < -65535 || height > 65535 ||
        frameTime < 0)
        return std::nullopt;
    return VideoFormat{static_cast<int32_t>(width), static_cast<int32_t>(height), frameTime, *subtype};
}

std::vector<SavedControl> ControlsOf(const JsonValue* controls) {
    std::vector<SavedControl> saved;
    if (!controls || !controls->IsArray())
        return saved;
    for (const JsonValue& entry : controls->Items()) {
        const JsonValue* id = entry.Find("id");
        const JsonValue* value = entry.Find("value");
        const auto number = id ? id->AsInteger() : std::nullopt;
        if (!number || *number <= 0 || *number > UINT32_MAX || !value)
            continue;
        SavedControl control{static_cast<uint32_t>(*number), entry.StringOf("name")};
        if (value->IsString())
            control.text = value->AsString();
        else if (const auto integer = value->AsInteger())
            control.value = *integer;
        else
            continue;
        saved.push_back(std::move(control));
    }
    return saved;
}

// nullopt: the text is no settings file of ours.
std::optional<Cameras> Parse(const std::string& text) {
    const auto root = JsonValue::Parse(text);
    if (!root || !root->IsObject())
        return std::nullopt;
    const JsonValue* cameras = root->Find("cameras");
    if (!cameras || !cameras->IsObject())
        return std::nullopt;
    Cameras parsed;
    for (size_t k = 0; k < cameras->Keys().size(); ++k) {
        const JsonValue& entry = cameras->Items()[k];
        parsed[cameras->Keys()[k]] = {ModeOf(entry.Find("mode")), ControlsOf(entry.Find("controls"))};
    }
    return parsed;
}

std::string Text(const Cameras& cameras) {
    JsonWriter json;
    json.BeginObject().Field("version", kVersion).Key("cameras").BeginObject();
    for (const auto& [identity, camera] : cameras) {
        json.Key(identity).BeginObject();
        if (camera.mode)
            json.Key("mode")
                .BeginObject()
                .Field("width", camera.mode->width)
                .Field("height", camera.mode->height)
                .Field("frame_time", static_cast<int64_t>(camera.mode->averageTimePerFrame))
                .Field("subtype", GUIDToString(camera.mode->subtype))
                .EndObject();
        json.Key("controls").BeginArray();
        for (const SavedControl& control : camera.controls) {
            json.BeginObject().Field("id", control.id).Field("name", control.name);
            if (control.text)
                json.Field("value", *control.text);
            else
                json.Field("value", control.value);
            json.EndObject();
        }
        json.EndArray().EndObject();
    }
    json.EndObject().EndObject();
    return json.Text() + "\n";
}

std::runtime_error WriteError(const std::string& path) {
    return std::runtime_error("cannot write " + path + ": " + std::strerror(errno));
}

// The text, flushed to disk under a temporary name, then renamed over the file; the folder is
// flushed too, so that the rename itself survives a crash.
void WriteAtomically(const std::string& path, const std::string& text) {
    const std::filesystem::path file(path);
    std::error_code ignored;
    std::filesystem::create_directories(file.parent_path(), ignored);
    std::string temporary = path + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0)
        throw WriteError(path);
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t count = write(fd, text.data() + written, text.size() - written);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        written += static_cast<size_t>(count);
    }
    const bool whole = written == text.size() && fchmod(fd, 0644) == 0 && fsync(fd) == 0;
    const int savedErrno = errno;
    close(fd);
    if (!whole || rename(temporary.c_str(), path.c_str()) != 0) {
        const int failure = whole ? errno : savedErrno;
        unlink(temporary.c_str());
        errno = failure;
        throw WriteError(path);
    }
    const int folder = open(file.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
    }
}

Cameras Load(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (error)
        return {}; // no file yet
    std::string text;
    if (size <= kMaximumBytes) {
        std::ifstream file(path, std::ios::binary);
        std::ostringstream bytes;
        bytes << file.rdbuf();
        text = bytes.str();
    }
    if (auto cameras = Parse(text))
        return std::move(*cameras);
    const std::string aside = path + ".bak";
    if (rename(path.c_str(), aside.c_str()) == 0)
        std::fprintf(stderr, "tarnolix: %s was damaged; kept as %s, camera settings start afresh\n",
                     path.c_str(), aside.c_str());
    else
        std::fprintf(stderr, "tarnolix: %s is damaged and cannot be moved aside: %s\n", path.c_str(),
                     std::strerror(errno));
    return {};
}

} // namespace

std::string CameraSettingsStore::DefaultPath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string folder;
    if (config && config[0] == '/')
        folder = config;
    else if (const char* home = std::getenv("HOME"))
        folder = std::string(home) + "/.config";
    else
        folder = ".config";
    return folder + "/tarnolix/cameras.json";
}

CameraSettingsStore::CameraSettingsStore(std::string path) : path_(std::move(path)) {}

SavedCamera CameraSettingsStore::Camera(const std::string& identity) const {
    const Cameras cameras = Load(path_);
    const auto found = cameras.find(identity);
    return found != cameras.end() ? found->second : SavedCamera{};
}

void CameraSettingsStore::Change(const std::string& identity,
                                 const std::function<void(SavedCamera&)>& change) {
    Cameras cameras = Load(path_);
    change(cameras[identity]);
    WriteAtomically(path_, Text(cameras));
}

void CameraSettingsStore::SaveMode(const std::string& identity, const VideoFormat& mode) {
    Change(identity, [&](SavedCamera& camera) { camera.mode = mode; });
}

void CameraSettingsStore::SaveControl(const std::string& identity, const SavedControl& control) {
    SaveControls(identity, {control});
}

void CameraSettingsStore::SaveControls(const std::string& identity,
                                       const std::vector<SavedControl>& controls) {
    Change(identity, [&](SavedCamera& camera) {
        for (const SavedControl& control : controls) {
            const auto known =
                std::find_if(camera.controls.begin(), camera.controls.end(),
                             [&](const SavedControl& saved) { return saved.id == control.id; });
            if (known != camera.controls.end())
                *known = control;
            else
                camera.controls.push_back(control);
        }
    });
}

void CameraSettingsStore::ForgetControls(const std::string& identity) {
    Change(identity, [](SavedCamera& camera) { camera.controls.clear(); });
}
