// The window with a PipeWire camera, against daemons of the test's own (PipeWireDaemons): the
// node in the device menu, captured, the daemon's death taken as an unplugging, and the picture
// back by itself when the daemon and the node return.
#include "app/MainForm.h"

#include "QtTestMain.h"
#include "ScriptedDialogs.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/core/ErrorText.h"
#include "tests/media/support/PipeWireDaemons.h"

#include <QAction>
#include <QMenu>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

namespace {

using namespace std::chrono_literals;

QAction* Item(const TMainForm& form, const QString& text) {
    for (QAction* action : form.Devices->actions())
        if (action->text() == text)
            return action;
    return nullptr;
}

// The processed picture's middle pixel as 0xRRGGBB, read while nothing streams.
uint32_t MiddleOf(TMainForm& form) {
    TBitmap& picture = form.Podglad1->Picture();
    const uint8_t* pixel = picture.ScanLine(picture.Height() / 2) + 3 * (picture.Width() / 2);
    return uint32_t{pixel[2]} << 16 | uint32_t{pixel[1]} << 8 | pixel[0];
}

TEST(PipeWireCameraWindow, TheDaemonsDeathIsAnUnpluggingAndThePictureComesBackWithIt) {
    if (const std::string missing = PipeWireDaemons::Missing(); !missing.empty())
        GTEST_SKIP() << missing;
    PipeWireDaemons daemons;
    ASSERT_TRUE(daemons.Start()) << daemons.Failure() << "\n" << daemons.Log();
    daemons.StartCamera("testcam", "Kamera PipeWire", 0xff0000);
    // A device folder with no cameras, which the window's device watch can watch.
    QTemporaryDir devices;
    ASSERT_TRUE(devices.isValid());
    ::setenv("TARNOLIX_DEVICE_DIR", devices.path().toUtf8().constData(), 1);
    RegisterMediaClasses();
    RegisterQuartzModule();
    ScriptedDialogs dialogs;
    TMainForm form(dialogs);
    form.EffectAction(TEffectItem::Obraznormalny1)->trigger();
    form.show();
    form.FormCreate();
    ASSERT_TRUE(ProcessEventsUntil([&] { return Item(form, "Kamera PipeWire") != nullptr; }, 10s))
        << daemons.Log();
    Item(form, "Kamera PipeWire")->trigger();
    ASSERT_TRUE(ProcessEventsUntil([&] { return form.FrameHandler().FramesProcessed() > 3; }, 10s));

    daemons.KillPipeWire();
    daemons.KillAllCameras();
    ASSERT_TRUE(ProcessEventsUntil([&] { return !form.Podglad1->Note().isEmpty(); }, 10s));
    EXPECT_TRUE(form.Podglad1->HasPicture());
    const uint32_t kept = MiddleOf(form);
    EXPECT_GE(kept >> 16, 0xf0u) << std::hex << kept << ": the camera's last picture, red";
    EXPECT_LE(kept & 0xffff, 0x0808u) << std::hex << kept;
    EXPECT_TRUE(ProcessEventsUntil([&] { return Item(form, "Kamera PipeWire") == nullptr; }, 10s));

    ASSERT_TRUE(daemons.StartPipeWire()) << daemons.Failure();
    daemons.StartCamera("testcam", "Kamera PipeWire", 0x00ff00);
    const uint64_t before = form.FrameHandler().FramesProcessed();
    ASSERT_TRUE(ProcessEventsUntil([&] { return form.FrameHandler().FramesProcessed() > before + 3; }, 20s))
        << daemons.Log();
    EXPECT_TRUE(form.Podglad1->Note().isEmpty());
    form.close();
    EXPECT_TRUE(dialogs.boxes.empty()) << dialogs.boxes.front().text.toStdString();
}

} // namespace
