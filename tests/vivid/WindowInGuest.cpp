#include "tests/vivid/WindowInGuest.h"

#include "platform/media/MediaClasses.h"
#include "platform/media/core/ErrorText.h"

#include <QAction>
#include <QMenu>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

using namespace std::chrono_literals;

void QuietDialogs::MessageBox(QWidget*, const QString& caption, const QString& text, Icon) {
    std::fprintf(stderr, "box: %s: %s\n", caption.toUtf8().constData(), text.toUtf8().constData());
    ++boxes;
}

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

int Shell(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str());
}

std::string Output(const std::string& command) {
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[512];
        while (fgets(buffer, sizeof buffer, pipe))
            text += buffer;
        pclose(pipe);
    }
    return text;
}

double Milliseconds(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

void CameraPlug::SetUp() {
    if (!std::filesystem::exists("/sys/module/vivid"))
        GTEST_SKIP() << "vivid is not loaded";
    RegisterMediaClasses();
    RegisterQuartzModule();
    form_ = std::make_unique<TMainForm>(dialogs_);
    form_->show();
    form_->FormCreate();
    form_->EffectAction(TEffectItem::Negatyw1)->trigger();
}

void CameraPlug::TearDown() {
    if (form_)
        form_->close();
    EXPECT_EQ(dialogs_.boxes, 0);
}

bool CameraPlug::FramesFlowAfter(uint64_t count, std::chrono::milliseconds within) {
    return ProcessEventsUntil([&] { return Frames() > count + 2; }, within);
}

std::string CameraPlug::ShowGraph() {
    const std::string shown = Output(Environment("TARNOLIX_GRAPHS") + " show " + std::to_string(getpid()));
    std::printf("tarnolix-graphs show:\n%s\n", shown.c_str());
    return shown;
}

QString CameraPlug::CheckedMode() {
    QString checked;
    std::printf("the camera menu:\n");
    for (const QAction* action : form_->Kamera1->actions()) {
        std::printf("  %s %s\n", action->isChecked() ? "*" : " ", action->text().toUtf8().constData());
        if (action->isChecked())
            checked = action->text();
    }
    return checked;
}

void CameraPlug::StartVivid() {
    ASSERT_FALSE(form_->Devices->actions().isEmpty());
    form_->Devices->actions()[0]->trigger();
    ASSERT_TRUE(FramesFlowAfter(0));
}

void CameraPlug::Unplug() {
    EXPECT_EQ(Shell("v4l2-ctl -d /dev/video0 -c disconnect=1"), 0);
    EXPECT_TRUE(ProcessEventsUntil([&] { return !form_->Podglad1->Note().isEmpty(); }, 20000ms))
        << "no note after the unplug";
    // No events are processed here, so the window cannot take the device back first.
    bool removed = false;
    for (int attempt = 0; attempt < 200 && !removed; ++attempt) {
        removed = Shell("busybox rmmod vivid") == 0;
        if (!removed)
            usleep(100000);
    }
    EXPECT_TRUE(removed) << "vivid stayed in use after its unplug";
}

Clock::duration CameraPlug::Plug() {
    const uint64_t gone = Frames();
    const auto loaded = Clock::now();
    EXPECT_EQ(Shell("busybox insmod " + Environment("TARNOLIX_VIVID_MODULE") + " " +
                    Environment("TARNOLIX_VIVID_OPTIONS")),
              0);
    EXPECT_TRUE(FramesFlowAfter(gone)) << "the picture did not come back by itself";
    EXPECT_TRUE(form_->Podglad1->Note().isEmpty());
    return Clock::now() - loaded;
}
