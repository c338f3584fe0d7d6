#include "platform/media/cameras/V4l2Controls.h"

#include <cerrno>
#include <cstring>
#include <linux/videodev2.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

// How long the event thread waits at a time; the device or the wake-up ends a wait sooner.
constexpr int kWatchMilliseconds = 250;

CameraControlType TypeOf(uint32_t type) {
    switch (type) {
    case V4L2_CTRL_TYPE_INTEGER:
        return CameraControlType::Integer;
    case V4L2_CTRL_TYPE_BOOLEAN:
        return CameraControlType::Boolean;
    case V4L2_CTRL_TYPE_MENU:
        return CameraControlType::Menu;
    case V4L2_CTRL_TYPE_INTEGER_MENU:
        return CameraControlType::IntegerMenu;
    case V4L2_CTRL_TYPE_BUTTON:
        return CameraControlType::Button;
    case V4L2_CTRL_TYPE_INTEGER64:
        return CameraControlType::Integer64;
    case V4L2_CTRL_TYPE_BITMASK:
        return CameraControlType::Bitmask;
    case V4L2_CTRL_TYPE_STRING:
        return CameraControlType::String;
    case V4L2_CTRL_TYPE_CTRL_CLASS:
        return CameraControlType::Class;
    default:
        return CameraControlType::Compound;
    }
}

CameraControl Described(const v4l2_query_ext_ctrl& query) {
    CameraControl control;
    control.id = query.id;
    control.classId = V4L2_CTRL_ID2WHICH(query.id);
    control.name.assign(query.name, strnlen(query.name, sizeof query.name));
    control.type = (query.flags & V4L2_CTRL_FLAG_HAS_PAYLOAD) && query.type != V4L2_CTRL_TYPE_STRING
                       ? CameraControlType::Compound
                       : TypeOf(query.type);
    control.minimum = query.minimum;
    control.maximum = query.maximum;
    control.step = static_cast<int64_t>(query.step);
    control.defaultValue = query.default_value;
    control.value = query.default_value;
    control.readOnly = (query.flags & V4L2_CTRL_FLAG_READ_ONLY) != 0;
    control.inactive = (query.flags & V4L2_CTRL_FLAG_INACTIVE) != 0;
    control.busy = (query.flags & V4L2_CTRL_FLAG_GRABBED) != 0;
    control.updatesOthers = (query.flags & V4L2_CTRL_FLAG_UPDATE) != 0;
    return control;
}

bool HasValue(const CameraControl& control) {
    return control.type != CameraControlType::Button && control.type != CameraControlType::Class &&
           control.type != CameraControlType::Compound;
}

HRESULT ResultOf(int error) {
    switch (error) {
    case EINVAL:
    case ERANGE:
        return E_INVALIDARG;
    case EACCES:
    case EPERM:
        return E_ACCESSDENIED;
    case EBUSY:
        return HRESULT_ERROR_BUSY;
    case ENODEV:
    case ENXIO:
    case ENOENT:
        return VFW_E_NO_CAPTURE_HARDWARE;
    default:
        return E_FAIL;
    }
}

} // namespace

V4l2Controls::V4l2Controls(std::shared_ptr<V4l2Access> access, std::string path)
    : access_(std::move(access)), path_(std::move(path)), wake_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

ComPtr<ICameraControls> V4l2Controls::Create(std::shared_ptr<V4l2Access> access, std::string path) {
    return ComPtr<ICameraControls>::Adopt(new V4l2Controls(std::move(access), std::move(path)));
}

V4l2Controls::~V4l2Controls() {
    if (thread_.joinable()) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = write(wake_, &one, sizeof one);
        thread_.join();
    }
    if (fd_ >= 0)
        access_->Close(fd_);
    if (wake_ >= 0)
        close(wake_);
}

int V4l2Controls::Descriptor() {
    std::lock_guard lock(descriptorMutex_);
    if (fd_ < 0)
        fd_ = access_->OpenRaw(path_);
    return fd_;
}

bool V4l2Controls::Ioctl(unsigned long request, void* argument) {
    const int fd = Descriptor();
    if (fd < 0)
        return false;
    int result;
    do
        result = access_->Ioctl(fd, request, argument);
    while (result == -1 && errno == EINTR);
    return result != -1;
}

bool V4l2Controls::ReadValue(CameraControl& control) {
    if (!HasValue(control))
        return true;
    v4l2_ext_control one{};
    one.id = control.id;
    std::string text;
    if (control.type == CameraControlType::String) {
        text.assign(static_cast<size_t>(control.maximum) + 1, '\0');
        one.size = static_cast<uint32_t>(text.size());
        one.string = text.data();
    }
    v4l2_ext_controls request{};
    request.which = V4L2_CTRL_WHICH_CUR_VAL;
    request.count = 1;
    request.controls = &one;
    if (!Ioctl(VIDIOC_G_EXT_CTRLS, &request))
        return false;
    if (control.type == CameraControlType::String)
        control.text.assign(text.c_str());
    else if (control.type == CameraControlType::Integer64)
        control.value = one.value64;
    else
        control.value = one.value;
    return true;
}

void V4l2Controls::ForEachControl(const std::function<void(const v4l2_query_ext_ctrl&)>& visit) {
    constexpr uint32_t kNext = V4L2_CTRL_FLAG_NEXT_CTRL | V4L2_CTRL_FLAG_NEXT_COMPOUND;
    v4l2_query_ext_ctrl query{};
    query.id = kNext;
    while (Ioctl(VIDIOC_QUERY_EXT_CTRL, &query)) {
        if ((query.flags & V4L2_CTRL_FLAG_DISABLED) == 0)
            visit(query);
        const uint32_t last = query.id;
        query = {};
        query.id = last | kNext;
    }
}

HRESULT V4l2Controls::GetControls(std::vector<CameraControl>& controls) {
    controls.clear();
    if (Descriptor() < 0)
        return ResultOf(errno);
    ForEachControl([&](const v4l2_query_ext_ctrl& query) {
        CameraControl control = Described(query);
        if (control.type == CameraControlType::Menu || control.type == CameraControlType::IntegerMenu)
            for (int64_t index = control.minimum; index <= control.maximum && index >= 0; ++index) {
                v4l2_querymenu item{};
                item.id = control.id;
                item.index = static_cast<uint32_t>(index);
                if (!Ioctl(VIDIOC_QUERYMENU, &item))
                    continue; // a gap in the menu
                const auto* name = reinterpret_cast<const char*>(item.name);
                control.menu.push_back({index, control.type == CameraControlType::Menu
                                                   ? std::string(name, strnlen(name, sizeof item.name))
                                                   : std::to_string(item.value)});
            }
        ReadValue(control);
        controls.push_back(std::move(control));
    });
    return S_OK;
}

HRESULT V4l2Controls::Describe(uint32_t id, CameraControl& control) {
    v4l2_query_ext_ctrl query{};
    query.id = id;
    if (!Ioctl(VIDIOC_QUERY_EXT_CTRL, &query))
        return errno == EINVAL ? E_PROP_ID_UNSUPPORTED : ResultOf(errno);
    control = Described(query);
    return S_OK;
}

HRESULT V4l2Controls::GetControl(uint32_t id, CameraControl& control) {
    if (const HRESULT described = Describe(id, control); FAILED(described))
        return described;
    if (!ReadValue(control))
        return ResultOf(errno);
    return S_OK;
}

HRESULT V4l2Controls::Write(const CameraControl& control, int64_t value, const std::string* text) {
    if (control.readOnly)
        return E_ACCESSDENIED;
    v4l2_ext_control one{};
    one.id = control.id;
    std::string copy;
    switch (control.type) {
    case CameraControlType::Class:
    case CameraControlType::Compound:
        return E_INVALIDARG;
    case CameraControlType::String:
        if (!text || static_cast<int64_t>(text->size()) > control.maximum)
            return E_INVALIDARG;
        copy = *text;
        one.size = static_cast<uint32_t>(copy.size() + 1);
        one.string = copy.data();
        break;
    case CameraControlType::Button:
        one.value = 1;
        break;
    case CameraControlType::Integer64:
        if (text || value < control.minimum || value > control.maximum)
            return E_INVALIDARG;
        one.value64 = value;
        break;
    case CameraControlType::Bitmask:
        if (text || value < 0 ||
            (static_cast<uint64_t>(value) & ~static_cast<uint64_t>(control.maximum)) != 0)
            return E_INVALIDARG;
        one.value = static_cast<int32_t>(static_cast<uint32_t>(value));
        break;
    default:
        if (text || value < control.minimum || value > control.maximum)
            return E_INVALIDARG;
        one.value = static_cast<int32_t>(value);
        break;
    }
    v4l2_ext_controls request{};
    request.which = V4L2_CTRL_WHICH_CUR_VAL;
    request.count = 1;
    request.controls = &one;
    return Ioctl(VIDIOC_S_EXT_CTRLS, &request) ? S_OK : ResultOf(errno);
}

// Only the description: a write needs the range and kind, not the value now.
HRESULT V4l2Controls::SetValue(uint32_t id, int64_t value) {
    CameraControl control;
    if (const HRESULT found = Describe(id, control); FAILED(found))
        return found;
    return Write(control, value, nullptr);
}

HRESULT V4l2Controls::SetText(uint32_t id, const std::string& text) {
    CameraControl control;
    if (const HRESULT found = Describe(id, control); FAILED(found))
        return found;
    return Write(control, 0, &text);
}

bool V4l2Controls::Subscribe() {
    if (Descriptor() < 0)
        return false;
    // The ids only: neither values nor menus are read for it.
    ForEachControl([&](const v4l2_query_ext_ctrl& query) {
        if (query.type == V4L2_CTRL_TYPE_CTRL_CLASS)
            return;
        v4l2_event_subscription subscription{};
        subscription.type = V4L2_EVENT_CTRL;
        subscription.id = query.id;
        subscription.flags = V4L2_EVENT_SUB_FL_ALLOW_FEEDBACK;
        Ioctl(VIDIOC_SUBSCRIBE_EVENT, &subscription); // a control without events is only not followed
    });
    return true;
}

HRESULT V4l2Controls::Advise(CameraControlHandler handler, uint32_t* cookie) {
    if (!handler || !cookie)
        return E_POINTER;
    {
        std::lock_guard lock(threadMutex_);
        if (!thread_.joinable() && wake_ >= 0 && Subscribe())
            thread_ = std::thread(&V4l2Controls::Watch, this);
    }
    *cookie = handlers_.Add(std::move(handler));
    return S_OK;
}

HRESULT V4l2Controls::Unadvise(uint32_t cookie) {
    return handlers_.Remove(cookie) ? S_OK : E_INVALIDARG;
}

void V4l2Controls::Announce(uint32_t id) {
    CameraControl control;
    if (FAILED(GetControl(id, control)))
        return;
    handlers_.Tell(control);
}

void V4l2Controls::Watch() {
    for (;;) {
        pollfd descriptors[2] = {{fd_, POLLPRI, 0}, {wake_, POLLIN, 0}};
        const int ready = access_->Poll(descriptors, 2, kWatchMilliseconds);
        if (ready < 0 && errno != EINTR)
            return;
        if (descriptors[1].revents)
            return;
        if (descriptors[0].revents & (POLLERR | POLLHUP | POLLNVAL))
            return; // the device went away
        if ((descriptors[0].revents & POLLPRI) == 0)
            continue;
        v4l2_event event{};
        while (Ioctl(VIDIOC_DQEVENT, &event)) {
            if (event.type == V4L2_EVENT_CTRL)
                Announce(event.id);
            event = {};
        }
    }
}
