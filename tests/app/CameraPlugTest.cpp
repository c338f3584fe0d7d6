#include "app/MainForm.h"

#include "QtTestMain.h"
#include "ScriptedDialogs.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/core/ErrorText.h"
#include "tests/media/support/FakeV4l2Access.h"

#include <QAction>
#include <QFile>
#include <QMenu>
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
    ScriptedDialogs dialogs_;
};

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
