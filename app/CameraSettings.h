#pragma once

#include "app/CameraSettingsDialog.h"
#include "app/CameraSettingsStore.h"
#include "platform/com/ComPtr.h"
#include "platform/com/MonikerInterface.h"
#include "platform/media/core/FilterInterfaces.h"

#include <QPointer>
#include <QTimer>

#include <map>
#include <optional>
#include <string>

class QAction;
class QWidget;

// The cameras' own settings in the window: "Ustawienia kamery…" and its dialog, and what is
// kept of each camera (the mode chosen in the camera menu, the controls the user changed) by
// its moniker's display name in a file (CameraSettingsStore), given back every time that camera
// starts: chosen from the menu or the command line, back after being unplugged, or in a later
// run. GUI thread only.
class TCameraSettings {
public:
    explicit TCameraSettings(QWidget* window, CameraSettingsStore store = CameraSettingsStore());
    ~TCameraSettings();
    TCameraSettings(const TCameraSettings&) = delete;
    TCameraSettings& operator=(const TCameraSettings&) = delete;

    // "Ustawienia kamery…", enabled while a camera runs.
    QAction* Action() const { return action_; }
    // The mode the user chose for the camera of this moniker display name, if any.
    std::optional<VideoFormat> ChosenMode(const std::u16string& camera) const;
    // Kept at once, in the file and for this run: a file that cannot be written costs the next
    // run the mode, with one line on stderr, never this one.
    void ModeChosen(const std::u16string& camera, const VideoFormat& mode);
    // The camera's graph is built: its saved controls are set (automatic modes first; a value
    // the camera refuses is skipped with one line on stderr), and an open dialog shows it.
    void CameraStarted(IMoniker* camera, IBaseFilter* source);
    // The camera stopped: changes not yet written are, and the dialog lets its controls go.
    void CameraStopped();

    TCameraSettingsDialog* Dialog() const { return dialog_; }
    const CameraSettingsStore& Store() const { return store_; }

private:
    void Open();
    void Changed(const CameraControl& control);
    void DefaultsRestored();
    void Flush();

    QWidget* const window_;
    CameraSettingsStore store_;
    QAction* action_ = nullptr;
    QPointer<TCameraSettingsDialog> dialog_;
    std::string identity_; // the running camera's, UTF-8; empty while none runs
    QString name_;         // its friendly name
    ComPtr<ICameraControls> controls_;
    // A slider's changes are written once it rests, not at every step.
    // They are the running camera's: it flushes them before another starts.
    QTimer saveTimer_;
    std::vector<SavedControl> pending_;
    std::map<std::u16string, VideoFormat> chosenModes_; // this run's, whatever the file took
};
