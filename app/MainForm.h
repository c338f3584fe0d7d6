#pragma once

#include "app/CameraModes.h"
#include "app/CameraSettings.h"
#include "app/Dialogs.h"
#include "app/EffectGallery.h"
#include "app/FullScreenView.h"
#include "app/ImagePane.h"
#include "app/Recording.h"
#include "app/StartOptions.h"
#include "app/VirtualCamera.h"
#include "capture/DSComponents.h"
#include "capture/DSUtil.h"
#include "effects/EffectItem.h"
#include "effects/EffectSelection.h"
#include "effects/FrameHandler.h"
#include "effects/KeyedBackground.h"
#include "platform/media/devices/DeviceWatch.h"

#include <QMainWindow>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>

class QAction;
class QActionGroup;
class QMenu;

// The program's one window: the live picture on the left, the processed picture on the right,
// the whole user interface in its menu bar. It owns every component and the program-wide
// state that the frame pass reads. GUI thread; the frame handler runs on the streaming thread.
class TMainForm : public QMainWindow {
public:
    explicit TMainForm(IDialogs& dialogs, QWidget* parent = nullptr);
    ~TMainForm() override;

    // Components, layout and menus, by the names the program gives them. The components belong
    // to the window's component owner and go with it.
    TFilterGraph* FilterGraph = nullptr;
    TFilter* Filter = nullptr;
    TSampleGrabber* SampleGrabber = nullptr;
    TVideoWindow* VideoWindow = nullptr;
    TImagePane* Podglad1 = nullptr;
    QMenu* Devices = nullptr;
    // The running camera's modes, the current one checked; disabled while no camera runs.
    QMenu* Kamera1 = nullptr;
    // In the camera menu: the processed picture written to a loopback device for other programs.
    QAction* WirtualnaKamera1 = nullptr;
    // "Galeria efektów" (every effect at once, in a window of its own) and "Pełny ekran".
    QMenu* Widok1 = nullptr;
    TEffectGallery* Gallery = nullptr;
    TFullScreenView* FullScreen = nullptr;
    QMenu* Efekty1 = nullptr;
    QAction* Zrbzdjcie1 = nullptr;
    QAction* Nagrajfilm1 = nullptr; // the recording's item (app/Recording.h)
    QAction* Info1 = nullptr;
    QAction* EffectAction(TEffectItem item) const { return effectActions_[static_cast<size_t>(item)]; }

    const TEffectSelection& Selection() const { return selection_; }
    // The frame handler, for its counts of processed and dropped frames.
    const TFrameHandler& FrameHandler() const { return frameHandler_; }
    TSysDevEnum* DeviceEnumerator() const { return deviceEnumerator_.get(); }
    const TVirtualCamera& VirtualCamera() const { return *virtualCamera_; }
    TRecording& Recording() { return *recording_; }
    // "Ustawienia kamery…", its dialog, and the settings kept for each camera.
    TCameraSettings& CameraSettings() { return *cameraSettings_; }

    // Seeds the generator and fills the device menu; called once, after the window is built.
    void FormCreate();
    // What the command line asked for, once the window is open: the virtual camera, the device
    // by its menu caption, then the effect, as if chosen from the menus, then the recording.
    void StartFromCommandLine(const TStartOptions& options);
    // Tears capture down and frees the background; never refuses to close.
    void FormCloseQuery();
    void Info1Click();
    // Live capture from the device of the chosen item's tag. A camera unplugged before is then
    // no longer waited for.
    void DeviceItemClick(int tag);
    // The camera in use was unplugged: capture stops and lets the device go, the pane keeps the
    // last processed frame under a note, and the camera is waited for.
    void CameraUnplugged();
    // The stream failed on the streaming thread: capture stops and lets the device go, and the
    // error box tells why.
    void CaptureAborted(HRESULT result);
    // The machine's video devices changed: the device menu is filled afresh, and a camera
    // waited for that is back starts again, with the effect chosen.
    void DevicesChanged();
    // Saves the processed picture under a name the user types, in the program's folder, or in
    // the user's pictures folder when the program may not write to its own.
    void Zrbzdjcie1Click();
    // Capture restarts in the mode chosen, which the camera keeps (in the camera settings file),
    // also when it is unplugged and comes back, and in later runs.
    void CameraModeClick(const VideoFormat& mode);
    // Asks for a background picture and the key colour, then restarts capture.
    void Nakadanieta1Click();
    // Every delivered frame, on the streaming thread.
    void SampleGrabberBuffer(uint8_t* buffer, int32_t bufferLen);

    const TBitmap* BackgroundBitmap() const { return backgroundBitmap_.get(); }
    TKeyColour KeyColour() const { return keyedBackground_.KeyColour(); }

    // Runs a menu command: an error that leaves it is shown in the error box and the program
    // goes on.
    void RunCommand(const std::function<void()>& command);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateComponents(QWidget* client);
    void CreateLayout();
    void PlaceWindow();
    // A length of the design (at 96 pixels per inch) in pixels of this screen.
    int Scaled(int design) const;
    void PreviewBuild();
    void CaptureTeardown();
    void CreateActions();
    void CreateMenus();
    void FillDeviceMenu();
    void FillCameraMenu(const CameraModes& modes);
    void ClearCameraMenu();
    // Enabled while a camera's modes are listed or the virtual camera is on.
    void EnableCameraMenu();
    void VirtualCameraClick(bool checked);
    // At the running camera's size and rate; unchecks the item when it cannot.
    void StartVirtualCamera();
    void FillVirtualCameraDevices();
    void VirtualCameraDeviceClick(const std::string& device);
    // The writer thread's view of the processed picture, under its lock.
    void ReadPicture(const PictureVisitor& visit);
    // Stops capture and lets its device go.
    void StopCapture();
    std::u16string CameraName();
    void StartDevice(int tag);
    void WatchDevices();
    void SyncSelection();

    IDialogs& dialogs_;
    QActionGroup* effectGroup_ = nullptr;
    std::array<QAction*, kEffectItemCount> effectActions_{};

    TComponent components_; // owns the capture components
    QString pictureFileName_;
    QColor chosenColour_{Qt::blue};

    // Program-wide state read by the frame pass.
    TEffectSelection selection_;
    TFrameHandler frameHandler_;
    std::unique_ptr<TSysDevEnum> deviceEnumerator_;
    std::unique_ptr<TBitmap> backgroundBitmap_;
    TKeyedBackground keyedBackground_;
    std::unique_ptr<DeviceWatch> deviceWatch_;
    std::u16string unpluggedCamera_;         // its moniker's display name while it is waited for
    QActionGroup* modeGroup_ = nullptr;      // the running camera's modes
    QAction* modesEnd_ = nullptr;            // the separator after them
    std::optional<VideoFormat> currentMode_; // what the running camera connected with
    QMenu* virtualCameraDevices_ = nullptr;
    std::unique_ptr<TVirtualCamera> virtualCamera_;
    std::unique_ptr<TRecording> recording_;
    std::unique_ptr<TCameraSettings> cameraSettings_;
    bool closed_ = false;
};
