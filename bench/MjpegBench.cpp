// The MJPEG path at 1280x720 and 1920x1080, on one thread, on camera-like frames (gradients,
// edges and noise, compressed by libjpeg-turbo at quality 85 with 4:2:2 chroma, as webcams send
// them): (a) ours, a frame pushed into the MJPEG decompressor filter and decoded into the
// sample it delivers; (b) libjpeg-turbo's own decode of the same frame into a top-down BGR
// buffer (JCS_EXT_BGR, its default DCT and upsampling, as ours); (c) libv4lconvert turning it
// into V4L2_PIX_FMT_BGR24; and, for what faster settings would save at some cost in quality,
// (b) with libjpeg's fast integer DCT and without fancy upsampling. Each decodes on this thread, so its cost
// is this thread's processor time, which other programs on a shared machine disturb less than the wall clock.
// Prints milliseconds a frame (the best of several runs, and their median) and ours against the other two.
//   mjpeg_bench [frames a run, default 100]

#include "bench/V4lConvertDevice.h"
#include "platform/media/converters/MjpegDecompressorFilter.h"
#include "tests/media/support/ConvertingChain.h"
#include "tests/media/support/JpegEncoding.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <vector>

namespace {

constexpr int kRuns = 9;

double ThreadMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec * 1e-6;
}

struct Timing {
    double best = 0;   // ms a frame
    double median = 0; // ms a frame
};

// Runs each decode on `frames` frames, kRuns times after a warm-up, taking turns so that the
// load of other programs on the machine falls on all of them alike.
std::vector<Timing> Measure(int frames, const std::vector<std::function<bool()>>& decodes) {
    for (const auto& decode : decodes)
        for (int k = 0; k < 5; ++k)
            if (!decode()) {
                std::fprintf(stderr, "decoding failed\n");
                std::exit(1);
            }
    std::vector<std::vector<double>> runs(decodes.size());
    for (int run = 0; run < kRuns; ++run)
        for (size_t which = 0; which < decodes.size(); ++which) {
            const double started = ThreadMilliseconds();
            for (int k = 0; k < frames; ++k)
                decodes[which]();
            runs[which].push_back((ThreadMilliseconds() - started) / frames);
        }
    std::vector<Timing> timings;
    for (std::vector<double>& times : runs) {
        std::sort(times.begin(), times.end());
        timings.push_back({times.front(), times[times.size() / 2]});
    }
    return timings;
}

// libjpeg-turbo alone, as a program decoding one frame would.
bool TurboDecode(const std::vector<uint8_t>& jpeg, int width, int height, std::vector<uint8_t>& target,
                 std::vector<JSAMPROW>& rows, bool fast) {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_EXT_BGR;
    if (fast) {
        info.dct_method = JDCT_IFAST;
        info.do_fancy_upsampling = FALSE;
    }
    jpeg_start_decompress(&info);
    for (int y = 0; y < height; ++y)
        rows[y] = target.data() + static_cast<size_t>(y) * width * 3;
    while (info.output_scanline < info.output_height)
        jpeg_read_scanlines(&info, rows.data() + info.output_scanline,
                            info.output_height - info.output_scanline);
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

void Compare(int width, int height, int frames) {
    const std::vector<uint8_t> jpeg = EncodeJpeg(CameraLikePicture(width, height), width, height, 85, false);

    ConvertingChain chain(ComPtr<IBaseFilter>::Adopt(new MjpegDecompressorFilter),
                          VideoInfoType(MEDIASUBTYPE_MJPG, width, height, 24));
    REFERENCE_TIME time = 0;
    const auto ours = [&] {
        chain.Push(jpeg.data(), jpeg.size(), time += 333333);
        return true;
    };

    std::vector<uint8_t> target(static_cast<size_t>(width) * height * 3);
    std::vector<JSAMPROW> rows(height);
    const auto turbo = [&] { return TurboDecode(jpeg, width, height, target, rows, false); };
    const auto fast = [&] { return TurboDecode(jpeg, width, height, target, rows, true); };

    const V4lConverter converter = CreateV4lConverter();
    const v4l2_format source = PixelFormat(V4L2_PIX_FMT_MJPEG, width, height, 0, jpeg.size());
    const v4l2_format bgr = PixelFormat(V4L2_PIX_FMT_BGR24, width, height, width * 3, target.size());
    std::vector<uint8_t> compressed = jpeg; // libv4lconvert takes the frame as non-const
    const auto v4l = [&] {
        return converter && v4lconvert_convert(converter.get(), &source, &bgr, compressed.data(),
                                               static_cast<int>(compressed.size()), target.data(),
                                               static_cast<int>(target.size())) >= 0;
    };

    const std::vector<Timing> timings = Measure(frames, {ours, turbo, v4l, fast});
    NamedCounters counters;
    ComPtr<IBaseFilter>(&chain.Converter()).As<ICounterSource>()->ReadCounters(counters);
    if (counters.size() != 2 || counters[1].second != 0) {
        std::fprintf(stderr, "the decompressor found the frame damaged\n");
        std::exit(1);
    }
    const char* names[] = {"ours (decompressor filter)", "libjpeg-turbo alone", "libv4lconvert",
                           "libjpeg-turbo, fast settings"};
    std::printf("%dx%d, %zu bytes a frame\n", width, height, jpeg.size());
    for (size_t k = 0; k < timings.size(); ++k)
        std::printf("  %-30s %7.3f ms  (median %.3f)\n", names[k], timings[k].best, timings[k].median);
    std::printf("  ours / libjpeg-turbo %.3f, ours / libv4lconvert %.3f\n", timings[0].best / timings[1].best,
                timings[0].best / timings[2].best);
}

} // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
    Compare(1280, 720, frames);
    Compare(1920, 1080, frames);
    return 0;
}
