#include "platform/media/MediaClasses.h"

#include "platform/com/ClassRegistry.h"
#include "platform/media/converters/Classes.h"
#include "platform/media/converters/ColourConverterFilter.h"
#include "platform/media/converters/MjpegDecompressorFilter.h"
#include "platform/media/devices/DeviceMoniker.h"
#include "platform/media/devices/SystemDeviceEnum.h"
#include "platform/media/filters/SampleGrabber.h"
#include "platform/media/graph/CaptureGraphBuilder.h"
#include "platform/media/graph/FilterGraphManager.h"
#include "platform/media/renderers/MixingRenderer.h"
#include "platform/media/renderers/VideoRenderer.h"

#include <mutex>

void RegisterMediaClasses() {
    static std::once_flag once;
    std::call_once(once, [] {
        ClassRegistry& registry = ClassRegistry::Instance();
        registry.Register(CLSID_SystemDeviceEnum, &CreateComObject<SystemDeviceEnum>);
        registry.Register(CLSID_DeviceMoniker, &CreateComObject<DeviceMoniker>);
        registry.Register(CLSID_FilterGraph, &CreateComObject<FilterGraphManager>);
        registry.Register(CLSID_CaptureGraphBuilder2, &CreateComObject<CaptureGraphBuilder>);
        registry.Register(CLSID_Colour, &CreateComObject<ColourConverterFilter>);
        registry.Register(CLSID_MjpegDec, &CreateComObject<MjpegDecompressorFilter>);
        registry.Register(CLSID_SampleGrabber, &CreateComObject<SampleGrabber>);
        registry.Register(CLSID_VideoRenderer, &CreateComObject<VideoRenderer>);
        registry.Register(CLSID_VideoMixingRenderer9, &CreateComObject<MixingRenderer>);
    });
}
