#pragma once

#include "platform/media/converters/YuvRowKernels.h"

// How a camera's YUV encodes its colours, as a V4L2 driver reports them: the matrix
// (V4L2_YCBCR_ENC_601 or _709) and the quantization (V4L2_QUANTIZATION_LIM_RANGE, Y 16..235 and
// chroma 16..240, or _FULL_RANGE, 0..255). BT.601 limited is what cameras give unless they say.
enum class TYuvMatrix { Bt601, Bt709 };
enum class TYuvRange { Limited, Full };

struct TYuvEncoding {
    TYuvMatrix matrix = TYuvMatrix::Bt601;
    TYuvRange range = TYuvRange::Limited;

    friend bool operator==(const TYuvEncoding&, const TYuvEncoding&) = default;
};

// The row loops' fixed-point gains for an encoding.
TYuvCoefficients YuvCoefficients(TYuvEncoding encoding);
