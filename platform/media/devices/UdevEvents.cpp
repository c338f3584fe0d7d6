#include "platform/media/devices/DeviceEvents.h"

#include <libudev.h>
#include <unistd.h>

namespace {

class UdevEvents final : public DeviceEventSource {
public:
    UdevEvents(udev* context, udev_monitor* monitor) : context_(context), monitor_(monitor) {}
    ~UdevEvents() override {
        udev_monitor_unref(monitor_);
        udev_unref(context_);
    }
    UdevEvents(const UdevEvents&) = delete;
    UdevEvents& operator=(const UdevEvents&) = delete;

    int Descriptor() const override { return udev_monitor_get_fd(monitor_); }

    bool Drain() override {
        bool any = false;
        while (udev_device* device = udev_monitor_receive_device(monitor_)) {
            any = true; // the filter lets only video4linux devices through
            udev_device_unref(device);
        }
        return any;
    }

    std::string Describe() const override { return "udev"; }

private:
    udev* context_;
    udev_monitor* monitor_;
};

} // namespace

std::unique_ptr<DeviceEventSource> MakeUdevEvents() {
    // Without the daemon's control socket no "udev" events would ever come.
    if (access("/run/udev/control", F_OK) != 0)
        return nullptr;
    udev* context = udev_new();
    if (!context)
        return nullptr;
    udev_monitor* monitor = udev_monitor_new_from_netlink(context, "udev");
    if (!monitor || udev_monitor_filter_add_match_subsystem_devtype(monitor, "video4linux", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor) < 0) {
        if (monitor)
            udev_monitor_unref(monitor);
        udev_unref(context);
        return nullptr;
    }
    return std::make_unique<UdevEvents>(context, monitor);
}
