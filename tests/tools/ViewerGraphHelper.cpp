// A second process for the viewer's tests: runs a ViewerGraph of the virtual camera entry given
// as its argument, writes "ready" to standard output once the graph is registered and running,
// and ends (stopping and revoking) when its standard input is closed.
#include "tests/tools/ViewerGraph.h"

#include <QApplication>
#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const std::string camera = argc > 1 ? argv[1] : "pattern:160x120@30";
    int status = 0;
    {
        ViewerGraph graph(std::u16string(camera.begin(), camera.end()));
        if (graph.Cookie() == 0 || FAILED(graph.Run()))
            return 3;
        std::fputs("ready\n", stdout);
        std::fflush(stdout);
        QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
        QObject::connect(&input, &QSocketNotifier::activated, [&] {
            char buffer[64];
            if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0)
                application.quit();
        });
        status = application.exec();
    }
    return status;
}
