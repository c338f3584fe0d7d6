// Tarnolix: live video from a capture device, one effect on every frame, both pictures side by
// side.

#include "app/ApplicationStart.h"
#include "app/Dialogs.h"
#include "app/ErrorBox.h"
#include "app/MainForm.h"
#include "app/QuitSignals.h"
#include "app/StartOptions.h"
#include "capture/SysDevEnum.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/core/DeviceEnumInterfaces.h"
#include "platform/media/core/ErrorText.h"
#include "platform/media/outputs/LoopbackDevices.h"
#include "platform/media/outputs/PipeWireCameraOutput.h"
#include "platform/runtime/ApplicationErrors.h"

#include <QApplication>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

// The options that Qt left, checked against the devices and effects there are, before any
// window opens.
void CheckVirtualCamera(const std::string& requested) {
    if (requested == kPipeWireVirtualCamera) {
        if (!PipeWireCameraOutputPossible())
            throw EStartOptionsError("no PipeWire daemon runs for the PipeWire camera");
        return;
    }
    try {
        ChooseLoopbackOutput(ListLoopbackOutputs(*V4l2Access::Current()), requested);
    } catch (const VirtualCameraError& error) {
        if (!requested.empty())
            throw EStartOptionsError(error.what());
        if (PipeWireCameraOutputPossible())
            return; // the PipeWire camera instead
        // The window's message is Polish; this one is for a terminal.
        throw EStartOptionsError("no free v4l2loopback device and no PipeWire daemon for the virtual camera; "
                                 "make a device with "
                                 "'sudo modprobe v4l2loopback card_label=Tarnolix exclusive_caps=1' "
                                 "(package v4l2loopback-dkms)");
    }
}

TStartOptions CheckedStartOptions(int argc, char** argv) {
    const TStartOptions options = ParseStartOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (options.virtualCamera)
        CheckVirtualCamera(*options.virtualCamera);
    if (options.record && !options.device)
        throw EStartOptionsError("--record needs --device: a film is recorded from the camera it names");
    if (options.device) {
        const TSysDevEnum devices(CLSID_VideoInputDeviceCategory);
        std::string names;
        for (int k = 0; k < devices.DeviceCount(); ++k) {
            const std::string& name = devices.DeviceEntries(k).FriendlyName;
            if (name == *options.device)
                return options;
            names += (names.empty() ? "'" : ", '") + name + "'";
        }
        throw EStartOptionsError(
            "no video device named '" + *options.device + "'" +
            (names.empty() ? std::string(" (there are none)") : "; the devices are " + names));
    }
    return options;
}

} // namespace

int main(int argc, char** argv) {
    // Help needs no display, which Qt does.
    if (AsksForHelp(argc, argv)) {
        std::fputs(kStartUsage, stdout);
        return 0;
    }
    QApplication application(argc, argv);
    // The id of the desktop entry, icon and metadata, so that desktops match the window to them.
    QGuiApplication::setDesktopFileName("org.tarnolix.Tarnolix");
    LoadPolishTranslations(application);
    RegisterMediaClasses();
    RegisterQuartzModule();

    TStartOptions options;
    try {
        options = CheckedStartOptions(argc, argv);
    } catch (const EStartOptionsError& error) {
        std::fprintf(stderr, "tarnolix: %s\nTry 'tarnolix --help' for the options.\n", error.what());
        return 2;
    }

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
    CloseOnQuitSignals(*form);
    form->FormCreate();
    form->StartFromCommandLine(options);
    const int result = application.exec();
    SetApplicationErrorHandler(nullptr);
    return result;
}
