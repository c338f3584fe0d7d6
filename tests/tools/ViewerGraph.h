#pragma once

#include "platform/com/ComPtr.h"
#include "platform/media/core/GraphInterfaces.h"

#include <cstdint>
#include <string>

// A real graph for the viewer's tests: a virtual camera, a sample grabber taking 24-bit RGB and
// the video renderer, connected, registered for viewers and running. The camera is the virtual
// camera entry given (TARNOLIX_VIRTUAL_CAMERAS need not list it). GUI thread, with a
// QApplication.
class ViewerGraph {
public:
    explicit ViewerGraph(const std::u16string& camera = u"pattern:160x120@30");
    ~ViewerGraph();
    ViewerGraph(const ViewerGraph&) = delete;
    ViewerGraph& operator=(const ViewerGraph&) = delete;

    HRESULT Run();
    HRESULT Stop();
    DWORD Cookie() const { return cookie_; }
    // Samples the camera's output pin has delivered so far.
    uint64_t SourceSamples() const;

    ComPtr<IFilterGraph2> graph;
    ComPtr<IBaseFilter> source, grabber, renderer;

private:
    DWORD cookie_ = 0;
};
