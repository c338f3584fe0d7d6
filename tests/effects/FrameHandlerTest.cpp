#include "EffectTestSupport.h"

#include "effects/EffectSelection.h"
#include "effects/FrameHandler.h"

#include <gtest/gtest.h>

#include <future>
#include <stdexcept>

namespace {

using enum TEffectItem;

class FrameHandler : public ::testing::Test {
protected:
    FrameHandler() : handler(selection, random) { selection.Select(Negatyw1); }

    // A copy that installs a new 6x2 frame filled with `value`.
    static auto CopyOf(uint8_t value) {
        return [value](TBitmap& bitmap) {
            TestFrame frame(6, 2);
            frame.Fill({value, value, value});
            bitmap.Assign(frame.bitmap);
        };
    }

    static bool CanLockFromAnotherThread(TBitmap& bitmap) {
        return std::async(std::launch::async,
                          [&] {
                              const bool locked = bitmap.Canvas().TryLock();
                              if (locked)
                                  bitmap.Canvas().Unlock();
                              return locked;
                          })
            .get();
    }

    TEffectSelection selection;
    TRandomGenerator random;
    TFrameHandler handler;
    TestFrame frame{6, 2};
};

TEST_F(FrameHandler, CopiesThenProcessesTheFrame) {
    EXPECT_TRUE(handler.HandleFrame(frame.bitmap, CopyOf(10)));
    EXPECT_EQ(frame.At(1, 0), (Pixel{245, 245, 245}));
    EXPECT_EQ(frame.At(0, 0), (Pixel{10, 10, 10}));
    EXPECT_FALSE(handler.Busy());
}

TEST_F(FrameHandler, HoldsTheCanvasLockDuringThePass) {
    bool lockedElsewhere = true;
    handler.HandleFrame(frame.bitmap,
                        [&](TBitmap& bitmap) { lockedElsewhere = CanLockFromAnotherThread(bitmap); });
    EXPECT_FALSE(lockedElsewhere);
    EXPECT_TRUE(CanLockFromAnotherThread(frame.bitmap));
}

TEST_F(FrameHandler, DropsAFrameThatArrivesDuringAPass) {
    bool nestedAccepted = true;
    handler.HandleFrame(frame.bitmap, [&](TBitmap& bitmap) {
        CopyOf(10)(bitmap);
        EXPECT_TRUE(handler.Busy());
        nestedAccepted = handler.HandleFrame(bitmap, CopyOf(99));
    });
    EXPECT_FALSE(nestedAccepted);
    EXPECT_EQ(frame.At(1, 1), (Pixel{245, 245, 245})) << "the dropped frame left the bitmap untouched";
    EXPECT_EQ(handler.FramesProcessed(), 1u);
    EXPECT_EQ(handler.FramesDropped(), 1u);
}

TEST_F(FrameHandler, AFailingCopyReleasesLockAndFlagThenPropagates) {
    EXPECT_THROW(handler.HandleFrame(frame.bitmap, [](TBitmap&) { throw std::runtime_error("copy failed"); }),
                 std::runtime_error);
    EXPECT_FALSE(handler.Busy());
    EXPECT_TRUE(CanLockFromAnotherThread(frame.bitmap));
    EXPECT_TRUE(handler.HandleFrame(frame.bitmap, CopyOf(0)));
    EXPECT_EQ(frame.At(1, 0), (Pixel{255, 255, 255})) << "the next frame is processed normally";
}

TEST_F(FrameHandler, NoCopyReprocessesThePreviousPicture) {
    handler.HandleFrame(frame.bitmap, CopyOf(10));
    handler.HandleFrame(frame.bitmap, [](TBitmap&) {});
    EXPECT_EQ(frame.At(1, 0), (Pixel{10, 10, 10})) << "negated twice";
}

TEST_F(FrameHandler, AnEmptyBitmapIsLeftAlone) {
    TBitmap empty;
    EXPECT_TRUE(handler.HandleFrame(empty, [](TBitmap&) {}));
    EXPECT_TRUE(empty.Empty());
    EXPECT_FALSE(handler.Busy());
}

} // namespace
