#include "EffectTestSupport.h"

#include "effects/FastKernels.h"

#include <gtest/gtest.h>

namespace {

// Restores the kernels' switch when a test ends.
class KernelSwitch {
public:
    KernelSwitch() : was_(fast::FastKernelsActive()) {}
    ~KernelSwitch() { fast::SetFastKernelsEnabled(was_); }

private:
    bool was_;
};

TestFrame NoisyFrame(int width, int height) {
    TestFrame frame(width, height);
    uint32_t state = 2024;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            frame.Set(x, y,
                      {static_cast<uint8_t>(state >> 24), static_cast<uint8_t>(state >> 16),
                       static_cast<uint8_t>(state >> 8)});
        }
    return frame;
}

class FastKernels : public ::testing::TestWithParam<TEffectInfo> {};

TEST_P(FastKernels, MatchThePortableLoops) {
    KernelSwitch restore;
    fast::SetFastKernelsEnabled(true);
    if (!fast::FastKernelsActive())
        GTEST_SKIP() << "this processor has no AVX-512 byte permutes";
    // Widths around the 64-pixel groups, so that whole groups, tails and mirrored halves of
    // every length meet.
    for (int width : {67, 130, 131, 260, 389}) {
        TestFrame withKernels = NoisyFrame(width, 3);
        TRandomGenerator randomA(5);
        RunEffect(withKernels, GetParam().item, &randomA);

        fast::SetFastKernelsEnabled(false);
        TestFrame portable = NoisyFrame(width, 3);
        TRandomGenerator randomB(5);
        RunEffect(portable, GetParam().item, &randomB);
        fast::SetFastKernelsEnabled(true);

        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < width; ++x)
                ASSERT_EQ(withKernels.At(x, y), portable.At(x, y))
                    << "W " << width << " x " << x << " y " << y;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryEffect, FastKernels, ::testing::ValuesIn(EffectCatalogue()),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
