#include "app/MainForm.h"
#include "app/ApplicationStart.h"
#include "app/ErrorBox.h"

#include "QtTestMain.h"
#include "ScriptedDialogs.h"
#include "platform/media/MediaClasses.h"
#include "platform/runtime/ApplicationErrors.h"
#include "platform/runtime/StandardErrors.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <thread>

namespace {

using enum TEffectItem;

class MainForm : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterMediaClasses();
        setenv("TARNOLIX_VIRTUAL_CAMERAS", "", 1);
    }
    void TearDown() override { unsetenv("TARNOLIX_VIRTUAL_CAMERAS"); }

    static QStringList Captions(const QList<QAction*>& actions) {
        QStringList captions;
        for (QAction* action : actions)
            captions << (action->isSeparator() ? QString("-") : action->text());
        return captions;
    }

    ScriptedDialogs dialogs;
};

TEST_F(MainForm, MenuTreeAndCaptionAreThoseOfTheProgram) {
    TMainForm form(dialogs);
    EXPECT_EQ(form.windowTitle(), "Tarnolix");
    EXPECT_EQ(Captions(form.menuBar()->actions()),
              (QStringList{QString::fromUtf8("Urządzenia"), "Kamera", "Widok", "Efekty",
                           QString::fromUtf8("Zrób zdjęcie"), "Nagraj film", "Info"}));
    EXPECT_EQ(Captions(form.Widok1->actions()),
              (QStringList{QString::fromUtf8("Galeria efektów"), QString::fromUtf8("Pełny ekran")}));
    EXPECT_EQ(form.FullScreen->Action()->shortcut(), QKeySequence(Qt::Key_F11));
    const QStringList effects = Captions(form.Efekty1->actions());
    ASSERT_EQ(effects.size(), 25);
    EXPECT_EQ(effects[0], "Obraz normalny");
    EXPECT_EQ(effects[1], "-");
    EXPECT_EQ(effects[2], QString::fromUtf8("Odkształcenie fraktalne"));
    EXPECT_EQ(effects[21], QString::fromUtf8("Nakładanie tła"));
    EXPECT_EQ(effects[24], "Wzrok predatora");
}

TEST_F(MainForm, ComponentsCarryTheWindowsStoredSettings) {
    TMainForm form(dialogs);
    EXPECT_FALSE(form.FilterGraph->Active());
    EXPECT_EQ(form.FilterGraph->Mode(), TGraphMode::gmCapture);
    EXPECT_TRUE(form.FilterGraph->GraphEdit());
    EXPECT_TRUE(form.FilterGraph->LinearVolume());
    EXPECT_EQ(form.VideoWindow->Mode(), TVideoMode::vmNormal);
    EXPECT_EQ(form.VideoWindow->VMROptions().Mode(), TVMRVideoMode::vmrWindowed);
    EXPECT_EQ(form.VideoWindow->VMROptions().Streams(), 1u);
    EXPECT_EQ(form.VideoWindow->VMROptions().Preferences(), TVMRPreferences{});
    EXPECT_EQ(form.SampleGrabber->MediaType().Record().subtype, MEDIASUBTYPE_RGB24);
}

// The design is at 96 pixels per inch; the suite runs once more with QT_FONT_DPI=144.
TEST_F(MainForm, LayoutIsTheDesignScaledByTheScreensDensity) {
    TMainForm form(dialogs);
    const double scale = form.logicalDpiX() / 96.0;
    const auto scaled = [scale](int design) { return static_cast<int>(std::lround(design * scale)); };
    form.show();
    QWidget* video = form.VideoWindow->Control();
    QWidget* client = form.centralWidget();
    ASSERT_TRUE(ProcessEventsUntil([&] { return video->width() == scaled(305); }));
    EXPECT_EQ(client->width(), scaled(615));
    EXPECT_EQ(client->height(), scaled(249));
    EXPECT_EQ(video->geometry(), QRect(0, 0, scaled(305), client->height()));
    EXPECT_EQ(form.Podglad1->geometry(),
              QRect(scaled(311), 0, client->width() - scaled(311), client->height()));

    // Only the preview pane follows the window's width.
    form.resize(form.width() + 100, form.height() + 40);
    ASSERT_TRUE(ProcessEventsUntil([&] { return client->width() == scaled(615) + 100; }));
    EXPECT_EQ(video->width(), scaled(305));
    EXPECT_EQ(form.Podglad1->width(), scaled(304) + 100);
    EXPECT_EQ(form.Podglad1->height(), scaled(249) + 40);
}

TEST_F(MainForm, EffectItemsBehaveAsOptionalRadioItems) {
    TMainForm form(dialogs);
    EXPECT_EQ(form.Selection().Snapshot(), TEffectSelection::Bit(Odksztaceniefraktalne1))
        << "checked at start";
    form.EffectAction(Negatyw1)->trigger();
    EXPECT_TRUE(form.EffectAction(Negatyw1)->isChecked());
    EXPECT_FALSE(form.EffectAction(Odksztaceniefraktalne1)->isChecked());
    EXPECT_EQ(form.Selection().Snapshot(), TEffectSelection::Bit(Negatyw1));
    form.EffectAction(Negatyw1)->trigger();
    EXPECT_FALSE(form.EffectAction(Negatyw1)->isChecked());
    EXPECT_EQ(form.Selection().Snapshot(), 0u) << "choosing the checked item again leaves none checked";
}

TEST_F(MainForm, InfoShowsTheAboutBox) {
    TMainForm form(dialogs);
    form.Info1->trigger();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].caption, "Informacje o programie");
    EXPECT_EQ(dialogs.boxes[0].icon, IDialogs::Icon::Information);
    EXPECT_TRUE(dialogs.boxes[0].text.startsWith(
        QString::fromUtf8("Program służy do nakładania efektów graficznych na obraz\nprzechwytywany")));
    EXPECT_TRUE(dialogs.boxes[0].text.contains("\n\nAutor:\n"));
}

TEST_F(MainForm, ACommandsErrorIsShownAndTheWindowGoesOn) {
    TMainForm form(dialogs);
    form.RunCommand([] { throw std::runtime_error("Cannot create file /x/y.bmp"); });
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].icon, IDialogs::Icon::Error);
    EXPECT_EQ(dialogs.boxes[0].caption, ErrorBoxTitle());
    EXPECT_EQ(dialogs.boxes[0].text, "Cannot create file /x/y.bmp.");
    form.Info1->trigger();
    EXPECT_EQ(dialogs.boxes.size(), 2u);
}

TEST(ErrorBox, AppendsAFullStopAfterLettersAndDigitsOnly) {
    EXPECT_EQ(ErrorBoxText("Stream write error"), "Stream write error.");
    EXPECT_EQ(ErrorBoxText("Code 7"), "Code 7.");
    EXPECT_EQ(ErrorBoxText("Done."), "Done.");
    EXPECT_EQ(ErrorBoxText("($80004005)"), "($80004005)") << "')' comes before '.'";
    EXPECT_EQ(ErrorBoxText("a -"), "a -");
    EXPECT_EQ(ErrorBoxText(""), "");
    EXPECT_FALSE(ErrorBoxTitle().contains('.'));
}

TEST_F(MainForm, DeviceMenuListsTheCamerasInOrderWithTheirTags) {
    setenv("TARNOLIX_VIRTUAL_CAMERAS", "pattern,pattern:320x240@15,pattern", 1);
    TMainForm form(dialogs);
    form.FormCreate();
    const QList<QAction*> items = form.Devices->actions();
    ASSERT_EQ(items.size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(items[i]->property("Tag").toInt(), i);
        EXPECT_FALSE(items[i]->isCheckable());
    }
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(MainForm, NoCamerasLeaveTheDeviceMenuEmpty) {
    TMainForm form(dialogs);
    form.FormCreate();
    EXPECT_TRUE(form.Devices->actions().isEmpty());
    EXPECT_TRUE(dialogs.boxes.empty());
    form.close();
}

} // namespace

namespace {

TEST(ErrorBoxReport, AReportFromAnotherThreadIsShownOnTheGuiThread) {
    ScriptedDialogs dialogs;
    InstallErrorBoxReport(dialogs, nullptr);
    std::thread streaming([] { ReportApplicationError(std::runtime_error("Stream read error")); });
    streaming.join();
    ASSERT_TRUE(ProcessEventsUntil([&] { return !dialogs.boxes.empty(); }));
    EXPECT_EQ(dialogs.boxes[0].text, "Stream read error.");
    SetApplicationErrorHandler(nullptr);
}

} // namespace

namespace {

TEST(ApplicationStartError, NamesTheClassAndModuleAndEndsTheMessageWithAFullStop) {
    const EListError error("Indeks listy poza zakresem (5)");
    const QString text = ApplicationStartErrorText(error);
    const QString module = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    EXPECT_TRUE(text.startsWith("Exception EListError in module " + module + " at ")) << text.toStdString();
    EXPECT_TRUE(text.endsWith(".\nIndeks listy poza zakresem (5).")) << text.toStdString();
    const std::runtime_error plain("Gotowe.");
    EXPECT_TRUE(ApplicationStartErrorText(plain).endsWith("\nGotowe.")) << "no second full stop";
}

} // namespace
