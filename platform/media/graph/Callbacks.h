#pragma once

#include "platform/com/ComPtr.h"
#include "platform/com/SiteInterfaces.h"
#include "platform/media/core/CaptureBuilderInterfaces.h"

// The graph-building callback `I` that the graph's site offers: the site itself, or a service
// of the site's IServiceProvider under the interface's id. Empty when there is none.
template <typename I> ComPtr<I> GraphCallback(IUnknown* graph) {
    ComPtr<IObjectWithSite> withSite;
    if (!graph || FAILED(graph->QueryInterface(IID_IObjectWithSite, withSite.ReceiveVoid())))
        return {};
    ComPtr<I> callback;
    if (SUCCEEDED(withSite->GetSite(IIDOf<I>(), callback.ReceiveVoid())) && callback)
        return callback;
    ComPtr<IServiceProvider> provider;
    if (FAILED(withSite->GetSite(IID_IServiceProvider, provider.ReceiveVoid())) || !provider)
        return {};
    if (FAILED(provider->QueryService(IIDOf<I>(), IIDOf<I>(), callback.ReceiveVoid())))
        return {};
    return callback;
}
