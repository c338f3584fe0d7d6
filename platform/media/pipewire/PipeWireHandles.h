#pragma once

#include <memory>
#include <pipewire/pipewire.h>

// Owning handles of PipeWire's objects. Those that live on a loop (the core, proxies, streams)
// must be destroyed with that loop's lock held, as every call on them is made.
namespace PipeWireHandles {

struct LoopDeleter {
    void operator()(pw_thread_loop* loop) const { pw_thread_loop_destroy(loop); }
};
struct ContextDeleter {
    void operator()(pw_context* context) const { pw_context_destroy(context); }
};
struct CoreDeleter {
    void operator()(pw_core* core) const { pw_core_disconnect(core); }
};
struct ProxyDeleter {
    void operator()(pw_proxy* proxy) const { pw_proxy_destroy(proxy); }
};
struct StreamDeleter {
    void operator()(pw_stream* stream) const { pw_stream_destroy(stream); }
};
struct PropertiesDeleter {
    void operator()(pw_properties* properties) const { pw_properties_free(properties); }
};

} // namespace PipeWireHandles

using PwThreadLoopPtr = std::unique_ptr<pw_thread_loop, PipeWireHandles::LoopDeleter>;
using PwContextPtr = std::unique_ptr<pw_context, PipeWireHandles::ContextDeleter>;
using PwCorePtr = std::unique_ptr<pw_core, PipeWireHandles::CoreDeleter>;
using PwProxyPtr = std::unique_ptr<pw_proxy, PipeWireHandles::ProxyDeleter>;
using PwStreamPtr = std::unique_ptr<pw_stream, PipeWireHandles::StreamDeleter>;
using PwPropertiesPtr = std::unique_ptr<pw_properties, PipeWireHandles::PropertiesDeleter>;
