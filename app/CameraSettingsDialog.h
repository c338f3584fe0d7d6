#pragma once

#include "platform/com/ComPtr.h"
#include "platform/media/core/CameraControlInterfaces.h"

#include <QDialog>

#include <functional>
#include <map>

class QLabel;
class QVBoxLayout;

// "Ustawienia kamery…": a non-modal window titled with the camera's name that shows every
// control of the running camera in the driver's order, grouped by class: integers as a slider
// with a number box, booleans as check boxes, menus as lists, buttons as buttons, strings and
// integers too wide for a slider as text boxes. Read-only, inactive and busy controls are
// disabled. A change goes to the camera at once; the camera's own changes and other programs'
// come back through its change events, queued to the GUI thread. GUI thread only.
class TCameraSettingsDialog : public QDialog {
public:
    // Told of each value the user set and the camera took, and of "Przywróć domyślne".
    using ChangeHandler = std::function<void(const CameraControl& control)>;
    TCameraSettingsDialog(QWidget* parent, ChangeHandler changed, std::function<void()> defaultsRestored);
    ~TCameraSettingsDialog() override;

    // The running camera's controls from now on (the first of them takes the keyboard focus);
    // null controls: a note that the camera offers no settings.
    void SetCamera(const QString& name, ComPtr<ICameraControls> controls);
    // The camera stopped: its controls are let go, with a note that no camera runs.
    void CameraStopped();
    // The widget that edits a control (for a slider and number box, the slider); null if none.
    QWidget* Editor(uint32_t id) const;
    void RestoreDefaults();

private:
    struct Row {
        CameraControl control;
        QWidget* editor = nullptr; // the focus widget: slider, check box, list, button or text box
        QWidget* spin = nullptr;   // an integer's number box
        QLabel* label = nullptr;
    };
    void Detach();
    void Build();
    void AddRow(QWidget* group, const CameraControl& control);
    void Show(Row& row);    // value, range and state into the widgets, without signals
    void Refresh(Row& row); // the camera's present state, the menu kept
    void UserSet(uint32_t id, int64_t value);
    void UserSetText(uint32_t id, const QString& text);
    void Update(uint32_t id); // after a change event

    ChangeHandler changed_;
    std::function<void()> defaultsRestored_;
    ComPtr<ICameraControls> controls_;
    uint32_t cookie_ = 0;
    QVBoxLayout* body_ = nullptr;
    QWidget* content_ = nullptr;
    std::map<uint32_t, Row> rows_;
    bool running_ = false;
};
