// Tarnolix: live video from a capture device, one effect on every frame, both pictures side by
// side.

#include "app/ApplicationStart.h"
#include "app/Dialogs.h"
#include "app/ErrorBox.h"
#include "app/MainForm.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/core/ErrorText.h"
#include "platform/runtime/ApplicationErrors.h"

#include <QApplication>

#include <memory>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // The id of the desktop entry, icon and metadata, so that desktops match the window to them.
    QGuiApplication::setDesktopFileName("org.tarnolix.Tarnolix");
    LoadPolishTranslations(application);
    RegisterMediaClasses();
    RegisterQuartzModule();

    QtDialogs dialogs;
    std::unique_ptr<TMainForm> form;
    try {
        form = std::make_unique<TMainForm>(dialogs);
    } catch (const std::exception& error) {
        ShowApplicationStartError(error);
        return 1;
    }
    // Errors that reach the event loop from posted messages are shown like a command's.
    SetApplicationErrorHandler(
        [&](const std::exception& error) { ShowErrorBox(dialogs, form.get(), error); });
    form->show();
    form->FormCreate();
    const int result = application.exec();
    SetApplicationErrorHandler(nullptr);
    return result;
}
