#include "capture/FrameCopy.h"

#include "FakeSampleGrabber.h"
#include "platform/graphics/DibSection.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace {

std::vector<uint8_t> Ramp(size_t size) {
    std::vector<uint8_t> bytes(size);
    for (size_t k = 0; k < size; ++k)
        bytes[k] = static_cast<uint8_t>(k * 7 + k / 251);
    return bytes;
}

class FrameCopy : public ::testing::Test {
protected:
    void SetUp() override { liveObjects = LiveGdiObjectCount(); }
    void TearDown() override {
        bitmap.SetHandle(nullptr);
        EXPECT_EQ(LiveGdiObjectCount(), liveObjects) << "a section leaked";
        EXPECT_EQ(grabber.typeObject.references, 1u) << "the connected type's reference leaked";
    }

    FakeSampleGrabber grabber;
    TBitmap bitmap;
    size_t liveObjects = 0;
};

TEST(FrameLineSize, PadsRowsToFourBytesAndCountsFifteenBitsAsSixteen) {
    EXPECT_EQ(FrameLineSize(24, 640), 1920);
    EXPECT_EQ(FrameLineSize(24, 322), 968);
    EXPECT_EQ(FrameLineSize(15, 3), FrameLineSize(16, 3));
    EXPECT_EQ(FrameLineSize(15, 3), 8);
    EXPECT_EQ(FrameLineSize(1, 33), 8);
}

TEST_F(FrameCopy, RefusesWithoutAskingWhenThereIsNothingToCopy) {
    grabber.ConnectRgb24(4, 2);
    const uint8_t byte = 0;
    EXPECT_FALSE(GetBitmap(&grabber, &bitmap, &byte, 0));
    EXPECT_FALSE(GetBitmap(&grabber, nullptr, &byte, 1));
    EXPECT_FALSE(GetBitmap(nullptr, &bitmap, &byte, 1));
    EXPECT_EQ(grabber.connectedTypeQueries, 0);
    EXPECT_TRUE(bitmap.Empty());
}

TEST_F(FrameCopy, RefusesUnsuitableConnections) {
    const auto frame = Ramp(24);
    EXPECT_FALSE(GetBitmap(&grabber, &bitmap, frame.data(), 24)) << "not connected";

    grabber.ConnectRgb24(2, 2);
    grabber.majorType = GUID_NULL;
    EXPECT_FALSE(GetBitmap(&grabber, &bitmap, frame.data(), 24)) << "not video";

    grabber.ConnectRgb24(2, 2);
    grabber.format.resize(sizeof(VIDEOINFOHEADER) + 12); // a header followed by colour masks
    EXPECT_FALSE(GetBitmap(&grabber, &bitmap, frame.data(), 24)) << "format block longer than 88";

    grabber.ConnectRgb24(2, 2);
    grabber.formatType = FORMAT_VideoInfo2; // 88 bytes are not a VIDEOINFOHEADER2
    EXPECT_FALSE(GetBitmap(&grabber, &bitmap, frame.data(), 24)) << "video-info-2 of 88 bytes";

    grabber.ConnectRgb24(2, 0);
    EXPECT_FALSE(GetBitmap(&grabber, &bitmap, frame.data(), 24)) << "no section for height 0";
    EXPECT_TRUE(bitmap.Empty());
}

TEST_F(FrameCopy, BottomUpFrameHasItsLastBufferRowOnTop) {
    grabber.ConnectRgb24(2, 3); // rows of 8 bytes (6 + 2 padding)
    const auto frame = Ramp(24);
    ASSERT_TRUE(GetBitmap(&grabber, &bitmap, frame.data(), 24));
    EXPECT_EQ(bitmap.Width(), 2);
    EXPECT_EQ(bitmap.Height(), 3);
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(bitmap.ScanLine(0)[0], frame[16]);
    EXPECT_EQ(bitmap.ScanLine(2)[5], frame[5]);
}

TEST_F(FrameCopy, TopDownFrameHasItsFirstBufferRowOnTop) {
    grabber.ConnectRgb24(2, -3);
    const auto frame = Ramp(24);
    ASSERT_TRUE(GetBitmap(&grabber, &bitmap, frame.data(), 24));
    EXPECT_EQ(bitmap.Height(), 3);
    EXPECT_EQ(bitmap.ScanLine(0)[0], frame[0]);
    EXPECT_EQ(bitmap.ScanLine(2)[1], frame[17]);
}

TEST_F(FrameCopy, VideoInfo2HeaderIsFoundAtItsOwnOffset) {
    grabber.connectResult = S_OK;
    grabber.formatType = FORMAT_VideoInfo2;
    grabber.format.assign(sizeof(VIDEOINFOHEADER2), 0);
    BITMAPINFOHEADER& h = grabber.Header();
    h = {sizeof(BITMAPINFOHEADER), 5, 4, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    const auto frame = Ramp(64);
    ASSERT_TRUE(GetBitmap(&grabber, &bitmap, frame.data(), 64));
    EXPECT_EQ(bitmap.Width(), 5);
    EXPECT_EQ(bitmap.Height(), 4);
}

TEST_F(FrameCopy, ImageSizeZeroIsComputedFromTheRows) {
    for (int height : {240, -240}) {
        grabber.ConnectRgb24(322, height);
        const auto frame = Ramp(232320 + 500);
        ASSERT_TRUE(GetBitmap(&grabber, &bitmap, frame.data(), static_cast<int32_t>(frame.size())));
        // The copy stops at 968 bytes x 240 rows; the longer buffer is cut.
        const uint8_t* last = height > 0 ? bitmap.ScanLine(0) : bitmap.ScanLine(239);
        EXPECT_EQ(last[967], frame[232319]) << "height " << height;
    }
}

TEST_F(FrameCopy, ShorterBufferFillsOnlyTheBeginning) {
    grabber.ConnectRgb24(4, 2, 0);
    const auto frame = Ramp(10);
    ASSERT_TRUE(GetBitmap(&grabber, &bitmap, frame.data(), 10));
    EXPECT_EQ(bitmap.ScanLine(1)[9], frame[9]);
}

TEST_F(FrameCopy, NegativeBufferLengthCopiesNothingButInstallsTheSection) {
    grabber.ConnectRgb24(4, 2);
    const auto frame = Ramp(24);
    EXPECT_TRUE(GetBitmap(&grabber, &bitmap, frame.data(), -5));
    EXPECT_EQ(bitmap.Width(), 4);
}

TEST_F(FrameCopy, HeaderClaimingMoreThanItsRowsNeverWritesPastTheSection) {
    grabber.ConnectRgb24(4, 2, 1 << 20);
    const auto frame = Ramp(1 << 20);
    ASSERT_TRUE(GetBitmap(&grabber, &bitmap, frame.data(), 1 << 20));
    EXPECT_EQ(bitmap.ScanLine(0)[11], frame[23]);
}

TEST_F(FrameCopy, StoredSampleIsAskedForItsSizeThenCopied) {
    grabber.ConnectRgb24(2, 2); // 16 bytes
    grabber.stored = Ramp(40);
    ASSERT_TRUE(GetBitmap(&grabber, &bitmap));
    EXPECT_EQ(grabber.bufferRequests, (std::vector<int32_t>{0, 16}));
    EXPECT_EQ(bitmap.ScanLine(0)[0], grabber.stored[8]);
}

TEST_F(FrameCopy, NoStoredSampleOrAFailedCopyLeavesTheBitmap) {
    grabber.ConnectRgb24(2, 2);
    EXPECT_FALSE(GetBitmap(&grabber, &bitmap)) << "nothing stored";
    grabber.stored = Ramp(16);
    grabber.bufferResult = E_FAIL;
    EXPECT_FALSE(GetBitmap(&grabber, &bitmap)) << "copy failed";
    EXPECT_TRUE(bitmap.Empty());
}

TEST_F(FrameCopy, EachFrameReplacesThePreviousSection) {
    grabber.ConnectRgb24(4, 2);
    const auto first = Ramp(24);
    int changes = 0;
    bitmap.OnChange = [&](TBitmap&) { ++changes; };
    ASSERT_TRUE(GetBitmap(&grabber, &bitmap, first.data(), 24));
    const HBITMAP firstSection = bitmap.Handle();
    std::vector<uint8_t> second(24, 0xAB);
    ASSERT_TRUE(GetBitmap(&grabber, &bitmap, second.data(), 24));
    EXPECT_NE(bitmap.Handle(), firstSection);
    BITMAP description;
    EXPECT_EQ(GetObject(firstSection, sizeof description, &description), 0) << "freed";
    EXPECT_EQ(LiveGdiObjectCount(), liveObjects + 1) << "the first section was freed";
    EXPECT_EQ(bitmap.ScanLine(0)[0], 0xAB);
    EXPECT_EQ(changes, 2);
}

} // namespace
