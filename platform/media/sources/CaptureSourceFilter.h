#pragma once

#include "platform/media/core/CameraControlInterfaces.h"
#include "platform/media/core/MediaEventSink.h"
#include "platform/media/core/StreamConfigInterface.h"
#include "platform/media/pins/MediaFilter.h"
#include "platform/media/sources/CameraControlProperties.h"
#include "platform/media/sources/FrameSource.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// The capture source filter of one device, as binding its moniker makes it. Its one output pin,
// "Capture", offers the device's formats (video-info types of 24-bit RGB or of a camera's own
// subtype, in the device's order) and accepts any of them. Through IAMStreamConfig the pin lists
// them and takes one to propose alone from then on, which is how a user's choice of camera mode
// reaches the graph. Run starts the device (a failure, such as a busy
// device, makes Run fail) and one streaming thread that pushes every frame downstream as a sample stamped in
// 100 ns units since Run. A device that goes away queues EC_DEVICE_LOST with the graph, one that
// fails queues EC_ERRORABORT; either ends the thread. Stop (and Pause) wake the device, join the
// thread and return once it has ended. While it streams, its source's counts (a V4L2 camera's
// frames delivered and damaged) are read by viewers through ICounterSource, and its texts (the
// access, such as PipeWire, and the node) through ICounterLabels. A camera with controls answers
// ICameraControls with them, and IAMVideoProcAmp and IAMCameraControl over them; other sources
// answer none of the three.
//
// Threads: state changes and connections on the GUI thread; the streaming thread only pulls
// frames and delivers them. The filter must be stopped before its graph lets it go.
class CaptureSourceFilter final : public MediaFilter<ICounterSource, ICounterLabels>, public ICameraControls {
public:
    static ComPtr<IBaseFilter> Create(REFCLSID clsid, std::string device, std::vector<VideoFormat> formats,
                                      FrameSourceFactory factory, ComPtr<ICameraControls> controls = {});

    HRESULT QueryInterface(REFIID iid, void** object) override {
        return MediaFilter::QueryInterface(iid, object);
    }
    ULONG AddRef() override { return MediaFilter::AddRef(); }
    ULONG Release() override { return MediaFilter::Release(); }

    // The device this filter captures from: a V4L2 node's path or a virtual camera's entry.
    const std::string& Device() const { return device_; }

    std::string CounterKind() override { return "capture source"; }
    void ReadCounters(NamedCounters& counters) override;
    void ReadLabels(NamedLabels& labels) override;

    // The camera's controls, passed on.
    HRESULT GetControls(std::vector<CameraControl>& controls) override;
    HRESULT GetControl(uint32_t id, CameraControl& control) override;
    HRESULT SetValue(uint32_t id, int64_t value) override;
    HRESULT SetText(uint32_t id, const std::string& text) override;
    HRESULT Advise(CameraControlHandler handler, uint32_t* cookie) override;
    HRESULT Unadvise(uint32_t cookie) override;

private:
    class OutputPin final : public BasePin, public IAMStreamConfig {
    public:
        OutputPin(IBaseFilter& filter, std::vector<VideoFormat> formats)
            : BasePin(filter, u"Capture", PINDIR_OUTPUT), formats_(std::move(formats)) {}

        HRESULT QueryInterface(REFIID iid, void** object) override;
        ULONG AddRef() override { return BasePin::AddRef(); }
        ULONG Release() override { return BasePin::Release(); }

        // Stopped and unconnected only; the type must be one of the offered formats.
        HRESULT SetFormat(AM_MEDIA_TYPE* type) override;
        HRESULT GetFormat(AM_MEDIA_TYPE** type) override;
        HRESULT GetNumberOfCapabilities(int* count, int* capsSize) override;
        HRESULT GetStreamCaps(int index, AM_MEDIA_TYPE** type, uint8_t* caps) override;

    protected:
        HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override;
        std::vector<ScopedMediaType> ProposedTypes() override;

    private:
        const VideoFormat* Offered(const AM_MEDIA_TYPE& type) const;

        const std::vector<VideoFormat> formats_;
        std::mutex chosenMutex_; // chosen_ is set on the GUI thread, read by connections and viewers
        std::optional<VideoFormat> chosen_;
    };

    // IAMVideoProcAmp and IAMCameraControl, whose methods share names and types, as parts of the
    // filter that count its references.
    template <typename Interface> class PublishedControls final : public Interface {
    public:
        using Lookup = std::optional<PublishedProperty> (*)(long property);
        PublishedControls(CaptureSourceFilter& filter, Lookup lookup) : filter_(filter), lookup_(lookup) {}
        HRESULT QueryInterface(REFIID iid, void** object) override {
            return filter_.QueryInterface(iid, object);
        }
        ULONG AddRef() override { return filter_.AddRef(); }
        ULONG Release() override { return filter_.Release(); }
        HRESULT GetRange(long property, long* minimum, long* maximum, long* step, long* defaultValue,
                         long* capsFlags) override {
            return GetPropertyRange(*filter_.controls_.Get(), lookup_(property), minimum, maximum, step,
                                    defaultValue, capsFlags);
        }
        HRESULT Set(long property, long value, long flags) override {
            return SetProperty(*filter_.controls_.Get(), lookup_(property), value, flags);
        }
        HRESULT Get(long property, long* value, long* flags) override {
            return GetProperty(*filter_.controls_.Get(), lookup_(property), value, flags);
        }

    private:
        CaptureSourceFilter& filter_;
        const Lookup lookup_;
    };

    CaptureSourceFilter(REFCLSID clsid, std::string device, std::vector<VideoFormat> formats,
                        FrameSourceFactory factory, ComPtr<ICameraControls> controls);
    ~CaptureSourceFilter() override;

    void* QueryOther(REFIID iid) override;

    std::vector<BasePin*> Pins() override { return {&pin_}; }
    HRESULT OnRun(REFERENCE_TIME) override;
    HRESULT OnPause(FILTER_STATE was) override;
    HRESULT OnStop() override;

    void StopStreaming();
    void Stream(FrameSource& source, ComPtr<IMediaEventSink> events, REFERENCE_TIME frameTime);

    const std::string device_;
    const FrameSourceFactory factory_;
    const ComPtr<ICameraControls> controls_; // null: no controls
    PublishedControls<IAMVideoProcAmp> imageControls_{*this, &ImageProperty};
    PublishedControls<IAMCameraControl> cameraControls_{*this, &CameraProperty};
    OutputPin pin_;

    // The device and its streaming thread: changed only by state changes (under the base
    // class's transition lock) and the destructor; the thread uses the source it was given.
    // sourceMutex_ guards source_ against viewers reading its counts; it is held only to
    // place, take or read it, never while the device opens or closes.
    std::mutex sourceMutex_;
    std::unique_ptr<FrameSource> source_;
    std::thread thread_;
};
