// mjpeg_feeder: makes a v4l2loopback device an MJPEG camera for the real-driver tier. It sets the
// device's output side to MJPEG at a size and writes JPEG frames of its own at a steady rate:
// eight 75% colour bars (those vivid shows, so the tests check both alike) with a white square
// moving across the top quarter. A loop of frames is encoded once at start, since encoding is
// slow under the guest's emulation. Chosen frames can be damaged as a camera's sometimes are.
#include "tests/imaging/JpegEncoder.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <stdexcept>
#include <string>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* kUsage =
    "usage: mjpeg_feeder DEVICE [options]\n"
    "Writes MJPEG frames (colour bars with a moving square) to a v4l2loopback device until killed.\n"
    "  --size WxH            picture size (1280x720)\n"
    "  --rate N              frames a second (30)\n"
    "  --count N             stop after N frames (0: never)\n"
    "  --truncate-every N    cut every Nth frame to half its length\n"
    "  --garble-every N      put random bytes into every Nth frame's compressed data\n"
    "  --garbage-every N     send random bytes instead of every Nth frame\n";

// A command line we cannot follow: the usage text goes with the message.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Options {
    std::string device;
    int width = 1280;
    int height = 720;
    int rate = 30;
    long count = 0;
    int truncateEvery = 0;
    int garbleEvery = 0;
    int garbageEvery = 0;
};

int Positive(const std::string& text) {
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end || value <= 0 || value > 100000)
        throw UsageError("not a positive number: " + text);
    return static_cast<int>(value);
}

Options Parse(int argc, char** argv) {
    Options options;
    for (int k = 1; k < argc; ++k) {
        const std::string word = argv[k];
        const auto value = [&]() -> std::string {
            if (k + 1 >= argc)
                throw UsageError(word + " needs a value");
            return argv[++k];
        };
        if (word == "--size") {
            const std::string size = value();
            const size_t x = size.find('x');
            if (x == std::string::npos)
                throw UsageError("a size is WIDTHxHEIGHT: " + size);
            options.width = Positive(size.substr(0, x));
            options.height = Positive(size.substr(x + 1));
        } else if (word == "--rate") {
            options.rate = Positive(value());
        } else if (word == "--count") {
            options.count = Positive(value());
        } else if (word == "--truncate-every") {
            options.truncateEvery = Positive(value());
        } else if (word == "--garble-every") {
            options.garbleEvery = Positive(value());
        } else if (word == "--garbage-every") {
            options.garbageEvery = Positive(value());
        } else if (!word.empty() && word[0] != '-' && options.device.empty()) {
            options.device = word;
        } else {
            throw UsageError("unknown argument: " + word);
        }
    }
    if (options.device.empty())
        throw UsageError("no device named");
    return options;
}

// The frame being encoded: its width, for the eight 75% bars down its whole height, and the
// white square in its top quarter. JpegPicture asks for samples through a plain function, so
// they are kept here.
struct Scene {
    int width = 0;
    int left = 0;
    int top = 0;
    int side = 0;
};
Scene scene;

uint8_t BarsSample(int x, int y, int c) {
    static constexpr std::array<std::array<uint8_t, 3>, 8> kBars{{{191, 191, 191},
                                                                  {191, 191, 0},
                                                                  {0, 191, 191},
                                                                  {0, 191, 0},
                                                                  {191, 0, 191},
                                                                  {191, 0, 0},
                                                                  {0, 0, 191},
                                                                  {0, 0, 0}}};
    if (x >= scene.left && x < scene.left + scene.side && y >= scene.top && y < scene.top + scene.side)
        return 255;
    return kBars[static_cast<size_t>(x * 8 / scene.width)][static_cast<size_t>(c)];
}

// Frame `index` of a loop of `loop`, the square a step further right in each.
std::vector<uint8_t> Encode(int width, int height, int index, int loop) {
    scene.width = width;
    scene.side = std::max(8, height / 8);
    scene.top = height / 16;
    scene.left = (width - scene.side) * index / std::max(1, loop - 1);
    JpegPicture picture;
    picture.width = width;
    picture.height = height;
    picture.quality = 85;
    picture.sample = BarsSample;
    return picture.Encode();
}

// Where the compressed data begins: after the start-of-scan segment.
size_t EntropyStart(const std::vector<uint8_t>& jpeg) {
    for (size_t at = 2; at + 4 <= jpeg.size(); ++at)
        if (jpeg[at] == 0xFF && jpeg[at + 1] == 0xDA)
            return at + 2 + (size_t{jpeg[at + 2]} << 8 | jpeg[at + 3]);
    return 2;
}

class Device {
public:
    Device(const Options& options) : fd_(::open(options.device.c_str(), O_RDWR | O_CLOEXEC)) {
        if (fd_ < 0)
            throw std::runtime_error("cannot open " + options.device + ": " + std::strerror(errno));
        v4l2_format format{};
        format.type = V4L2_BUF_TYPE_VIDEO_OUTPUT;
        format.fmt.pix.width = static_cast<uint32_t>(options.width);
        format.fmt.pix.height = static_cast<uint32_t>(options.height);
        format.fmt.pix.pixelformat = V4L2_PIX_FMT_MJPEG;
        format.fmt.pix.field = V4L2_FIELD_NONE;
        format.fmt.pix.sizeimage = static_cast<uint32_t>(options.width * options.height * 2);
        if (::ioctl(fd_, VIDIOC_S_FMT, &format) != 0)
            throw std::runtime_error(options.device + " takes no MJPEG output: " + std::strerror(errno));
        if (format.fmt.pix.pixelformat != V4L2_PIX_FMT_MJPEG)
            throw std::runtime_error(options.device + " changed MJPEG to another format");
        // The rate the capture side reports; a device that keeps its own is fed at ours anyway.
        v4l2_streamparm parameters{};
        parameters.type = V4L2_BUF_TYPE_VIDEO_OUTPUT;
        parameters.parm.output.timeperframe = {1, static_cast<uint32_t>(options.rate)};
        ::ioctl(fd_, VIDIOC_S_PARM, &parameters);
    }
    ~Device() { ::close(fd_); }
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    void Write(const std::vector<uint8_t>& frame) {
        if (::write(fd_, frame.data(), frame.size()) < 0)
            throw std::runtime_error(std::string("write failed: ") + std::strerror(errno));
    }

private:
    int fd_;
};

void Feed(const Options& options) {
    constexpr int kLoop = 10;
    std::vector<std::vector<uint8_t>> frames;
    for (int index = 0; index < kLoop; ++index) {
        frames.push_back(Encode(options.width, options.height, index, kLoop));
    }
    Device device(options);
    std::mt19937 random(7);
    const auto every = [](long number, int period) { return period > 0 && number % period == 0; };
    const auto interval = std::chrono::microseconds(1'000'000 / options.rate);
    auto next = std::chrono::steady_clock::now();
    for (long number = 1; options.count == 0 || number <= options.count; ++number) {
        std::vector<uint8_t> frame = frames[static_cast<size_t>(number % kLoop)];
        if (every(number, options.garbageEvery)) {
            for (uint8_t& byte : frame)
                byte = static_cast<uint8_t>(random());
        } else if (every(number, options.garbleEvery)) {
            const size_t start = EntropyStart(frame);
            for (int k = 0; k < 64 && start + 2 < frame.size(); ++k)
                frame[start + random() % (frame.size() - 2 - start)] = static_cast<uint8_t>(random());
        } else if (every(number, options.truncateEvery)) {
            frame.resize(frame.size() / 2);
        }
        device.Write(frame);
        next += interval;
        std::this_thread::sleep_until(next);
    }
}

} // namespace

int main(int argc, char** argv) {
    try {
        Feed(Parse(argc, argv));
        return 0;
    } catch (const UsageError& error) {
        std::fprintf(stderr, "mjpeg_feeder: %s\n%s", error.what(), kUsage);
        return 2;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "mjpeg_feeder: %s\n", error.what());
        return 1;
    }
}
