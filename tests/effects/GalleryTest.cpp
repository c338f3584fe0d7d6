#include "EffectTestSupport.h"

#include "effects/EffectSelection.h"
#include "effects/FrameHandler.h"
#include "effects/GalleryFeed.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <future>
#include <thread>
#include <utility>
#include <vector>

namespace {

using enum TEffectItem;

bool IsNoise(TEffectItem item) {
    return item == Szumtakolor1 || item == Szumtaszaro1;
}

TEST(GalleryPass, EachThumbnailIsItsItemAloneOverThePicture) {
    TestFrame picture(40, 30, true);
    picture.FillPattern();
    TGalleryPass pass;
    TGalleryThumbnails thumbnails;
    pass.Run(picture.bitmap, thumbnails);
    for (const TEffectInfo& info : EffectCatalogue()) {
        if (IsNoise(info.item))
            continue;
        TestFrame expected(40, 30);
        expected.FillPattern();
        RunEffect(expected, info.item);
        const TBitmap& thumbnail = thumbnails.pictures[static_cast<size_t>(info.item)];
        ASSERT_EQ(thumbnail.Width(), 40);
        ASSERT_LT(thumbnail.ScanLine(0), thumbnail.ScanLine(1)) << "top row first, as a viewer shows it";
        for (int y = 0; y < 30; ++y)
            ASSERT_EQ(std::memcmp(thumbnail.ScanLine(y), expected.bitmap.ScanLine(y), 40 * 3), 0)
                << info.name << " row " << y;
    }
}

// A frame of 384 x 288 makes thumbnails of 192 x 144, a pixel for every other one; the
// background, 200 x 100, covers only part of the frame, and the main pass keys the rest white.
TEST(GalleryPass, KeyingUsesTheBackgroundAsTheMainPassSeesItSampledDown) {
    TestFrame background(200, 100);
    background.FillPattern();
    TGalleryPass pass;
    pass.SetKeying(&background.bitmap, {10, 20, 30}, {384, 288}, TGalleryPass::ThumbnailSize(384, 288));
    TestFrame picture(192, 144, true);
    picture.Fill({30, 20, 10}); // the key colour everywhere
    TGalleryThumbnails thumbnails;
    pass.Run(picture.bitmap, thumbnails);
    TestFrame keyed(192, 144, true);
    keyed.bitmap.Assign(thumbnails.pictures[static_cast<size_t>(Nakadanieta1)]);
    EXPECT_EQ(keyed.At(10, 20), background.At(21, 41));
    EXPECT_EQ(keyed.At(150, 20), (Pixel{255, 255, 255}));
    EXPECT_EQ(keyed.At(10, 60), (Pixel{255, 255, 255}));

    pass.SetKeying(nullptr, {}, {384, 288}, {192, 144});
    pass.Run(picture.bitmap, thumbnails);
    keyed.bitmap.Assign(thumbnails.pictures[static_cast<size_t>(Nakadanieta1)]);
    EXPECT_EQ(keyed.At(10, 20), (Pixel{30, 20, 10})) << "without a background the pixels fall through";
}

// The frames of the program's handler, noise chosen, from a fixed seed, each offered to the
// gallery as the window offers it and the gallery left to finish before the next.
std::vector<std::vector<uint8_t>> NoisyFrames(TGalleryFeed* gallery) {
    TEffectSelection selection;
    selection.Select(Szumtakolor1);
    ProgramRandom().SetSeed(4242);
    TFrameHandler handler(selection, ProgramRandom());
    TestFrame camera(64, 48);
    camera.FillPattern();
    std::vector<std::vector<uint8_t>> frames;
    for (int k = 0; k < 4; ++k) {
        TestFrame frame(64, 48);
        TFrameView input;
        handler.HandleFrame(frame.bitmap, [&](TBitmap& bitmap) {
            const auto* bytes = camera.bitmap.ScanLine(47);
            std::memcpy(bitmap.ScanLine(47), bytes, static_cast<size_t>(camera.bitmap.LineSize()) * 48);
            input = ViewOfCopiedFrame(bitmap, bytes, camera.bitmap.LineSize() * 48);
        });
        if (gallery) {
            gallery->Offer(input);
            while (gallery->Busy())
                std::this_thread::yield();
        }
        frames.emplace_back(frame.bitmap.ScanLine(47), frame.bitmap.ScanLine(0) + 64 * 3);
    }
    const uint32_t seed = ProgramRandom().Seed();
    frames.emplace_back(reinterpret_cast<const uint8_t*>(&seed), reinterpret_cast<const uint8_t*>(&seed + 1));
    return frames;
}

TEST(GalleryFeed, TheMainPassGivesTheSameFramesWithTheGalleryOpen) {
    const auto without = NoisyFrames(nullptr);
    TGalleryFeed gallery(nullptr);
    gallery.Open();
    const auto with = NoisyFrames(&gallery);
    EXPECT_EQ(gallery.Read().made, 4u);
    EXPECT_TRUE(with == without);
}

TEST(GalleryFeed, ABusyGallerySkipsFramesAndTheMainPassDropsNone) {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::promise<void> entered;
    bool first = true;
    TGalleryFeed gallery([&] {
        if (std::exchange(first, false)) {
            entered.set_value();
            released.wait(); // the worker is still making its first set
        }
    });
    gallery.Open();
    TEffectSelection selection;
    selection.Select(Negatyw1);
    TRandomGenerator random;
    TFrameHandler handler(selection, random, 1);
    TestFrame camera(64, 48, true);
    camera.FillPattern();
    const TFrameView view{camera.bitmap.ScanLine(0), camera.bitmap.LineSize(), 64, 48};
    TestFrame frame(64, 48);
    const auto deliver = [&] {
        handler.HandleFrame(frame.bitmap, [](TBitmap&) {});
        gallery.Offer(view);
    };
    deliver();
    entered.get_future().wait();
    for (int k = 0; k < 5; ++k)
        deliver();
    EXPECT_EQ(gallery.Read().skipped, 5u);
    EXPECT_EQ(gallery.Read().offered, 6u);
    EXPECT_EQ(handler.FramesProcessed(), 6u);
    EXPECT_EQ(handler.FramesDropped(), 0u);
    release.set_value();
    gallery.Close();
    EXPECT_EQ(gallery.Read().made, 1u);
    gallery.Offer(view); // closed: not even counted
    EXPECT_EQ(gallery.Read().offered, 6u);
}

} // namespace
