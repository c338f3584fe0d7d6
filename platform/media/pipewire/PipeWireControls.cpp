#include "platform/media/pipewire/PipeWireControls.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <spa/param/param.h>
#include <spa/param/props.h>
#include <thread>

namespace {

constexpr int kAnswerMilliseconds = 2000;
// How long a node has to show a value it was given: a program's node takes it on its own thread.
constexpr auto kTakeTime = std::chrono::milliseconds(500);
constexpr auto kLookAgain = std::chrono::milliseconds(10);

HRESULT ResultOf(int negativeErrno) {
    switch (-negativeErrno) {
    case EINVAL:
    case ERANGE:
        return E_INVALIDARG;
    case EACCES:
    case EPERM:
        return E_ACCESSDENIED;
    case EBUSY:
        return HRESULT_ERROR_BUSY;
    case ENOENT:
    case ENOTSUP:
        return E_PROP_ID_UNSUPPORTED;
    case ENODEV:
    case ENXIO:
        return VFW_E_NO_CAPTURE_HARDWARE;
    default:
        return E_FAIL;
    }
}

const spa_pod* PodOf(const std::vector<uint8_t>& bytes) {
    return bytes.size() >= sizeof(spa_pod) ? reinterpret_cast<const spa_pod*>(bytes.data()) : nullptr;
}

} // namespace

ComPtr<ICameraControls> PipeWireControls::Create(std::shared_ptr<PipeWireCameraList> cameras,
                                                 uint64_t serial) {
    return ComPtr<ICameraControls>::Adopt(new PipeWireControls(std::move(cameras), serial));
}

PipeWireControls::PipeWireControls(std::shared_ptr<PipeWireCameraList> cameras, uint64_t serial)
    : cameras_(std::move(cameras)), connection_(cameras_->Connection()), serial_(serial) {
    // Built field by field: the structs grow with PipeWire's versions.
    static const pw_node_events nodeEvents = [] {
        pw_node_events made{};
        made.version = PW_VERSION_NODE_EVENTS;
        made.param = &PipeWireControls::Param;
        return made;
    }();
    static const pw_proxy_events proxyEvents = [] {
        pw_proxy_events made{};
        made.version = PW_VERSION_PROXY_EVENTS;
        made.error = &PipeWireControls::ProxyError;
        return made;
    }();
    PipeWireConnection::Lock lock(*connection_);
    node_ = cameras_->BindNode(serial_);
    if (!node_)
        return;
    pw_node_add_listener(reinterpret_cast<pw_node*>(node_.get()), &nodeListener_, &nodeEvents, this);
    pw_proxy_add_listener(node_.get(), &proxyListener_, &proxyEvents, this);
}

PipeWireControls::~PipeWireControls() {
    PipeWireConnection::Lock lock(*connection_);
    if (!node_)
        return;
    spa_hook_remove(&nodeListener_);
    spa_hook_remove(&proxyListener_);
    node_.reset();
}

void PipeWireControls::Param(void* data, int seq, uint32_t id, uint32_t, uint32_t, const spa_pod* param) {
    auto* self = static_cast<PipeWireControls*>(data);
    if (!param)
        return;
    try {
        const auto pending = self->pending_.find(seq);
        if (pending == self->pending_.end()) {
            if (id == SPA_PARAM_Props)
                self->Announce(param);
            return;
        }
        Reading& reading = *pending->second;
        if (id == SPA_PARAM_PropInfo) {
            auto info = PipeWireControlFromPropInfo(param);
            // Two settings the same control would be: the first keeps it.
            if (info && std::none_of(reading.infos.begin(), reading.infos.end(),
                                     [&](const auto& known) { return known.control.id == info->control.id; }))
                reading.infos.push_back(std::move(*info));
        } else if (id == SPA_PARAM_Props) {
            const auto* bytes = reinterpret_cast<const uint8_t*>(param);
            reading.props.assign(bytes, bytes + SPA_POD_SIZE(param));
        }
    } catch (...) {
        // Nothing may unwind through PipeWire's loop; the reading is only short.
    }
}

void PipeWireControls::ProxyError(void* data, int, int result, const char*) {
    auto* self = static_cast<PipeWireControls*>(data);
    ++self->errors_;
    self->lastError_ = result;
}

HRESULT PipeWireControls::Read(std::vector<PipeWireControlInfo>& infos) {
    const auto shared = std::make_shared<Reading>();
    int seqs[2];
    {
        PipeWireConnection::Lock lock(*connection_);
        if (!node_)
            return VFW_E_NO_CAPTURE_HARDWARE;
        // The answers carry the seq each call returns.
        auto* node = reinterpret_cast<pw_node*>(node_.get());
        seqs[0] = pw_node_enum_params(node, 0, SPA_PARAM_PropInfo, 0, UINT32_MAX, nullptr);
        seqs[1] = pw_node_enum_params(node, 0, SPA_PARAM_Props, 0, UINT32_MAX, nullptr);
        for (const int seq : seqs)
            pending_[seq] = shared;
    }
    // The daemon answers in order: the params have all come before the round trip's end.
    const bool answered = connection_->Sync(kAnswerMilliseconds);
    Reading reading;
    {
        PipeWireConnection::Lock lock(*connection_);
        for (const int seq : seqs)
            pending_.erase(seq);
        reading = std::move(*shared);
        if (answered) {
            const spa_pod* props = PodOf(reading.props);
            for (PipeWireControlInfo& info : reading.infos) {
                if (props)
                    PipeWireReadValue(props, info, info.control);
                info.control.readOnly = takesNone_ || ignored_.count(info.control.id) != 0;
            }
            known_ = reading.infos;
        }
    }
    if (!answered || !cameras_->Listed(serial_))
        return VFW_E_NO_CAPTURE_HARDWARE;
    infos = std::move(reading.infos);
    return S_OK;
}

HRESULT PipeWireControls::GetControls(std::vector<CameraControl>& controls) {
    controls.clear();
    std::vector<PipeWireControlInfo> infos;
    if (const HRESULT read = Read(infos); FAILED(read))
        return read;
    for (PipeWireControlInfo& info : infos)
        controls.push_back(std::move(info.control));
    return S_OK;
}

HRESULT PipeWireControls::Find(uint32_t id, PipeWireControlInfo& info) {
    std::vector<PipeWireControlInfo> infos;
    if (const HRESULT read = Read(infos); FAILED(read))
        return read;
    const auto found = std::find_if(infos.begin(), infos.end(), [id](const PipeWireControlInfo& known) {
        return known.control.id == id;
    });
    if (found == infos.end())
        return E_PROP_ID_UNSUPPORTED;
    info = std::move(*found);
    return S_OK;
}

HRESULT PipeWireControls::GetControl(uint32_t id, CameraControl& control) {
    PipeWireControlInfo info;
    if (const HRESULT found = Find(id, info); FAILED(found))
        return found;
    control = std::move(info.control);
    return S_OK;
}

HRESULT PipeWireControls::Write(const PipeWireControlInfo& info, int64_t value, const std::string* text) {
    const CameraControl& control = info.control;
    if (control.readOnly)
        return E_ACCESSDENIED;
    if (control.type == CameraControlType::Compound || control.type == CameraControlType::Class ||
        (control.type == CameraControlType::String) != (text != nullptr))
        return E_INVALIDARG;
    if (text && static_cast<int64_t>(text->size()) > control.maximum)
        return E_INVALIDARG;
    if (!text && (value < control.minimum || value > control.maximum))
        return E_INVALIDARG;
    if (!text && !control.menu.empty() &&
        std::none_of(control.menu.begin(), control.menu.end(),
                     [value](const CameraControlMenuItem& item) { return item.index == value; }))
        return E_INVALIDARG;
    std::vector<uint8_t> buffer(256 + (text ? text->size() : 0));
    spa_pod_builder builder{};
    spa_pod_builder_init(&builder, buffer.data(), static_cast<uint32_t>(buffer.size()));
    const spa_pod* props = PipeWireBuildProps(builder, info, value, text);
    if (!props)
        return E_INVALIDARG;
    int errorsBefore;
    {
        PipeWireConnection::Lock lock(*connection_);
        if (!node_)
            return VFW_E_NO_CAPTURE_HARDWARE;
        errorsBefore = errors_;
        pw_node_set_param(reinterpret_cast<pw_node*>(node_.get()), SPA_PARAM_Props, 0, props);
    }
    // A refusal comes back before the round trip's end.
    if (!connection_->Sync(kAnswerMilliseconds))
        return VFW_E_NO_CAPTURE_HARDWARE;
    {
        PipeWireConnection::Lock lock(*connection_);
        if (errors_ != errorsBefore)
            return ResultOf(lastError_);
    }
    return Taken(info, value, text);
}

HRESULT PipeWireControls::Taken(const PipeWireControlInfo& asked, int64_t value, const std::string* text) {
    const CameraControl& before = asked.control;
    // Nothing to see: an action, the value the node has, or one less than a step from it, which
    // the node may round back.
    if (before.type == CameraControlType::Button || (text ? *text == before.text : value == before.value) ||
        (!text && std::llabs(value - before.value) < before.step))
        return S_OK;
    // Some nodes take a Props object without a word and keep their values (PipeWire 0.3's V4L2
    // nodes): what did not change in time was not taken, and the setting is read-only from then;
    // so is every setting of a node that never took one, rather than each costing the wait.
    const auto deadline = std::chrono::steady_clock::now() + kTakeTime;
    for (;;) {
        PipeWireControlInfo now;
        if (const HRESULT found = Find(before.id, now); FAILED(found))
            return found;
        if (text ? now.control.text != before.text : now.control.value != before.value) {
            PipeWireConnection::Lock lock(*connection_);
            tookAny_ = true;
            return S_OK; // taken, perhaps rounded to the node's step
        }
        if (std::chrono::steady_clock::now() >= deadline)
            break;
        std::this_thread::sleep_for(kLookAgain);
    }
    PipeWireConnection::Lock lock(*connection_);
    ignored_.insert(before.id);
    takesNone_ = !tookAny_;
    return E_ACCESSDENIED;
}

HRESULT PipeWireControls::SetValue(uint32_t id, int64_t value) {
    PipeWireControlInfo info;
    if (const HRESULT found = Find(id, info); FAILED(found))
        return found;
    return Write(info, value, nullptr);
}

HRESULT PipeWireControls::SetText(uint32_t id, const std::string& text) {
    PipeWireControlInfo info;
    if (const HRESULT found = Find(id, info); FAILED(found))
        return found;
    return Write(info, 0, &text);
}

HRESULT PipeWireControls::Advise(CameraControlHandler handler, uint32_t* cookie) {
    if (!handler || !cookie)
        return E_POINTER;
    // The values now, to tell the node's announcements from what is already known.
    std::vector<PipeWireControlInfo> infos;
    Read(infos);
    PipeWireConnection::Lock lock(*connection_);
    if (!subscribed_ && node_) {
        uint32_t ids[] = {SPA_PARAM_Props};
        pw_node_subscribe_params(reinterpret_cast<pw_node*>(node_.get()), ids, 1);
        subscribed_ = true;
    }
    *cookie = handlers_.Add(std::move(handler));
    return S_OK;
}

HRESULT PipeWireControls::Unadvise(uint32_t cookie) {
    return handlers_.Remove(cookie) ? S_OK : E_INVALIDARG;
}

void PipeWireControls::Announce(const spa_pod* props) {
    std::vector<CameraControl> changed;
    for (PipeWireControlInfo& info : known_) {
        CameraControl now = info.control;
        if (!PipeWireReadValue(props, info, now) ||
            (now.value == info.control.value && now.text == info.control.text))
            continue;
        info.control.value = now.value;
        info.control.text = now.text;
        now.menu.clear();
        changed.push_back(std::move(now));
    }
    for (const CameraControl& control : changed)
        handlers_.Tell(control);
}
