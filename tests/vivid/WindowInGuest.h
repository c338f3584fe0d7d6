// The window inside the real-driver tier's guest, for the cases of vivid_plug_tests: a fixture
// that makes it with Negatyw1 chosen, starts vivid and unplugs and plugs it back, and the
// helpers those cases share. tests/vm/vivid-guest.sh runs them as root, with
// TARNOLIX_VIVID_MODULE, TARNOLIX_VIVID_OPTIONS and TARNOLIX_LOOPBACK_MODULE naming the modules
// and vivid's options, and TARNOLIX_GRAPHS the viewer; each case skips where vivid is not loaded.
#pragma once

#include "app/MainForm.h"
#include "tests/support/QtTestMain.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

using Clock = std::chrono::steady_clock;

class QuietDialogs final : public IDialogs {
public:
    void MessageBox(QWidget*, const QString& caption, const QString& text, Icon) override;
    bool InputQuery(const QString&, const QString&, QString&) override { return false; }
    bool OpenPicture(QWidget*, QString&) override { return false; }
    bool ChooseColour(QWidget*, QColor&) override { return false; }
    int boxes = 0;
};

std::string Environment(const char* name);
// Runs a shell command quietly; its exit status as system(3) gives it.
int Shell(const std::string& command);
// What a shell command printed on its standard output.
std::string Output(const std::string& command);
double Milliseconds(Clock::duration d);

class CameraPlug : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    uint64_t Frames() const { return form_->FrameHandler().FramesProcessed(); }
    bool FramesFlowAfter(uint64_t count, std::chrono::milliseconds within = std::chrono::milliseconds(30000));
    // What `tarnolix-graphs show` prints for this process's graph, printed into the log too.
    std::string ShowGraph();
    // The camera menu's items, printed into the log, and the checked one.
    QString CheckedMode();
    // Starts the device menu's first camera, vivid's first capture node.
    void StartVivid();

    // vivid unplugged mid-stream by its disconnect control, and its module removed once the
    // window let it go (vivid's disconnect alone brings no node back here).
    void Unplug();
    // vivid's module loaded again, as a camera's driver is when its cable comes back. Returns the
    // time from the load to the first processed frame of the camera.
    Clock::duration Plug();
    Clock::duration Replug() {
        Unplug();
        return Plug();
    }

    QuietDialogs dialogs_;
    std::unique_ptr<TMainForm> form_;
};
