// The camera's settings with vivid in the window, inside the real-driver tier's guest: its
// brightness raised through the dialog, seen by v4l2-ctl and in the picture, changed twenty
// times while it streams with no frame missed, and given back by itself after vivid's module is
// loaded again (which resets its controls) and in a new window. The fixture is WindowInGuest.h's.
#include "tests/vivid/WindowInGuest.h"

#include "platform/com/ViewerInterfaces.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>

#include <cstdio>
#include <linux/videodev2.h>
#include <string>
#include <utility>

namespace {

using namespace std::chrono_literals;

const char* TypeName(CameraControlType type) {
    switch (type) {
    case CameraControlType::Integer:
        return "integer";
    case CameraControlType::Boolean:
        return "boolean";
    case CameraControlType::Menu:
        return "menu";
    case CameraControlType::IntegerMenu:
        return "integer menu";
    case CameraControlType::Button:
        return "button";
    case CameraControlType::Integer64:
        return "integer64";
    case CameraControlType::Bitmask:
        return "bitmask";
    case CameraControlType::String:
        return "string";
    case CameraControlType::Class:
        return "class";
    default:
        return "compound";
    }
}

// vivid's brightness as v4l2-ctl reads it from another process.
std::string BrightnessSeen() {
    return Output("v4l2-ctl -d /dev/video0 -C brightness");
}

} // namespace

class CameraSettingsInGuest : public CameraPlug {
protected:
    // The mean byte of the processed picture (the unprocessed one is chosen).
    double MeanByte() {
        TBitmap& picture = form_->Podglad1->Picture();
        TCanvasLock lock(picture.Canvas());
        double sum = 0;
        for (int row = 0; row < picture.Height(); ++row) {
            const uint8_t* line = picture.ScanLine(row);
            for (int x = 0; x < picture.Width() * 3; ++x)
                sum += line[x];
        }
        return sum / std::max(1, picture.Width() * picture.Height() * 3);
    }
    // One of the capture source's counts for viewers; ~0 when it has none.
    uint64_t Counter(const std::string& wanted) {
        const auto counted = form_->Filter->Query<ICounterSource>();
        NamedCounters counters;
        if (counted)
            counted->ReadCounters(counters);
        for (const auto& [name, value] : counters)
            if (name == wanted)
                return value;
        return ~uint64_t{0};
    }
    TCameraSettingsDialog* OpenSettings() {
        form_->CameraSettings().Action()->trigger();
        return form_->CameraSettings().Dialog();
    }
};

TEST_F(CameraSettingsInGuest, BrightnessSetInTheDialogStaysThroughAReplugAndARestart) {
    form_->EffectAction(TEffectItem::Obraznormalny1)->trigger();
    StartVivid();
    ASSERT_TRUE(form_->CameraSettings().Action()->isEnabled());
    TCameraSettingsDialog* dialog = OpenSettings();
    ASSERT_TRUE(dialog);
    std::printf("the dialog \"%s\":\n", dialog->windowTitle().toUtf8().constData());
    std::vector<CameraControl> controls;
    ASSERT_EQ(form_->Filter->Query<ICameraControls>()->GetControls(controls), S_OK);
    for (const CameraControl& control : controls) {
        const QWidget* editor = dialog->Editor(control.id);
        std::printf("  0x%08x %-32s %-12s %s%s\n", control.id, control.name.c_str(), TypeName(control.type),
                    editor ? editor->metaObject()->className() : "(heading)",
                    editor && !editor->isEnabled() ? ", disabled" : "");
    }
    QWidget* first = dialog->focusWidget();
    ASSERT_TRUE(first);
    EXPECT_EQ(first, dialog->Editor(V4L2_CID_BRIGHTNESS)) << "vivid's first control";
    EXPECT_NE(BrightnessSeen().find("brightness: 128"), std::string::npos) << BrightnessSeen();

    ASSERT_TRUE(FramesFlowAfter(Frames()));
    const double before = MeanByte();
    QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::NoModifier);
    QApplication::sendEvent(first, &end);
    EXPECT_NE(BrightnessSeen().find("brightness: 255"), std::string::npos) << BrightnessSeen();
    ASSERT_TRUE(FramesFlowAfter(Frames() + 5));
    const double after = MeanByte();
    std::printf("mean byte of the picture: %.1f at brightness 128, %.1f at 255\n", before, after);
    EXPECT_GT(after, before + 20) << "the bars get brighter";

    // Twenty changes while it streams, a step each 50 ms, against as long a time without changes,
    // in vivid's smallest mode: the stream is never restarted (its counts would start again from
    // 0) and goes on at its rate. The emulated guest misses a fifth to a half of vivid's frames
    // anyway, whenever the window is late with a buffer, with or without changes, so the frames
    // the driver missed are printed for the log rather than compared.
    for (QAction* action : form_->Kamera1->actions())
        if (action->text().startsWith(QString::fromUtf8("320 × 180, ")) && action->text().endsWith("RGB24")) {
            action->trigger();
            break;
        }
    ASSERT_TRUE(ProcessEventsUntil([&] { return form_->Podglad1->PictureSize().width() == 320; }, 30000ms));
    ASSERT_TRUE(FramesFlowAfter(Frames()));
    dialog = form_->CameraSettings().Dialog(); // it follows the camera through the restart
    QWidget* contrast = dialog->Editor(V4L2_CID_CONTRAST);
    ASSERT_TRUE(contrast);
    const auto steps = [&](bool change) {
        const uint64_t missed = Counter("frames_missed");
        const uint64_t delivered = Counter("frames_delivered");
        for (int step = 0; step < 20; ++step) {
            if (change) {
                QKeyEvent key(QEvent::KeyPress, step % 2 ? Qt::Key_PageDown : Qt::Key_PageUp, Qt::NoModifier);
                QApplication::sendEvent(contrast, &key);
            }
            ProcessEventsUntil([] { return false; }, 50ms);
        }
        EXPECT_GT(Counter("frames_delivered"), delivered) << "the same run goes on";
        return std::pair(Counter("frames_missed") - missed, Counter("frames_delivered") - delivered);
    };
    const auto quiet = steps(false);
    const auto changing = steps(true);
    std::printf("frames delivered and missed by the driver in 20 x 50 ms: %llu and %llu without changes, "
                "%llu and %llu with twenty changes\n",
                static_cast<unsigned long long>(quiet.second), static_cast<unsigned long long>(quiet.first),
                static_cast<unsigned long long>(changing.second),
                static_cast<unsigned long long>(changing.first));
    EXPECT_GE(changing.second * 2, quiet.second) << "the stream slowed down under the changes";
    EXPECT_NE(Output("v4l2-ctl -d /dev/video0 -C contrast").find("contrast: 128"), std::string::npos)
        << "ten steps up and ten down: " << Output("v4l2-ctl -d /dev/video0 -C contrast");

    Replug();
    EXPECT_NE(BrightnessSeen().find("brightness: 255"), std::string::npos)
        << "back by itself after the module was loaded again: " << BrightnessSeen();

    form_->close();
    form_.reset();
    ASSERT_EQ(Shell("v4l2-ctl -d /dev/video0 -c brightness=128"), 0);
    form_ = std::make_unique<TMainForm>(dialogs_);
    form_->show();
    form_->FormCreate();
    StartVivid();
    EXPECT_NE(BrightnessSeen().find("brightness: 255"), std::string::npos)
        << "back in a new window: " << BrightnessSeen();
}
