#pragma once

#include "capture/BaseFilter.h"
#include "capture/GraphMemberComponent.h"
#include "platform/runtime/Component.h"

class TFilterGraph;

// The capture source component: a member of a filter graph that contributes the filter bound
// from its stored device moniker, afresh at every activation. Asked for an interface it does not
// have itself, it passes the query on to that filter. GUI thread.
class TFilter : public TGraphMemberComponent {
public:
    explicit TFilter(TComponent* owner = nullptr);
    ~TFilter() override;

    TBaseFilter& BaseFilter() { return baseFilter_; }

    // The component's interface query: the filter instance's interfaces, while there is one.
    HRESULT QueryInterface(REFIID iid, void** object);
    template <typename I> ComPtr<I> Query() {
        ComPtr<I> result;
        QueryInterface(IIDOf<I>(), result.ReceiveVoid());
        return result;
    }

    IBaseFilter* MemberFilter() override { return instance_.Get(); }
    void MemberNotify(TMemberNotifyKind kind, int32_t param) override;

private:
    TBaseFilter baseFilter_;
    ComPtr<IBaseFilter> instance_;
};
