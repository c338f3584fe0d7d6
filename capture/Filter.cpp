#include "capture/Filter.h"

#include "capture/FilterGraph.h"

TFilter::TFilter(TComponent* owner) : TGraphMemberComponent(owner) {}

TFilter::~TFilter() {
    LeaveGraph();
}

HRESULT TFilter::QueryInterface(REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    return instance_ ? instance_->QueryInterface(iid, object) : E_NOINTERFACE;
}

void TFilter::MemberNotify(TMemberNotifyKind kind, int32_t) {
    switch (kind) {
    case TMemberNotifyKind::mnAdding:
        instance_ = baseFilter_.BindFilter();
        break;
    case TMemberNotifyKind::mnRemoving:
        if (instance_) {
            FILTER_STATE state = State_Stopped;
            if (instance_->GetState(0, &state) == S_OK && (state == State_Paused || state == State_Running))
                instance_->Stop(); // the result is not examined
        }
        break;
    case TMemberNotifyKind::mnRemoved:
        instance_.Reset();
        break;
    case TMemberNotifyKind::mnAdded:
    case TMemberNotifyKind::mnRefresh:
        break;
    }
}
