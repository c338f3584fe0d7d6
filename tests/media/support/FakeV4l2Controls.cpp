// The fake camera's controls: the extended-control ioctls, menus and control events.
#include "tests/media/support/FakeV4l2Access.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

FakeV4l2Access::ControlState* FakeV4l2Access::FindControl(const std::string& path, uint32_t id) {
    const auto device = controls_.find(path);
    if (device == controls_.end())
        return nullptr;
    for (ControlState& state : device->second)
        if (state.control.id == id)
            return &state;
    return nullptr;
}

uint32_t FakeV4l2Access::FlagsOf(const std::string& path, const ControlState& state) {
    uint32_t flags = state.control.flags;
    if (state.control.master) {
        const ControlState* master = FindControl(path, state.control.master);
        if (master && master->value != state.control.activeWhenMaster)
            flags |= V4L2_CTRL_FLAG_INACTIVE;
    }
    return flags;
}

void FakeV4l2Access::QueueEvent(const std::string& path, const ControlState& state, uint32_t changes) {
    v4l2_event event{};
    event.type = V4L2_EVENT_CTRL;
    event.id = state.control.id;
    event.u.ctrl.changes = changes;
    event.u.ctrl.type = state.control.type;
    event.u.ctrl.value64 = state.value;
    event.u.ctrl.flags = FlagsOf(path, state);
    event.u.ctrl.minimum = static_cast<int32_t>(state.control.minimum);
    event.u.ctrl.maximum = static_cast<int32_t>(state.control.maximum);
    event.u.ctrl.step = static_cast<int32_t>(state.control.step);
    event.u.ctrl.default_value = static_cast<int32_t>(state.control.defaultValue);
    for (auto& [fd, open] : open_)
        if (open.node.path == path && open.subscribed.count(state.control.id))
            open.events.push_back(event);
}

void FakeV4l2Access::SetControl(const std::string& path, ControlState& state, int64_t value) {
    state.value = value;
    QueueEvent(path, state, V4L2_EVENT_CTRL_CH_VALUE);
    for (ControlState& other : controls_[path])
        if (other.control.master == state.control.id)
            QueueEvent(path, other, V4L2_EVENT_CTRL_CH_FLAGS);
}

int FakeV4l2Access::ControlIoctl(OpenNode& open, unsigned long request, void* argument) {
    const std::string& path = open.node.path;
    if (open.unplugged) {
        errno = ENODEV;
        return -1;
    }
    errno = EINVAL;
    switch (request) {
    case VIDIOC_QUERY_EXT_CTRL: {
        auto* query = static_cast<v4l2_query_ext_ctrl*>(argument);
        const uint32_t next = V4L2_CTRL_FLAG_NEXT_CTRL | V4L2_CTRL_FLAG_NEXT_COMPOUND;
        auto& states = controls_[path];
        auto found = states.end();
        if (query->id & next) {
            // The driver's order is the list's: the one after the id asked about.
            const uint32_t after = query->id & ~next;
            found = after == 0 ? states.begin()
                               : std::find_if(states.begin(), states.end(), [&](const ControlState& state) {
                                     return state.control.id == after;
                                 });
            if (after != 0 && found != states.end())
                ++found;
        } else {
            found = std::find_if(states.begin(), states.end(),
                                 [&](const ControlState& state) { return state.control.id == query->id; });
        }
        if (found == states.end())
            return -1;
        const FakeV4l2Control& control = found->control;
        std::memset(query, 0, sizeof *query);
        query->id = control.id;
        query->type = control.type;
        std::strncpy(query->name, control.name.c_str(), sizeof query->name - 1);
        query->minimum = control.minimum;
        query->maximum = control.maximum;
        query->step = static_cast<uint64_t>(control.step);
        query->default_value = control.defaultValue;
        query->flags = FlagsOf(path, *found);
        query->elems = 1;
        return 0;
    }
    case VIDIOC_QUERYMENU: {
        auto* item = static_cast<v4l2_querymenu*>(argument);
        const ControlState* state = FindControl(path, item->id);
        const int64_t place = state ? int64_t{item->index} - state->control.minimum : -1;
        if (place < 0 || place >= static_cast<int64_t>(state->control.menu.size()))
            return -1;
        const std::string& name = state->control.menu[static_cast<size_t>(place)];
        if (name.empty())
            return -1; // an item the driver leaves out
        std::memset(item->name, 0, sizeof item->name);
        std::strncpy(reinterpret_cast<char*>(item->name), name.c_str(), sizeof item->name - 1);
        return 0;
    }
    case VIDIOC_G_EXT_CTRLS:
    case VIDIOC_S_EXT_CTRLS: {
        auto* controls = static_cast<v4l2_ext_controls*>(argument);
        for (uint32_t k = 0; k < controls->count; ++k) {
            v4l2_ext_control& one = controls->controls[k];
            ControlState* state = FindControl(path, one.id);
            if (!state) {
                controls->error_idx = k;
                return -1;
            }
            const bool wide = state->control.type == V4L2_CTRL_TYPE_INTEGER64;
            if (request == VIDIOC_G_EXT_CTRLS) {
                if (wide)
                    one.value64 = state->value;
                else
                    one.value = static_cast<int32_t>(state->value);
                continue;
            }
            // Like some drivers, it refuses a value under an automatic mode that is on.
            if (FlagsOf(path, *state) & (V4L2_CTRL_FLAG_READ_ONLY | V4L2_CTRL_FLAG_INACTIVE)) {
                errno = EACCES;
                return -1;
            }
            const int64_t value = state->control.type == V4L2_CTRL_TYPE_BUTTON ? 0
                                  : wide                                       ? one.value64
                                                                               : one.value;
            if (value < state->control.minimum || value > state->control.maximum) {
                errno = ERANGE;
                return -1;
            }
            ++controlWrites_;
            SetControl(path, *state, value);
        }
        return 0;
    }
    case VIDIOC_SUBSCRIBE_EVENT: {
        const auto* subscription = static_cast<v4l2_event_subscription*>(argument);
        if (subscription->type != V4L2_EVENT_CTRL || !FindControl(path, subscription->id))
            return -1;
        open.subscribed.insert(subscription->id);
        return 0;
    }
    case VIDIOC_DQEVENT: {
        if (open.events.empty()) {
            errno = ENOENT;
            return -1;
        }
        auto* event = static_cast<v4l2_event*>(argument);
        *event = open.events.front();
        open.events.pop_front();
        event->pending = static_cast<uint32_t>(open.events.size());
        return 0;
    }
    default:
        return -1;
    }
}

void FakeV4l2Access::ChangeControl(const std::string& path, uint32_t id, int64_t value) {
    std::lock_guard lock(mutex_);
    if (ControlState* state = FindControl(path, id))
        SetControl(path, *state, value);
}

int64_t FakeV4l2Access::ControlValue(const std::string& path, uint32_t id) const {
    std::lock_guard lock(mutex_);
    const auto device = controls_.find(path);
    if (device != controls_.end())
        for (const ControlState& state : device->second)
            if (state.control.id == id)
                return state.value;
    return -1;
}

int FakeV4l2Access::ControlWrites() const {
    std::lock_guard lock(mutex_);
    return controlWrites_;
}
