#include "app/MainForm.h"

#include "QtTestMain.h"
#include "ScriptedDialogs.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/core/ErrorText.h"
#include "tests/media/support/FilmProbe.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace {

using namespace std::chrono_literals;

class Recording : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterMediaClasses();
        RegisterQuartzModule();
        setenv("TARNOLIX_VIRTUAL_CAMERAS", "Kamera=pattern:320x240@30", 1);
        // The videos folder of user-dirs.dirs, not there yet.
        ASSERT_TRUE(QDir(home_.path()).mkpath("config"));
        QFile dirs(home_.filePath("config/user-dirs.dirs"));
        ASSERT_TRUE(dirs.open(QIODevice::WriteOnly));
        dirs.write("XDG_VIDEOS_DIR=\"" + home_.filePath("Filmy").toUtf8() + "\"\n");
        dirs.close();
        setenv("XDG_CONFIG_HOME", home_.filePath("config").toUtf8().constData(), 1);
    }
    void TearDown() override {
        unsetenv("TARNOLIX_VIRTUAL_CAMERAS");
        unsetenv("XDG_CONFIG_HOME");
    }

    // A window whose pane shows the camera's frames under `effect`.
    void StartCamera(TMainForm& form, TEffectItem effect) {
        form.show();
        form.FormCreate();
        form.EffectAction(effect)->trigger();
        form.Devices->actions()[0]->trigger();
        ASSERT_TRUE(ProcessEventsUntil([&] { return form.Podglad1->HasPicture(); }));
    }
    static bool Idle(TMainForm& form) {
        return form.Nagrajfilm1->isEnabled() && form.Nagrajfilm1->text() == QString::fromUtf8("Nagraj film");
    }

    QTemporaryDir home_;
    ScriptedDialogs dialogs_;
};

TEST_F(Recording, ThreeSecondsOfTheNegatedCameraGoIntoTheVideosFolderAtTheCamerasSizeAndRate) {
    TMainForm form(dialogs_);
    StartCamera(form, TEffectItem::Negatyw1);
    form.Nagrajfilm1->trigger();
    EXPECT_EQ(form.Nagrajfilm1->text(), QString::fromUtf8("Zatrzymaj nagrywanie"));
    QElapsedTimer recorded;
    recorded.start();
    ProcessEventsUntil([] { return false; }, 3000ms);
    EXPECT_TRUE(form.Podglad1->Badge().startsWith(QString::fromUtf8("● 00:0")));
    form.Nagrajfilm1->trigger();
    const double seconds = recorded.elapsed() / 1000.0;
    ASSERT_TRUE(ProcessEventsUntil([&] { return Idle(form); }));
    EXPECT_TRUE(dialogs_.boxes.empty());

    const QStringList films = QDir(home_.filePath("Filmy")).entryList({"Tarnolix *.mp4"}, QDir::Files);
    ASSERT_EQ(films.size(), 1);
    EXPECT_EQ(form.Podglad1->Badge(), films[0]); // the name, for a few seconds
    const std::string path = home_.filePath("Filmy/" + films[0]).toStdString();
    const FilmFacts film = ProbeFilm(path);
    EXPECT_EQ(film.videoCodec, "h264");
    EXPECT_EQ(film.width, 320);
    EXPECT_EQ(film.height, 240);
    EXPECT_TRUE(film.indexFirst);
    EXPECT_NEAR(film.frames, 90, 2);
    EXPECT_NEAR(film.videoSeconds, seconds, 0.1);
    EXPECT_TRUE(film.soundCodec.empty()); // the tests have no sound server

    // The bars above the square, negated: white black, yellow blue... as far as H.264 keeps them.
    const std::vector<uint8_t> picture = FilmPicture(path, film.frames / 2);
    ASSERT_EQ(picture.size(), 320u * 240 * 3);
    const uint8_t bars[8][3] = {{235, 235, 235}, {16, 235, 235}, {235, 235, 16}, {16, 235, 16},
                                {235, 16, 235},  {16, 16, 235},  {235, 16, 16},  {16, 16, 16}};
    for (int bar = 0; bar < 8; ++bar) {
        const uint8_t* pixel = &picture[3 * (30 * 320 + bar * 40 + 20)];
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(pixel[c], 255 - bars[bar][c], 12) << "bar " << bar << " channel " << c;
    }
}

TEST_F(Recording, AFolderThatCannotBeWrittenIsToldBeforeAnyFrame) {
    TMainForm form(dialogs_);
    StartCamera(form, TEffectItem::Obraznormalny1);
    // sysfs refuses new files even to root.
    try {
        form.Recording().Start("/sys/tarnolix-film.mp4");
        FAIL() << "recording started";
    } catch (const std::exception& error) {
        EXPECT_EQ(QString::fromUtf8(error.what()),
                  QString::fromUtf8("Nie można nagrywać filmu. Brak prawa zapisu w folderze /sys."));
    }
    EXPECT_FALSE(form.Recording().Recording());
    EXPECT_TRUE(Idle(form));
}

TEST_F(Recording, AFileSizeLimitStopsRecordingWithAMessageAndWhatWasWrittenPlays) {
    TMainForm form(dialogs_);
    StartCamera(form, TEffectItem::Szumtakolor1); // noise: about 200 KB a second
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit small{400'000, limit.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string path = home_.filePath("film.mp4").toStdString();
    form.Recording().Start(QString::fromStdString(path));
    const bool stopped = ProcessEventsUntil([&] { return Idle(form); }, 15s);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ASSERT_TRUE(stopped);
    ASSERT_EQ(dialogs_.boxes.size(), 1u);
    EXPECT_TRUE(dialogs_.boxes[0].text.contains(QString::fromUtf8("największy rozmiar pliku")))
        << dialogs_.boxes[0].text.toStdString();
    EXPECT_TRUE(dialogs_.boxes[0].text.contains(QString::fromStdString(path)));
    const FilmFacts film = ProbeFilm(path);
    EXPECT_TRUE(film.opened);
    EXPECT_GE(film.frames, 30); // at least one whole fragment of a second
    EXPECT_FALSE(FilmPicture(path, film.frames - 1).empty());
}

// The program itself, recording from the command line, ended by a signal.
class RecordingProgram : public Recording {
protected:
    pid_t Start(const std::string& path) {
        std::vector<std::string> arguments = {TARNOLIX_PROGRAM, "--device", "Kamera",
                                              "--effect",       "Negatyw1", "--record=" + path};
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        pid_t pid = 0;
        EXPECT_EQ(::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ), 0);
        return pid;
    }
    // Waits for the film to appear, then `seconds` more.
    static void RecordFor(const std::string& path, std::chrono::milliseconds time) {
        for (int k = 0; k < 100 && !QFile::exists(QString::fromStdString(path)); ++k)
            std::this_thread::sleep_for(100ms);
        std::this_thread::sleep_for(time);
    }
    static int Wait(pid_t pid) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        return status;
    }
};

TEST_F(RecordingProgram, KillingItLeavesAFilmThatPlaysUpToAboutItsLastSecond) {
    const std::string path = home_.filePath("killed.mp4").toStdString();
    const pid_t pid = Start(path);
    RecordFor(path, 2500ms);
    ::kill(pid, SIGKILL);
    Wait(pid);
    const FilmFacts film = ProbeFilm(path);
    ASSERT_TRUE(film.opened);
    EXPECT_EQ(film.videoCodec, "h264");
    EXPECT_GE(film.videoSeconds, 1.5);
    EXPECT_FALSE(film.indexFirst); // fragments, as it was while recording
}

TEST_F(RecordingProgram, SigtermFinishesTheFilmWithItsIndexAtTheFront) {
    const std::string path = home_.filePath("ended.mp4").toStdString();
    const pid_t pid = Start(path);
    RecordFor(path, 1500ms);
    ::kill(pid, SIGTERM);
    const int status = Wait(pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    const FilmFacts film = ProbeFilm(path);
    EXPECT_TRUE(film.indexFirst);
    EXPECT_GE(film.videoSeconds, 1.0);
}

} // namespace
