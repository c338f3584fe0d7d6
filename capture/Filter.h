#pragma once

#include "capture/BaseFilter.h"
#include "capture/GraphMember.h"
#include "platform/runtime/Component.h"

class TFilterGraph;

// The capture source component: a member of a filter graph that contributes the filter bound
// from its stored device moniker, afresh at every activation. Asked for an interface it does not
// have itself, it passes the query on to that filter. GUI thread.
class TFilter : public TComponent, public IGraphMember {
public:
    explicit TFilter(TComponent* owner = nullptr);
    ~TFilter() override;

    TBaseFilter& BaseFilter() { return baseFilter_; }
    TFilterGraph* FilterGraph() const { return graph_; }
    void SetFilterGraph(TFilterGraph* graph);

    // The component's interface query: the filter instance's interfaces, while there is one.
    HRESULT QueryInterface(REFIID iid, void** object);
    template <typename I> ComPtr<I> Query() {
        ComPtr<I> result;
        QueryInterface(IIDOf<I>(), result.ReceiveVoid());
        return result;
    }

    IBaseFilter* MemberFilter() override { return instance_.Get(); }
    std::string MemberName() override { return Name(); }
    void MemberNotify(TMemberNotifyKind kind, int32_t param) override;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    TBaseFilter baseFilter_;
    TFilterGraph* graph_ = nullptr;
    ComPtr<IBaseFilter> instance_;
};
