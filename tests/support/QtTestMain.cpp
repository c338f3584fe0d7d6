// The test program of the window services: a QApplication on Qt's offscreen platform, so the
// widgets are real and events are really delivered, without a display.

#include "QtTestMain.h"

#include <QApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <cstdlib>

#if defined(__SANITIZE_THREAD__)
// Qt scales large images on its own thread pool, synchronised inside Qt's libraries, which are not
// built with the thread sanitizer: it cannot see that synchronisation and reports the workers'
// writes as races. Our code's races are still reported.
extern "C" const char* __tsan_default_suppressions() {
    return "race:libQt6Gui.so\nrace:libQt6Core.so\n";
}
#endif

bool ProcessEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeout.count())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
