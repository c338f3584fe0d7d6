#include "app/MainForm.h"

#include "QtTestMain.h"
#include "ScriptedDialogs.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/core/ErrorText.h"
#include "tests/media/support/FakeV4l2Access.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <linux/videodev2.h>

#include <string>

namespace {

// Cameras of a fake V4L2 access whose nodes also appear as files in a folder that the window's
// device watch sees: plugging a camera is both, in the order the kernel and udev give them.
class CameraPlug : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterMediaClasses();
        RegisterQuartzModule();
        ASSERT_TRUE(folder_.isValid());
    }

    FakeV4l2Node Camera(const std::string& node, const std::string& card, const std::string& bus) {
        FakeV4l2Node camera;
        camera.path = folder_.filePath(QString::fromStdString(node)).toStdString();
        camera.card = card;
        camera.busInfo = bus;
        return camera;
    }

    void Plug(const std::vector<FakeV4l2Node>& cameras, const std::string& node) {
        v4l2_.Access().SetNodes(cameras);
        QFile file(folder_.filePath(QString::fromStdString(node)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }

    void Unplug(const FakeV4l2Node& camera, const std::vector<FakeV4l2Node>& rest) {
        v4l2_.Access().Unplug(camera.path);
        v4l2_.Access().SetNodes(rest);
        QFile::remove(QString::fromStdString(camera.path));
    }

    static QStringList Items(const TMainForm& form) {
        QStringList items;
        for (const QAction* action : form.Devices->actions())
            items << action->text();
        return items;
    }

    // Opens the window and starts its first device.
    static void Start(TMainForm& form) {
        form.show();
        form.FormCreate();
        form.Devices->actions()[0]->trigger();
        ASSERT_TRUE(ProcessEventsUntil([&] { return Streaming(form, 0); }));
    }

    static QStringList Modes(const TMainForm& form, QString* checked) {
        QStringList modes;
        for (const QAction* action : form.Kamera1->actions()) {
            modes << action->text();
            if (action->isChecked())
                *checked = action->text();
        }
        return modes;
    }

    static bool Streaming(const TMainForm& form, uint64_t after) {
        return form.FrameHandler().FramesProcessed() > after;
    }

    QTemporaryDir folder_;
    ScopedFakeV4l2 v4l2_;
    ScopedEnvironment devices_{"TARNOLIX_DEVICE_DIR", folder_.path().toUtf8().constData()};
    ScopedEnvironment noVirtual_{"TARNOLIX_VIRTUAL_CAMERAS", "Wzór=pattern:32x24@30"};
    ScopedEnvironment config_{"XDG_CONFIG_HOME", folder_.path().toUtf8().constData()};
    ScriptedDialogs dialogs_;
};

// A camera with the kinds of control a dialog shows: an integer, a boolean, a menu (with a gap,
// as the exposure menu of many webcams has) and an integer under it, inactive unless the menu
// says manual.
FakeV4l2Node WithControls(FakeV4l2Node camera) {
    camera.controls = {
        {.id = V4L2_CTRL_CLASS_USER | 1,
         .type = V4L2_CTRL_TYPE_CTRL_CLASS,
         .name = "User Controls",
         .flags = V4L2_CTRL_FLAG_READ_ONLY},
        {.id = V4L2_CID_BRIGHTNESS, .name = "Brightness", .maximum = 255, .defaultValue = 128},
        {.id = V4L2_CID_AUTO_WHITE_BALANCE,
         .type = V4L2_CTRL_TYPE_BOOLEAN,
         .name = "White Balance, Automatic",
         .maximum = 1,
         .defaultValue = 1},
        {.id = V4L2_CID_SHARPNESS,
         .name = "Sharpness",
         .maximum = 7,
         .defaultValue = 3,
         .flags = V4L2_CTRL_FLAG_READ_ONLY},
        {.id = V4L2_CTRL_CLASS_CAMERA | 1,
         .type = V4L2_CTRL_TYPE_CTRL_CLASS,
         .name = "Camera Controls",
         .flags = V4L2_CTRL_FLAG_READ_ONLY},
        {.id = V4L2_CID_EXPOSURE_AUTO,
         .type = V4L2_CTRL_TYPE_MENU,
         .name = "Auto Exposure",
         .maximum = 3,
         .defaultValue = 3,
         .flags = V4L2_CTRL_FLAG_UPDATE,
         .menu = {"Auto Mode", "Manual Mode", "", "Aperture Priority Mode"}},
        {.id = V4L2_CID_EXPOSURE_ABSOLUTE,
         .name = "Exposure Time, Absolute",
         .minimum = 3,
         .maximum = 2047,
         .defaultValue = 250,
         .master = V4L2_CID_EXPOSURE_AUTO,
         .activeWhenMaster = V4L2_EXPOSURE_MANUAL},
    };
    return camera;
}

void Press(QWidget* widget, Qt::Key key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
}

TEST_F(CameraPlug, TheDeviceMenuFollowsCamerasPluggedInAndOut) {
    const auto first = Camera("video0", "Kamera A", "usb-1");
    Plug({first}, "video0");
    TMainForm form(dialogs_);
    form.show();
    form.FormCreate();
    EXPECT_EQ(Items(form), (QStringList{"Kamera A", "Wzór"}));

    const auto second = Camera("video2", "Kamera B", "usb-2");
    Plug({first, second}, "video2");
    EXPECT_TRUE(ProcessEventsUntil([&] { return Items(form).size() == 3; }));
    EXPECT_EQ(Items(form), (QStringList{"Kamera A", "Kamera B", "Wzór"})) << "the order of the fill at start";

    Unplug(first, {second});
    EXPECT_TRUE(ProcessEventsUntil([&] { return Items(form) == QStringList{"Kamera B", "Wzór"}; }));
    form.Devices->actions()[0]->trigger(); // the rebuilt items start their devices
    EXPECT_TRUE(ProcessEventsUntil([&] { return Streaming(form, 0); }));
    form.close();
    EXPECT_TRUE(dialogs_.boxes.empty());
}

TEST_F(CameraPlug, AnUnpluggedCameraComesBackByItselfWhereverItsNodeIs) {
    const auto camera = Camera("video1", "Kamera A", "usb-1");
    Plug({camera}, "video1");
    TMainForm form(dialogs_);
    form.EffectAction(TEffectItem::Negatyw1)->trigger();
    Start(form);

    Unplug(camera, {});
    ASSERT_TRUE(ProcessEventsUntil([&] { return !form.Podglad1->Note().isEmpty(); }));
    EXPECT_TRUE(form.Podglad1->HasPicture()) << "the last processed frame stays";
    EXPECT_TRUE(ProcessEventsUntil([&] { return v4l2_.Access().OpenDescriptors() == 0; }))
        << "the unplugged device is let go";
    EXPECT_EQ(v4l2_.Access().Mappings(), 0);

    const auto back = Camera("video4", "Kamera A", "usb-1"); // renumbered, same bus and card
    const uint64_t before = form.FrameHandler().FramesProcessed();
    Plug({back}, "video4");
    ASSERT_TRUE(ProcessEventsUntil([&] { return Streaming(form, before); }));
    EXPECT_TRUE(form.Podglad1->Note().isEmpty());
    EXPECT_TRUE(form.EffectAction(TEffectItem::Negatyw1)->isChecked());
    form.close();
    EXPECT_TRUE(dialogs_.boxes.empty());
}

TEST_F(CameraPlug, NothingRestartsWhenTheUserChoseAnotherDeviceMeanwhile) {
    const auto camera = Camera("video1", "Kamera A", "usb-1");
    Plug({camera}, "video1");
    TMainForm form(dialogs_);
    Start(form);
    Unplug(camera, {});
    ASSERT_TRUE(ProcessEventsUntil([&] { return Items(form) == QStringList{"Wzór"}; }));

    form.Devices->actions()[0]->trigger(); // the pattern camera
    EXPECT_TRUE(form.Podglad1->Note().isEmpty());
    Plug({camera}, "video1");
    ASSERT_TRUE(ProcessEventsUntil([&] { return Items(form).size() == 2; }));
    ProcessEventsUntil([] { return false; }, std::chrono::milliseconds(300));
    EXPECT_EQ(v4l2_.Access().OpenDescriptors(), 0) << "the camera that came back was not opened";
    form.close();
}

TEST_F(CameraPlug, TheCameraMenuOffersTheModesAndTheChosenOneOutlivesAReplug) {
    auto camera = Camera("video1", "Kamera A", "usb-1");
    camera.nativeModes = {{V4L2_PIX_FMT_YUYV, 320, 240, {1, 30}},
                          {V4L2_PIX_FMT_YUYV, 640, 360, {1, 30}},
                          {V4L2_PIX_FMT_NV12, 640, 360, {1001, 30000}}};
    Plug({camera}, "video1");
    TMainForm form(dialogs_);
    form.EffectAction(TEffectItem::Negatyw1)->trigger();
    EXPECT_FALSE(form.Kamera1->isEnabled()) << "no camera runs yet";
    Start(form);

    QString checked;
    const QStringList modes = Modes(form, &checked);
    EXPECT_TRUE(form.Kamera1->isEnabled());
    EXPECT_TRUE(modes.contains(QString::fromUtf8("640 × 360, 29,97 kl./s, NV12")))
        << modes.join('|').toStdString();
    EXPECT_EQ(checked, QString::fromUtf8("640 × 360, 30 kl./s, YUYV")) << "the best mode by default";
    EXPECT_EQ(form.Podglad1->PictureSize().width(), 640);

    const QString small = QString::fromUtf8("320 × 240, 30 kl./s, YUYV");
    const auto choose = [&](const QString& caption) {
        for (QAction* action : form.Kamera1->actions())
            if (action->text() == caption)
                action->trigger();
    };
    choose(small);
    ASSERT_TRUE(ProcessEventsUntil([&] { return form.Podglad1->PictureSize().width() == 320; }));
    Modes(form, &checked);
    EXPECT_EQ(checked, small);
    EXPECT_TRUE(form.EffectAction(TEffectItem::Negatyw1)->isChecked());

    Unplug(camera, {});
    ASSERT_TRUE(ProcessEventsUntil([&] { return !form.Podglad1->Note().isEmpty(); }));
    EXPECT_FALSE(form.Kamera1->isEnabled());
    auto back = camera;
    back.path = folder_.filePath("video3").toStdString();
    const uint64_t before = form.FrameHandler().FramesProcessed();
    Plug({back}, "video3");
    ASSERT_TRUE(ProcessEventsUntil([&] { return Streaming(form, before); }));
    Modes(form, &checked);
    EXPECT_EQ(checked, small) << "the mode chosen is kept for the camera";
    form.close();
    EXPECT_TRUE(dialogs_.boxes.empty());
}

// A configuration folder that cannot be written costs a later run the mode, never this one.
TEST_F(CameraPlug, AModeIsChosenEvenWhereTheSettingsCannotBeSaved) {
    auto camera = Camera("video1", "Kamera A", "usb-1");
    camera.nativeModes = {{V4L2_PIX_FMT_YUYV, 320, 240, {1, 30}}, {V4L2_PIX_FMT_YUYV, 640, 360, {1, 30}}};
    Plug({camera}, "video1");
    ScopedEnvironment unwritable{"XDG_CONFIG_HOME", "/proc/tarnolix-settings"};
    TMainForm form(dialogs_);
    Start(form);
    for (QAction* action : form.Kamera1->actions())
        if (action->text() == QString::fromUtf8("320 × 240, 30 kl./s, YUYV"))
            action->trigger();
    EXPECT_TRUE(ProcessEventsUntil([&] { return form.Podglad1->PictureSize().width() == 320; }));
    form.close();
    EXPECT_TRUE(dialogs_.boxes.empty());
}

// The processed picture goes to the loopback device labelled "Tarnolix", goes on while the
// camera is away, and the device is let go when the item is unchecked.
TEST_F(CameraPlug, TheVirtualCameraWritesTheProcessedPictureAndOutlivesTheCamera) {
    auto camera = Camera("video1", "Kamera A", "usb-1");
    camera.nativeModes = {{V4L2_PIX_FMT_YUYV, 64, 48, {1, 30}}};
    FakeV4l2Node output;
    output.path = "/dev/video10";
    output.card = "Tarnolix";
    output.loopback = true;
    Plug({camera, output}, "video1");
    TMainForm form(dialogs_);
    form.show();
    form.FormCreate();
    TStartOptions options;
    options.device = "Kamera A";
    options.effect = TEffectItem::Negatyw1;
    options.virtualCamera = "";
    form.StartFromCommandLine(options);
    const auto writes = [&] { return v4l2_.Access().Loopback(output.path).writes; };
    ASSERT_TRUE(ProcessEventsUntil([&] { return writes() >= 3; }));
    EXPECT_TRUE(form.WirtualnaKamera1->isChecked());
    const FakeLoopback device = v4l2_.Access().Loopback(output.path);
    EXPECT_EQ(device.width, 64u);
    EXPECT_EQ(device.lastFrame.size(), 64u * 48 * 2);

    Unplug(camera, {output});
    ASSERT_TRUE(ProcessEventsUntil([&] { return !form.Podglad1->Note().isEmpty(); }));
    const int before = writes();
    EXPECT_TRUE(ProcessEventsUntil([&] { return writes() >= before + 3; })) << "the last picture, repeated";
    EXPECT_NE(form.FilterGraph->RegistrationCookie(), 0u) << "the viewer no longer sees the virtual camera";

    form.WirtualnaKamera1->trigger();
    const auto events = v4l2_.Access().Loopback(output.path).events;
    EXPECT_EQ(events.back(), "close");
    form.close();
    EXPECT_TRUE(dialogs_.boxes.empty());
}

TEST_F(CameraPlug, WithoutALoopbackDeviceTheVirtualCameraSaysHowToMakeOne) {
    Plug({Camera("video1", "Kamera A", "usb-1")}, "video1");
    TMainForm form(dialogs_);
    Start(form);
    form.WirtualnaKamera1->trigger();
    ASSERT_EQ(dialogs_.boxes.size(), 1u);
    EXPECT_TRUE(
        dialogs_.boxes[0].text.contains("sudo modprobe v4l2loopback card_label=Tarnolix exclusive_caps=1"));
    EXPECT_FALSE(form.WirtualnaKamera1->isChecked());
    form.close();
}

TEST_F(CameraPlug, AStreamThatFailsStopsCaptureAndSaysWhy) {
    const auto camera = Camera("video1", "Kamera A", "usb-1");
    Plug({camera}, "video1");
    TMainForm form(dialogs_);
    Start(form);
    v4l2_.Access().FailStreaming(camera.path, EIO);
    ASSERT_TRUE(ProcessEventsUntil([&] { return !dialogs_.boxes.empty(); }));
    EXPECT_EQ(dialogs_.boxes[0].icon, IDialogs::Icon::Error);
    EXPECT_TRUE(ProcessEventsUntil([&] { return v4l2_.Access().OpenDescriptors() == 0; }))
        << "the device let go";
    EXPECT_FALSE(form.Kamera1->isEnabled());
    form.close();
}

} // namespace

// The dialog lists the controls in the driver's order under their classes, with Polish
// captions, the first one focused; a change reaches the camera while it streams, and the
// camera's own changes come back into the dialog.
TEST_F(CameraPlug, CameraSettingsShowEveryControlAndFollowTheCamera) {
    const auto camera = WithControls(Camera("video1", "Kamera A", "usb-1"));
    Plug({camera}, "video1");
    TMainForm form(dialogs_);
    TCameraSettings& settings = form.CameraSettings();
    EXPECT_FALSE(settings.Action()->isEnabled()) << "no camera runs";
    EXPECT_EQ(form.Kamera1->actions().back(), settings.Action()) << "the last item of the camera menu";
    Start(form);
    ASSERT_TRUE(settings.Action()->isEnabled());
    settings.Action()->trigger();
    TCameraSettingsDialog* dialog = settings.Dialog();
    ASSERT_TRUE(dialog && dialog->isVisible());
    EXPECT_FALSE(dialog->isModal());
    EXPECT_EQ(dialog->windowTitle(), "Kamera A");

    auto* brightness = qobject_cast<QSlider*>(dialog->Editor(V4L2_CID_BRIGHTNESS));
    ASSERT_TRUE(brightness);
    EXPECT_EQ(dialog->focusWidget(), brightness) << "the first control has the focus";
    EXPECT_EQ(brightness->value(), 128);
    auto* exposure = qobject_cast<QComboBox*>(dialog->Editor(V4L2_CID_EXPOSURE_AUTO));
    ASSERT_TRUE(exposure);
    EXPECT_EQ(exposure->count(), 3) << "the gap in the menu is left out";
    EXPECT_EQ(exposure->currentText(), QString::fromUtf8("Priorytet przysłony"));
    EXPECT_TRUE(dialog->Editor(V4L2_CID_AUTO_WHITE_BALANCE)->inherits("QCheckBox"));
    EXPECT_FALSE(dialog->Editor(V4L2_CID_SHARPNESS)->isEnabled()) << "read-only";
    QWidget* exposureTime = dialog->Editor(V4L2_CID_EXPOSURE_ABSOLUTE);
    EXPECT_FALSE(exposureTime->isEnabled()) << "inactive under automatic exposure";
    QStringList texts;
    for (const QLabel* label : dialog->findChildren<QLabel*>())
        texts << label->text();
    for (const char* caption :
         {"Jasność", "Automatyczny balans bieli", "Ekspozycja automatyczna", "Czas ekspozycji"})
        EXPECT_TRUE(texts.contains(QString::fromUtf8(caption))) << caption;

    const uint64_t before = form.FrameHandler().FramesProcessed();
    Press(brightness, Qt::Key_End);
    EXPECT_EQ(v4l2_.Access().ControlValue(camera.path, V4L2_CID_BRIGHTNESS), 255);
    EXPECT_TRUE(ProcessEventsUntil([&] { return Streaming(form, before + 3); })) << "the stream goes on";

    // Another program turns the exposure to manual: the time under it comes alive.
    v4l2_.Access().ChangeControl(camera.path, V4L2_CID_EXPOSURE_AUTO, V4L2_EXPOSURE_MANUAL);
    EXPECT_TRUE(ProcessEventsUntil([&] { return exposureTime->isEnabled(); }));
    EXPECT_EQ(exposure->currentText(), QString::fromUtf8("Ręczna"));

    dialog->findChild<QPushButton*>("RestoreDefaults")->click();
    EXPECT_EQ(v4l2_.Access().ControlValue(camera.path, V4L2_CID_BRIGHTNESS), 128);
    EXPECT_EQ(v4l2_.Access().ControlValue(camera.path, V4L2_CID_EXPOSURE_AUTO), 3);
    EXPECT_EQ(brightness->value(), 128);
    EXPECT_TRUE(settings.Store().Camera("@device:tarnolix:v4l2:bus:usb-1|Kamera A").controls.empty());

    // A camera without controls says so.
    form.Devices->actions()[1]->trigger();
    ASSERT_TRUE(ProcessEventsUntil([&] { return form.Podglad1->PictureSize().width() == 32; }));
    ASSERT_TRUE(dialog->findChild<QLabel*>("NoSettings"));
    EXPECT_EQ(dialog->findChild<QLabel*>("NoSettings")->text(),
              QString::fromUtf8("Ta kamera nie oferuje żadnych ustawień."));
    form.close();
    EXPECT_TRUE(dialogs_.boxes.empty());
}

// What the user changed comes back by itself after a re-plug (the driver starts at its defaults
// again) and in a new window, the exposure time after the manual mode it needs; a control the
// user did not touch is not written. The file is the user's ($XDG_CONFIG_HOME, the test's folder).
TEST_F(CameraPlug, CameraSettingsComeBackAfterAReplugAndInANewWindow) {
    const auto camera = WithControls(Camera("video1", "Kamera A", "usb-1"));
    Plug({camera}, "video1");
    const auto check = [&](const std::string& path, const char* when) {
        EXPECT_EQ(v4l2_.Access().ControlValue(path, V4L2_CID_BRIGHTNESS), 255) << when;
        EXPECT_EQ(v4l2_.Access().ControlValue(path, V4L2_CID_EXPOSURE_AUTO), V4L2_EXPOSURE_MANUAL) << when;
        EXPECT_EQ(v4l2_.Access().ControlValue(path, V4L2_CID_EXPOSURE_ABSOLUTE), 2047) << when;
    };
    {
        TMainForm form(dialogs_);
        Start(form);
        form.CameraSettings().Action()->trigger();
        TCameraSettingsDialog* dialog = form.CameraSettings().Dialog();
        Press(dialog->Editor(V4L2_CID_BRIGHTNESS), Qt::Key_End);
        auto* exposure = qobject_cast<QComboBox*>(dialog->Editor(V4L2_CID_EXPOSURE_AUTO));
        exposure->activated(exposure->findText(QString::fromUtf8("Ręczna")));
        ASSERT_TRUE(
            ProcessEventsUntil([&] { return dialog->Editor(V4L2_CID_EXPOSURE_ABSOLUTE)->isEnabled(); }));
        Press(dialog->Editor(V4L2_CID_EXPOSURE_ABSOLUTE), Qt::Key_End);
        check(camera.path, "set through the dialog");

        Unplug(camera, {});
        ASSERT_TRUE(ProcessEventsUntil([&] { return !form.Podglad1->Note().isEmpty(); }));
        auto back = camera;
        back.path = folder_.filePath("video3").toStdString();
        const uint64_t before = form.FrameHandler().FramesProcessed();
        Plug({back}, "video3");
        ASSERT_EQ(v4l2_.Access().ControlValue(back.path, V4L2_CID_BRIGHTNESS), 128) << "a fresh driver";
        ASSERT_TRUE(ProcessEventsUntil([&] { return Streaming(form, before); }));
        check(back.path, "after the re-plug");
        EXPECT_EQ(form.CameraSettings().Dialog()->windowTitle(), "Kamera A") << "the open dialog follows";
        form.close();
    }
    // Whatever order the file lists them in, the mode goes before the time under it.
    CameraSettingsStore store;
    const std::string key = "@device:tarnolix:v4l2:bus:usb-1|Kamera A"; // the moniker's display name
    auto saved = store.Camera(key).controls;
    ASSERT_EQ(saved.size(), 3u);
    store.ForgetControls(key);
    for (auto entry = saved.rbegin(); entry != saved.rend(); ++entry)
        store.SaveControl(key, *entry);
    // A value now out of range and a control the camera no longer has: one line each, skipped.
    store.SaveControl(key, {V4L2_CID_AUTO_WHITE_BALANCE, "White Balance, Automatic", 5, std::nullopt});
    store.SaveControl(key, {V4L2_CID_ZOOM_ABSOLUTE, "Zoom, Absolute", 2, std::nullopt});
    v4l2_.Access().SetNodes({});
    Plug({camera}, "video1");
    const int writes = v4l2_.Access().ControlWrites();
    TMainForm later(dialogs_);
    testing::internal::CaptureStderr();
    Start(later);
    const std::string said = testing::internal::GetCapturedStderr();
    size_t lines = 0;
    for (size_t at = said.find("tarnolix: camera setting"); at != std::string::npos;
         at = said.find("tarnolix: camera setting", at + 1))
        ++lines;
    EXPECT_EQ(lines, 2u) << said;
    check(camera.path, "in a new window");
    EXPECT_EQ(v4l2_.Access().ControlWrites() - writes, 3) << "only what the user changed";
    later.close();
    EXPECT_TRUE(dialogs_.boxes.empty());
}
