#include "capture/GraphMemberComponent.h"

#include "capture/FilterGraph.h"

void TGraphMemberComponent::SetFilterGraph(TFilterGraph* graph) {
    if (graph == graph_)
        return;
    if (graph_) {
        graph_->DetachMember(this);
        if (IGraphEventSink* sink = EventSink())
            graph_->DetachEventSink(sink);
        RemoveFreeNotification(graph_);
    }
    if (graph) {
        graph->AttachMember(this);
        if (IGraphEventSink* sink = EventSink())
            graph->AttachEventSink(sink);
        FreeNotification(graph);
    }
    graph_ = graph;
}

void TGraphMemberComponent::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && graph_ && component == static_cast<TComponent*>(graph_))
        graph_ = nullptr; // the graph is going away: no detaching
}
