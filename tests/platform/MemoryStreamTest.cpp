#include "platform/com/MemoryStream.h"
#include "platform/com/StreamData.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TEST(MemoryStream, ReadsWhatWasWrittenAndReportsAShortRead) {
    const uint8_t initial[] = {1, 2, 3};
    auto stream = MemoryStream::Create(initial);
    uint8_t buffer[8] = {};
    ULONG read = 0;
    EXPECT_EQ(stream->Read(buffer, 2, &read), S_OK);
    EXPECT_EQ(read, 2u);
    EXPECT_EQ(stream->Read(buffer, 8, &read), S_FALSE);
    EXPECT_EQ(read, 1u);
    EXPECT_EQ(buffer[0], 3);
    EXPECT_EQ(stream->Read(buffer, 8, &read), S_FALSE);
    EXPECT_EQ(read, 0u);
}

TEST(MemoryStream, WritingPastASeekLeavesZerosAndGrows) {
    auto stream = MemoryStream::Create();
    ULONGLONG position = 0;
    ASSERT_EQ(stream->Seek(4, STREAM_SEEK_SET, &position), S_OK);
    const uint8_t tail[] = {9, 8};
    ULONG written = 0;
    EXPECT_EQ(stream->Write(tail, 2, &written), S_OK);
    EXPECT_EQ(written, 2u);
    EXPECT_EQ(ReadWholeStream(stream.Get()), (std::vector<uint8_t>{0, 0, 0, 0, 9, 8}));
    ASSERT_EQ(stream->Seek(-1, STREAM_SEEK_END, &position), S_OK);
    EXPECT_EQ(position, 5u);
    EXPECT_EQ(stream->SetSize(2), S_OK);
    EXPECT_EQ(ReadWholeStream(stream.Get()).size(), 2u);
}

TEST(MemoryStream, RefusesBadSeeksAndHugeSizes) {
    auto stream = MemoryStream::Create();
    ULONGLONG position = 7;
    EXPECT_EQ(stream->Seek(-1, STREAM_SEEK_SET, &position), STG_E_INVALIDFUNCTION);
    EXPECT_EQ(position, 7u) << "a refused seek must not report a position";
    EXPECT_EQ(stream->Seek(0, 3, nullptr), STG_E_INVALIDFUNCTION);
    ASSERT_EQ(stream->Seek(std::numeric_limits<int64_t>::max(), STREAM_SEEK_SET, nullptr), S_OK);
    EXPECT_EQ(stream->Seek(1, STREAM_SEEK_CUR, nullptr), STG_E_INVALIDFUNCTION) << "position overflow";
    const uint8_t byte = 1;
    EXPECT_EQ(stream->Write(&byte, 1, nullptr), STG_E_MEDIUMFULL);
    EXPECT_EQ(stream->SetSize(ULONGLONG{1} << 40), STG_E_MEDIUMFULL);
    EXPECT_EQ(stream->Read(nullptr, 1, nullptr), STG_E_INVALIDPOINTER);
}

TEST(StreamData, WideStringsRoundTripAndCorruptCountsAreRefused) {
    auto stream = MemoryStream::Create();
    ASSERT_EQ(WriteWideString(stream.Get(), u"Kamera \u0105"), S_OK);
    ASSERT_EQ(WriteUInt32(stream.Get(), 0xA1B2C3D4), S_OK);
    EXPECT_EQ(ReadWholeStream(stream.Get()).size(), 4u + 2 * 8 + 4);
    stream->Seek(0, STREAM_SEEK_SET, nullptr);
    std::u16string text;
    uint32_t value = 0;
    EXPECT_EQ(ReadWideString(stream.Get(), text), S_OK);
    EXPECT_EQ(text, u"Kamera \u0105");
    EXPECT_EQ(ReadUInt32(stream.Get(), value), S_OK);
    EXPECT_EQ(value, 0xA1B2C3D4u);
    EXPECT_EQ(ReadUInt32(stream.Get(), value), STG_E_READFAULT);

    const uint8_t hugeCount[] = {0xFF, 0xFF, 0xFF, 0x7F, 'a', 0};
    auto corrupt = MemoryStream::Create(hugeCount);
    EXPECT_EQ(ReadWideString(corrupt.Get(), text), STG_E_READFAULT);
    const uint8_t shortText[] = {3, 0, 0, 0, 'a', 0};
    auto truncated = MemoryStream::Create(shortText);
    EXPECT_EQ(ReadWideString(truncated.Get(), text), STG_E_READFAULT);
    EXPECT_EQ(text, u"Kamera \u0105") << "a failed read must leave the string alone";
}

} // namespace
