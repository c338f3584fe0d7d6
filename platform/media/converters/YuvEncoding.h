#pragma once

#include "platform/media/converters/YuvRowKernels.h"
#include "platform/media/core/VideoFormat.h"

// The row loops' fixed-point gains for an encoding.
TYuvCoefficients YuvCoefficients(TYuvEncoding encoding);
