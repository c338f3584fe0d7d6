#pragma once

#include "platform/media/core/VideoFormat.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// A control value the user set, kept under the control's id; the name is for readers of the
// file. A string control keeps its text.
struct SavedControl {
    uint32_t id = 0;
    std::string name;
    int64_t value = 0;
    std::optional<std::string> text{};
};

// What is kept of one camera: the mode chosen in the camera menu, and the controls the user
// changed, in the order they were first changed.
struct SavedCamera {
    std::optional<VideoFormat> mode;
    std::vector<SavedControl> controls;
};

// The cameras' settings in one JSON file, by each camera's stable identity (its moniker's
// display name). Every read takes the file afresh and every change is a read, the change and an
// atomic write (a temporary file in the same folder, flushed to disk, renamed over the file), so
// that the other cameras' entries, even those another running copy just wrote, are kept and a
// crash leaves the old file or the new one. A file that cannot be parsed is renamed to
// "<file>.bak" with one line on stderr, and a fresh one is started.
class CameraSettingsStore {
public:
    // $XDG_CONFIG_HOME/tarnolix/cameras.json, with ~/.config when the variable is unset or not
    // an absolute path.
    static std::string DefaultPath();

    explicit CameraSettingsStore(std::string path = DefaultPath());

    const std::string& Path() const { return path_; }
    SavedCamera Camera(const std::string& identity) const;
    // Throw std::runtime_error when the file cannot be written; nothing is changed then.
    void SaveMode(const std::string& identity, const VideoFormat& mode);
    void SaveControl(const std::string& identity, const SavedControl& control);
    // Each replaces the camera's saved value of its control, or is added after the others; one write.
    void SaveControls(const std::string& identity, const std::vector<SavedControl>& controls);
    void ForgetControls(const std::string& identity);

private:
    void Change(const std::string& identity, const std::function<void(SavedCamera&)>& change);

    std::string path_;
};
