#include "platform/media/pipewire/PipeWireCameras.h"

#include "platform/media/pipewire/CameraPortal.h"
#include "platform/media/pipewire/PipeWireCameraList.h"
#include "platform/media/pipewire/PipeWireControls.h"
#include "platform/media/pipewire/PipeWireFrameSource.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <optional>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace {

constexpr int kListingMilliseconds = 2000;
constexpr auto kLookAgain = std::chrono::seconds(1);

PipeWireCameraEntry EntryOf(const PipeWireCamera& camera) {
    return {camera.serial,
            camera.Property(PW_KEY_NODE_NAME),
            camera.Property(PW_KEY_NODE_DESCRIPTION),
            camera.Property(PW_KEY_DEVICE_API),
            camera.Property("api.v4l2.path"),
            camera.Property(PW_KEY_DEVICE_BUS_PATH),
            camera.Property(PW_KEY_OBJECT_PATH)};
}

// The session: a connection with its camera list while a daemon answers, and a thread that
// drops a broken one and connects again.
class Session {
public:
    Session() : changes_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)), portal_(CameraPortalWanted()) {
        // The portal may wait for the user: it is asked on the session's thread.
        if (!portal_)
            Connect();
        thread_ = std::thread([this] { Run(); });
    }
    ~Session() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        thread_.join();
        list_.reset();
        if (changes_ >= 0)
            close(changes_);
    }

    std::shared_ptr<PipeWireCameraList> List() {
        std::lock_guard lock(mutex_);
        return list_;
    }
    int Changes() const { return changes_; }
    std::string TakeNotice() {
        std::lock_guard lock(mutex_);
        return std::exchange(notice_, {});
    }

private:
    void Signal() {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = write(changes_, &one, sizeof one);
    }

    // Not on the loop thread: a connection is made and dropped here or by the first listing.
    void Connect() {
        if (!PipeWireConnection::SocketPresent() || refused_)
            return;
        std::optional<int> descriptor;
        if (portal_) {
            const CameraPortalAnswer answer = AskCameraPortal([this] {
                std::lock_guard lock(mutex_);
                return !stopping_;
            });
            if (answer.outcome == CameraPortalAnswer::Outcome::Refused) {
                std::fprintf(stderr, "tarnolix: the Camera portal refused access to the cameras (%s)\n",
                             answer.detail.c_str());
                refused_ = true;
                {
                    std::lock_guard lock(mutex_);
                    notice_ = kCameraAccessRefused;
                }
                Signal();
                return;
            }
            if (answer.outcome == CameraPortalAnswer::Outcome::Absent) {
                std::fprintf(stderr, "tarnolix: %s; connecting to PipeWire directly\n",
                             answer.detail.c_str());
                portal_ = false; // asked once
            } else {
                descriptor = answer.descriptor;
            }
        }
        try {
            auto connection = std::make_shared<PipeWireConnection>(descriptor);
            if (descriptor)
                connection->SetThroughPortal();
            {
                PipeWireConnection::Lock lock(*connection);
                connection->OnBroken([this] {
                    // The loop thread only says so; the session's thread drops the connection.
                    Signal();
                    wake_.notify_all();
                });
            }
            auto list = std::make_shared<PipeWireCameraList>(connection, [this] { Signal(); });
            if (!list->WaitListed(kListingMilliseconds))
                return;
            {
                std::lock_guard lock(mutex_);
                list_ = std::move(list);
            }
            Signal();
        } catch (const std::exception& error) {
            std::fprintf(stderr, "tarnolix: PipeWire cameras are not listed: %s\n", error.what());
        }
    }

    void Run() {
        std::unique_lock lock(mutex_);
        bool first = true;
        while (!stopping_) {
            if (!std::exchange(first, false) || !portal_)
                wake_.wait_for(lock, kLookAgain);
            if (stopping_)
                return;
            if (list_ && list_->Connection()->IsBroken()) {
                // Frame sources may still hold it; the last of them lets it go.
                auto broken = std::move(list_);
                lock.unlock();
                broken.reset();
                Signal();
                lock.lock();
            }
            if (!list_) {
                lock.unlock();
                Connect();
                lock.lock();
            }
        }
    }

    const int changes_;
    // The session thread's (and the constructor's, before it runs).
    bool portal_;          // cameras come through the Camera portal
    bool refused_ = false; // the portal refused: nothing is listed
    std::mutex mutex_;     // guards list_, notice_ and stopping_
    std::string notice_;
    std::condition_variable wake_;
    std::shared_ptr<PipeWireCameraList> list_;
    bool stopping_ = false;
    std::thread thread_;
};

Session& TheSession() {
    static Session session;
    return session;
}

} // namespace

namespace PipeWireCameras {

std::vector<PipeWireCameraEntry> List() {
    if (CameraAccessFromEnvironment() == CameraAccess::V4l2)
        return {};
    std::vector<PipeWireCameraEntry> entries;
    if (const auto list = TheSession().List(); list && !list->Connection()->IsBroken())
        for (const PipeWireCamera& camera : list->Cameras())
            entries.push_back(EntryOf(camera));
    return entries;
}

std::string TakeNotice() {
    if (CameraAccessFromEnvironment() == CameraAccess::V4l2)
        return {};
    return TheSession().TakeNotice();
}

int ChangeDescriptor() {
    if (CameraAccessFromEnvironment() == CameraAccess::V4l2)
        return -1;
    return TheSession().Changes();
}

std::vector<PipeWireMode> Modes(uint64_t serial) {
    const auto list = TheSession().List();
    return list ? list->Modes(serial, kListingMilliseconds) : std::vector<PipeWireMode>{};
}

std::unique_ptr<FrameSource> MakeFrameSource(uint64_t serial, const std::string& nodeName,
                                             const VideoFormat& format, const PipeWireMode& mode) {
    auto list = TheSession().List();
    if (!list)
        return nullptr;
    return std::make_unique<PipeWireFrameSource>(std::move(list), serial, nodeName, format, mode);
}

ComPtr<ICameraControls> MakeControls(uint64_t serial) {
    auto list = TheSession().List();
    if (!list)
        return {};
    return PipeWireControls::Create(std::move(list), serial);
}

} // namespace PipeWireCameras
