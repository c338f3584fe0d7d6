// Grabs the program's window from the X server and checks that it has the design's width at the
// given scale, that the live pane shows the test camera's colour bars and the processed pane
// shows them negated. Polls until the panes hold or the time runs out, then checks that the live
// pane keeps changing (frames flow).
//
// screen_check <window id> <design scale> <screenshot.png> [seconds]
//
// With --gallery it checks the effects gallery instead: its window must keep changing (live
// thumbnails, not the note of a gallery without frames), and the screen's region given, which
// holds the gallery beside the main window, is saved.
//
// screen_check --gallery <gallery window id> <x> <y> <width> <height> <screenshot.png> [seconds]
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QThread>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// The test camera's bars, left to right, as red, green, blue.
constexpr std::array<std::array<int, 3>, 8> kBars{{{235, 235, 235},
                                                   {235, 235, 16},
                                                   {16, 235, 235},
                                                   {16, 235, 16},
                                                   {235, 16, 235},
                                                   {235, 16, 16},
                                                   {16, 16, 235},
                                                   {16, 16, 16}}};
constexpr int kTolerance = 48;

// Where the panes lie in the window: the client area is the window's bottom part.
struct Layout {
    int clientTop;
    int clientHeight;
    int liveWidth;
    int processedLeft;
    int processedWidth;
};

Layout LayoutOf(const QImage& window, double scale) {
    const auto scaled = [scale](int design) { return static_cast<int>(design * scale + 0.5); };
    Layout layout{};
    layout.clientHeight = scaled(249);
    layout.clientTop = window.height() - layout.clientHeight;
    layout.liveWidth = scaled(305);
    layout.processedLeft = scaled(311);
    layout.processedWidth = window.width() - layout.processedLeft;
    return layout;
}

bool Near(QRgb pixel, const std::array<int, 3>& colour) {
    return std::abs(qRed(pixel) - colour[0]) <= kTolerance &&
           std::abs(qGreen(pixel) - colour[1]) <= kTolerance &&
           std::abs(qBlue(pixel) - colour[2]) <= kTolerance;
}

// How many bars show at their centres, a quarter of the way down the pane (above the
// travelling square and the frame counter), negated or not.
int BarsShown(const QImage& window, int left, int width, const Layout& layout, bool negated) {
    const int y = layout.clientTop + layout.clientHeight / 4;
    int shown = 0;
    for (int bar = 0; bar < 8; ++bar) {
        const int x = left + static_cast<int>((bar + 0.5) * width / 8);
        std::array<int, 3> expected = kBars[static_cast<size_t>(bar)];
        if (negated)
            for (int& channel : expected)
                channel = 255 - channel;
        shown += Near(window.pixel(x, y), expected) ? 1 : 0;
    }
    return shown;
}

// Pixels that differ between two grabs in the live pane's middle band, where the square travels.
int MiddleBandChanges(const QImage& before, const QImage& after, const Layout& layout) {
    int changed = 0;
    const int top = layout.clientTop + layout.clientHeight * 2 / 5;
    const int bottom = layout.clientTop + layout.clientHeight * 3 / 5;
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < layout.liveWidth; ++x)
            changed += before.pixel(x, y) != after.pixel(x, y) ? 1 : 0;
    return changed;
}

QImage Grab(WId window) {
    return QGuiApplication::primaryScreen()->grabWindow(window).toImage().convertToFormat(
        QImage::Format_RGB32);
}

// Pixels that differ between two grabs of the same size.
int Changes(const QImage& before, const QImage& after) {
    if (before.size() != after.size())
        return before.width() * before.height();
    int changed = 0;
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x)
            changed += before.pixel(x, y) != after.pixel(x, y) ? 1 : 0;
    return changed;
}

int CheckGallery(int argc, char** argv) {
    if (argc < 8) {
        std::fprintf(stderr,
                     "usage: screen_check --gallery <window id> <x> <y> <width> <height> <png> [seconds]\n");
        return 2;
    }
    const WId gallery = static_cast<WId>(std::stoull(argv[2], nullptr, 0));
    const int seconds = argc > 8 ? std::atoi(argv[8]) : 20;
    QImage before = Grab(gallery);
    for (int waited = 0; waited < seconds * 4 && !before.isNull(); ++waited) {
        QThread::msleep(250);
        const QImage after = Grab(gallery);
        const int changes = Changes(before, after);
        if (changes > 0 && before.size() == after.size()) {
            std::printf("gallery %dx%d: %d pixels changed within %.2f s\n", after.width(), after.height(),
                        changes, (waited + 1) / 4.0);
            // The region is in the X server's pixels; a grab takes it in Qt's own, scaled ones.
            QScreen* screen = QGuiApplication::primaryScreen();
            const double ratio = screen->devicePixelRatio();
            const auto logical = [ratio](const char* pixels) {
                return static_cast<int>(std::lround(std::atoi(pixels) / ratio));
            };
            const QPixmap region =
                screen->grabWindow(0, logical(argv[3]), logical(argv[4]), logical(argv[5]), logical(argv[6]));
            return region.save(QString::fromLocal8Bit(argv[7])) ? 0 : 1;
        }
        before = after;
    }
    std::printf("the gallery stood still for %d s\n", seconds);
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    if (argc > 1 && std::string(argv[1]) == "--gallery")
        return CheckGallery(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: screen_check <window id> <design scale> <screenshot.png> [seconds]\n");
        return 2;
    }
    const WId window = static_cast<WId>(std::stoull(argv[1], nullptr, 0));
    const double scale = std::stod(argv[2]);
    const int seconds = argc > 4 ? std::atoi(argv[4]) : 20;

    QImage image;
    int live = 0, processed = 0;
    for (int attempt = 0; attempt < seconds * 4; ++attempt) {
        image = Grab(window);
        if (image.isNull())
            break;
        const Layout layout = LayoutOf(image, scale);
        live = BarsShown(image, 0, layout.liveWidth, layout, false);
        processed = BarsShown(image, layout.processedLeft, layout.processedWidth, layout, true);
        if (live >= 7 && processed >= 7)
            break;
        QThread::msleep(250);
    }
    if (image.isNull()) {
        std::fprintf(stderr, "could not grab window %s\n", argv[1]);
        return 1;
    }
    image.save(QString::fromLocal8Bit(argv[3]));
    std::printf("window %dx%d; live pane shows %d of 8 bars, processed pane %d of 8 negated bars\n",
                image.width(), image.height(), live, processed);
    if (live < 7 || processed < 7)
        return 1;
    // The window is the design's 615 pixels wide, scaled with the screen's density.
    if (image.width() != static_cast<int>(615 * scale + 0.5)) {
        std::printf("the window should be %d pixels wide\n", static_cast<int>(615 * scale + 0.5));
        return 1;
    }

    // Frames flow: the travelling square moves within a few seconds, even in a slow build.
    const Layout layout = LayoutOf(image, scale);
    for (int waited = 100; waited <= 3000; waited += 100) {
        QThread::msleep(100);
        const int changes = MiddleBandChanges(image, Grab(window), layout);
        if (changes > 0) {
            std::printf("%d pixels of the live pane's middle band changed within %.1f s\n", changes,
                        waited / 1000.0);
            return 0;
        }
    }
    std::printf("the live pane stood still for 3 s\n");
    return 1;
}
