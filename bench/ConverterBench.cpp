// The colour converter's YUV conversions (YUY2, UYVY, NV12, I420 to 24-bit RGB) at 1280x720 and
// 1920x1080, at each instruction-set level the processor has, on one thread, beside
// libv4lconvert's v4lconvert_convert turning the same frames into V4L2_PIX_FMT_BGR24. The time
// column is milliseconds a frame. libv4lconvert writes top-down rows, ours are bottom-up (padded
// to 4 bytes, which these widths need none of): the same bytes in another row order, so the
// work compared is the same.
//
// Then the virtual camera's conversions the other way, a bottom-up 24-bit BGR frame to top-down
// YUYV and to I420, at the same sizes and levels (the goal: 1 ms at AVX2 for 1920x1080 YUYV).

#include "platform/media/converters/BgrToYuv.h"
#include "platform/media/converters/ColourConversion.h"
#include "platform/media/converters/YuvPlanes.h"
#include "platform/runtime/SimdLevel.h"

#include "bench/V4lConvertDevice.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Size {
    int width, height;
};

constexpr Size kSizes[] = {{1280, 720}, {1920, 1080}};

using Convert = void (*)(const uint8_t*, int, int, int, uint8_t*, TYuvEncoding);

struct Format {
    const char* name;
    uint32_t fourcc;
    Convert convert;
    bool packed;
};

constexpr Format kFormats[] = {{"YUY2", V4L2_PIX_FMT_YUYV, Yuy2ToRgb24, true},
                               {"UYVY", V4L2_PIX_FMT_UYVY, UyvyToRgb24, true},
                               {"NV12", V4L2_PIX_FMT_NV12, Nv12ToRgb24, false},
                               {"I420", V4L2_PIX_FMT_YUV420, I420ToRgb24, false}};

int SourceStride(const Format& format, const Size& size) {
    return format.packed ? size.width * 2 : size.width;
}

size_t SourceSize(const Format& format, const Size& size) {
    const size_t pixels = static_cast<size_t>(size.width) * size.height;
    return format.packed ? pixels * 2 : pixels * 3 / 2;
}

// A camera-like frame: smooth ramps with a little noise, the same for every row of the table.
std::vector<uint8_t> Frame(const Format& format, const Size& size) {
    std::vector<uint8_t> frame(SourceSize(format, size));
    uint32_t state = 7;
    for (size_t k = 0; k < frame.size(); ++k) {
        state = state * 1664525u + 1013904223u;
        frame[k] = static_cast<uint8_t>((k / 7 + k / static_cast<size_t>(size.width)) + (state >> 29));
    }
    return frame;
}

size_t TargetSize(const Size& size) {
    return static_cast<size_t>(Rgb24Stride(size.width)) * size.height;
}

void Tarnolix(benchmark::State& state, Format format, Size size, TSimdLevel level) {
    SetSimdLevel(level);
    const std::vector<uint8_t> frame = Frame(format, size);
    std::vector<uint8_t> target(TargetSize(size));
    for (auto _ : state) {
        format.convert(frame.data(), SourceStride(format, size), size.width, size.height, target.data(), {});
        benchmark::ClobberMemory();
    }
}

void FromRgb24(benchmark::State& state, bool yuyv, Size size, TSimdLevel level) {
    SetSimdLevel(level);
    std::vector<uint8_t> frame(TargetSize(size));
    const std::vector<uint8_t> pattern = Frame(kFormats[0], size);
    for (size_t k = 0; k < frame.size(); ++k)
        frame[k] = pattern[k % pattern.size()];
    std::vector<uint8_t> target(yuyv ? static_cast<size_t>(size.width) * 2 * size.height
                                     : I420Planes(size.width, size.height).size);
    for (auto _ : state) {
        if (yuyv)
            Rgb24ToYuyv(frame.data(), Rgb24Stride(size.width), true, size.width, size.height, target.data(),
                        size.width * 2);
        else
            Rgb24ToI420(frame.data(), Rgb24Stride(size.width), true, size.width, size.height, target.data(),
                        size.width);
        benchmark::ClobberMemory();
    }
}

void LibV4lConvert(benchmark::State& state, Format format, Size size) {
    const V4lConverter converter = CreateV4lConverter();
    if (!converter) {
        state.SkipWithError("v4lconvert_create failed");
        return;
    }
    std::vector<uint8_t> frame = Frame(format, size);
    const size_t bgrSize = static_cast<size_t>(size.width) * 3 * size.height;
    std::vector<uint8_t> target(bgrSize);
    const v4l2_format source = PixelFormat(format.fourcc, size.width, size.height,
                                           static_cast<uint32_t>(SourceStride(format, size)), frame.size());
    const v4l2_format bgr = PixelFormat(V4L2_PIX_FMT_BGR24, size.width, size.height,
                                        static_cast<uint32_t>(size.width) * 3, bgrSize);
    for (auto _ : state) {
        if (v4lconvert_convert(converter.get(), &source, &bgr, frame.data(), static_cast<int>(frame.size()),
                               target.data(), static_cast<int>(target.size())) < 0) {
            state.SkipWithError(v4lconvert_get_error_message(converter.get()));
            return;
        }
        benchmark::ClobberMemory();
    }
}

std::string RowName(const char* who, const Format& format, const Size& size) {
    // Appended piecewise: GCC 12 warns falsely about operator+ chains at -O3.
    std::string name = who;
    name += '/';
    name += format.name;
    name += '/';
    name += std::to_string(size.width);
    name += 'x';
    name += std::to_string(size.height);
    return name;
}

// A row of the table in milliseconds a frame: `name`, then the level when there is one.
template <class... Args> void Register(std::string name, const char* level, Args&&... args) {
    if (level) {
        name += '/';
        name += level;
    }
    benchmark::RegisterBenchmark(name.c_str(), std::forward<Args>(args)...)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
}

void RegisterAll() {
    const TSimdLevel best = ActiveSimdLevel(); // the processor's best, or TARNOLIX_SIMD's cap
    for (const Size& size : kSizes)
        for (const Format& format : kFormats) {
            for (int level = 0; level <= static_cast<int>(best); ++level) {
                const auto simd = static_cast<TSimdLevel>(level);
                Register(RowName("tarnolix", format, size), SimdLevelName(simd).data(), Tarnolix, format,
                         size, simd);
            }
            Register(RowName("libv4lconvert", format, size), nullptr, LibV4lConvert, format, size);
        }
    for (const Size& size : kSizes)
        for (const bool yuyv : {true, false})
            for (int level = 0; level <= static_cast<int>(best); ++level) {
                const auto simd = static_cast<TSimdLevel>(level);
                const Format target{yuyv ? "BGR24-to-YUYV" : "BGR24-to-I420", 0, nullptr, yuyv};
                Register(RowName("tarnolix", target, size), SimdLevelName(simd).data(), FromRgb24, yuyv, size,
                         simd);
            }
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RegisterAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
