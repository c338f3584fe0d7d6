#pragma once

#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "platform/media/core/CaptureBuilderInterfaces.h"

#include <mutex>

// The capture graph builder (CLSID_CaptureGraphBuilder2): connects a capture source's stream
// through an intermediate filter to a sink in the graph it is given, letting the graph insert
// converters where two pins do not agree, and telling the graph's site of a pin it could not
// connect. The GUI thread builds graphs; the builder holds no lock while it calls out.
class CaptureGraphBuilder final : public ComObject<ICaptureGraphBuilder2> {
public:
    CaptureGraphBuilder() = default;

    HRESULT SetFiltergraph(IGraphBuilder* graph) override;
    HRESULT GetFiltergraph(IGraphBuilder** graph) override;
    HRESULT SetOutputFileName(const GUID*, LPCOLESTR, IBaseFilter**, IFileSinkFilter**) override {
        return E_NOTIMPL;
    }
    // An interface of the filter's output pin of `category` (a preview request falls back to the
    // capture pin, as rendering does), or without a category of the filter itself, else of the
    // first of its pins that has it.
    HRESULT FindInterface(const GUID* category, const GUID* type, IBaseFilter* filter, REFIID iid,
                          void** object) override;
    HRESULT RenderStream(const GUID* category, const GUID* type, IUnknown* source, IBaseFilter* intermediate,
                         IBaseFilter* sink) override;
    HRESULT ControlStream(const GUID*, const GUID*, IBaseFilter*, REFERENCE_TIME*, REFERENCE_TIME*, uint16_t,
                          uint16_t) override {
        return E_NOTIMPL;
    }
    HRESULT AllocCapFile(LPCOLESTR, ULONGLONG) override { return E_NOTIMPL; }
    HRESULT CopyCaptureFile(LPOLESTR, LPOLESTR, int, IAMCopyCaptureFileProgress*) override {
        return E_NOTIMPL;
    }
    // The `number`th output or input pin of the filter (or the pin itself) that matches. The
    // category narrows the choice only when some pin reports one (IKsPropertySet); `type`
    // narrows by major type.
    HRESULT FindPin(IUnknown* source, PIN_DIRECTION direction, const GUID* category, const GUID* type,
                    BOOL unconnected, int number, IPin** pin) override;

private:
    ComPtr<IGraphBuilder> Graph();
    // Connects the pins through the graph; a failure goes to the site's UnableToRender, and
    // S_OK from it earns one more try.
    static HRESULT ConnectPins(IGraphBuilder* graph, IPin* output, IPin* input);

    std::mutex mutex_; // guards graph_
    ComPtr<IGraphBuilder> graph_;
};
