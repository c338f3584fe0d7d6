#include "platform/media/pipewire/PipeWireCameraList.h"

#include "platform/media/pipewire/PipeWireFormats.h"

#include <algorithm>
#include <cstring>
#include <spa/param/param.h>

struct PipeWireCameraList::Node {
    PipeWireCameraList* list = nullptr;
    PipeWireCamera camera;
    PwProxyPtr proxy;
    spa_hook listener{};
    bool described = false;          // its full properties have come
    std::vector<PipeWireMode> modes; // its formats as they come, while asked for

    ~Node() { spa_hook_remove(&listener); }
};

std::string PipeWireCamera::Property(const std::string& key) const {
    const auto found = properties.find(key);
    return found != properties.end() ? found->second : std::string();
}

bool IsPipeWireCameraNode(const std::map<std::string, std::string>& properties) {
    const auto value = [&](const char* key) {
        const auto found = properties.find(key);
        return found != properties.end() ? found->second : std::string();
    };
    if (value(PW_KEY_MEDIA_CLASS) != "Video/Source")
        return false;
    const std::string api = value(PW_KEY_DEVICE_API);
    return value(PW_KEY_MEDIA_ROLE) == "Camera" || api == "v4l2" || api == "libcamera";
}

PipeWireCameraList::PipeWireCameraList(std::shared_ptr<PipeWireConnection> connection, Changed changed)
    : connection_(std::move(connection)), changed_(std::move(changed)) {
    // Built field by field: the structs grow with PipeWire's versions.
    static const pw_registry_events events = [] {
        pw_registry_events made{};
        made.version = PW_VERSION_REGISTRY_EVENTS;
        made.global = &PipeWireCameraList::Global;
        made.global_remove = &PipeWireCameraList::GlobalRemove;
        return made;
    }();
    PipeWireConnection::Lock lock(*connection_);
    registry_.reset(
        reinterpret_cast<pw_proxy*>(pw_core_get_registry(connection_->Core(), PW_VERSION_REGISTRY, 0)));
    if (!registry_)
        throw PipeWireError("Cannot list PipeWire's nodes");
    pw_registry_add_listener(reinterpret_cast<pw_registry*>(registry_.get()), &registryListener_, &events,
                             this);
}

PipeWireCameraList::~PipeWireCameraList() {
    PipeWireConnection::Lock lock(*connection_);
    spa_hook_remove(&registryListener_);
    registry_.reset();
    std::lock_guard guard(mutex_);
    nodes_.clear();
}

bool PipeWireCameraList::WaitListed(int milliseconds) {
    // The first round trip brings the globals, which bind the video sources; the second brings
    // the descriptions asked for by those binds.
    const bool listed = connection_->Sync(milliseconds) && connection_->Sync(milliseconds);
    if (listed) {
        PipeWireConnection::Lock lock(*connection_);
        listed_ = true;
    }
    return listed;
}

std::vector<PipeWireCamera> PipeWireCameraList::Cameras() const {
    std::vector<PipeWireCamera> cameras;
    std::lock_guard guard(mutex_);
    for (const auto& [id, node] : nodes_)
        if (node->described && IsPipeWireCameraNode(node->camera.properties))
            cameras.push_back(node->camera);
    std::sort(cameras.begin(), cameras.end(),
              [](const PipeWireCamera& a, const PipeWireCamera& b) { return a.serial < b.serial; });
    return cameras;
}

void PipeWireCameraList::Global(void* data, uint32_t id, uint32_t, const char* type, uint32_t,
                                const spa_dict* properties) {
    auto* self = static_cast<PipeWireCameraList*>(data);
    if (std::strcmp(type, PW_TYPE_INTERFACE_Node) != 0 || !properties)
        return;
    // The registry's properties are a summary; the node's own come with its info.
    const char* mediaClass = spa_dict_lookup(properties, PW_KEY_MEDIA_CLASS);
    if (!mediaClass || std::strcmp(mediaClass, "Video/Source") != 0)
        return;
    // Built field by field: the structs grow with PipeWire's versions.
    static const pw_node_events nodeEvents = [] {
        pw_node_events made{};
        made.version = PW_VERSION_NODE_EVENTS;
        made.info = &PipeWireCameraList::NodeInfo;
        made.param = &PipeWireCameraList::NodeParam;
        return made;
    }();
    auto node = std::make_unique<Node>();
    node->list = self;
    node->camera.id = id;
    node->proxy.reset(
        static_cast<pw_proxy*>(pw_registry_bind(reinterpret_cast<pw_registry*>(self->registry_.get()), id,
                                                PW_TYPE_INTERFACE_Node, PW_VERSION_NODE, 0)));
    if (!node->proxy)
        return;
    pw_node_add_listener(reinterpret_cast<pw_node*>(node->proxy.get()), &node->listener, &nodeEvents,
                         node.get());
    std::lock_guard guard(self->mutex_);
    self->nodes_[id] = std::move(node);
}

void PipeWireCameraList::GlobalRemove(void* data, uint32_t id) {
    auto* self = static_cast<PipeWireCameraList*>(data);
    bool wasCamera = false;
    {
        std::lock_guard guard(self->mutex_);
        const auto found = self->nodes_.find(id);
        if (found == self->nodes_.end())
            return;
        wasCamera = found->second->described && IsPipeWireCameraNode(found->second->camera.properties);
        self->nodes_.erase(found);
    }
    if (wasCamera)
        self->Report();
}

void PipeWireCameraList::NodeInfo(void* data, const pw_node_info* info) {
    auto* node = static_cast<Node*>(data);
    if (!(info->change_mask & PW_NODE_CHANGE_MASK_PROPS) || !info->props)
        return;
    std::map<std::string, std::string> properties;
    const spa_dict_item* item;
    spa_dict_for_each(item, info->props) properties[item->key] = item->value ? item->value : "";
    PipeWireCameraList* self = node->list;
    bool report = false;
    {
        std::lock_guard guard(self->mutex_);
        const bool wasCamera = node->described && IsPipeWireCameraNode(node->camera.properties);
        const auto serial = properties.find(PW_KEY_OBJECT_SERIAL);
        node->camera.serial =
            serial != properties.end() ? std::strtoull(serial->second.c_str(), nullptr, 10) : 0;
        report = wasCamera || IsPipeWireCameraNode(properties);
        if (wasCamera && properties == node->camera.properties)
            report = false;
        node->camera.properties = std::move(properties);
        node->described = true;
    }
    if (report)
        self->Report();
}

void PipeWireCameraList::Report() {
    if (!listed_ || !changed_)
        return;
    try {
        changed_();
    } catch (...) {
        // Nothing may unwind through PipeWire's loop.
    }
}

void PipeWireCameraList::NodeParam(void* data, int, uint32_t id, uint32_t, uint32_t, const spa_pod* param) {
    auto* node = static_cast<Node*>(data);
    if (id == SPA_PARAM_EnumFormat)
        AddPipeWireModes(param, node->modes);
}

PipeWireCameraList::Node* PipeWireCameraList::Find(uint64_t serial) {
    std::lock_guard guard(mutex_);
    for (auto& [id, node] : nodes_)
        if (node->described && node->camera.serial == serial)
            return node.get();
    return nullptr;
}

std::vector<PipeWireMode> PipeWireCameraList::Modes(uint64_t serial, int milliseconds) {
    {
        PipeWireConnection::Lock lock(*connection_);
        Node* node = Find(serial);
        if (!node)
            return {};
        node->modes.clear();
        pw_node_enum_params(reinterpret_cast<pw_node*>(node->proxy.get()), 0, SPA_PARAM_EnumFormat, 0,
                            UINT32_MAX, nullptr);
    }
    // The daemon answers in order: the formats have all come before the round trip's end.
    connection_->Sync(milliseconds);
    PipeWireConnection::Lock lock(*connection_);
    Node* node = Find(serial);
    return node ? std::move(node->modes) : std::vector<PipeWireMode>{};
}

PwProxyPtr PipeWireCameraList::BindNode(uint64_t serial) {
    const Node* node = Find(serial);
    if (!node || !registry_)
        return nullptr;
    return PwProxyPtr(static_cast<pw_proxy*>(pw_registry_bind(reinterpret_cast<pw_registry*>(registry_.get()),
                                                              node->camera.id, PW_TYPE_INTERFACE_Node,
                                                              PW_VERSION_NODE, 0)));
}

bool PipeWireCameraList::Listed(uint64_t serial) const {
    if (connection_->IsBroken())
        return false;
    std::lock_guard guard(mutex_);
    for (const auto& [id, node] : nodes_)
        if (node->described && node->camera.serial == serial)
            return true;
    return false;
}
