#pragma once

#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "platform/media/cameras/V4l2Access.h"
#include "platform/media/core/CameraControlHandlers.h"
#include "platform/media/core/CameraControlInterfaces.h"

#include <cstdint>
#include <functional>
#include <linux/videodev2.h>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

// A V4L2 camera's controls through a descriptor of their own, opened without libv4l2 at first
// use and kept until the object goes. Controls belong to the device, not to a descriptor, so a
// value set here acts on the stream of the capture descriptor at once, with nothing restarted.
// Change events (V4L2_EVENT_CTRL, for every control, our own changes included since a change
// of an automatic mode alters the flags of the controls under it) are subscribed with the first
// handler and read by a thread of the object's, joined when it goes; the thread ends by itself
// when the device goes away.
class V4l2Controls final : public ComObject<ICameraControls> {
public:
    static ComPtr<ICameraControls> Create(std::shared_ptr<V4l2Access> access, std::string path);

    HRESULT GetControls(std::vector<CameraControl>& controls) override;
    HRESULT GetControl(uint32_t id, CameraControl& control) override;
    HRESULT SetValue(uint32_t id, int64_t value) override;
    HRESULT SetText(uint32_t id, const std::string& text) override;
    HRESULT Advise(CameraControlHandler handler, uint32_t* cookie) override;
    HRESULT Unadvise(uint32_t cookie) override;

private:
    V4l2Controls(std::shared_ptr<V4l2Access> access, std::string path);
    ~V4l2Controls() override;

    // The descriptor, opened on first use; -1 (errno set) when the node cannot be opened.
    int Descriptor();
    bool Ioctl(unsigned long request, void* argument);
    // Every control the driver has and has not disabled, in its order, class headings included.
    void ForEachControl(const std::function<void(const v4l2_query_ext_ctrl&)>& visit);
    // The control's description (kind, range, flags), its value left at the default.
    HRESULT Describe(uint32_t id, CameraControl& control);
    // Reads a control's value (or text) into `control`; false when the driver will not say.
    bool ReadValue(CameraControl& control);
    HRESULT Write(const CameraControl& control, int64_t value, const std::string* text);
    bool Subscribe();
    void Watch();
    void Announce(uint32_t id);

    const std::shared_ptr<V4l2Access> access_;
    const std::string path_;
    std::mutex descriptorMutex_; // guards the opening of fd_; fd_ is then fixed until destruction
    int fd_ = -1;
    const int wake_; // eventfd written by the destructor to end the thread

    CameraControlHandlers handlers_;
    std::mutex threadMutex_; // guards the start of thread_
    std::thread thread_;
};
