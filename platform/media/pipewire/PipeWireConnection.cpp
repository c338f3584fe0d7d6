#include "platform/media/pipewire/PipeWireConnection.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void InitialiseOnce() {
    // pw_init may be called more than once, but not from two threads at a time.
    static std::once_flag once;
    std::call_once(once, [] { pw_init(nullptr, nullptr); });
}

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

} // namespace

bool PipeWireConnection::SocketPresent() {
    std::string remote = Env("PIPEWIRE_REMOTE");
    if (remote.empty())
        remote = "pipewire-0";
    std::string path = remote;
    if (remote.front() != '/') {
        std::string folder = Env("PIPEWIRE_RUNTIME_DIR");
        if (folder.empty())
            folder = Env("XDG_RUNTIME_DIR");
        if (folder.empty())
            return false;
        path = folder + "/" + remote;
    }
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISSOCK(status.st_mode);
}

PipeWireConnection::PipeWireConnection(std::optional<int> descriptor) {
    InitialiseOnce();
    loop_.reset(pw_thread_loop_new("tarnolix-pipewire", nullptr));
    if (!loop_) {
        if (descriptor)
            close(*descriptor);
        throw PipeWireError(std::string("Cannot make PipeWire's loop: ") + std::strerror(errno));
    }
    context_.reset(pw_context_new(Loop(), nullptr, 0));
    if (!context_) {
        if (descriptor)
            close(*descriptor);
        throw PipeWireError(std::string("Cannot make a PipeWire context: ") + std::strerror(errno));
    }
    // Connecting is done before the loop runs, so that nothing happens on it meanwhile.
    core_.reset(descriptor ? pw_context_connect_fd(context_.get(), *descriptor, nullptr, 0)
                           : pw_context_connect(context_.get(), nullptr, 0));
    if (!core_) {
        const int error = errno;
        context_.reset();
        throw PipeWireError(std::string("No PipeWire daemon answers: ") + std::strerror(error));
    }
    // Built field by field: the structs grow with PipeWire's versions.
    static const pw_core_events events = [] {
        pw_core_events made{};
        made.version = PW_VERSION_CORE_EVENTS;
        made.done = &PipeWireConnection::CoreDone;
        made.error = &PipeWireConnection::CoreError;
        return made;
    }();
    pw_core_add_listener(core_.get(), &coreListener_, &events, this);
    if (pw_thread_loop_start(loop_.get()) < 0) {
        spa_hook_remove(&coreListener_);
        core_.reset();
        context_.reset();
        throw PipeWireError("Cannot start PipeWire's loop thread");
    }
}

PipeWireConnection::~PipeWireConnection() {
    // The loop thread is stopped first, so that no callback runs while the objects go.
    pw_thread_loop_stop(loop_.get());
    spa_hook_remove(&coreListener_);
    core_.reset();
    context_.reset();
}

void PipeWireConnection::CoreDone(void* data, uint32_t id, int seq) {
    auto* self = static_cast<PipeWireConnection*>(data);
    if (id == PW_ID_CORE && seq > self->lastDone_) {
        self->lastDone_ = seq;
        pw_thread_loop_signal(self->loop_.get(), false);
    }
}

void PipeWireConnection::CoreError(void* data, uint32_t id, int, int result, const char*) {
    auto* self = static_cast<PipeWireConnection*>(data);
    // Errors of single objects (a stream refused) reach their own listeners; the core's own
    // error with a broken pipe means that the daemon has gone.
    if (id != PW_ID_CORE || (result != -EPIPE && result != -ECONNRESET && result != -ENOTCONN))
        return;
    if (self->broken_.exchange(true))
        return;
    if (self->onBroken_) {
        try {
            self->onBroken_();
        } catch (...) {
            // Nothing may unwind through PipeWire's loop.
        }
    }
    pw_thread_loop_signal(self->loop_.get(), false);
}

bool PipeWireConnection::Sync(int milliseconds) {
    Lock lock(*this);
    if (broken_)
        return false;
    // Answers come in the order asked, so any answer to this round trip or a later one will do.
    const int seq = pw_core_sync(core_.get(), PW_ID_CORE, 0);
    if (seq < 0)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (lastDone_ < seq && !broken_) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        timespec until{};
        pw_thread_loop_get_time(loop_.get(), &until, left.count() * SPA_NSEC_PER_MSEC);
        pw_thread_loop_timed_wait_full(loop_.get(), &until);
    }
    return lastDone_ >= seq;
}
