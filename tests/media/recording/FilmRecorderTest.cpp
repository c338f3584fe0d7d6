#include "platform/media/recording/FilmRecorder.h"

#include "tests/media/support/FilmProbe.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <thread>

namespace {

constexpr int64_t kMs = 1'000'000;

int64_t Now() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

TEST(FramePlacement, LateFramesRepeatThePreviousSurplusFramesGoAndAQuietCameraIsFilled) {
    FramePlacement placement(1, 30); // 33.3 ms slots from the first frame
    EXPECT_EQ(placement.Add(1000 * kMs).repeats, 0);
    EXPECT_FALSE(placement.Add(1034 * kMs).dropped); // slot 1
    EXPECT_TRUE(placement.Add(1040 * kMs).dropped);  // slot 1 again
    EXPECT_EQ(placement.Add(1134 * kMs).repeats, 2); // slot 4: slots 2 and 3 repeat slot 1
    EXPECT_EQ(placement.FillUntil(1300 * kMs), 4);   // slots 5 to 8
    EXPECT_EQ(placement.Frames(), 9);
    EXPECT_EQ(placement.Duration(30), 1'000'000'000);
    FramePlacement ntsc(1001, 30000);
    ntsc.Add(0);
    ntsc.FillUntil(10'010 * kMs);
    EXPECT_EQ(ntsc.Frames(), 300); // 10.01 s is 300 frames at 29.97
}

// A camera of the test's own: a solid picture whose size and colour the test changes.
class TestCamera {
public:
    void Set(int width, int height, uint8_t blue, uint8_t green, uint8_t red) {
        std::lock_guard lock(mutex_);
        width_ = width;
        height_ = height;
        bits_.assign(static_cast<size_t>(width) * height * 3, 0);
        for (size_t k = 0; k < bits_.size(); k += 3) {
            bits_[k] = blue;
            bits_[k + 1] = green;
            bits_[k + 2] = red;
        }
    }
    PictureReader Reader() {
        return [this](const PictureVisitor& visit) {
            std::lock_guard lock(mutex_);
            visit(FramePicture{bits_.data(), width_, height_, width_ * 3, true});
        };
    }
    // `count` frames at 30 a second, each made ready when the camera took it.
    static void Deliver(FilmRecorder& recorder, int count) {
        for (int k = 0; k < count; ++k) {
            recorder.FrameReady(Now());
            std::this_thread::sleep_for(std::chrono::microseconds(33'333));
        }
    }

private:
    std::mutex mutex_;
    std::vector<uint8_t> bits_;
    int width_ = 0;
    int height_ = 0;
};

// A stereo microphone at 48 kHz of the test's own: 20 ms chunks stamped on the camera's clock,
// each given once whole, except for a hole of 200 ms from 300 ms after it opened (a sound server
// that fell behind).
class TestMicrophone final : public SoundSource {
public:
    int Rate() const override { return 48'000; }
    int Channels() const override { return 2; }
    std::vector<SoundChunk> Take() override {
        std::vector<SoundChunk> chunks;
        for (const int64_t now = Now(); next_ + 20 * kMs <= now; next_ += 20 * kMs) {
            if (next_ >= opened_ + 300 * kMs && next_ < opened_ + 500 * kMs)
                continue;
            chunks.push_back({next_, std::vector<float>(960 * 2, 0.25f)});
        }
        return chunks;
    }

private:
    const int64_t opened_ = Now();
    int64_t next_ = opened_;
};

class FilmRecorderTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("tarnolix-recorder-" + std::to_string(::getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    RecorderSettings Settings() const { return {(folder_ / "film.mp4").string(), 64, 48, 1, 30}; }

    std::filesystem::path folder_;
    TestCamera camera_;
    ComPtr<RecorderCounters> counters_ = RecorderCounters::Create();
};

TEST_F(FilmRecorderTest, AQuietCameraRepeatsTheLastPictureAndAnotherSizeIsScaledIntoTheFilm) {
    camera_.Set(64, 48, 0, 0, 255); // red
    FilmRecorder recorder(Settings(), camera_.Reader(), nullptr, counters_);
    TestCamera::Deliver(recorder, 15);
    std::this_thread::sleep_for(std::chrono::milliseconds(600)); // unplugged
    camera_.Set(80, 60, 255, 0, 0);                              // another camera, blue
    TestCamera::Deliver(recorder, 15);
    const FilmResult result = recorder.Result();
    ASSERT_FALSE(result.failure) << result.failure->what();
    ASSERT_EQ(result.path, Settings().path);

    const FilmFacts film = ProbeFilm(result.path);
    EXPECT_TRUE(film.indexFirst);
    EXPECT_EQ(film.videoCodec, "h264");
    EXPECT_EQ(film.width, 64);
    EXPECT_EQ(film.height, 48);
    // 0.5 s of frames and 0.6 s without, at 30 a second.
    EXPECT_NEAR(film.frames, 48, 4);
    EXPECT_NEAR(film.videoSeconds, film.frames / 30.0, 0.01);
    EXPECT_GE(counters_->framesRepeated.load(), 12u);
    EXPECT_EQ(counters_->framesEncoded.load(), static_cast<uint64_t>(film.frames));
    EXPECT_GT(counters_->fileBytes.load(), 0u);
    const std::vector<uint8_t> last = FilmPicture(result.path, film.frames - 1);
    ASSERT_EQ(last.size(), 64u * 48 * 3);
    EXPECT_GT(last[3 * (24 * 64 + 32)], 200); // blue
    EXPECT_LT(last[3 * (24 * 64 + 32) + 2], 60);
}

TEST_F(FilmRecorderTest, SoundGoesInAsAacAsLongAsThePictureWithItsHoleFilled) {
    camera_.Set(64, 48, 0, 255, 0);
    FilmRecorder recorder(Settings(), camera_.Reader(), std::make_unique<TestMicrophone>(), counters_);
    TestCamera::Deliver(recorder, 30);
    // The hole is counted once the sound after it comes, before the end fills what is missing.
    EXPECT_GE(counters_->audioGaps.load(), 1u);
    const FilmResult result = recorder.Result();
    ASSERT_FALSE(result.failure) << result.failure->what();

    const FilmFacts film = ProbeFilm(result.path);
    EXPECT_TRUE(film.indexFirst);
    EXPECT_EQ(film.soundCodec, "aac");
    // The AAC encoder's priming and its last frame's padding take under two of the film's frames.
    EXPECT_NEAR(film.soundSeconds, film.videoSeconds, 2 / 30.0);
}

TEST_F(FilmRecorderTest, NothingRecordedLeavesNoFile) {
    camera_.Set(64, 48, 0, 0, 0);
    FilmRecorder recorder(Settings(), camera_.Reader(), nullptr, counters_);
    EXPECT_TRUE(std::filesystem::exists(Settings().path)); // made at once, so a bad folder is told
    const FilmResult result = recorder.Result();
    EXPECT_FALSE(result.failure);
    EXPECT_TRUE(result.path.empty());
    EXPECT_FALSE(std::filesystem::exists(Settings().path));
}

} // namespace
