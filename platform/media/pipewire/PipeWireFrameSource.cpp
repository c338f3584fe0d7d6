#include "platform/media/pipewire/PipeWireFrameSource.h"

#include "platform/media/sources/DeliveredFrame.h"
#include "platform/media/sources/FramePlanes.h"

#include <algorithm>
#include <chrono>
#include <linux/dma-buf.h>
#include <linux/videodev2.h>
#include <spa/buffer/meta.h>
#include <spa/param/buffers.h>
#include <spa/pod/builder.h>
#include <span>
#include <sys/ioctl.h>
#include <sys/mman.h>

namespace {

constexpr auto kStartTimeout = std::chrono::seconds(5);
// The streaming thread looks this often whether the node is still there while no frame comes.
constexpr auto kQuietSlice = std::chrono::milliseconds(200);
// A camera silent for this long has failed, as for V4L2.
constexpr auto kQuietAllowed = std::chrono::seconds(10);
// A time stamp older than this, or from the future, is on another clock than ours.
constexpr int64_t kPlausibleAge = 2'000'000'000;

// A DmaBuf data mapped for reading while its buffer lives (PipeWire maps only the other kinds):
// the data points into the mapping meanwhile, and is null again after.
class DmaBufMapping {
public:
    explicit DmaBufMapping(spa_data& data) : data_(data), length_(data.mapoffset + data.maxsize) {
        address_ = mmap(nullptr, length_, PROT_READ, MAP_SHARED, static_cast<int>(data.fd), 0);
        if (address_ != MAP_FAILED)
            data.data = static_cast<uint8_t*>(address_) + data.mapoffset; // else its frames are damaged
    }
    ~DmaBufMapping() {
        if (address_ == MAP_FAILED)
            return;
        data_.data = nullptr;
        munmap(address_, length_);
    }
    DmaBufMapping(const DmaBufMapping&) = delete;
    DmaBufMapping& operator=(const DmaBufMapping&) = delete;

private:
    spa_data& data_;
    const size_t length_;
    void* address_;
};

// A buffer's DmaBufs made coherent for the CPU while it is read; planes may each have their own.
class DmaBufRead {
public:
    explicit DmaBufRead(const spa_buffer& buffer) : buffer_(buffer) { Sync(DMA_BUF_SYNC_START); }
    ~DmaBufRead() { Sync(DMA_BUF_SYNC_END); }
    DmaBufRead(const DmaBufRead&) = delete;
    DmaBufRead& operator=(const DmaBufRead&) = delete;

private:
    void Sync(uint64_t flags) const {
        const std::span datas(buffer_.datas, buffer_.n_datas);
        for (auto data = datas.begin(); data != datas.end(); ++data) {
            // Planes at offsets of one DmaBuf share its descriptor: synced once.
            const auto sameFd = [&](const spa_data& other) { return other.fd == data->fd; };
            if (data->type != SPA_DATA_DmaBuf || std::any_of(datas.begin(), data, sameFd))
                continue;
            dma_buf_sync sync{flags | DMA_BUF_SYNC_READ};
            ioctl(static_cast<int>(data->fd), DMA_BUF_IOCTL_SYNC, &sync);
        }
    }
    const spa_buffer& buffer_;
};

} // namespace

// The DmaBuf datas of one buffer, mapped one by one.
struct PipeWireFrameSource::Mapping {
    std::deque<DmaBufMapping> datas;
};

PipeWireFrameSource::PipeWireFrameSource(std::shared_ptr<PipeWireCameraList> cameras, uint64_t serial,
                                         std::string nodeName, const VideoFormat& format,
                                         const PipeWireMode& mode)
    : cameras_(std::move(cameras)), connection_(cameras_->Connection()), serial_(serial),
      nodeName_(std::move(nodeName)), format_(format), mode_(mode) {}

PipeWireFrameSource::~PipeWireFrameSource() {
    PipeWireConnection::Lock lock(*connection_);
    if (stream_) {
        spa_hook_remove(&streamListener_);
        mappings_.clear(); // while the buffers live: the mappings null their datas
        pw_stream_disconnect(stream_.get());
        stream_.reset();
    }
}

HRESULT PipeWireFrameSource::Start() {
    // Built field by field: the structs grow with PipeWire's versions.
    static const pw_stream_events events = [] {
        pw_stream_events made{};
        made.version = PW_VERSION_STREAM_EVENTS;
        made.state_changed = &PipeWireFrameSource::StateChanged;
        made.param_changed = &PipeWireFrameSource::ParamChanged;
        made.add_buffer = &PipeWireFrameSource::AddBuffer;
        made.remove_buffer = &PipeWireFrameSource::RemoveBuffer;
        made.process = &PipeWireFrameSource::Process;
        return made;
    }();
    frame_.resize(VideoImageSize(format_));
    {
        PipeWireConnection::Lock lock(*connection_);
        if (connection_->IsBroken())
            return VFW_E_NO_CAPTURE_HARDWARE;
        // A consumer without media.type is linked to nothing; the serial names this node alone.
        pw_properties* properties =
            pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY, "Capture", PW_KEY_MEDIA_ROLE,
                              "Camera", PW_KEY_NODE_NAME, "tarnolix", PW_KEY_APP_NAME, "Tarnolix", nullptr);
        if (!properties)
            return E_OUTOFMEMORY;
        pw_properties_setf(properties, PW_KEY_TARGET_OBJECT, "%llu",
                           static_cast<unsigned long long>(serial_));
        stream_.reset(pw_stream_new(connection_->Core(), "Tarnolix", properties)); // takes the properties
        if (!stream_)
            return E_OUTOFMEMORY;
        pw_stream_add_listener(stream_.get(), &streamListener_, &events, this);
        uint8_t space[1024];
        spa_pod_builder builder = SPA_POD_BUILDER_INIT(space, sizeof space);
        const spa_pod* params[] = {BuildPipeWireFormat(builder, mode_)};
        // Moved to no other camera when this one goes: that is an unplugging.
        const auto flags = static_cast<pw_stream_flags>(
            PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS | PW_STREAM_FLAG_DONT_RECONNECT);
        if (pw_stream_connect(stream_.get(), PW_DIRECTION_INPUT, PW_ID_ANY, flags, params, 1) < 0)
            return VFW_E_NO_CAPTURE_HARDWARE;
    }
    std::unique_lock lock(mutex_);
    const bool settled = wake_.wait_for(lock, kStartTimeout, [this] {
        return negotiated_ || formatRefused_ || lost_ || connection_->IsBroken();
    });
    if (negotiated_)
        return S_OK;
    if (formatRefused_)
        return VFW_E_TYPE_NOT_ACCEPTED;
    return settled ? VFW_E_NO_CAPTURE_HARDWARE : VFW_E_TIMEOUT;
}

void PipeWireFrameSource::StateChanged(void* data, pw_stream_state, pw_stream_state state, const char*) {
    auto* self = static_cast<PipeWireFrameSource*>(data);
    std::lock_guard lock(self->mutex_);
    if (state == PW_STREAM_STATE_ERROR || (state == PW_STREAM_STATE_UNCONNECTED && self->negotiated_))
        self->lost_ = true;
    self->wake_.notify_all();
}

void PipeWireFrameSource::ParamChanged(void* data, uint32_t id, const spa_pod* param) {
    auto* self = static_cast<PipeWireFrameSource*>(data);
    if (id != SPA_PARAM_Format || !param)
        return;
    const auto negotiated = PipeWireModeOf(param);
    const bool same = negotiated && negotiated->pixelFormat == self->mode_.pixelFormat &&
                      negotiated->width == self->mode_.width && negotiated->height == self->mode_.height;
    if (same)
        self->AskForBuffers();
    std::lock_guard lock(self->mutex_);
    (same ? self->negotiated_ : self->formatRefused_) = true;
    self->wake_.notify_all();
}

void PipeWireFrameSource::AskForBuffers() {
    uint8_t space[512];
    spa_pod_builder builder = SPA_POD_BUILDER_INIT(space, sizeof space);
    const int dataTypes = (1 << SPA_DATA_MemFd) | (1 << SPA_DATA_MemPtr) | (1 << SPA_DATA_DmaBuf);
    const spa_pod* params[2];
    params[0] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers, SPA_PARAM_BUFFERS_buffers,
        SPA_POD_CHOICE_RANGE_Int(4, 2, 16), SPA_PARAM_BUFFERS_dataType, SPA_POD_CHOICE_FLAGS_Int(dataTypes)));
    params[1] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta, SPA_PARAM_META_type, SPA_POD_Id(SPA_META_Header),
        SPA_PARAM_META_size, SPA_POD_Int(sizeof(spa_meta_header))));
    pw_stream_update_params(stream_.get(), params, 2);
}

void PipeWireFrameSource::AddBuffer(void* data, pw_buffer* buffer) {
    auto* self = static_cast<PipeWireFrameSource*>(data);
    auto mapping = std::make_unique<Mapping>();
    for (spa_data& one : std::span(buffer->buffer->datas, buffer->buffer->n_datas))
        if (one.type == SPA_DATA_DmaBuf && !one.data)
            mapping->datas.emplace_back(one);
    if (!mapping->datas.empty())
        self->mappings_[buffer] = std::move(mapping);
}

void PipeWireFrameSource::RemoveBuffer(void* data, pw_buffer* buffer) {
    auto* self = static_cast<PipeWireFrameSource*>(data);
    {
        // The streaming thread reads buffers with the loop's lock held, so this one is not in use.
        std::lock_guard lock(self->mutex_);
        std::erase(self->ready_, buffer);
    }
    self->mappings_.erase(buffer);
}

void PipeWireFrameSource::Process(void* data) {
    auto* self = static_cast<PipeWireFrameSource*>(data);
    pw_buffer* newest = nullptr;
    while (pw_buffer* buffer = pw_stream_dequeue_buffer(self->stream_.get())) {
        if (newest) {
            pw_stream_queue_buffer(self->stream_.get(), newest);
            self->framesSkipped_.fetch_add(1, std::memory_order_relaxed);
        }
        newest = buffer;
    }
    if (!newest)
        return;
    std::lock_guard lock(self->mutex_);
    // Only the newest waits: a frame pass slower than the camera skips frames, as V4L2's does.
    for (pw_buffer* older : self->ready_) {
        pw_stream_queue_buffer(self->stream_.get(), older);
        self->framesSkipped_.fetch_add(1, std::memory_order_relaxed);
    }
    self->ready_.assign(1, newest);
    self->wake_.notify_all();
}

void PipeWireFrameSource::Wake() {
    std::lock_guard lock(mutex_);
    stopped_ = true;
    wake_.notify_all();
}

FrameSource::Outcome PipeWireFrameSource::Next(const FrameHandler& handler) {
    auto quietSince = std::chrono::steady_clock::now();
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            wake_.wait_for(lock, kQuietSlice, [this] { return stopped_ || lost_ || !ready_.empty(); });
            if (stopped_)
                return Outcome::Stopped;
            if (lost_)
                return Outcome::DeviceLost;
            if (ready_.empty()) {
                lock.unlock();
                if (!cameras_->Listed(serial_))
                    return Outcome::DeviceLost;
                if (std::chrono::steady_clock::now() - quietSince >= kQuietAllowed) {
                    lastError_ = VFW_E_TIMEOUT;
                    return Outcome::Failed;
                }
                continue;
            }
        }
        // The buffer is read with the loop's lock held: PipeWire removes buffers (a node that
        // goes, a new format) on its loop thread, which then waits for the read to end.
        PipeWireConnection::Lock loop(*connection_);
        pw_buffer* buffer = nullptr;
        {
            std::lock_guard lock(mutex_);
            if (ready_.empty())
                continue; // removed meanwhile
            buffer = ready_.front();
            ready_.clear();
        }
        framesDelivered_.fetch_add(1, std::memory_order_relaxed);
        const DmaBufRead reading(*buffer->buffer);
        size_t length = 0;
        const uint8_t* frame = Frame(*buffer->buffer, length);
        if (frame) {
            // Downstream filters only read a sample of a camera's own format; the mapping may be
            // read-only.
            handler(const_cast<uint8_t*>(frame), static_cast<int32_t>(length));
        } else {
            framesDamaged_.fetch_add(1, std::memory_order_relaxed);
        }
        pw_stream_queue_buffer(stream_.get(), buffer);
        if (frame)
            return Outcome::Frame;
        quietSince = std::chrono::steady_clock::now();
    }
}

const uint8_t* PipeWireFrameSource::Frame(const spa_buffer& buffer, size_t& length) {
    if (buffer.n_datas == 0 || !buffer.datas[0].data || !buffer.datas[0].chunk)
        return nullptr;
    const spa_data& first = buffer.datas[0];
    const auto* header = static_cast<const spa_meta_header*>(
        spa_buffer_find_meta_data(&buffer, SPA_META_Header, sizeof(spa_meta_header)));
    if ((first.chunk->flags & SPA_CHUNK_FLAG_CORRUPTED) ||
        (header && (header->flags & SPA_META_HEADER_FLAG_CORRUPTED)))
        return nullptr;
    const int64_t now = MonotonicNanoseconds();
    captureTime_ = header && header->pts > now - kPlausibleAge && header->pts <= now ? header->pts : 0;

    const size_t offset = std::min<size_t>(first.chunk->offset, first.maxsize);
    const size_t size = std::min<size_t>(first.chunk->size, first.maxsize - offset);
    const uint8_t* data = static_cast<const uint8_t*>(first.data) + offset;
    const auto width = static_cast<size_t>(format_.width);
    const auto height = static_cast<size_t>(format_.height);
    const uint32_t pixelFormat = mode_.pixelFormat;

    if (pixelFormat == V4L2_PIX_FMT_MJPEG) {
        if (size == 0 || size > frame_.size())
            return nullptr;
        length = size;
        return data;
    }
    if (pixelFormat == V4L2_PIX_FMT_BGR24 || pixelFormat == V4L2_PIX_FMT_RGB24 ||
        pixelFormat == V4L2_PIX_FMT_GREY) {
        const size_t rowBytes = pixelFormat == V4L2_PIX_FMT_GREY ? width : width * 3;
        const size_t stride = first.chunk->stride > 0 ? static_cast<size_t>(first.chunk->stride) : rowBytes;
        if (stride < rowBytes || size < stride * (height - 1) + rowBytes)
            return nullptr;
        ToBottomUpBgr(pixelFormat, data, stride, format_.width, format_.height, frame_.data());
        length = frame_.size();
        return frame_.data();
    }
    // YUV: one plane's rows, or a buffer a plane (each with its own stride), as producers send them.
    const std::vector<FramePlane> packed = FramePlanesOf(pixelFormat, 0, width, height);
    if (packed.empty())
        return nullptr;
    if (buffer.n_datas >= packed.size() && packed.size() > 1) {
        uint8_t* target = frame_.data();
        for (size_t index = 0; index < packed.size(); ++index) {
            const spa_data& plane = buffer.datas[index];
            if (!plane.data || !plane.chunk)
                return nullptr;
            const size_t planeOffset = std::min<size_t>(plane.chunk->offset, plane.maxsize);
            const size_t planeSize = std::min<size_t>(plane.chunk->size, plane.maxsize - planeOffset);
            const size_t rowBytes = packed[index].rowBytes;
            const size_t stride =
                plane.chunk->stride > 0 ? static_cast<size_t>(plane.chunk->stride) : rowBytes;
            const std::vector<FramePlane> one = {{0, stride, rowBytes, packed[index].rows}};
            if (stride < rowBytes || planeSize < FrameBytesNeeded(one))
                return nullptr;
            target += PackFramePlanes(static_cast<const uint8_t*>(plane.data) + planeOffset, one, target);
        }
        length = static_cast<size_t>(target - frame_.data());
        return frame_.data();
    }
    const size_t stride =
        first.chunk->stride > 0 ? static_cast<size_t>(first.chunk->stride) : packed.front().rowBytes;
    const std::vector<FramePlane> planes = FramePlanesOf(pixelFormat, stride, width, height);
    if (stride < packed.front().rowBytes || size < FrameBytesNeeded(planes))
        return nullptr;
    if (FramePlanesPacked(planes)) {
        length = FrameBytesNeeded(planes);
        return data; // no copy: downstream reads the mapping itself
    }
    length = PackFramePlanes(data, planes, frame_.data());
    return frame_.data();
}

void PipeWireFrameSource::ReadCounters(NamedCounters& counters) const {
    counters.emplace_back("frames_delivered", FramesDelivered());
    counters.emplace_back("damaged_frames_dropped", FramesDamaged());
    counters.emplace_back("frames_skipped", framesSkipped_.load(std::memory_order_relaxed));
}

void PipeWireFrameSource::ReadLabels(NamedLabels& labels) const {
    labels.emplace_back("access", "PipeWire");
    labels.emplace_back("node", nodeName_);
    if (connection_->ThroughPortal())
        labels.emplace_back("connection", "Camera portal");
}
