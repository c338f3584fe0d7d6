#include "capture/MediaType.h"

#include "FakeSampleGrabber.h"
#include "platform/com/TaskAllocator.h"
#include "platform/runtime/StandardErrors.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TMediaType& SampleGrabberType(TMediaType& type) {
    type.SetSubType(MEDIASUBTYPE_RGB24);
    type.SetFormatType(FORMAT_VideoInfo);
    return type;
}

TEST(MediaType, StoredDataOfTheSampleGrabberTypeIsThe72ByteRecord) {
    TMediaType type(MEDIATYPE_Video);
    const auto data = SampleGrabberType(type).SaveData();
    const uint8_t expected[72] = {
        0x76, 0x69, 0x64, 0x73, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA,
        0x00, 0x38, 0x9B, 0x71, // video
        0x7D, 0xEB, 0x36, 0xE4, 0x4F, 0x52, 0xCE, 0x11, 0x9F, 0x53, 0x00, 0x20,
        0xAF, 0x0B, 0xA7, 0x70,                                                 // RGB24
        0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, // flags, size 1
        0x80, 0x9F, 0x58, 0x05, 0x56, 0xC3, 0xCE, 0x11, 0xBF, 0x01, 0x00, 0xAA,
        0x00, 0x55, 0x59, 0x5A, // video info
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    ASSERT_EQ(data.size(), 72u);
    EXPECT_EQ(std::memcmp(data.data(), expected, 72), 0);

    TMediaType loaded(GUID_NULL);
    loaded.LoadData(expected, sizeof expected);
    EXPECT_TRUE(loaded.Equals(type));
    EXPECT_EQ(loaded.Record().bFixedSizeSamples, -1);
    EXPECT_EQ(loaded.Record().bTemporalCompression, 0);
    EXPECT_EQ(loaded.Record().lSampleSize, 1u);
    EXPECT_EQ(loaded.FormatLength(), 0u);
}

TEST(MediaType, FormatBlockRoundTripsAndPointerSlotsAreIgnored) {
    TMediaType type(MEDIATYPE_Video);
    SampleGrabberType(type);
    type.Record().cbFormat = 88;
    type.Record().pbFormat = static_cast<uint8_t*>(CoTaskMemAlloc(88));
    for (int k = 0; k < 88; ++k)
        type.Record().pbFormat[k] = static_cast<uint8_t>(k);
    auto data = type.SaveData();
    ASSERT_EQ(data.size(), 72u + 88u);
    std::memset(data.data() + 60, 0xEE, 4); // stored pointer slots hold nonsense
    std::memset(data.data() + 68, 0xEE, 4);
    TMediaType loaded(GUID_NULL);
    loaded.LoadData(data.data(), data.size());
    EXPECT_TRUE(loaded.Equals(type));
    EXPECT_EQ(loaded.Record().pUnk, nullptr);
    EXPECT_NE(loaded.Record().pbFormat, type.Record().pbFormat);
}

TEST(MediaType, ShortDataIsAReadErrorAndLeavesTheTypeAsItWas) {
    TMediaType type(MEDIATYPE_Video);
    auto data = SampleGrabberType(type).SaveData();
    TMediaType target(GUID_NULL);
    EXPECT_THROW(target.LoadData(data.data(), 71), EReadError);
    data[64] = 0xFF; // a format block of 255 bytes that is not there
    EXPECT_THROW(target.LoadData(data.data(), data.size()), EReadError);
    data[64] = 0xFF;
    data[65] = 0xFF;
    data[66] = 0xFF;
    data[67] = 0xFF;
    EXPECT_THROW(target.LoadData(data.data(), data.size()), EReadError) << "no 4 GB allocation on trust";
    EXPECT_EQ(target.Record().majortype, GUID_NULL);
}

TEST(MediaType, EqualityComparesTypesAndFormatBytesOnly) {
    TMediaType a(MEDIATYPE_Video);
    TMediaType b(MEDIATYPE_Video);
    SampleGrabberType(a);
    SampleGrabberType(b);
    b.Record().lSampleSize = 999;
    b.Record().bFixedSizeSamples = 0;
    EXPECT_TRUE(a.Equals(b));
    b.SetSubType(GUID_NULL);
    EXPECT_FALSE(a.Equals(b));
    SampleGrabberType(b);
    b.Record().cbFormat = 4;
    b.Record().pbFormat = static_cast<uint8_t*>(CoTaskMemAlloc(4));
    std::memset(b.Record().pbFormat, 1, 4);
    EXPECT_FALSE(a.Equals(b));
    a.Assign(b);
    EXPECT_TRUE(a.Equals(b));
    a.Record().pbFormat[3] = 2;
    EXPECT_FALSE(a.Equals(b)) << "the copy has a block of its own";
}

TEST(MediaType, AssignmentCountsTheObjectReferenceAndIgnoresItself) {
    CountedObject object;
    {
        TMediaType a(MEDIATYPE_Video);
        object.AddRef();
        a.Record().pUnk = &object;
        TMediaType b(GUID_NULL);
        b.Assign(a);
        EXPECT_EQ(object.references, 3u);
        b.Assign(b);
        EXPECT_EQ(object.references, 3u);
        EXPECT_EQ(b.Record().majortype, MEDIATYPE_Video);
    }
    EXPECT_EQ(object.references, 1u);
}

TEST(MediaType, CopyRefusesABrokenSource) {
    AM_MEDIA_TYPE source{};
    source.cbFormat = 10; // a length without a block
    AM_MEDIA_TYPE target{};
    EXPECT_THROW(CopyMediaType(target, source), EAssertionFailed);
    EXPECT_THROW(CopyMediaType(target, target), EAssertionFailed);
}

} // namespace
