#include "platform/media/converters/YuvPlanes.h"

namespace {

TPlanes420 Planes(int lumaStride, int height, size_t chromaStride, size_t chromaPlanes) {
    TPlanes420 planes;
    planes.lumaStride = static_cast<size_t>(lumaStride);
    planes.chromaStride = chromaStride;
    planes.chromaRows = (static_cast<size_t>(height) + 1) / 2;
    planes.uOffset = planes.lumaStride * static_cast<size_t>(height);
    const size_t chromaPlane = planes.chromaStride * planes.chromaRows;
    planes.vOffset = chromaPlanes == 1 ? planes.uOffset + 1 : planes.uOffset + chromaPlane;
    planes.size = planes.uOffset + chromaPlanes * chromaPlane;
    return planes;
}

} // namespace

TPlanes420 Nv12Planes(int lumaStride, int height) {
    return Planes(lumaStride, height, (static_cast<size_t>(lumaStride) + 1) / 2 * 2, 1);
}

TPlanes420 I420Planes(int lumaStride, int height) {
    return Planes(lumaStride, height, (static_cast<size_t>(lumaStride) + 1) / 2, 2);
}
