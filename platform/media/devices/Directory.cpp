#include "platform/media/devices/Directory.h"

#include "platform/com/ClassIdText.h"
#include "platform/media/cameras/V4l2Cameras.h"
#include "platform/media/cameras/V4l2Controls.h"
#include "platform/media/cameras/V4l2FrameSource.h"
#include "platform/media/cameras/VirtualCameras.h"
#include "platform/media/core/DeviceEnumInterfaces.h"
#include "platform/media/devices/VideoDeviceProviders.h"
#include "platform/media/sources/CaptureSourceFilter.h"
#include "platform/media/sources/PatternFrameSource.h"
#include "platform/media/sources/RecordedMjpegFrameSource.h"
#include "platform/media/sources/StillImageFrameSource.h"
#include "platform/runtime/UnicodeText.h"

namespace DeviceDirectory {

namespace {

PropertyBag::Values V4l2Properties(const V4l2Camera& camera) {
    return {{u"FriendlyName", Utf8ToUtf16(camera.cardName)},
            {u"CLSID", StringFromCLSID(CLSID_V4l2CaptureSource)},
            {u"DevicePath", Utf8ToUtf16(camera.path)}};
}

PropertyBag::Values VirtualProperties(const VirtualCamera& camera) {
    return {{u"FriendlyName", Utf8ToUtf16(camera.name)},
            {u"CLSID", StringFromCLSID(CLSID_VirtualCameraSource)},
            {u"DevicePath", Utf8ToUtf16("virtual:" + camera.Entry())}};
}

PropertyBag::Values CategoryProperties(REFCLSID category) {
    return {{u"FriendlyName", u"Video Capture Sources"}, {u"CLSID", StringFromCLSID(category)}};
}

std::optional<V4l2Camera> FindV4l2(const std::u16string& identity) {
    return FindV4l2Camera(V4l2Access::Current(), Utf16ToUtf8(identity));
}

std::optional<ProvidedDevice> FindProvided(const std::u16string& id) {
    for (auto& device : VideoDeviceProviders::Devices())
        if (device.id == id)
            return std::move(device);
    return std::nullopt;
}

HRESULT QueryFilter(const ComPtr<IBaseFilter>& filter, REFIID iid, void** object) {
    return filter->QueryInterface(iid, object);
}

} // namespace

std::vector<DeviceRecord> VideoInputDevices() {
    std::vector<DeviceRecord> devices;
    for (const auto& camera : ListV4l2Cameras(V4l2Access::Current()))
        devices.push_back({{DeviceKind::V4l2, Utf8ToUtf16(camera.identity)}, V4l2Properties(camera)});
    for (const auto& camera : VirtualCamerasFromEnvironment())
        devices.push_back({{DeviceKind::Virtual, Utf8ToUtf16(camera.Entry())}, VirtualProperties(camera)});
    for (auto& device : VideoDeviceProviders::Devices())
        devices.push_back({{DeviceKind::Provided, device.id}, std::move(device.properties)});
    return devices;
}

std::vector<DeviceRecord> Categories() {
    return {{{DeviceKind::Category, StringFromCLSID(CLSID_VideoInputDeviceCategory)},
             CategoryProperties(CLSID_VideoInputDeviceCategory)}};
}

HRESULT Properties(const DeviceIdentity& identity, PropertyBag::Values& properties) {
    switch (identity.kind) {
    case DeviceKind::V4l2:
        if (const auto camera = FindV4l2(identity.id)) {
            properties = V4l2Properties(*camera);
            return S_OK;
        }
        break;
    case DeviceKind::Virtual:
        if (const auto camera = ParseVirtualCamera(Utf16ToUtf8(identity.id))) {
            properties = VirtualProperties(*camera);
            return S_OK;
        }
        break;
    case DeviceKind::Provided:
        if (auto device = FindProvided(identity.id)) {
            properties = std::move(device->properties);
            return S_OK;
        }
        break;
    case DeviceKind::Category: {
        CLSID category;
        if (SUCCEEDED(CLSIDFromString(identity.id.c_str(), &category))) {
            properties = CategoryProperties(category);
            return S_OK;
        }
        break;
    }
    }
    return MK_E_NOOBJECT;
}

HRESULT Bind(const DeviceIdentity& identity, REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    switch (identity.kind) {
    case DeviceKind::V4l2: {
        const auto camera = FindV4l2(identity.id);
        if (!camera)
            return MK_E_NOOBJECT;
        const V4l2Node node(V4l2Access::Current(), camera->path);
        if (!node.IsOpen())
            return MK_E_NOOBJECT;
        const std::vector<V4l2Offer> offers = QueryV4l2Offers(node);
        std::vector<VideoFormat> formats;
        for (const V4l2Offer& offer : offers)
            formats.push_back(offer.format);
        FrameSourceFactory factory = [path = camera->path, offers](const VideoFormat& format) {
            return std::make_unique<V4l2FrameSource>(V4l2Access::Current(), path, format,
                                                     V4l2PixelFormatFor(offers, format));
        };
        return QueryFilter(CaptureSourceFilter::Create(
                               CLSID_V4l2CaptureSource, camera->path, std::move(formats), std::move(factory),
                               V4l2Controls::Create(V4l2Access::Current(), camera->path)),
                           iid, object);
    }
    case DeviceKind::Virtual: {
        const auto camera = ParseVirtualCamera(Utf16ToUtf8(identity.id));
        if (!camera)
            return MK_E_NOOBJECT;
        auto formats = VirtualCameraFormats(*camera);
        if (formats.empty())
            return MK_E_NOOBJECT; // a picture that cannot be read
        FrameSourceFactory factory =
            [camera = *camera](const VideoFormat& format) -> std::unique_ptr<FrameSource> {
            if (camera.kind == VirtualCamera::Kind::Image)
                return std::make_unique<StillImageFrameSource>(camera.imagePath, format);
            if (camera.kind == VirtualCamera::Kind::Recording)
                return std::make_unique<RecordedMjpegFrameSource>(camera.imagePath, format);
            return std::make_unique<PatternFrameSource>(format, true);
        };
        return QueryFilter(CaptureSourceFilter::Create(CLSID_VirtualCameraSource, camera->Entry(),
                                                       std::move(formats), std::move(factory)),
                           iid, object);
    }
    case DeviceKind::Provided: {
        const auto device = FindProvided(identity.id);
        if (!device || !device->bind)
            return MK_E_NOOBJECT;
        return device->bind(iid, object);
    }
    case DeviceKind::Category:
        break;
    }
    return MK_E_NOOBJECT;
}

} // namespace DeviceDirectory
