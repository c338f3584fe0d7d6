#include "platform/media/converters/MjpegDecoder.h"
#include "platform/media/converters/MjpegDecompressorFilter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "tests/media/support/ConvertingChain.h"
#include "tests/media/support/FakeGraph.h"
#include "tests/media/support/JpegEncoding.h"

namespace {

// Compresses a picture whose left half is red and right half blue, with libjpeg itself.
std::vector<uint8_t> EncodeHalves(int width, int height) {
    std::vector<uint8_t> row(3 * width);
    for (int x = 0; x < width; ++x) {
        const bool left = x < width / 2;
        row[3 * x] = left ? 255 : 0;
        row[3 * x + 2] = left ? 0 : 255;
    }
    return EncodeRepeatedRow(row, height, 95);
}

// Removes the Huffman table segments, as many cameras send their frames.
std::vector<uint8_t> WithoutHuffmanTables(const std::vector<uint8_t>& jpeg) {
    std::vector<uint8_t> out(jpeg.begin(), jpeg.begin() + 2);
    size_t at = 2;
    while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF && jpeg[at + 1] != 0xDA) {
        const size_t length = (jpeg[at + 2] << 8) | jpeg[at + 3];
        if (jpeg[at + 1] != 0xC4)
            out.insert(out.end(), jpeg.begin() + at, jpeg.begin() + at + 2 + length);
        at += 2 + length;
    }
    out.insert(out.end(), jpeg.begin() + at, jpeg.end());
    return out;
}

// The decoded picture, padding included (zeros), or empty when the frame is damaged.
std::vector<uint8_t> Decoded(const std::vector<uint8_t>& jpeg, size_t size, int width, int height) {
    std::vector<uint8_t> target(static_cast<size_t>(Rgb24Stride(width)) * height);
    if (!DecodeMjpegToRgb24(jpeg.data(), size, width, height, target.data()))
        target.clear();
    return target;
}

TEST(MjpegDecoder, DecodesToBottomUpBlueGreenRedRows) {
    const auto jpeg = EncodeHalves(32, 16);
    std::vector<uint8_t> target(16 * 96);
    ASSERT_TRUE(DecodeMjpegToRgb24(jpeg.data(), jpeg.size(), 32, 16, target.data()));
    const uint8_t* left = &target[3 * 2];
    EXPECT_GT(left[2], 200) << "red on the left";
    EXPECT_LT(left[0], 50);
    const uint8_t* right = &target[15 * 96 + 3 * 30];
    EXPECT_GT(right[0], 200) << "blue on the right";
    EXPECT_LT(right[2], 50);
}

TEST(MjpegDecoder, FramesWithoutHuffmanTablesUseTheStandardOnes) {
    // A 4:2:2 camera-like frame, 50 pixels wide so that its rows are padded.
    const auto jpeg = EncodeJpeg(CameraLikePicture(50, 24), 50, 24, 85, false);
    const auto stripped = WithoutHuffmanTables(jpeg);
    ASSERT_LT(stripped.size(), jpeg.size());
    const auto whole = Decoded(jpeg, jpeg.size(), 50, 24);
    ASSERT_FALSE(whole.empty());
    EXPECT_EQ(Decoded(stripped, stripped.size(), 50, 24), whole) << "the same pixels";
}

TEST(MjpegDecoder, RefusesGarbageAndFramesOfAnotherSize) {
    const auto jpeg = EncodeHalves(32, 16);
    std::vector<uint8_t> target(16 * 96);
    EXPECT_FALSE(DecodeMjpegToRgb24(jpeg.data(), jpeg.size(), 16, 16, target.data()));
    std::vector<uint8_t> garbage(500, 0x5A);
    EXPECT_FALSE(DecodeMjpegToRgb24(garbage.data(), garbage.size(), 32, 16, target.data()));
    EXPECT_FALSE(DecodeMjpegToRgb24(jpeg.data(), 3, 32, 16, target.data()));
}

TEST(MjpegDecoder, FramesCutShortOrCorruptAreDamagedButAMissingEndMarkerIsNot) {
    const auto jpeg = EncodeJpeg(CameraLikePicture(256, 128), 256, 128, 85, false);
    EXPECT_TRUE(Decoded(jpeg, jpeg.size() * 4 / 5, 256, 128).empty()) << "cut short";
    auto corrupt = jpeg;
    corrupt[jpeg.size() / 2] = 0xFF; // a restart marker the frame has no place for
    corrupt[jpeg.size() / 2 + 1] = 0xD3;
    EXPECT_TRUE(Decoded(corrupt, corrupt.size(), 256, 128).empty()) << "corrupt";
    EXPECT_EQ(Decoded(jpeg, jpeg.size() - 2, 256, 128), Decoded(jpeg, jpeg.size(), 256, 128))
        << "everything but the end marker is there";
}

TEST(MjpegDecoder, AProgressiveFrameOfMoreScansThanAnyPictureNeedsIsDamaged) {
    // The DC of all three components, then every AC coefficient of each in a scan of its own.
    std::vector<jpeg_scan_info> scans{{3, {0, 1, 2, 0}, 0, 0, 0, 0}};
    for (int component = 0; component < 3; ++component)
        for (int k = 1; k < 64; ++k)
            scans.push_back({1, {component, 0, 0, 0}, k, k, 0, 0});
    const auto picture = CameraLikePicture(32, 16);
    const auto few = EncodeJpeg(picture, 32, 16, 85, false, {scans.begin(), scans.begin() + 1 + 3 * 20});
    EXPECT_FALSE(Decoded(few, few.size(), 32, 16).empty()) << "61 scans decode";
    const auto many = EncodeJpeg(picture, 32, 16, 85, false, scans);
    EXPECT_TRUE(Decoded(many, many.size(), 32, 16).empty()) << "190 scans are damage";
}

// Every JPEG picture in tests/data and every regression input in tests/data/corrupt/ (crashes
// the fuzzers found): each decodes or is damaged, at its own size and at another.
TEST(MjpegDecoder, TestPicturesAndRegressionInputsDecodeOrAreDamaged) {
    namespace fs = std::filesystem;
    const char* source = std::getenv("TARNOLIX_SOURCE_DIR");
    const fs::path data = source ? fs::path(source) / "tests" / "data" : fs::path("tests/data");
    std::vector<fs::path> files;
    for (const fs::path& folder : {data, data / "corrupt"})
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.is_regular_file() && (folder != data || entry.path().extension() == ".jpg"))
                files.push_back(entry.path());
    std::set<std::string> decoded;
    for (const fs::path& file : files) {
        std::ifstream in(file, std::ios::binary);
        const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
        const auto own = JpegFrameSize(bytes.data(), bytes.size());
        if (own && !Decoded(bytes, bytes.size(), own->first, own->second).empty())
            decoded.insert(file.filename().string());
        EXPECT_TRUE(Decoded(bytes, bytes.size(), 320, 240).empty()) << file;
    }
    EXPECT_EQ(decoded,
              (std::set<std::string>{"colour.jpg", "mjpeg-camera-no-huffman.jpg", "progressive.jpg"}))
        << "three components decode; grey and CMYK pictures are damaged";
}

// The decompressor between a test source of 32x16 MJPEG and a sink of RGB, in a fake graph.
class MjpegStream : public ::testing::Test {
protected:
    // Pushes a frame taken at `seconds` after the start.
    HRESULT Push(const std::vector<uint8_t>& bytes, double seconds) {
        return chain.Push(bytes.data(), bytes.size(), static_cast<REFERENCE_TIME>(seconds * 1e7));
    }
    size_t Aborts() {
        size_t count = 0;
        for (const FakeGraph::Event& event : graph->Events())
            if (event.code == EC_ERRORABORT && event.param1 == HRESULT_ERROR_INVALID_DATA)
                ++count;
        return count;
    }

    const std::vector<uint8_t> good = EncodeHalves(32, 16);
    const std::vector<uint8_t> truncated{good.begin(),
                                         good.begin() + static_cast<ptrdiff_t>(good.size() / 2)};
    ComPtr<FakeGraph> graph = ComPtr<FakeGraph>::Adopt(new FakeGraph);
    TestSink* sink = nullptr;
    ComPtr<IBaseFilter> sinkFilter = TestSink::Create({MEDIASUBTYPE_RGB24}, &sink);
    ConvertingChain chain{ComPtr<IBaseFilter>::Adopt(new MjpegDecompressorFilter),
                          VideoInfoType(MEDIASUBTYPE_MJPG, 32, 16, 24), &sink->Input(), graph.Get()};
    IBaseFilter& decompressor = chain.Converter();
};

TEST_F(MjpegStream, DamagedFramesAreDroppedAndCountedAndTheStreamGoesOn) {
    ASSERT_TRUE(chain.Ready());
    EXPECT_EQ(Push(good, 0.0), S_OK);
    Push(truncated, 0.1);
    Push(std::vector<uint8_t>(600, 0x5A), 0.2);
    Push(EncodeHalves(16, 16), 0.3); // another size than the connection's
    Push({}, 0.4);
    EXPECT_EQ(Push(good, 0.5), S_OK);
    EXPECT_EQ(sink->Samples(), 2);
    const auto counted = ComPtr<IBaseFilter>(&decompressor).As<ICounterSource>();
    EXPECT_EQ(counted->CounterKind(), "mjpeg decompressor");
    NamedCounters counters;
    counted->ReadCounters(counters);
    EXPECT_EQ(counters, (NamedCounters{{"frames_decoded", 2}, {"damaged_frames_dropped", 4}}));
    EXPECT_EQ(Aborts(), 0u);
}

TEST_F(MjpegStream, FiveSecondsOfNothingButDamageAbortOnceAndAGoodFrameStartsTheSpanAgain) {
    Push(truncated, 1.0);
    Push(truncated, 5.9);
    Push(good, 5.95); // the span ends here
    Push(truncated, 6.0);
    Push(truncated, 10.9);
    EXPECT_EQ(Aborts(), 0u);
    EXPECT_EQ(Push(truncated, 11.0), S_FALSE) << "5 s after the first damaged frame since the good one";
    EXPECT_EQ(Aborts(), 1u);
    EXPECT_EQ(Push(good, 11.1), S_FALSE) << "nothing is passed on after the abort";
    Push(truncated, 20.0);
    EXPECT_EQ(Aborts(), 1u) << "queued once";
    EXPECT_EQ(sink->Samples(), 1);

    decompressor.Stop();
    ASSERT_EQ(decompressor.Run(0), S_OK);
    EXPECT_EQ(Push(good, 0.0), S_OK) << "a new run starts afresh";
    EXPECT_EQ(sink->Samples(), 2);
}

} // namespace
