#include "app/MainForm.h"

#include "QtTestMain.h"
#include "ScriptedDialogs.h"
#include "imaging/BitmapFileReader.h"
#include "imaging/BitmapFileWriter.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/core/ErrorText.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <string>

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
        return form.Podglad1->PictureSize().width() == width;
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

TEST_F(LiveCapture, TheCommandLineStartsTheDeviceByItsCaptionAndTheEffectByItsName) {
    TMainForm form(dialogs);
    form.show();
    form.FormCreate();
    TStartOptions options;
    options.device = "Druga";
    options.effect = TEffectItem::Negatyw1;
    form.StartFromCommandLine(options);
    ASSERT_TRUE(ProcessEventsUntil([&] { return PaneShowsFrame(form, 32); }));
    EXPECT_TRUE(form.EffectAction(TEffectItem::Negatyw1)->isChecked());
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

// A picture of the given size, its four quarters in the given colours (0x00BBGGRR), saved as a
// bitmap file.
void SaveQuarters(const QString& fileName, int width, int height, const std::array<COLORREF, 4>& quarters) {
    TBitmap picture;
    picture.SetSize(width, height, TPixelFormat::pf24bit);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = picture.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            const COLORREF colour = quarters[(y < height / 2 ? 0 : 2) + (x < width / 2 ? 0 : 1)];
            row[3 * x] = static_cast<uint8_t>(colour >> 16);
            row[3 * x + 1] = static_cast<uint8_t>(colour >> 8);
            row[3 * x + 2] = static_cast<uint8_t>(colour);
        }
    }
    SaveBitmapToFile(picture, fileName.toStdString());
}

constexpr COLORREF kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kYellow = 0x00FFFF,
                   kMagenta = 0xFF00FF, kCyan = 0xFFFF00, kWhite = 0xFFFFFF;

// A still camera whose left half shows the blue backdrop and whose right half a red subject,
// keyed against a loaded picture twice the frame's size.
TEST_F(LiveCapture, BackgroundCommandKeysTheBackdropAgainstTheScaledPicture) {
    QTemporaryDir folder;
    const QString camera = folder.filePath("kamera.bmp");
    SaveQuarters(camera, 64, 48, {kBlue, kRed, kBlue, kRed});
    const QString background = folder.filePath("tlo.bmp");
    SaveQuarters(background, 128, 96, {kYellow, kGreen, kMagenta, kCyan});
    setenv("TARNOLIX_VIRTUAL_CAMERAS", ("Studio=image:" + camera.toStdString()).c_str(), 1);

    TMainForm form(dialogs);
    form.show();
    form.FormCreate();
    form.Devices->actions()[0]->trigger();
    ASSERT_TRUE(ProcessEventsUntil([&] { return PaneShowsFrame(form, 64); }));

    dialogs.pictures.push_back(background);
    dialogs.colours.push_back(QColor(0, 0, 255));
    form.EffectAction(Nakadanieta1)->trigger();
    ASSERT_TRUE(form.EffectAction(Nakadanieta1)->isChecked());
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].caption, QString::fromUtf8("Podaj kolor tła"));
    EXPECT_EQ(dialogs.boxes[0].icon, IDialogs::Icon::Information);

    // The picture's quarters, shrunk to half, lie over the frame where the backdrop was.
    const auto pixel = [&](int x, int y) {
        TCanvasLock lock(form.Podglad1->Picture().Canvas());
        return form.Podglad1->Picture().Pixels(x, y);
    };
    ASSERT_TRUE(ProcessEventsUntil([&] { return pixel(5, 5) == kYellow; })) << std::hex << pixel(5, 5);
    EXPECT_EQ(pixel(20, 40), kMagenta);
    EXPECT_EQ(pixel(40, 5), kRed) << "the subject is not keyed";
    EXPECT_EQ(pixel(60, 40), kRed);

    // A picture smaller than the frame covers only its own size; the keyed backdrop beyond it
    // turns white.
    const QString small = folder.filePath("male.bmp");
    SaveQuarters(small, 16, 12, {kGreen, kGreen, kCyan, kCyan});
    const auto chooseKeying = [&] {
        dialogs.pictures.push_back(small);
        dialogs.colours.push_back(QColor(0, 0, 255));
        form.EffectAction(Nakadanieta1)->trigger();
    };
    chooseKeying(); // unchecks the item, and the dialogs still come
    EXPECT_FALSE(form.EffectAction(Nakadanieta1)->isChecked());
    ASSERT_TRUE(ProcessEventsUntil([&] { return pixel(5, 5) == kBlue; })) << "keying is off";
    chooseKeying();
    ASSERT_TRUE(ProcessEventsUntil([&] { return pixel(5, 5) == kGreen; })) << std::hex << pixel(5, 5);
    EXPECT_EQ(pixel(20, 5), kWhite);
    EXPECT_EQ(pixel(5, 20), kWhite);
    EXPECT_EQ(pixel(40, 20), kRed);
    EXPECT_TRUE(dialogs.pictures.empty());
    EXPECT_EQ(dialogs.boxes.size(), 3u);
    form.close();
}

TEST_F(LiveCapture, ASnapshotHoldsExactlyTheProcessedFrame) {
    QTemporaryDir folder;
    const QString cameraFile = folder.filePath("kamera.bmp");
    SaveQuarters(cameraFile, 40, 30, {kRed, kGreen, kBlue, 0x204060});
    setenv("TARNOLIX_VIRTUAL_CAMERAS", ("Studio=image:" + cameraFile.toStdString()).c_str(), 1);
    TMainForm form(dialogs);
    form.show();
    form.FormCreate();
    form.EffectAction(Negatyw1)->trigger();
    form.Devices->actions()[0]->trigger();
    const auto pixel = [&](int x, int y) {
        TCanvasLock lock(form.Podglad1->Picture().Canvas());
        return form.Podglad1->Picture().Pixels(x, y);
    };
    ASSERT_TRUE(ProcessEventsUntil([&] { return pixel(30, 20) == 0xDFBF9Fu; })) << std::hex << pixel(30, 20);

    dialogs.inputs.push_back("negatyw");
    form.Zrbzdjcie1->trigger();
    const QString saved = QFileInfo(QCoreApplication::applicationFilePath()).absolutePath() + "/negatyw.bmp";
    TBitmap snapshot;
    LoadBitmapFromFile(snapshot, saved.toStdString());
    QFile::remove(saved);
    ASSERT_EQ(snapshot.Width(), 40);
    ASSERT_EQ(snapshot.Height(), 30);
    // The pass leaves column 0 and the last two columns as the camera gave them.
    const std::array<COLORREF, 4> camera{kRed, kGreen, kBlue, 0x204060};
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            const COLORREF original = camera[(y < 15 ? 0 : 2) + (x < 20 ? 0 : 1)];
            const COLORREF expected = x >= 1 && x <= 37 ? 0xFFFFFF ^ original : original;
            ASSERT_EQ(snapshot.Pixels(x, y), expected) << x << "," << y;
        }
    form.close();
}

} // namespace
