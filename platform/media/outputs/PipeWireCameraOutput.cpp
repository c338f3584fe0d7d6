#include "platform/media/outputs/PipeWireCameraOutput.h"

#include "platform/media/converters/BgrToYuv.h"
#include "platform/media/converters/YuvPlanes.h"
#include "platform/media/outputs/LoopbackDevices.h"
#include "platform/media/pipewire/PipeWireConnection.h"
#include "platform/runtime/MonotonicClock.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <spa/buffer/meta.h>
#include <spa/param/buffers.h>
#include <spa/param/video/format-utils.h>
#include <spa/pod/builder.h>

namespace {

// One negotiated layout: the format, the size and the bytes of a frame.
struct NodeFormat {
    uint32_t format = SPA_VIDEO_FORMAT_UNKNOWN; // SPA_VIDEO_FORMAT_YUY2 or _I420
    int width = 0;
    int height = 0;

    int Stride() const { return format == SPA_VIDEO_FORMAT_YUY2 ? (width + 1) / 2 * 4 : width; }
    size_t Size() const {
        return format == SPA_VIDEO_FORMAT_YUY2 ? static_cast<size_t>(Stride()) * height
                                               : I420Planes(width, height).size;
    }
};

// Black: luma 16, chroma 128 (BT.601 limited).
void FillBlack(const NodeFormat& format, uint8_t* frame) {
    const size_t size = format.Size();
    if (format.format == SPA_VIDEO_FORMAT_YUY2) {
        FillBlackYuyv(frame, size);
        return;
    }
    const size_t luma = static_cast<size_t>(format.width) * format.height;
    std::memset(frame, 16, luma);
    std::memset(frame + luma, 128, size - luma);
}

// The formats offered: YUY2 first (what most readers take as it is), then I420, at one size and
// rate, tagged BT.601 limited as the converters write them.
void BuildOffers(spa_pod_builder& builder, const spa_pod* (&params)[2], int width, int height,
                 V4l2Interval interval) {
    const spa_rectangle size = SPA_RECTANGLE(static_cast<uint32_t>(width), static_cast<uint32_t>(height));
    const spa_fraction rate = SPA_FRACTION(interval.denominator, interval.numerator);
    const uint32_t formats[2] = {SPA_VIDEO_FORMAT_YUY2, SPA_VIDEO_FORMAT_I420};
    for (int k = 0; k < 2; ++k)
        params[k] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
            &builder, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat, SPA_FORMAT_mediaType,
            SPA_POD_Id(SPA_MEDIA_TYPE_video), SPA_FORMAT_mediaSubtype, SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw),
            SPA_FORMAT_VIDEO_format, SPA_POD_Id(formats[k]), SPA_FORMAT_VIDEO_size, SPA_POD_Rectangle(&size),
            SPA_FORMAT_VIDEO_framerate, SPA_POD_Fraction(&rate), SPA_FORMAT_VIDEO_colorMatrix,
            SPA_POD_Id(SPA_VIDEO_COLOR_MATRIX_BT601), SPA_FORMAT_VIDEO_colorRange,
            SPA_POD_Id(SPA_VIDEO_COLOR_RANGE_16_235)));
}

class PipeWireCameraOutput final : public CameraOutput, private OutputSink {
public:
    PipeWireCameraOutput(const PipeWireCameraSettings& settings, PictureReader reader);
    ~PipeWireCameraOutput() override;
    PipeWireCameraOutput(const PipeWireCameraOutput&) = delete;
    PipeWireCameraOutput& operator=(const PipeWireCameraOutput&) = delete;

    void FrameReady(int64_t cameraTime) override { writer_.FrameReady(cameraTime); }
    void SetFrameInterval(V4l2Interval interval) override { writer_.SetFrameInterval(interval); }
    ComPtr<ICounterSource> Counters() const override { return ComPtr<ICounterSource>(counters_.Get()); }
    std::string Failure() const override { return writer_.Failure(); }
    std::string Target() const override { return kPipeWireCameraNodeName; }

private:
    // The writer thread's moments.
    void WriteLive(int64_t cameraTime) override { Send(cameraTime, false); }
    void WriteAgain() override { Send(0, true); }
    void IntervalChanged(V4l2Interval interval) override;
    void CountReaders() override;

    // Writer thread: the picture into a free buffer, queued to the readers.
    void Send(int64_t cameraTime, bool again);
    // The node and the registry taken down with the loop's lock, their listeners first.
    void Close();
    // With the loop's lock held: the formats offered at the size and rate.
    void Offer();
    void Label();

    // Loop thread.
    static void StateChanged(void* data, pw_stream_state old, pw_stream_state state, const char* error);
    static void ParamChanged(void* data, uint32_t id, const spa_pod* param);
    static void Global(void* data, uint32_t id, uint32_t permissions, const char* type, uint32_t version,
                       const spa_dict* properties);
    static void GlobalRemove(void* data, uint32_t id);

    const PictureReader reader_;
    const ComPtr<VirtualCameraCounters> counters_;
    std::unique_ptr<PipeWireConnection> connection_;
    PwStreamPtr stream_;
    spa_hook streamListener_{};
    PwProxyPtr registry_;
    spa_hook registryListener_{};

    // With the loop's lock held.
    int width_ = 0; // the size offered
    int height_ = 0;
    V4l2Interval interval_;
    NodeFormat negotiated_;              // unknown until a reader links
    std::map<uint32_t, uint32_t> links_; // link id -> output node id
    std::string streamError_;            // the daemon's words once the node failed; then Send throws

    OutputWriter writer_; // last: its thread starts once the rest is made, and stops first
};

PipeWireCameraOutput::PipeWireCameraOutput(const PipeWireCameraSettings& settings, PictureReader reader)
    : reader_(std::move(reader)), counters_(VirtualCameraCounters::Create()), width_(settings.width),
      height_(settings.height), interval_(settings.interval), writer_(settings.interval) {
    if (settings.width <= 0 || settings.height <= 0)
        throw VirtualCameraError("The virtual camera needs the camera's size.");
    try {
        connection_ = std::make_unique<PipeWireConnection>();
    } catch (const PipeWireError& error) {
        throw VirtualCameraError(error.what());
    }
    // Built field by field: the structs grow with PipeWire's versions.
    static const pw_stream_events streamEvents = [] {
        pw_stream_events made{};
        made.version = PW_VERSION_STREAM_EVENTS;
        made.state_changed = &PipeWireCameraOutput::StateChanged;
        made.param_changed = &PipeWireCameraOutput::ParamChanged;
        return made;
    }();
    static const pw_registry_events registryEvents = [] {
        pw_registry_events made{};
        made.version = PW_VERSION_REGISTRY_EVENTS;
        made.global = &PipeWireCameraOutput::Global;
        made.global_remove = &PipeWireCameraOutput::GlobalRemove;
        return made;
    }();
    try {
        PipeWireConnection::Lock lock(*connection_);
        pw_properties* properties = pw_properties_new(
            PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CLASS, "Video/Source", PW_KEY_MEDIA_ROLE, "Camera",
            PW_KEY_NODE_NAME, kPipeWireCameraNodeName, PW_KEY_NODE_DESCRIPTION, kPipeWireCameraDescription,
            PW_KEY_APP_NAME, "Tarnolix", nullptr);
        stream_.reset(pw_stream_new(connection_->Core(), kPipeWireCameraDescription, properties));
        if (!stream_)
            throw VirtualCameraError("Cannot make the PipeWire camera's node.");
        pw_stream_add_listener(stream_.get(), &streamListener_, &streamEvents, this);
        registry_.reset(
            reinterpret_cast<pw_proxy*>(pw_core_get_registry(connection_->Core(), PW_VERSION_REGISTRY, 0)));
        if (registry_)
            pw_registry_add_listener(reinterpret_cast<pw_registry*>(registry_.get()), &registryListener_,
                                     &registryEvents, this);
        uint8_t space[1024];
        spa_pod_builder builder = SPA_POD_BUILDER_INIT(space, sizeof space);
        const spa_pod* params[2];
        BuildOffers(builder, params, width_, height_, interval_);
        // The node drives its graph: readers get a frame when one is queued, at the camera's pace.
        const auto flags = static_cast<pw_stream_flags>(PW_STREAM_FLAG_DRIVER | PW_STREAM_FLAG_MAP_BUFFERS);
        if (pw_stream_connect(stream_.get(), PW_DIRECTION_OUTPUT, PW_ID_ANY, flags, params, 2) < 0)
            throw VirtualCameraError("Cannot offer the PipeWire camera's node.");
        Label();
    } catch (...) {
        // The loop thread runs on and may call into what was made: it goes with the lock held.
        Close();
        throw;
    }
    writer_.Start(*this);
}

PipeWireCameraOutput::~PipeWireCameraOutput() {
    writer_.Stop();
    Close();
}

void PipeWireCameraOutput::Close() {
    PipeWireConnection::Lock lock(*connection_);
    if (registry_) {
        spa_hook_remove(&registryListener_);
        registry_.reset();
    }
    if (stream_) {
        spa_hook_remove(&streamListener_);
        pw_stream_disconnect(stream_.get());
        stream_.reset();
    }
}

void PipeWireCameraOutput::Offer() {
    uint8_t space[1024];
    spa_pod_builder builder = SPA_POD_BUILDER_INIT(space, sizeof space);
    const spa_pod* params[2];
    BuildOffers(builder, params, width_, height_, interval_);
    pw_stream_update_params(stream_.get(), params, 2);
    Label();
}

void PipeWireCameraOutput::Label() {
    const char* name = negotiated_.format == SPA_VIDEO_FORMAT_YUY2   ? "YUYV"
                       : negotiated_.format == SPA_VIDEO_FORMAT_I420 ? "I420"
                                                                     : "YUYV or I420";
    const int width = negotiated_.width ? negotiated_.width : width_;
    const int height = negotiated_.width ? negotiated_.height : height_;
    const uint32_t rate =
        interval_.numerator ? (interval_.denominator + interval_.numerator / 2) / interval_.numerator : 0;
    counters_->SetLabels(std::string("PipeWire node ") + kPipeWireCameraNodeName,
                         std::string(name) + " " + std::to_string(width) + "x" + std::to_string(height) +
                             " @" + std::to_string(rate));
}

void PipeWireCameraOutput::IntervalChanged(V4l2Interval interval) {
    PipeWireConnection::Lock lock(*connection_);
    interval_ = interval;
    Offer();
}

void PipeWireCameraOutput::CountReaders() {
    PipeWireConnection::Lock lock(*connection_);
    const uint32_t node = pw_stream_get_node_id(stream_.get());
    const auto readers =
        std::count_if(links_.begin(), links_.end(), [node](const auto& link) { return link.second == node; });
    counters_->readers.store(static_cast<uint64_t>(readers), std::memory_order_relaxed);
}

void PipeWireCameraOutput::Send(int64_t cameraTime, bool again) {
    PipeWireConnection::Lock lock(*connection_);
    if (connection_->IsBroken())
        throw VirtualCameraError("The PipeWire daemon went away.");
    if (!streamError_.empty())
        throw VirtualCameraError("The PipeWire camera's node failed: " + streamError_ + ".");
    const NodeFormat format = negotiated_;
    if (format.format == SPA_VIDEO_FORMAT_UNKNOWN)
        return; // no reader yet
    // A buffer is taken only for a picture that fits it: a queued buffer goes to the readers.
    pw_buffer* buffer = nullptr;
    bool noBuffer = false, resized = false;
    const auto fill = [&](const FramePicture* picture) {
        buffer = pw_stream_dequeue_buffer(stream_.get());
        if (!buffer) {
            noBuffer = true; // every buffer is still with a reader
            return;
        }
        spa_data& data = buffer->buffer->datas[0];
        data.chunk->size = 0;
        if (!data.data || data.maxsize < format.Size())
            return;
        auto* frame = static_cast<uint8_t*>(data.data);
        if (!picture)
            FillBlack(format, frame); // nothing shown yet
        else if (format.format == SPA_VIDEO_FORMAT_YUY2)
            Rgb24ToYuyv(picture->bits, picture->stride, picture->bottomUp, picture->width, picture->height,
                        frame, format.Stride());
        else
            Rgb24ToI420(picture->bits, picture->stride, picture->bottomUp, picture->width, picture->height,
                        frame, format.Stride());
        data.chunk->offset = 0;
        data.chunk->size = static_cast<uint32_t>(format.Size());
        data.chunk->stride = format.Stride();
        data.chunk->flags = SPA_CHUNK_FLAG_NONE;
    };
    // The window's lock is held while the visitor runs; our loop, which serves only this node,
    // waits meanwhile.
    bool shown = false;
    reader_([&](const FramePicture& picture) {
        if (!picture.bits || picture.width <= 0 || picture.height <= 0)
            return;
        shown = true;
        if (picture.width == format.width && picture.height == format.height) {
            fill(&picture);
        } else if (picture.width != width_ || picture.height != height_) {
            resized = true;
            width_ = picture.width;
            height_ = picture.height;
        }
    });
    if (!shown && again)
        fill(nullptr);
    if (resized)
        Offer(); // the readers negotiate the new size; frames go again once they have
    if (noBuffer)
        counters_->framesDropped.fetch_add(1, std::memory_order_relaxed);
    if (!buffer)
        return;
    spa_data& data = buffer->buffer->datas[0];
    const bool whole = data.chunk->size == format.Size();
    if (!whole)
        data.chunk->flags = SPA_CHUNK_FLAG_CORRUPTED; // a buffer too small for the format
    if (auto* header = static_cast<spa_meta_header*>(
            spa_buffer_find_meta_data(buffer->buffer, SPA_META_Header, sizeof(spa_meta_header)))) {
        header->flags = whole ? 0 : SPA_META_HEADER_FLAG_CORRUPTED;
        header->pts = cameraTime > 0 ? cameraTime : MonotonicNanoseconds();
        header->seq = 0;
    }
    pw_stream_queue_buffer(stream_.get(), buffer);
    pw_stream_trigger_process(stream_.get());
    if (!whole)
        counters_->framesDropped.fetch_add(1, std::memory_order_relaxed);
    else if (again)
        counters_->framesRepeated.fetch_add(1, std::memory_order_relaxed);
    else {
        counters_->latency.Add(MonotonicNanoseconds() - cameraTime);
        counters_->framesWritten.fetch_add(1, std::memory_order_relaxed);
    }
}

void PipeWireCameraOutput::StateChanged(void* data, pw_stream_state, pw_stream_state state,
                                        const char* error) {
    auto* self = static_cast<PipeWireCameraOutput*>(data);
    if (state == PW_STREAM_STATE_ERROR)
        self->streamError_ = error && *error ? error : "no reason given";
}

void PipeWireCameraOutput::ParamChanged(void* data, uint32_t id, const spa_pod* param) {
    auto* self = static_cast<PipeWireCameraOutput*>(data);
    if (id != SPA_PARAM_Format)
        return;
    self->negotiated_ = {};
    spa_video_info_raw raw{};
    uint32_t mediaType = 0, mediaSubtype = 0;
    if (!param || spa_format_parse(param, &mediaType, &mediaSubtype) < 0 ||
        mediaType != SPA_MEDIA_TYPE_video || mediaSubtype != SPA_MEDIA_SUBTYPE_raw ||
        spa_format_video_raw_parse(param, &raw) < 0 ||
        (raw.format != SPA_VIDEO_FORMAT_YUY2 && raw.format != SPA_VIDEO_FORMAT_I420)) {
        self->Label();
        return;
    }
    self->negotiated_ = {raw.format, static_cast<int>(raw.size.width), static_cast<int>(raw.size.height)};
    self->Label();
    uint8_t space[512];
    spa_pod_builder builder = SPA_POD_BUILDER_INIT(space, sizeof space);
    const spa_pod* params[2];
    params[0] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers, SPA_PARAM_BUFFERS_buffers,
        SPA_POD_CHOICE_RANGE_Int(4, 2, 16), SPA_PARAM_BUFFERS_blocks, SPA_POD_Int(1), SPA_PARAM_BUFFERS_size,
        SPA_POD_Int(static_cast<int>(self->negotiated_.Size())), SPA_PARAM_BUFFERS_stride,
        SPA_POD_Int(self->negotiated_.Stride()), SPA_PARAM_BUFFERS_dataType,
        SPA_POD_CHOICE_FLAGS_Int((1 << SPA_DATA_MemFd) | (1 << SPA_DATA_MemPtr))));
    params[1] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta, SPA_PARAM_META_type, SPA_POD_Id(SPA_META_Header),
        SPA_PARAM_META_size, SPA_POD_Int(sizeof(spa_meta_header))));
    pw_stream_update_params(self->stream_.get(), params, 2);
}

void PipeWireCameraOutput::Global(void* data, uint32_t id, uint32_t, const char* type, uint32_t,
                                  const spa_dict* properties) {
    auto* self = static_cast<PipeWireCameraOutput*>(data);
    if (!type || std::strcmp(type, PW_TYPE_INTERFACE_Link) != 0 || !properties)
        return;
    if (const char* node = spa_dict_lookup(properties, PW_KEY_LINK_OUTPUT_NODE))
        self->links_[id] = static_cast<uint32_t>(std::strtoul(node, nullptr, 10));
}

void PipeWireCameraOutput::GlobalRemove(void* data, uint32_t id) {
    static_cast<PipeWireCameraOutput*>(data)->links_.erase(id);
}

} // namespace

bool PipeWireCameraOutputPossible() {
    return PipeWireConnection::SocketPresent();
}

std::unique_ptr<CameraOutput> MakePipeWireCameraOutput(const PipeWireCameraSettings& settings,
                                                       PictureReader reader) {
    return std::make_unique<PipeWireCameraOutput>(settings, std::move(reader));
}
