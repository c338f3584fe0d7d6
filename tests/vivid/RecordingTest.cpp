// A film of a real camera inside the real-driver tier's guest: vivid in its default mode, 640x360
// at 40 frames a second, recorded for five seconds and read back through libavformat.
#include "tests/media/support/FilmProbe.h"
#include "tests/vivid/WindowInGuest.h"

#include <QAction>
#include <QElapsedTimer>

#include <filesystem>

namespace {

using namespace std::chrono_literals;

TEST_F(CameraPlug, FiveSecondsOfVividAtFortyFramesASecondMakeTwoHundredFrames) {
    StartVivid();
    const std::string path = (std::filesystem::temp_directory_path() / "tarnolix-vivid-film.mp4").string();
    std::filesystem::remove(path);
    form_->Recording().Start(QString::fromStdString(path));
    // The film starts with its first frame, which the emulated guest takes a while to deliver.
    const auto encoded = [&] {
        NamedCounters counters;
        form_->Recording().Counters()->ReadCounters(counters);
        return counters.front().second; // frames_encoded
    };
    ASSERT_TRUE(ProcessEventsUntil([&] { return encoded() > 0; }, 10000ms));
    QElapsedTimer recorded;
    recorded.start();
    ProcessEventsUntil([] { return false; }, 5000ms);
    form_->Nagrajfilm1->trigger();
    const double seconds = recorded.elapsed() / 1000.0;
    ASSERT_TRUE(ProcessEventsUntil([&] { return !form_->Recording().Recording(); }, 30000ms));
    const FilmFacts film = ProbeFilm(path);
    std::printf("%s: %lld frames, %.3f s of picture in %.3f s, %dx%d\n", path.c_str(),
                static_cast<long long>(film.frames), film.videoSeconds, seconds, film.width, film.height);
    EXPECT_EQ(film.width, 640);
    EXPECT_EQ(film.height, 360);
    EXPECT_TRUE(film.indexFirst);
    EXPECT_NEAR(film.frames, 40 * seconds, 3);
    EXPECT_NEAR(film.frames, 200, 3);
    std::filesystem::remove(path);
}

} // namespace
