#pragma once

#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "platform/media/core/CameraControlHandlers.h"
#include "platform/media/core/CameraControlInterfaces.h"
#include "platform/media/pipewire/PipeWireCameraList.h"
#include "platform/media/pipewire/PipeWireControlInfo.h"

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

// A PipeWire camera node's settings as the node publishes them (PropInfo and Props; see
// PipeWireControlInfo). Every question reads them afresh, with a round trip to the daemon, so a
// node's changed ranges or values are never stale; a value is set through the node's Props,
// which the node applies while it streams, and counts as set once the node shows it. A node
// that publishes none has no controls.
//
// Handlers hear of the values the node announces (its Props param changing, whoever changed it)
// on PipeWire's loop thread, where they must not call back into this object; the dialog's
// handler only posts to its window. Made and released on any thread but the loop's.
class PipeWireControls final : public ComObject<ICameraControls> {
public:
    static ComPtr<ICameraControls> Create(std::shared_ptr<PipeWireCameraList> cameras, uint64_t serial);

    HRESULT GetControls(std::vector<CameraControl>& controls) override;
    HRESULT GetControl(uint32_t id, CameraControl& control) override;
    HRESULT SetValue(uint32_t id, int64_t value) override;
    HRESULT SetText(uint32_t id, const std::string& text) override;
    HRESULT Advise(CameraControlHandler handler, uint32_t* cookie) override;
    HRESULT Unadvise(uint32_t cookie) override;

private:
    // What one reading brought: the described settings, and the Props object's bytes.
    struct Reading {
        std::vector<PipeWireControlInfo> infos;
        std::vector<uint8_t> props;
    };

    PipeWireControls(std::shared_ptr<PipeWireCameraList> cameras, uint64_t serial);
    ~PipeWireControls() override;

    static void Param(void* data, int seq, uint32_t id, uint32_t index, uint32_t next, const spa_pod* param);
    static void ProxyError(void* data, int seq, int result, const char* message);

    // The node's settings with their values now.
    HRESULT Read(std::vector<PipeWireControlInfo>& infos);
    HRESULT Find(uint32_t id, PipeWireControlInfo& info);
    HRESULT Write(const PipeWireControlInfo& info, int64_t value, const std::string* text);
    // Whether the node shows the value asked for (or another it rounded it to) soon after.
    HRESULT Taken(const PipeWireControlInfo& asked, int64_t value, const std::string* text);
    // Loop thread: the values in a Props object that differ from those last known, told.
    void Announce(const spa_pod* props);

    const std::shared_ptr<PipeWireCameraList> cameras_;
    const std::shared_ptr<PipeWireConnection> connection_;
    const uint64_t serial_;

    // With the loop's lock held.
    PwProxyPtr node_;
    spa_hook nodeListener_{};
    spa_hook proxyListener_{};
    std::map<int, std::shared_ptr<Reading>> pending_; // readings under way, by their calls' seqs
    std::vector<PipeWireControlInfo> known_;          // as last read or announced
    int errors_ = 0;                                  // the node's refusals so far
    int lastError_ = 0;                               // the latest one's negative errno
    bool subscribed_ = false;
    std::set<uint32_t> ignored_; // settings the node did not take: read-only from then on
    bool tookAny_ = false;       // the node has taken a value
    bool takesNone_ = false;     // the first value it was given was not taken: all are read-only

    // Its mutex is taken after the loop's lock, never before it.
    CameraControlHandlers handlers_;
};
