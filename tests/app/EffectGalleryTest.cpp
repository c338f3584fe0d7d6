#include "app/MainForm.h"

#include "QtTestMain.h"
#include "ScriptedDialogs.h"
#include "imaging/BitmapFileWriter.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/core/ErrorText.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QMenu>
#include <QMouseEvent>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace {

using enum TEffectItem;

class EffectGallery : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterMediaClasses();
        RegisterQuartzModule();
        setenv("TARNOLIX_VIRTUAL_CAMERAS", "", 1);
    }
    void TearDown() override { unsetenv("TARNOLIX_VIRTUAL_CAMERAS"); }

    static void Click(QWidget* widget, QPoint at) {
        QMouseEvent release(QEvent::MouseButtonRelease, at, widget->mapToGlobal(at), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &release);
    }

    ScriptedDialogs dialogs;
};

TEST_F(EffectGallery, TilesFollowTheMenuAndAClickChoosesAsTheMenuDoes) {
    TMainForm form(dialogs);
    form.show();
    form.FormCreate();
    TEffectGallery& gallery = *form.Gallery;
    gallery.Action()->trigger();
    ASSERT_TRUE(gallery.isVisible());
    EXPECT_FALSE(gallery.Note().isEmpty()) << "no camera runs";

    QStringList menu;
    for (QAction* item : form.Efekty1->actions())
        if (!item->isSeparator())
            menu << item->text();
    ASSERT_EQ(menu.size(), kEffectItemCount);
    for (int tile = 0; tile < kEffectItemCount; ++tile) {
        if (static_cast<TEffectItem>(tile) != Nakadanieta1) {
            EXPECT_EQ(gallery.Caption(tile), menu[tile]);
        }
    }
    EXPECT_EQ(gallery.Caption(static_cast<int>(Nakadanieta1)),
              menu[20] + QString::fromUtf8(" (wybierz tło)"));
    EXPECT_EQ(gallery.FramedTile(), static_cast<int>(Odksztaceniefraktalne1));

    Click(&gallery, gallery.TileRect(static_cast<int>(Negatyw1)).center());
    EXPECT_TRUE(form.EffectAction(Negatyw1)->isChecked());
    EXPECT_EQ(form.Selection().Snapshot(), TEffectSelection::Bit(Negatyw1));
    EXPECT_EQ(gallery.FramedTile(), static_cast<int>(Negatyw1));
    Click(&gallery, gallery.TileRect(static_cast<int>(Negatyw1)).center());
    EXPECT_EQ(gallery.FramedTile(), -1) << "chosen again, as in the menu, it is unchecked";
    form.EffectAction(Kontury1)->trigger();
    EXPECT_EQ(gallery.FramedTile(), static_cast<int>(Kontury1));

    // The grid follows the window: a wide window takes more columns than a tall one.
    gallery.resize(900, 300);
    ASSERT_TRUE(ProcessEventsUntil([&] { return gallery.width() == 900; }));
    const int wideRow = gallery.TileRect(23).top();
    gallery.resize(300, 900);
    ASSERT_TRUE(ProcessEventsUntil([&] { return gallery.width() == 300; }));
    EXPECT_GT(gallery.TileRect(23).top(), wideRow);
    EXPECT_LT(gallery.TileRect(23).bottom(), gallery.height());

    gallery.close();
    EXPECT_FALSE(gallery.Action()->isChecked());
    EXPECT_FALSE(gallery.isVisible());
}

// A still camera of four coloured quarters: every thumbnail shows it through its effect, the
// right way up.
TEST_F(EffectGallery, ShowsTheRunningCameraThroughEveryItem) {
    QTemporaryDir folder;
    const QString camera = folder.filePath("kamera.bmp");
    TBitmap picture;
    picture.SetSize(400, 300);
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x) {
            uint8_t* p = picture.ScanLine(y) + 3 * x;
            p[0] = 0;
            p[1] = y < 150 ? 0 : 255; // the lower half green
            p[2] = 200;
        }
    SaveBitmapToFile(picture, camera.toStdString());
    setenv("TARNOLIX_VIRTUAL_CAMERAS", ("Studio=image:" + camera.toStdString()).c_str(), 1);
    TMainForm form(dialogs);
    form.show();
    form.FormCreate();
    form.Gallery->Action()->trigger();
    form.Devices->actions()[0]->trigger();
    ASSERT_TRUE(ProcessEventsUntil([&] { return form.Gallery->SetsShown() > 0; }));
    EXPECT_TRUE(form.Gallery->Note().isEmpty());
    const TGalleryThumbnails* shown = form.Gallery->Shown();
    ASSERT_NE(shown, nullptr);
    const auto pixel = [&](TEffectItem item, int x, int y) {
        return shown->pictures[static_cast<size_t>(item)].Pixels(x, y);
    };
    EXPECT_EQ(shown->pictures[0].Width(), 192);
    EXPECT_EQ(shown->pictures[0].Height(), 144);
    EXPECT_EQ(pixel(Obraznormalny1, 50, 10), 0x0000C8u);
    EXPECT_EQ(pixel(Obraznormalny1, 50, 130), 0x00FFC8u);
    EXPECT_EQ(pixel(Negatyw1, 50, 10), 0xFFFF37u);
    EXPECT_EQ(form.FrameHandler().FramesDropped(), 0u);

    // The keying tile keys against the background loaded for the window: the red upper half
    // turns to the blue picture, the green lower half stays.
    TBitmap backdrop;
    backdrop.SetSize(400, 300);
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x)
            std::copy_n("\xff\x00\x00", 3, backdrop.ScanLine(y) + 3 * x);
    const QString background = folder.filePath("tlo.bmp");
    SaveBitmapToFile(backdrop, background.toStdString());
    dialogs.pictures.push_back(background);
    dialogs.colours.push_back(QColor(200, 0, 0));
    form.EffectAction(Nakadanieta1)->trigger();
    const auto keyed = [&](int y) {
        const TGalleryThumbnails* now = form.Gallery->Shown();
        return now ? now->pictures[static_cast<size_t>(Nakadanieta1)].Pixels(50, y) : 0u;
    };
    EXPECT_TRUE(ProcessEventsUntil([&] { return keyed(10) == 0xFF0000u; })) << std::hex << keyed(10);
    EXPECT_EQ(keyed(130), 0x00FFC8u);
    ASSERT_EQ(dialogs.boxes.size(), 1u) << "only the prompt for the backdrop's colour";
    dialogs.boxes.clear();
    form.close();
    EXPECT_FALSE(form.Gallery->Action()->isChecked()) << "closes with the main window";
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(EffectGallery, FullScreenShowsTheProcessedPaneAloneUntilF11OrEsc) {
    TMainForm form(dialogs);
    form.show();
    QWidget* home = form.Podglad1->parentWidget();
    form.FullScreen->Action()->trigger();
    EXPECT_EQ(form.Podglad1->window(), form.FullScreen);
    EXPECT_TRUE(form.FullScreen->isFullScreen());
    for (const int key : {Qt::Key_Escape, Qt::Key_F11}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(form.FullScreen, &press);
        EXPECT_EQ(form.Podglad1->parentWidget(), home);
        EXPECT_FALSE(form.FullScreen->isVisible());
        form.FullScreen->Action()->trigger();
    }
    form.close();
    EXPECT_EQ(form.Podglad1->parentWidget(), home) << "back home when the window closes";
    EXPECT_EQ(home->layout()->indexOf(form.Podglad1), 1);
}

} // namespace
