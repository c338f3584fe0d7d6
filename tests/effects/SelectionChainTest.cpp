#include "EffectTestSupport.h"

#include "effects/EffectSelection.h"
#include "effects/FramePass.h"

#include <gtest/gtest.h>

namespace {

using enum TEffectItem;

void ExpectSameFrame(const TestFrame& a, const TestFrame& b) {
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            ASSERT_EQ(a.At(x, y), b.At(x, y)) << "x " << x << " y " << y;
}

// Every effect over the same pattern, to compare with a pass of several checked items.
TestFrame Processed(TEffectItem item, int width = 12, int height = 4) {
    TestFrame frame(width, height);
    frame.FillPattern();
    RunEffect(frame, item);
    return frame;
}

class EveryEffect : public ::testing::TestWithParam<TEffectInfo> {};

TEST_P(EveryEffect, LeavesTheEdgeColumnsAlone) {
    const TEffectItem item = GetParam().item;
    TestFrame before(11, 6);
    before.FillPattern();
    const TestFrame after = Processed(item, 11, 6);
    const bool writesPartner = item == Lustrzaneodbiciepoziome1 || item == Zamanelustro21;
    bool columnWminus2Changed = false;
    for (int y = 0; y < 6; ++y) {
        EXPECT_EQ(after.At(0, y), before.At(0, y)) << "column 0, row " << y;
        EXPECT_EQ(after.At(10, y), before.At(10, y)) << "column W-1, row " << y;
        columnWminus2Changed |= !(after.At(9, y) == before.At(9, y));
    }
    EXPECT_EQ(columnWminus2Changed, writesPartner) << "column W-2";
}

TEST_P(EveryEffect, VisitsOnePixelPerRowOfAFourPixelFrame) {
    const TEffectItem item = GetParam().item;
    TestFrame before(4, 3);
    before.FillPattern();
    const TestFrame after = Processed(item, 4, 3);
    for (int y = 0; y < 3; ++y) {
        EXPECT_EQ(after.At(0, y), before.At(0, y));
        EXPECT_EQ(after.At(3, y), before.At(3, y));
        if (item != Lustrzaneodbiciepoziome1 && item != Zamanelustro21) {
            EXPECT_EQ(after.At(2, y), before.At(2, y));
        }
    }
}

TEST_P(EveryEffect, LeavesFramesThreePixelsWideUnchanged) {
    for (int width : {1, 2, 3}) {
        TestFrame before(width, 3);
        before.FillPattern();
        ExpectSameFrame(Processed(GetParam().item, width, 3), before);
    }
}

INSTANTIATE_TEST_SUITE_P(SelectionChain, EveryEffect, ::testing::ValuesIn(EffectCatalogue()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SelectionChain, NothingOrNormalPictureLeavesTheFrameAsCopied) {
    TestFrame before(12, 4);
    before.FillPattern();
    ExpectSameFrame(Processed(Obraznormalny1), before);

    TestFrame frame(12, 4);
    frame.FillPattern();
    TEffectSelection none;
    TRandomGenerator random;
    TFramePass pass(none, random);
    pass.Run(frame.bitmap);
    ExpectSameFrame(frame, before);
}

// Runs a pass with the given items checked together.
TestFrame WithChecked(std::initializer_list<TEffectItem> items, const TBackgroundKeying* keying = nullptr) {
    TestFrame frame(12, 4);
    frame.FillPattern();
    TEffectSelection selection;
    for (TEffectItem item : items)
        selection.SetChecked(item, true);
    TRandomGenerator random(12345);
    TFramePass pass(selection, random);
    pass.SetKeying(keying);
    pass.Run(frame.bitmap);
    return frame;
}

TEST(SelectionChain, TestsItemsInChainOrderNotMenuOrder) {
    // In the menu colour inversion comes before contours; in the chain contours come first.
    ExpectSameFrame(WithChecked({Odwrotnokolorw1, Kontury1}), Processed(Kontury1));
    ExpectSameFrame(WithChecked({Czarnobiay1, Odksztaceniefraktalne1}), Processed(Odksztaceniefraktalne1));
    ExpectSameFrame(WithChecked({Wzrokpredatora1, MaskafraktalnaTrjktSierpiskiego1}),
                    Processed(MaskafraktalnaTrjktSierpiskiego1));
}

TEST(SelectionChain, MirrorFallsThroughOnTheRightHalf) {
    // W = 12: the mirror takes columns 1..5 (3x < 16); columns 6..9 go on to black and white.
    const TestFrame both = WithChecked({Lustrzaneodbiciepoziome1, Czarnobiay1});
    TestFrame mirrored = Processed(Lustrzaneodbiciepoziome1);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 12; ++x) {
            Pixel expected = mirrored.At(x, y);
            if (x >= 6 && x <= 9) {
                const uint8_t v = (expected.b + expected.g + expected.r) / 3 > 128 ? 255 : 0;
                expected = {v, v, v};
            }
            EXPECT_EQ(both.At(x, y), expected) << "x " << x << " y " << y;
        }
    }
}

class FakeKeying : public TBackgroundKeying {
public:
    explicit FakeKeying(bool available) : available_(available) {}
    bool Available() const override { return available_; }
    void KeyRow(uint8_t* row, int, int x0, int x1) const override {
        for (int k = 3 * x0; k < 3 * x1; ++k)
            row[k] = 7;
    }

private:
    bool available_;
};

TEST(SelectionChain, KeyingWithoutBackgroundFallsThrough) {
    FakeKeying unavailable(false);
    ExpectSameFrame(WithChecked({Nakadanieta1, Urednianiepoziome1}, &unavailable),
                    Processed(Urednianiepoziome1));
    TestFrame before(12, 4);
    before.FillPattern();
    ExpectSameFrame(WithChecked({Nakadanieta1}, &unavailable), before);
    ExpectSameFrame(WithChecked({Nakadanieta1}), before);
}

TEST(SelectionChain, KeyingWithBackgroundEndsTheChain) {
    FakeKeying available(true);
    const TestFrame keyed = WithChecked({Nakadanieta1, Urednianiepoziome1}, &available);
    for (int y = 0; y < 4; ++y)
        for (int x = 1; x <= 9; ++x)
            EXPECT_EQ(keyed.At(x, y), (Pixel{7, 7, 7}));
}

// Switches the selection to negative while row 1 is being keyed.
class SwitchingKeying : public TBackgroundKeying {
public:
    explicit SwitchingKeying(TEffectSelection& selection) : selection_(selection) {}
    bool Available() const override { return true; }
    void KeyRow(uint8_t*, int y, int, int) const override {
        if (y == 1)
            selection_.Select(Negatyw1);
    }

private:
    TEffectSelection& selection_;
};

TEST(SelectionChain, ASwitchOfEffectShowsFromTheNextRow) {
    TestFrame frame(8, 4);
    frame.FillPattern();
    TestFrame before(8, 4);
    before.FillPattern();
    TEffectSelection selection;
    selection.Select(Nakadanieta1);
    SwitchingKeying keying(selection);
    TRandomGenerator random;
    TFramePass pass(selection, random);
    pass.SetKeying(&keying);
    pass.Run(frame.bitmap);
    EXPECT_EQ(frame.At(3, 1), before.At(3, 1));
    const Pixel b = before.At(3, 2);
    EXPECT_EQ(frame.At(3, 2), (Pixel{static_cast<uint8_t>(255 - b.b), static_cast<uint8_t>(255 - b.g),
                                     static_cast<uint8_t>(255 - b.r)}));
}

} // namespace
