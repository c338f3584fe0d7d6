#include "app/MainForm.h"

#include "QtTestMain.h"
#include "ScriptedDialogs.h"
#include "platform/media/ErrorText.h"
#include "platform/media/MediaClasses.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QMenu>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using enum TEffectItem;

class LiveCapture : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterMediaClasses();
        RegisterQuartzModule();
        setenv("TARNOLIX_VIRTUAL_CAMERAS", "Pierwsza=pattern:64x48@60,Druga=pattern:32x24@60", 1);
    }
    void TearDown() override { unsetenv("TARNOLIX_VIRTUAL_CAMERAS"); }

    // The pane's picture is a processed frame of the given size.
    static bool PaneShowsFrame(TMainForm& form, int width) {
        TCanvasLock lock(form.Podglad1->Picture().Canvas());
        return form.Podglad1->Picture().Width() == width;
    }

    ScriptedDialogs dialogs;
};

TEST_F(LiveCapture, ChoosingADeviceShowsItsProcessedFramesInThePane) {
    TMainForm form(dialogs);
    form.show();
    form.FormCreate();
    form.EffectAction(Obraznormalny1)->trigger();
    form.Devices->actions()[0]->trigger();
    ASSERT_TRUE(ProcessEventsUntil([&] { return PaneShowsFrame(form, 64); }));
    EXPECT_TRUE(dialogs.boxes.empty());

    form.Devices->actions()[1]->trigger(); // the first stops before the second opens
    ASSERT_TRUE(ProcessEventsUntil([&] { return PaneShowsFrame(form, 32); }));
    form.close();
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(LiveCapture, SnapshotWritesTheProcessedFrameUnderTheTypedNamePlusBmp) {
    TMainForm form(dialogs);
    form.show();
    form.FormCreate();
    form.EffectAction(Negatyw1)->trigger();
    form.Devices->actions()[0]->trigger();
    ASSERT_TRUE(ProcessEventsUntil([&] { return PaneShowsFrame(form, 64); }));
    dialogs.inputs.push_back("foto.bmp");
    form.Zrbzdjcie1->trigger();
    const QString saved = QFileInfo(QCoreApplication::applicationFilePath()).absolutePath() + "/foto.bmp.bmp";
    QFile file(saved);
    ASSERT_TRUE(file.exists()) << saved.toStdString();
    EXPECT_EQ(file.size(), 54 + 48 * 64 * 3);
    file.remove();

    form.Zrbzdjcie1->trigger(); // a cancelled prompt saves under the preset name
    QFile preset(QFileInfo(saved).absolutePath() + "/xyz.bmp");
    EXPECT_TRUE(preset.exists());
    preset.remove();
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(LiveCapture, ADeviceGoneSinceStartIsReportedAndTheWindowStaysUsable) {
    TMainForm form(dialogs);
    form.FormCreate();
    setenv("TARNOLIX_VIRTUAL_CAMERAS", "", 1); // both cameras detached
    form.Devices->actions()[1]->trigger();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "Interface not supported.");
    EXPECT_EQ(dialogs.boxes[0].icon, IDialogs::Icon::Error);
    form.Info1->trigger();
    EXPECT_EQ(dialogs.boxes.size(), 2u);
}

TEST_F(LiveCapture, NoPictureYetMeansNoSnapshotFile) {
    TMainForm form(dialogs);
    dialogs.inputs.push_back("nothing-here");
    form.Zrbzdjcie1->trigger();
    EXPECT_FALSE(QFile::exists(QFileInfo(QCoreApplication::applicationFilePath()).absolutePath() +
                               "/nothing-here.bmp"));
}

} // namespace
