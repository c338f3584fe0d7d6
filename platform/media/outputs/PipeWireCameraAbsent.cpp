// Built instead of the PipeWire camera where PipeWire's development files are missing.
#include "platform/media/outputs/LoopbackDevices.h"
#include "platform/media/outputs/PipeWireCameraOutput.h"

bool PipeWireCameraOutputPossible() {
    return false;
}

std::unique_ptr<CameraOutput> MakePipeWireCameraOutput(const PipeWireCameraSettings&, PictureReader) {
    throw VirtualCameraError("This build of Tarnolix has no PipeWire.");
}
