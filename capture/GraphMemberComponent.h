#pragma once

#include "capture/GraphMember.h"
#include "platform/runtime/Component.h"

class TFilterGraph;

// The common part of the graph's member components: the FilterGraph property, which attaches
// the component to a graph (and detaches it from the previous one), and forgetting a graph that
// is being destroyed without detaching. GUI thread.
class TGraphMemberComponent : public TComponent, public IGraphMember {
public:
    explicit TGraphMemberComponent(TComponent* owner) : TComponent(owner) {}

    TFilterGraph* FilterGraph() const { return graph_; }
    void SetFilterGraph(TFilterGraph* graph);

    std::string MemberName() override { return Name(); }

protected:
    // Event sinks among the members also hear the graph's events; null for the others.
    virtual IGraphEventSink* EventSink() { return nullptr; }
    void Notification(TComponent* component, TOperation operation) override;
    // Call from the concrete destructor: leaving the graph needs the member still whole.
    void LeaveGraph() { SetFilterGraph(nullptr); }

private:
    TFilterGraph* graph_ = nullptr;
};
