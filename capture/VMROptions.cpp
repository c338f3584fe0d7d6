#include "capture/VMROptions.h"

#include "capture/DirectShowErrors.h"
#include "capture/FilterGraph.h"
#include "capture/VideoWindow.h"
#include "platform/media/core/VmrInterfaces.h"

void TVMROptions::SetStreams(uint32_t streams) {
    streams_ = streams >= 1 && streams <= kMaxVmrStreams ? streams : 1;
    Rebuild();
}

void TVMROptions::SetPreferences(TVMRPreferences preferences) {
    preferences_ = preferences;
    Rebuild();
}

void TVMROptions::SetMode(TVMRVideoMode mode) {
    mode_ = mode;
    Rebuild();
}

void TVMROptions::SetKeepAspectRatio(bool keep) {
    keepAspectRatio_ = keep;
    if (mode_ == TVMRVideoMode::vmrRenderless)
        return;
    // The classic renderer has no such control: then nothing happens.
    if (auto control = owner_.Query<IVMRAspectRatioControl9>())
        CheckDirectShowResult(control->SetAspectRatioMode(keep ? VMR9ARMode_LetterBox : VMR9ARMode_None));
}

void TVMROptions::Rebuild() {
    TFilterGraph* graph = owner_.FilterGraph();
    if (owner_.Mode() == TVideoMode::vmVMR && graph && graph->Active()) {
        graph->DetachMember(&owner_);
        graph->AttachMember(&owner_);
    }
}
