// Times the frame copy plus the frame pass for every effect at 1920x1080 and 3840x2160, at
// every instruction-set level the processor has (up to the TARNOLIX_SIMD cap) on one thread,
// and at the best level on all the frame handler's threads; beside a plain copy of the same
// bytes (the memory-bandwidth floor). Prints frames per second and the ratio of each effect's
// time to the plain copy's. The Threshold group times the cheapest and the dearest effect on one
// thread and on all at small sizes, where the threaded pass's start-up shows.

#include "capture/FrameCopy.h"
#include "effects/EffectSelection.h"
#include "effects/FrameHandler.h"
#include "effects/KeyedBackground.h"
#include "effects/SimdLevel.h"
#include "platform/com/TaskAllocator.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

// A grabber connected with 24-bit RGB bottom-up frames of one size.
class BenchGrabber : public ISampleGrabber {
public:
    BenchGrabber(int width, int height) {
        header_ = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    }
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT SetOneShot(BOOL) override { return S_OK; }
    HRESULT SetMediaType(const AM_MEDIA_TYPE*) override { return S_OK; }
    HRESULT GetConnectedMediaType(AM_MEDIA_TYPE* type) override {
        *type = AM_MEDIA_TYPE{};
        type->majortype = MEDIATYPE_Video;
        type->subtype = MEDIASUBTYPE_RGB24;
        type->formattype = FORMAT_VideoInfo;
        type->cbFormat = sizeof(VIDEOINFOHEADER);
        type->pbFormat = static_cast<uint8_t*>(CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
        VIDEOINFOHEADER info{};
        info.bmiHeader = header_;
        std::memcpy(type->pbFormat, &info, sizeof info);
        return S_OK;
    }
    HRESULT SetBufferSamples(BOOL) override { return S_OK; }
    HRESULT GetCurrentBuffer(int32_t*, int32_t*) override { return E_NOTIMPL; }
    HRESULT GetCurrentSample(IMediaSample**) override { return E_NOTIMPL; }
    HRESULT SetCallback(ISampleGrabberCB*, int32_t) override { return S_OK; }

private:
    BITMAPINFOHEADER header_;
};

struct Size {
    int width;
    int height;
};
constexpr Size kSizes[] = {{1920, 1080}, {3840, 2160}};
constexpr Size kSmallSizes[] = {{160, 120}, {320, 240}, {480, 360}, {640, 480}, {960, 540}, {1280, 720}};

std::vector<uint8_t> CameraFrame(const Size& size) {
    const size_t bytes = static_cast<size_t>(FrameLineSize(24, size.width)) * size.height;
    std::vector<uint8_t> frame(bytes);
    uint32_t state = 12345;
    for (auto& byte : frame) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<uint8_t>(state >> 24);
    }
    return frame;
}

std::map<int, double>& PlainCopySeconds() {
    static std::map<int, double> seconds;
    return seconds;
}

void PlainCopy(benchmark::State& state, Size size) {
    const auto frame = CameraFrame(size);
    std::vector<uint8_t> target(frame.size());
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        std::memcpy(target.data(), frame.data(), frame.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    const double perFrame =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / state.iterations();
    PlainCopySeconds()[size.width] = perFrame;
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * frame.size()));
}

// How much of a keyed frame is near the key colour.
enum class Keyed { All, None, Half };

// Red and green 128 and blue 0: every red and green byte is near the key's, and a pixel is
// keyed exactly when its blue byte is at most 149.
constexpr TKeyColour kKey{128, 128, 0};

// Sets the noise's blue bytes so that every pixel is keyed, none is, or every other pixel at
// random: the mix that defeats the kernels' shortcuts for groups keyed all over or nowhere.
void MakeKeyed(std::vector<uint8_t>& frame, const Size& size, Keyed keyed) {
    const size_t stride = static_cast<size_t>(FrameLineSize(24, size.width));
    uint32_t state = 777;
    for (int y = 0; y < size.height; ++y)
        for (int x = 0; x < size.width; ++x) {
            state = state * 1103515245u + 12345u;
            const bool near = keyed == Keyed::All || (keyed == Keyed::Half && (state >> 31));
            uint8_t& blue = frame[y * stride + 3 * static_cast<size_t>(x)];
            blue = near ? static_cast<uint8_t>(blue % (kKeyTolerance + 1))
                        : static_cast<uint8_t>(kKeyTolerance + 1 + blue % (255 - kKeyTolerance));
        }
}

// A background of the frame's size, as loading one scales it.
void MakeBackground(TBitmap& background, const Size& size) {
    background.SetSize(size.width, size.height);
    for (int y = 0; y < size.height; ++y) {
        uint8_t* p = background.ScanLine(y);
        for (int x = 0; x < size.width; ++x, p += 3) {
            p[0] = static_cast<uint8_t>(x);
            p[1] = static_cast<uint8_t>(y);
            p[2] = static_cast<uint8_t>(x ^ y);
        }
    }
}

void CopyAndPass(benchmark::State& state, Size size, TEffectItem item, TSimdLevel level, unsigned threads,
                 std::optional<Keyed> keyed = std::nullopt) {
    SetSimdLevel(level);
    auto frame = CameraFrame(size);
    BenchGrabber grabber(size.width, size.height);
    TEffectSelection selection;
    selection.Select(item);
    TRandomGenerator random(1);
    TFrameHandler handler(selection, random, threads);
    TBitmap background;
    TKeyedBackground keying;
    if (keyed) {
        MakeKeyed(frame, size, *keyed);
        MakeBackground(background, size);
        keying.SetKeyColour(kKey);
        keying.SetBackground(&background);
        handler.Pass().SetKeying(&keying);
    }
    TBitmap bitmap;
    const auto copy = [&](TBitmap& target) {
        GetBitmap(&grabber, &target, frame.data(), static_cast<int32_t>(frame.size()));
    };
    handler.HandleFrame(bitmap, copy); // builds tables and warms the section pool
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        handler.HandleFrame(bitmap, copy);
        benchmark::ClobberMemory();
    }
    const double perFrame =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / state.iterations();
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    if (auto it = PlainCopySeconds().find(size.width); it != PlainCopySeconds().end())
        state.counters["x_copy"] = perFrame / it->second;
}

std::string SizeName(const Size& size) {
    // Appended piecewise: GCC 12 warns falsely about operator+ chains at -O3.
    std::string name = std::to_string(size.width);
    name += 'x';
    name += std::to_string(size.height);
    return name;
}

void Register(const std::string& name, TEffectItem item, Size size, TSimdLevel level, unsigned threads,
              std::optional<Keyed> keyed = std::nullopt) {
    benchmark::RegisterBenchmark(name.c_str(), CopyAndPass, size, item, level, threads, keyed)
        ->Unit(benchmark::kMicrosecond)
        ->UseRealTime();
}

void RegisterAll() {
    const TSimdLevel best = ActiveSimdLevel();
    const unsigned threads = TBandPool::ProcessorThreads(TFrameHandler::kMostThreads);
    for (const Size& size : kSizes) {
        benchmark::RegisterBenchmark(("PlainCopy/" + SizeName(size)).c_str(), PlainCopy, size)
            ->Unit(benchmark::kMicrosecond)
            ->UseRealTime();
        for (const TEffectInfo& info : EffectCatalogue()) {
            const bool keying = info.item == TEffectItem::Nakadanieta1;
            // Keying is timed with a background loaded, on frames keyed all over, nowhere and
            // at every other pixel.
            for (const auto& [keyed, part] :
                 keying ? std::vector<std::pair<std::optional<Keyed>, std::string>>{{Keyed::All, "/all"},
                                                                                    {Keyed::None, "/none"},
                                                                                    {Keyed::Half, "/half"}}
                        : std::vector<std::pair<std::optional<Keyed>, std::string>>{{std::nullopt, ""}}) {
                std::string name(info.name);
                name += part;
                name += '/';
                name += SizeName(size);
                name += '/';
                for (int level = 0; level <= static_cast<int>(best); ++level)
                    Register(name + std::string(SimdLevelName(static_cast<TSimdLevel>(level))), info.item,
                             size, static_cast<TSimdLevel>(level), 1, keyed);
                Register(name + std::string(SimdLevelName(best)) + "/threads:" + std::to_string(threads),
                         info.item, size, best, threads, keyed);
            }
        }
    }
    for (const TEffectItem item : {TEffectItem::Negatyw1, TEffectItem::Szumtakolor1})
        for (const Size& size : kSmallSizes)
            for (unsigned t : {1u, threads})
                Register("Threshold/" + std::string(EffectInfo(item).name) + "/" + SizeName(size) +
                             "/threads:" + std::to_string(t),
                         item, size, best, t);
}

} // namespace

int main(int argc, char** argv) {
    RegisterAll();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
