#pragma once

// The capture layer's components, for the main window to include at once: the filter graph, the
// capture source, the sample grabber (with the frame copy) and the video window.
#include "capture/Filter.h"
#include "capture/FilterGraph.h"
#include "capture/FrameCopy.h"
#include "capture/SampleGrabberComponent.h"
#include "capture/VideoWindow.h"
