#pragma once

#include "app/Dialogs.h"
#include "app/ImagePane.h"
#include "capture/SysDevEnum.h"
#include "effects/EffectItem.h"
#include "effects/EffectSelection.h"
#include "effects/FrameHandler.h"

#include <QMainWindow>

#include <array>
#include <functional>
#include <memory>

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

    // Layout and menus, by the names the program gives them.
    QWidget* VideoWindow = nullptr;
    TImagePane* Podglad1 = nullptr;
    QMenu* Devices = nullptr;
    QMenu* Efekty1 = nullptr;
    QAction* Zrbzdjcie1 = nullptr;
    QAction* Info1 = nullptr;
    QAction* EffectAction(TEffectItem item) const { return effectActions_[static_cast<size_t>(item)]; }

    const TEffectSelection& Selection() const { return selection_; }
    TSysDevEnum* DeviceEnumerator() const { return deviceEnumerator_.get(); }

    // Seeds the generator and fills the device menu; called once, after the window is built.
    void FormCreate();
    // Tears capture down and frees the background; never refuses to close.
    void FormCloseQuery();
    void Info1Click();

    // Runs a menu command: an error that leaves it is shown in the error box and the program
    // goes on.
    void RunCommand(const std::function<void()>& command);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateLayout();
    void CreateActions();
    void CreateMenus();
    void FillDeviceMenu();
    void SyncSelection();

    IDialogs& dialogs_;
    QActionGroup* effectGroup_ = nullptr;
    std::array<QAction*, kEffectItemCount> effectActions_{};

    // Program-wide state read by the frame pass.
    TEffectSelection selection_;
    TFrameHandler frameHandler_;
    std::unique_ptr<TSysDevEnum> deviceEnumerator_;
    std::unique_ptr<TBitmap> backgroundBitmap_;
    uint8_t keyColour_[3] = {0, 0, 0}; // red, green, blue
    bool closed_ = false;
};
