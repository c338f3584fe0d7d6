// Built instead of the PipeWire sources where PipeWire's development files are missing: the
// program then lists and captures V4L2 cameras only.
#include "platform/media/pipewire/PipeWireCameras.h"

namespace PipeWireCameras {

std::vector<PipeWireCameraEntry> List() {
    return {};
}
int ChangeDescriptor() {
    return -1;
}
std::vector<PipeWireMode> Modes(uint64_t) {
    return {};
}
std::string TakeNotice() {
    return {};
}
std::unique_ptr<FrameSource> MakeFrameSource(uint64_t, const std::string&, const VideoFormat&,
                                             const PipeWireMode&) {
    return nullptr;
}
ComPtr<ICameraControls> MakeControls(uint64_t) {
    return {};
}

} // namespace PipeWireCameras
