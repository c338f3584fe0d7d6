#include "platform/media/devices/Directory.h"

#include "platform/com/ClassIdText.h"
#include "platform/media/cameras/V4l2Cameras.h"
#include "platform/media/cameras/V4l2Controls.h"
#include "platform/media/cameras/V4l2FrameSource.h"
#include "platform/media/cameras/VirtualCameras.h"
#include "platform/media/core/DeviceEnumInterfaces.h"
#include "platform/media/devices/VideoDeviceProviders.h"
#include "platform/media/pipewire/PipeWireCameras.h"
#include "platform/media/sources/CaptureSourceFilter.h"
#include "platform/media/sources/PatternFrameSource.h"
#include "platform/media/sources/RecordedMjpegFrameSource.h"
#include "platform/media/sources/StillImageFrameSource.h"
#include "platform/runtime/UnicodeText.h"

#include <algorithm>
#include <linux/videodev2.h>

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

HRESULT QueryFilter(const ComPtr<IBaseFilter>& filter, REFIID iid, void** object);

// What a PipeWire camera's moniker keeps, so that it survives a re-plug and a restart of the
// daemon (its id and serial do not): its device's bus path and its name, else its object path,
// else its node name.
std::string PipeWireIdentity(const PipeWireCameraEntry& camera) {
    if (!camera.busPath.empty())
        return "bus:" + camera.busPath + "|" + camera.description;
    if (!camera.objectPath.empty())
        return camera.objectPath;
    return "name:" + camera.name;
}

PropertyBag::Values PipeWireProperties(const PipeWireCameraEntry& camera) {
    return {{u"FriendlyName", Utf8ToUtf16(camera.description.empty() ? camera.name : camera.description)},
            {u"CLSID", StringFromCLSID(CLSID_PipeWireCaptureSource)},
            {u"DevicePath", Utf8ToUtf16("pipewire:" + PipeWireIdentity(camera))}};
}

std::optional<PipeWireCameraEntry> FindPipeWire(const std::u16string& identity) {
    for (auto& camera : PipeWireCameras::List())
        if (Utf8ToUtf16(PipeWireIdentity(camera)) == identity)
            return std::move(camera);
    return std::nullopt;
}

// The PipeWire camera that reads the V4L2 node, when the access lets PipeWire have it.
std::optional<PipeWireCameraEntry> PipeWireServing(const std::string& path) {
    if (CameraAccessFromEnvironment() == CameraAccess::V4l2)
        return std::nullopt;
    for (auto& camera : PipeWireCameras::List())
        if (camera.v4l2Path == path)
            return std::move(camera);
    return std::nullopt;
}

bool SameOffer(const VideoFormat& a, const VideoFormat& b) {
    return a.width == b.width && a.height == b.height && a.subtype == b.subtype;
}

// The capture source of a PipeWire camera: its modes offered as a V4L2 camera's are, and each
// format read in the mode it came from, at that mode's rate.
// `controls`: the V4L2 device's, for a V4L2 camera that PipeWire serves (its controls belong to the
// device, which any program may set while another streams); the settings the node publishes for
// other nodes.
HRESULT BindPipeWire(const PipeWireCameraEntry& camera, REFIID iid, void** object,
                     ComPtr<ICameraControls> controls) {
    const std::vector<PipeWireMode> modes = PipeWireCameras::Modes(camera.serial);
    std::vector<V4l2Mode> v4l2Modes;
    for (const PipeWireMode& mode : modes)
        v4l2Modes.push_back({mode.pixelFormat, mode.width, mode.height, mode.Interval()});
    const auto encodingOf = [&](const V4l2Mode& mode) {
        return modes[static_cast<size_t>(std::find(v4l2Modes.begin(), v4l2Modes.end(), mode) -
                                         v4l2Modes.begin())]
            .encoding;
    };
    // Each mode's own offer, to find the modes behind an offer of them all.
    std::vector<V4l2Offer> ownOffers;
    for (const V4l2Mode& mode : v4l2Modes)
        ownOffers.push_back(V4l2OffersOfModes({mode}, encodingOf).front());
    std::vector<std::pair<VideoFormat, PipeWireMode>> offers;
    for (const V4l2Offer& offer : V4l2OffersOfModes(v4l2Modes, encodingOf)) {
        // RGB, BGR and grey all come as 24-bit RGB; the fastest of them at the size is read, in
        // colour where the camera has it at that rate (a camera lists grey beside its colours),
        // and in BGR before RGB, as the camera read directly through V4L2 would be.
        const auto rank = [](uint32_t pixelFormat) {
            return pixelFormat == V4L2_PIX_FMT_GREY ? 2 : pixelFormat == V4L2_PIX_FMT_RGB24 ? 1 : 0;
        };
        std::optional<PipeWireMode> chosen;
        for (size_t index = 0; index < modes.size(); ++index) {
            if (!SameOffer(ownOffers[index].format, offer.format))
                continue;
            const PipeWireMode& mode = modes[index];
            if (!chosen || mode.Interval() < chosen->Interval() ||
                (mode.Interval() == chosen->Interval() && rank(mode.pixelFormat) < rank(chosen->pixelFormat)))
                chosen = mode;
        }
        if (chosen)
            offers.emplace_back(offer.format, *chosen);
    }
    if (offers.empty())
        return MK_E_NOOBJECT;
    std::vector<VideoFormat> formats;
    for (const auto& offer : offers)
        formats.push_back(offer.first);
    FrameSourceFactory factory = [camera, offers](const VideoFormat& format) -> std::unique_ptr<FrameSource> {
        for (const auto& [offered, mode] : offers)
            if (SameOffer(offered, format))
                return PipeWireCameras::MakeFrameSource(camera.serial, camera.name, format, mode);
        return nullptr;
    };
    return QueryFilter(CaptureSourceFilter::Create(CLSID_PipeWireCaptureSource, "pipewire:" + camera.name,
                                                   std::move(formats), std::move(factory),
                                                   std::move(controls)),
                       iid, object);
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
    const std::vector<PipeWireCameraEntry> pipeWireCameras = PipeWireCameras::List();
    std::vector<std::string> v4l2Paths;
    if (CameraAccessFromEnvironment() != CameraAccess::PipeWire)
        for (const auto& camera : ListV4l2Cameras(V4l2Access::Current())) {
            devices.push_back({{DeviceKind::V4l2, Utf8ToUtf16(camera.identity)}, V4l2Properties(camera)});
            v4l2Paths.push_back(camera.path);
        }
    // One camera, one item: a node that reads a V4L2 camera listed above is that camera.
    for (const auto& camera : pipeWireCameras)
        if (camera.v4l2Path.empty() ||
            std::find(v4l2Paths.begin(), v4l2Paths.end(), camera.v4l2Path) == v4l2Paths.end())
            devices.push_back(
                {{DeviceKind::PipeWire, Utf8ToUtf16(PipeWireIdentity(camera))}, PipeWireProperties(camera)});
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
    case DeviceKind::PipeWire:
        if (const auto camera = FindPipeWire(identity.id)) {
            properties = PipeWireProperties(*camera);
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
        // While PipeWire serves the camera it has the device: other programs read it there too.
        if (const auto served = PipeWireServing(camera->path))
            return BindPipeWire(*served, iid, object,
                                V4l2Controls::Create(V4l2Access::Current(), camera->path));
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
    case DeviceKind::PipeWire:
        if (const auto camera = FindPipeWire(identity.id))
            return BindPipeWire(*camera, iid, object, PipeWireCameras::MakeControls(camera->serial));
        return MK_E_NOOBJECT;
    case DeviceKind::Category:
        break;
    }
    return MK_E_NOOBJECT;
}

} // namespace DeviceDirectory
