#include "platform/com/Guid.h"
#include "platform/media/core/SampleGrabberInterface.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(Guid, BinaryLayoutIsLittleEndianFieldsThenBytes) {
    const uint8_t expected[16] = {0x76, 0x69, 0x64, 0x73, 0x00, 0x00, 0x10, 0x00,
                                  0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    EXPECT_EQ(std::memcmp(&MEDIATYPE_Video, expected, 16), 0);
}

TEST(Guid, BracedTextRoundTrips) {
    EXPECT_EQ(GUIDToString(FORMAT_VideoInfo), "{05589F80-C356-11CE-BF01-00AA0055595A}");
    EXPECT_EQ(GUIDToString(IID_ISampleGrabber), "{6B652FFF-11FE-4FCE-92AD-0266B5D7C78F}");
    const auto parsed = StringToGUID("{f72a76a0-eb0a-11d0-ace4-0000c0cc16ba}");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(*parsed, FORMAT_VideoInfo2);
    EXPECT_EQ(StringToGUID(GUIDToString(MEDIASUBTYPE_RGB24)), MEDIASUBTYPE_RGB24);
}

TEST(Guid, MalformedTextIsRefused) {
    for (const char* bad :
         {"", "{}", "05589F80-C356-11CE-BF01-00AA0055595A", "{05589F80-C356-11CE-BF01-00AA0055595A",
          "{05589F80-C356-11CE-BF01-00AA0055595G}", "{05589F80+C356-11CE-BF01-00AA0055595A}",
          "{05589F80-C356-11CE-BF01-00AA0055595AA}"})
        EXPECT_FALSE(StringToGUID(bad)) << bad;
}

} // namespace
