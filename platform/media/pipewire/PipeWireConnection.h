#pragma once

#include "platform/media/pipewire/PipeWireHandles.h"
#include "platform/runtime/Exception.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

// No PipeWire daemon answered, or it refused the connection.
TARNOLIX_DECLARE_ERROR(PipeWireError, Exception);

// One connection to a PipeWire daemon: a thread loop of its own (PipeWire's callbacks run on
// it), a context and the core. Connects the plain way (the daemon's socket in the runtime
// folder, or PIPEWIRE_REMOTE) or on a descriptor that someone else opened, such as the Camera
// portal's. Calls on the core and anything made from it are made with the loop's lock held
// (`Lock`), from any thread but the loop's, where callbacks already hold it.
//
// When the daemon goes away (or the core reports a fatal error), the connection is broken for
// good: `Broken` turns true and `onBroken` runs on the loop thread. A new connection is made
// afresh.
class PipeWireConnection {
public:
    // The loop's lock, held while it lives. Not for the loop thread itself.
    class Lock {
    public:
        explicit Lock(const PipeWireConnection& connection) : loop_(connection.loop_.get()) {
            pw_thread_loop_lock(loop_);
        }
        ~Lock() { pw_thread_loop_unlock(loop_); }
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        pw_thread_loop* loop_;
    };

    using Broken = std::function<void()>;

    // Connects; throws PipeWireError when no daemon answers. `descriptor`, when given, is the
    // socket to talk on; the connection takes it over (and closes it on failure too).
    explicit PipeWireConnection(std::optional<int> descriptor = std::nullopt);
    ~PipeWireConnection();
    PipeWireConnection(const PipeWireConnection&) = delete;
    PipeWireConnection& operator=(const PipeWireConnection&) = delete;

    // Whether a daemon's socket is there to connect to without a descriptor: PIPEWIRE_REMOTE, or
    // "pipewire-0" in PIPEWIRE_RUNTIME_DIR, else XDG_RUNTIME_DIR. Cheap, for polling.
    static bool SocketPresent();

    // With the lock held.
    pw_core* Core() const { return core_.get(); }
    pw_loop* Loop() const { return pw_thread_loop_get_loop(loop_.get()); }
    // Whether the daemon has gone away. Any thread.
    bool IsBroken() const { return broken_.load(); }
    // Called once, on the loop thread, when the connection breaks; must not throw. Set it with
    // the lock held, before anything can break.
    void OnBroken(Broken broken) { onBroken_ = std::move(broken); }

    // Whether the descriptor came from the Camera portal, for the viewer. Set before sharing.
    void SetThroughPortal() { throughPortal_ = true; }
    bool ThroughPortal() const { return throughPortal_; }

    // A round trip to the daemon: returns once every event it sent before has been handled, or
    // false after `milliseconds` or when the connection broke. Without the lock held.
    bool Sync(int milliseconds);

private:
    static void CoreDone(void* data, uint32_t id, int seq);
    static void CoreError(void* data, uint32_t id, int seq, int result, const char* message);

    PwThreadLoopPtr loop_;
    PwContextPtr context_;
    PwCorePtr core_;
    spa_hook coreListener_{};
    std::atomic<bool> broken_{false};
    Broken onBroken_;
    bool throughPortal_ = false;
    int lastDone_ = -1; // the latest round trip answered; with the lock held
};
