#include "EffectTestSupport.h"

#include "effects/BandPool.h"
#include "effects/EffectSelection.h"
#include "effects/FramePass.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

namespace {

using enum TEffectItem;

constexpr int kWidth = 401;
constexpr int kHeight = 203;

// A pass that splits frames of the tests' size, which is below the usual limit.
class SplittingPass : public TFramePass {
public:
    SplittingPass(const TEffectSelection& selection, TRandomGenerator& random)
        : TFramePass(selection, random) {
        SetThreadedPixels(int64_t{kWidth} * kHeight);
    }
};

TestFrame PatternFrame() {
    TestFrame frame(kWidth, kHeight);
    frame.FillPattern();
    return frame;
}

void ExpectSameFrames(const TestFrame& a, const TestFrame& b, const std::string& what) {
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            ASSERT_EQ(a.At(x, y), b.At(x, y)) << what << ": x " << x << " y " << y;
}

// The one-threaded pass, row by row, with `before` checked for the rows above `change` and
// `after` from there on.
TestFrame OneThreaded(TEffectSelection::Mask before, TEffectSelection::Mask after, int change,
                      TRandomGenerator& random, const TBackgroundKeying* keying = nullptr) {
    TestFrame frame = PatternFrame();
    TEffectSelection selection;
    TFramePass pass(selection, random);
    pass.SetKeying(keying);
    for (int y = 0; y < kHeight; ++y) {
        selection.Clear();
        for (const TEffectInfo& info : EffectCatalogue())
            if ((y < change ? before : after) & TEffectSelection::Bit(info.item))
                selection.SetChecked(info.item, true);
        pass.RunRow(frame.bitmap.ScanLine(y), y, kWidth, kHeight);
    }
    return frame;
}

class ThreadedPass : public ::testing::TestWithParam<unsigned> {};

TEST_P(ThreadedPass, GivesTheOneThreadedFrameAndSeed) {
    TBandPool pool(GetParam());
    std::vector<TEffectSelection::Mask> selections;
    for (const TEffectInfo& info : EffectCatalogue())
        selections.push_back(TEffectSelection::Bit(info.item));
    // The mirror hands the right half of each row on to the noise.
    selections.push_back(TEffectSelection::Bit(Lustrzaneodbiciepoziome1) |
                         TEffectSelection::Bit(Szumtakolor1));
    selections.push_back(TEffectSelection::Bit(Lustrzaneodbiciepoziome1) |
                         TEffectSelection::Bit(Szumtaszaro1));
    for (const TEffectSelection::Mask checked : selections) {
        TEffectSelection selection;
        for (const TEffectInfo& info : EffectCatalogue())
            selection.SetChecked(info.item, (checked & TEffectSelection::Bit(info.item)) != 0);
        TRandomGenerator threadedRandom(99);
        SplittingPass pass(selection, threadedRandom);
        TestFrame threaded = PatternFrame();
        pass.Run(threaded.bitmap, pool);
        pass.Run(threaded.bitmap, pool); // a second frame starts where the first left off

        TRandomGenerator random(99);
        TestFrame expected = OneThreaded(checked, checked, kHeight, random);
        TFramePass second(selection, random);
        second.Run(expected.bitmap);
        ExpectSameFrames(threaded, expected, "selection " + std::to_string(checked));
        EXPECT_EQ(threadedRandom.Seed(), random.Seed()) << "selection " << checked;
    }
}

// Keying that changes the selection when it reaches a given row, as a user's click might.
class SwitchingKeying : public TBackgroundKeying {
public:
    SwitchingKeying(TEffectSelection& selection, int row, TEffectItem next)
        : selection_(selection), row_(row), next_(next) {}
    bool Available() const override { return true; }
    void KeyRow(uint8_t*, int y, int, int) const override {
        if (y == row_)
            selection_.Select(next_);
    }

private:
    TEffectSelection& selection_;
    int row_;
    TEffectItem next_;
};

// The first row at which the frame is the one-threaded pass's with the change made there.
int ChangeRowOf(const TestFrame& frame, TEffectSelection::Mask before, TEffectSelection::Mask after,
                uint32_t seed, uint32_t finalSeed) {
    for (int change = 0; change <= kHeight; ++change) {
        TRandomGenerator random(seed);
        const TestFrame candidate = OneThreaded(before, after, change, random);
        bool same = random.Seed() == finalSeed;
        for (int y = 0; same && y < kHeight; ++y)
            for (int x = 0; same && x < kWidth; ++x)
                same = candidate.At(x, y) == frame.At(x, y);
        if (same)
            return change;
    }
    return -1;
}

TEST_P(ThreadedPass, AChangeMidFrameShowsFromOneRowOnWithTheSequentialNoise) {
    TBandPool pool(GetParam());
    for (int switchRow : {0, 10, kHeight / 2, kHeight - 1}) {
        TEffectSelection selection;
        selection.Select(Nakadanieta1);
        SwitchingKeying keying(selection, switchRow, Szumtakolor1);
        TRandomGenerator random(7);
        SplittingPass pass(selection, random);
        pass.SetKeying(&keying);
        TestFrame frame = PatternFrame();
        pass.Run(frame.bitmap, pool);
        const int change = ChangeRowOf(frame, TEffectSelection::Bit(Nakadanieta1),
                                       TEffectSelection::Bit(Szumtakolor1), 7, random.Seed());
        EXPECT_GT(change, switchRow) << "switched at row " << switchRow;
    }
}

TEST_P(ThreadedPass, NoiseSwitchedOffFromAnotherThreadStaysSequential) {
    TBandPool pool(GetParam());
    for (int delay : {0, 50, 200, 1000}) {
        TEffectSelection selection;
        selection.Select(Szumtakolor1);
        TRandomGenerator random(3);
        SplittingPass pass(selection, random);
        TestFrame frame = PatternFrame();
        std::atomic<bool> started{false};
        std::thread user([&] {
            while (!started.load())
                std::this_thread::yield();
            std::this_thread::sleep_for(std::chrono::microseconds(delay));
            selection.Select(Negatyw1);
        });
        started = true;
        pass.Run(frame.bitmap, pool);
        user.join();
        EXPECT_GE(ChangeRowOf(frame, TEffectSelection::Bit(Szumtakolor1), TEffectSelection::Bit(Negatyw1), 3,
                              random.Seed()),
                  0)
            << "delay " << delay << " µs";
    }
}

INSTANTIATE_TEST_SUITE_P(Threads, ThreadedPass, ::testing::Values(2u, 3u));

TEST(BandPool, RunsEveryBandOnceAndRaisesABandsError) {
    TBandPool pool(3);
    std::vector<std::atomic<int>> runs(17);
    pool.Run(17, [&](int band) { runs[band].fetch_add(1); });
    for (const auto& r : runs)
        EXPECT_EQ(r.load(), 1);
    EXPECT_THROW(pool.Run(5,
                          [](int band) {
                              if (band == 3)
                                  throw std::runtime_error("band failed");
                          }),
                 std::runtime_error);
    std::atomic<int> after{0};
    pool.Run(4, [&](int) { after.fetch_add(1); });
    EXPECT_EQ(after.load(), 4) << "the pool goes on after an error";
}

} // namespace
