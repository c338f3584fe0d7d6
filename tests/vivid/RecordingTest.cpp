// A film of a real camera inside the real-driver tier's guest: vivid in its default mode, 640x360
// at 40 frames a second, recorded for five seconds and read back through libavformat.
#include "tests/media/support/FilmProbe.h"
#include "tests/vivid/WindowInGuest.h"

#include <QAction>
#include <QElapsedTimer>

#include <filesystem>

namespace {

using namespace std::chrono_literals;

TEST_F(CameraPlug, FiveSecondsOfVividAreFilmedAtFortyFramesASecond) {
    StartVivid();
    const std::string path = (std::filesystem::temp_directory_path() / "tarnolix-vivid-film.mp4").string();
    std::filesystem::remove(path);
    QElapsedTimer sinceStart;
    sinceStart.start();
    form_->Recording().Start(QString::fromStdString(path));
    // The film starts with its first frame, which the emulated guest is slow to take, encode and
    // count: the five seconds are timed from that count, and the film may hold the time before.
    const auto encoded = [&] {
        NamedCounters counters;
        form_->Recording().Counters()->ReadCounters(counters);
        return counters.front().second; // frames_encoded
    };
    ASSERT_TRUE(ProcessEventsUntil([&] { return encoded() > 0; }, 10000ms));
    QElapsedTimer sinceFirst;
    sinceFirst.start();
    ProcessEventsUntil([] { return false; }, 5000ms);
    form_->Nagrajfilm1->trigger();
    const double fromFirst = sinceFirst.elapsed() / 1000.0, fromStart = sinceStart.elapsed() / 1000.0;
    ASSERT_TRUE(ProcessEventsUntil([&] { return !form_->Recording().Recording(); }, 30000ms));
    const FilmFacts film = ProbeFilm(path);
    std::printf(
        "%s: %lld frames, %.3f s of picture; %.3f s from the first frame counted, %.3f s from the start\n",
        path.c_str(), static_cast<long long>(film.frames), film.videoSeconds, fromFirst, fromStart);
    EXPECT_EQ(film.width, 640);
    EXPECT_EQ(film.height, 360);
    EXPECT_TRUE(film.indexFirst);
    EXPECT_NEAR(film.videoSeconds * 40, film.frames, 1); // 40 a second, constant
    EXPECT_GE(film.frames, 40 * fromFirst - 3);
    EXPECT_LE(film.frames, 40 * fromStart + 3);
    std::filesystem::remove(path);
}

} // namespace
