#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

struct pollfd;

// The calls that the V4L2 capture sources make to the system, behind an interface so that
// tests can present device nodes of their own. The system's access goes through libv4l2,
// which converts whatever a camera sends to 24-bit BGR. Implementations may be used from any
// thread.
class V4l2Access {
public:
    virtual ~V4l2Access() = default;

    // The /dev/videoN nodes present, in order of N.
    virtual std::vector<std::string> VideoNodes() = 0;
    // A name of the node that survives re-plugging and renumbering (a /dev/v4l/by-id link to it)
    // where the system offers one, else the node's path.
    virtual std::string StableIdentity(const std::string& node) = 0;
    // The node a stable identity (or a plain path) names now; empty when there is none.
    virtual std::string ResolveIdentity(const std::string& identity) = 0;
    // open, close and ioctl with the system's conventions: -1 and errno on failure.
    virtual int Open(const std::string& node) = 0;
    virtual int Close(int fd) = 0;
    virtual int Ioctl(int fd, unsigned long request, void* argument) = 0;
    // Streaming: a device buffer mapped into memory (null and errno on failure), its unmapping,
    // and poll over the device and other descriptors.
    virtual void* Mmap(int fd, size_t length, int64_t offset) = 0;
    virtual int Munmap(void* address, size_t length) = 0;
    virtual int Poll(pollfd* descriptors, size_t count, int timeoutMilliseconds) = 0;

    // For nodes that are no camera, such as a loopback device's writing side: open(2) without
    // libv4l2 (which takes every node that can capture for a camera, and refuses a loopback node
    // that has no picture yet), and write(2). Ioctl and Close serve these descriptors too. An
    // access without them opens as Open does and fails to write (ENOSYS).
    virtual int OpenRaw(const std::string& node);
    virtual ssize_t Write(int fd, const void* bytes, size_t size);
    // What the system tells of a node besides its ioctls, all best effort: an attribute its driver
    // publishes (/sys/class/video4linux/videoN/<name>) and a parameter of a loaded module
    // (/sys/module/<module>/parameters/<name>), without the final line break, empty when there is
    // none; and how many other processes have the node open, as far as /proc/*/fd shows them.
    // An access without them knows nothing (empty, 0).
    virtual std::string NodeAttribute(const std::string& node, const std::string& name);
    virtual std::string ModuleParameter(const std::string& module, const std::string& name);
    virtual int OtherProcessesHolding(const std::string& node);

    // The access in use: the system's unless a test installed its own.
    static std::shared_ptr<V4l2Access> Current();
    // Installs an access (null: the system's again) and returns the one it replaces.
    static std::shared_ptr<V4l2Access> Install(std::shared_ptr<V4l2Access> access);
};

// An open device node, closed when it goes out of scope.
class V4l2Node {
public:
    V4l2Node(std::shared_ptr<V4l2Access> access, const std::string& path);
    ~V4l2Node();
    V4l2Node(const V4l2Node&) = delete;
    V4l2Node& operator=(const V4l2Node&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    // ioctl on the node, repeated while interrupted; false when it fails.
    bool Ioctl(unsigned long request, void* argument) const;

private:
    std::shared_ptr<V4l2Access> access_;
    int fd_ = -1;
};
