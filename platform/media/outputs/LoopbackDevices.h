#pragma once

#include "platform/media/cameras/V4l2Access.h"
#include "platform/runtime/Exception.h"

#include <string>
#include <vector>

TARNOLIX_DECLARE_ERROR(VirtualCameraError, Exception);

// A v4l2loopback device node (the driver "v4l2 loopback"), whose writing side the virtual camera
// feeds.
struct LoopbackOutput {
    std::string path;
    std::string card;         // the module's card_label, or the driver's "Dummy video device (0x....)"
    bool free = false;        // it can take a writer now
    bool otherWriter = false; // another program writes to it (or may: see LoopbackDevices.cpp)
    std::string fixedFormat;  // the format it holds for its readers ("YUYV:640x480@30"), empty when none
    std::string problem;      // why it cannot take a writer, in English; empty when free
};

// Every loopback node of the access, in the order of its nodes. Each is opened without libv4l2 and
// only asked (the capability query, its sysfs format, the module's exclusive_caps, the processes
// that hold it); nothing is set, so another program's stream is not disturbed. Call it from the
// GUI thread (or any thread but the streaming one: it opens every node and reads /proc).
std::vector<LoopbackOutput> ListLoopbackOutputs(V4l2Access& access);

// The device to write to: `requested` (a path or a card label from the command line) picks exactly
// that one, or throws VirtualCameraError naming it (in English) when it is missing or not free;
// with nothing requested, the free device labelled "Tarnolix", else the first free one. When none
// is free, a VirtualCameraError in Polish, for the window to show as it is, with the command that
// loads the module and the package that has it.
LoopbackOutput ChooseLoopbackOutput(const std::vector<LoopbackOutput>& outputs,
                                    const std::string& requested = {});

// The card label the program looks for first.
inline constexpr const char* kVirtualCameraLabel = "Tarnolix";
