#include "platform/media/outputs/LoopbackDevices.h"

#include <cerrno>
#include <cstring>
#include <linux/videodev2.h>
#include <sstream>

// How v4l2loopback (0.12) shows a writer, without asking anything that changes its state:
//  - With exclusive_caps=1 a node advertises V4L2_CAP_VIDEO_OUTPUT only while no writer streams
//    (a writer's STREAMON or first write(2) takes it away; a streaming writer's close gives it
//    back). Without the output capability and with a format fixed, another program writes, or
//    wrote with write(2) alone and its readers still hold that format: either way not ours.
//  - With exclusive_caps=0 both capabilities are always advertised. The sysfs `format` attribute
//    is non-empty while a format is fixed (a writer streamed or wrote, and the node is still
//    open, or keep_format is set); with other processes holding the node open as well, one of
//    them may be writing, and the node is left alone even if they are only readers.
//  - exclusive_caps is a read-only module parameter, one Y or N per device in the order of the
//    bus info's number ("platform:v4l2loopback-003"). Where it cannot be read, a node with the
//    output capability is taken as exclusive_caps=0, the careful reading.
// TRY_FMT on the output type is never used here: this driver stores what it was asked as the
// device's format.
namespace {

constexpr const char* kDriver = "v4l2 loopback";

std::string FieldText(const uint8_t* field, size_t size) {
    const auto* text = reinterpret_cast<const char*>(field);
    return std::string(text, strnlen(text, size));
}

// The device's number in the module's parameter arrays, from "platform:v4l2loopback-NNN".
int DeviceNumber(const std::string& busInfo) {
    const size_t dash = busInfo.rfind('-');
    if (busInfo.find("v4l2loopback") == std::string::npos || dash == std::string::npos)
        return -1;
    try {
        return std::stoi(busInfo.substr(dash + 1));
    } catch (const std::exception&) {
        return -1;
    }
}

// The device's exclusive_caps: 1, 0, or -1 when the parameter cannot be read.
int ExclusiveCaps(V4l2Access& access, int number) {
    const std::string values = access.ModuleParameter("v4l2loopback", "exclusive_caps");
    std::istringstream list(values);
    std::string value;
    for (int k = 0; std::getline(list, value, ','); ++k)
        if (k == number)
            return value == "Y" || value == "1" ? 1 : value == "N" || value == "0" ? 0 : -1;
    return -1;
}

// The capability query of a node opened for it alone; false when it cannot be opened or asked.
bool QueryCapability(V4l2Access& access, const std::string& path, v4l2_capability& capability) {
    const int fd = access.OpenRaw(path);
    if (fd < 0)
        return false;
    int result;
    do
        result = access.Ioctl(fd, VIDIOC_QUERYCAP, &capability);
    while (result == -1 && errno == EINTR);
    access.Close(fd);
    return result == 0;
}

} // namespace

std::vector<LoopbackOutput> ListLoopbackOutputs(V4l2Access& access) {
    std::vector<LoopbackOutput> outputs;
    for (const std::string& path : access.VideoNodes()) {
        v4l2_capability capability{};
        if (!QueryCapability(access, path, capability) ||
            FieldText(capability.driver, sizeof capability.driver) != kDriver)
            continue;
        LoopbackOutput output;
        output.path = path;
        output.card = FieldText(capability.card, sizeof capability.card);
        const uint32_t caps =
            capability.capabilities & V4L2_CAP_DEVICE_CAPS ? capability.device_caps : capability.capabilities;
        const bool canOutput = caps & V4L2_CAP_VIDEO_OUTPUT;
        const int exclusive =
            canOutput ? ExclusiveCaps(
                            access, DeviceNumber(FieldText(capability.bus_info, sizeof capability.bus_info)))
                      : 1;
        output.fixedFormat = access.NodeAttribute(path, "format");
        const bool fixed = !output.fixedFormat.empty();
        output.otherWriter =
            exclusive == 1 ? !canOutput && fixed : fixed && access.OtherProcessesHolding(path) > 0;
        output.free = !output.otherWriter;
        if (output.otherWriter)
            output.problem = "another program writes to it (format " + output.fixedFormat + ")";
        outputs.push_back(std::move(output));
    }
    return outputs;
}

LoopbackOutput ChooseLoopbackOutput(const std::vector<LoopbackOutput>& outputs,
                                    const std::string& requested) {
    if (!requested.empty()) {
        for (const LoopbackOutput& output : outputs) {
            if (output.path != requested && output.card != requested)
                continue;
            if (!output.free)
                throw VirtualCameraError("The virtual camera device " + requested + " (" + output.path +
                                         ") cannot be used: " + output.problem + ".");
            return output;
        }
        throw VirtualCameraError(
            "There is no v4l2loopback device " + requested +
            " (give a /dev/videoN path or a card label of a loaded v4l2loopback device).");
    }
    for (const LoopbackOutput& output : outputs)
        if (output.free && output.card == kVirtualCameraLabel)
            return output;
    for (const LoopbackOutput& output : outputs)
        if (output.free)
            return output;
    const std::string why = outputs.empty()
                                ? "Nie znaleziono urządzenia v4l2loopback."
                                : "Wszystkie urządzenia v4l2loopback są zajęte przez inne programy.";
    throw VirtualCameraError(
        why + " Aby użyć wirtualnej kamery, zainstaluj pakiet v4l2loopback-dkms i załaduj moduł "
              "poleceniem:\nsudo modprobe v4l2loopback card_label=Tarnolix exclusive_caps=1");
}
