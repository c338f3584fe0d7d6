// Times the picture files and keying at three frame sizes: writing and reading a 24-bit bitmap
// file (in memory, so the disk does not count), decoding a colour JPEG with the default
// settings, and the frame pass with background keying against a background of the frame's size.
// Prints megapixels per second.

#include "effects/EffectSelection.h"
#include "effects/FramePass.h"
#include "effects/KeyedBackground.h"
#include "imaging/BitmapFileReader.h"
#include "imaging/BitmapFileWriter.h"
#include "imaging/JPEGImage.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace {

void Pattern(TBitmap& picture, int width, int height) {
    picture.SetSize(width, height);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = picture.ScanLine(y);
        for (int i = 0; i < 3 * width; ++i)
            row[i] = static_cast<uint8_t>(i / 3 + y * (i % 3 + 1));
    }
}

std::vector<uint8_t> Jpeg(const TBitmap& picture) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(picture.Width());
    cinfo.image_height = static_cast<JDIMENSION>(picture.Height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 90, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    for (int y = 0; y < picture.Height(); ++y) {
        JSAMPROW rows[1] = {const_cast<uint8_t*>(picture.ScanLine(y))};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> bytes(buffer, buffer + size);
    std::free(buffer);
    return bytes;
}

void Pixels(benchmark::State& state) {
    state.counters["Mpx/s"] = benchmark::Counter(static_cast<double>(state.range(0) * state.range(1)) / 1e6,
                                                 benchmark::Counter::kIsIterationInvariantRate);
}

void BitmapFileWrite(benchmark::State& state) {
    TBitmap picture;
    Pattern(picture, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        TMemoryStream stream;
        SaveBitmapToStream(picture, stream);
        benchmark::DoNotOptimize(stream.Bytes().data());
    }
    Pixels(state);
}

void BitmapFileRead(benchmark::State& state) {
    TBitmap picture;
    Pattern(picture, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    TMemoryStream file;
    SaveBitmapToStream(picture, file);
    for (auto _ : state) {
        TMemoryStream stream(file.Bytes());
        TBitmap loaded;
        LoadBitmapFromStream(loaded, stream);
        benchmark::DoNotOptimize(loaded.Handle());
    }
    Pixels(state);
}

void JpegDecode(benchmark::State& state) {
    TBitmap picture;
    Pattern(picture, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const std::vector<uint8_t> bytes = Jpeg(picture);
    for (auto _ : state) {
        TMemoryStream stream(bytes);
        TJPEGImage image;
        image.LoadFromStream(stream);
        TBitmap decoded;
        image.AssignTo(decoded);
        benchmark::DoNotOptimize(decoded.Handle());
    }
    Pixels(state);
}

void KeyingPass(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
    TBitmap original, background, frame;
    Pattern(original, width, height);
    Pattern(background, width, height);
    TKeyedBackground keying;
    keying.SetKeyColour({100, 100, 100});
    keying.SetBackground(&background);
    TEffectSelection selection;
    selection.Select(TEffectItem::Nakadanieta1);
    TRandomGenerator random(1);
    TFramePass pass(selection, random);
    pass.SetKeying(&keying);
    frame.SetSize(width, height);
    for (auto _ : state) {
        for (int y = 0; y < height; ++y)
            std::copy_n(original.ScanLine(y), original.LineSize(), frame.ScanLine(y));
        pass.Run(frame);
        benchmark::DoNotOptimize(frame.ScanLine(0));
    }
    Pixels(state);
}

void Sizes(benchmark::internal::Benchmark* b) {
    b->Args({640, 480})->Args({1280, 720})->Args({1920, 1080})->Unit(benchmark::kMillisecond);
}

BENCHMARK(BitmapFileWrite)->Apply(Sizes);
BENCHMARK(BitmapFileRead)->Apply(Sizes);
BENCHMARK(JpegDecode)->Apply(Sizes);
BENCHMARK(KeyingPass)->Apply(Sizes);

} // namespace

BENCHMARK_MAIN();
