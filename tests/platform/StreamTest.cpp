#include "platform/runtime/FileStream.h"
#include "platform/runtime/StandardErrors.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

TEST(MemoryStream, ReadsAreShortAtTheEndAndReadBufferInsistsOnTheWholeCount) {
    TMemoryStream stream(std::vector<uint8_t>{1, 2, 3});
    uint8_t buffer[4] = {};
    EXPECT_EQ(stream.Read(buffer, 2), 2);
    EXPECT_EQ(stream.Remaining(), 1);
    EXPECT_EQ(stream.Read(buffer, 4), 1);
    EXPECT_EQ(buffer[0], 3);
    stream.SetPosition(1);
    try {
        stream.ReadBuffer(buffer, 3);
        FAIL() << "no error";
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), "Stream read error");
    }
}

TEST(MemoryStream, WritingPastTheEndGrowsIt) {
    TMemoryStream stream;
    stream.WriteBuffer("abc", 3);
    stream.SetPosition(2);
    stream.WriteBuffer("xyz", 3);
    EXPECT_EQ(stream.Bytes(), (std::vector<uint8_t>{'a', 'b', 'x', 'y', 'z'}));
}

class FileStreamTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "tarnolix-stream-XXXXXX").string();
        ASSERT_TRUE(mkdtemp(pattern.data()));
        folder_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }
    std::string Path(const char* name) const { return (folder_ / name).string(); }

    std::filesystem::path folder_;
};

TEST_F(FileStreamTest, CreateTruncatesAndWritesReadBack) {
    {
        TFileStream out(Path("a"), TFileMode::fmCreate);
        out.WriteBuffer("hello world", 11);
    }
    {
        TFileStream out(Path("a"), TFileMode::fmCreate);
        out.WriteBuffer("hi", 2);
    }
    TFileStream in(Path("a"), TFileMode::fmOpenRead);
    EXPECT_EQ(in.Size(), 2);
    char text[3] = {};
    in.ReadBuffer(text, 2);
    EXPECT_STREQ(text, "hi");
    EXPECT_THROW(in.ReadBuffer(text, 1), EReadError);
}

TEST_F(FileStreamTest, ReadersShareButAWriterIsExclusive) {
    {
        TFileStream out(Path("b"), TFileMode::fmCreate);
        out.WriteBuffer("data", 4);
    }
    TFileStream first(Path("b"), TFileMode::fmOpenRead);
    TFileStream second(Path("b"), TFileMode::fmOpenRead);
    EXPECT_THROW(TFileStream(Path("b"), TFileMode::fmCreate), EFCreateError) << "readers hold it";
    EXPECT_EQ(second.Size(), 4) << "the refused create did not truncate it";
}

TEST_F(FileStreamTest, ErrorsNameThePathAsGiven) {
    try {
        TFileStream in(Path("missing"), TFileMode::fmOpenRead);
        FAIL() << "no error";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), "Cannot open file " + Path("missing"));
    }
    EXPECT_THROW(TFileStream(folder_.string(), TFileMode::fmOpenRead), EFOpenError) << "a folder";
    EXPECT_THROW(TFileStream(Path("no/such/folder"), TFileMode::fmCreate), EFCreateError);
}

} // namespace
