#pragma once

#include "platform/media/outputs/CameraOutput.h"
#include "platform/media/outputs/OutputWriter.h"
#include "platform/media/outputs/VirtualCameraCounters.h"

#include <memory>
#include <string>

// The names the node carries, for readers that look for it.
inline constexpr const char* kPipeWireCameraNodeName = "tarnolix-camera";
inline constexpr const char* kPipeWireCameraDescription = "Tarnolix";

struct PipeWireCameraSettings {
    int width = 0; // the camera's size
    int height = 0;
    V4l2Interval interval{1, 30}; // the camera's frame interval
};

// Whether the PipeWire camera can be offered: this build has PipeWire and a daemon's socket is
// there. Cheap; any thread.
bool PipeWireCameraOutputPossible();

// The processed picture as a PipeWire camera, with no kernel module: a node of its own connection
// (media.class=Video/Source, media.role=Camera, node.name=tarnolix-camera,
// node.description=Tarnolix) that drives its graph and offers YUY2 and I420 at the camera's size
// and rate. Every reader linked to it gets each frame; a new picture size is offered anew, and the
// links negotiate it again. The streaming thread only stamps and wakes the writer thread
// (OutputWriter, shared with the loopback output), which takes a free buffer of the node,
// converts the window's picture straight into it under the window's lock and queues it. No free
// buffer (readers that do not keep up) drops the frame. Throws VirtualCameraError when no daemon
// answers or the node cannot be made; the daemon going away or the node failing later stops the
// writing (Failure).
std::unique_ptr<CameraOutput> MakePipeWireCameraOutput(const PipeWireCameraSettings& settings,
                                                       PictureReader reader);
