#pragma once

#include "platform/media/pipewire/PipeWireConnection.h"
#include "platform/media/pipewire/PipeWireMode.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// A camera node as the daemon describes it: its id (valid while the daemon runs), its serial
// (never reused by that daemon) and its properties (node.name, node.description, media.class,
// media.role, device.api, api.v4l2.path, object.path, device.bus-path, ...).
struct PipeWireCamera {
    uint32_t id = 0;
    uint64_t serial = 0;
    std::map<std::string, std::string> properties;

    std::string Property(const std::string& key) const;
};

// Whether a node with these properties is a camera: a video source that says it is one
// (media.role=Camera), or one that a camera's V4L2 or libcamera device made.
bool IsPipeWireCameraNode(const std::map<std::string, std::string>& properties);

// The camera nodes of one connection, kept up to date from its registry: every video source is
// bound, so that its full properties are known, and listed once they are. `changed` runs on the
// loop thread after every change of the list, once the first listing is complete; it must not
// throw. Made and destroyed with the connection's lock not held.
class PipeWireCameraList {
public:
    using Changed = std::function<void()>;

    PipeWireCameraList(std::shared_ptr<PipeWireConnection> connection, Changed changed);
    ~PipeWireCameraList();
    PipeWireCameraList(const PipeWireCameraList&) = delete;
    PipeWireCameraList& operator=(const PipeWireCameraList&) = delete;

    // Waits until the daemon's nodes at the time of the call have been listed; false after
    // `milliseconds` or when the connection broke.
    bool WaitListed(int milliseconds);
    // The cameras now, in order of their serials. Any thread.
    std::vector<PipeWireCamera> Cameras() const;
    // The modes a camera node lists now (its EnumFormat); empty when it is gone or lists none
    // within `milliseconds`. Not on the loop thread.
    std::vector<PipeWireMode> Modes(uint64_t serial, int milliseconds);
    // A proxy of the caller's own on a camera node, to follow its params with; null when the
    // node is gone. With the connection's lock held.
    PwProxyPtr BindNode(uint64_t serial);
    // Whether a camera node with the serial is listed now. Any thread.
    bool Listed(uint64_t serial) const;
    const std::shared_ptr<PipeWireConnection>& Connection() const { return connection_; }

private:
    struct Node;

    static void Global(void* data, uint32_t id, uint32_t permissions, const char* type, uint32_t version,
                       const spa_dict* properties);
    static void GlobalRemove(void* data, uint32_t id);
    static void NodeInfo(void* data, const pw_node_info* info);
    static void NodeParam(void* data, int seq, uint32_t id, uint32_t index, uint32_t next,
                          const spa_pod* param);
    Node* Find(uint64_t serial);
    void Report();

    const std::shared_ptr<PipeWireConnection> connection_;
    const Changed changed_;
    PwProxyPtr registry_;
    spa_hook registryListener_{};
    // nodes_ is changed on the loop thread; mutex_ lets other threads read it.
    mutable std::mutex mutex_;
    std::map<uint32_t, std::unique_ptr<Node>> nodes_;
    bool listed_ = false; // the first listing is complete; reports start then
};
