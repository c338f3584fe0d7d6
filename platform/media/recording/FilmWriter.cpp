#include "platform/media/recording/FilmWriter.h"

#include "platform/media/recording/RecordingError.h"

extern "C" {
#include <libavutil/opt.h>
}

#include <algorithm>
#include <pthread.h>
#include <unistd.h>

namespace {

// libx264's fastest preset: at 1920x1080 it encodes about 55 frames a second on one core of this
// machine class, where the next one (superfast) manages 19, so only it keeps up with 30 frames a
// second beside the frame pass on two cores; its files are larger.
constexpr const char* kPreset = "ultrafast";
constexpr int kSoundBitRate = 128'000;
// The picture's bit rate is capped at 0.4 bits a pixel (25 Mbit/s at 1920x1080, 30 a second), over
// a second. A camera's picture stays well under it at x264's default quality, but noise (the
// noise effects, a dark room) would take ten times as much, and the encoding time with it: at
// 1080p noise the cap halves libx264's time a frame (30 ms to 17) and the file (273 Mbit/s to 25).
constexpr double kBitsPerPixel = 0.4;

} // namespace

std::string AvErrorText(int error) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return text;
}

void CheckAv(int result, const char* doing, const std::string& path) {
    if (result >= 0)
        return;
    // FFmpeg's codes for system errors are the negated error numbers.
    const int errorNumber = result > -4096 ? -result : 0;
    throw RecordingError(std::string(doing) + " " + path + ": " + AvErrorText(result), errorNumber, path);
}

FilmWriter::FilmWriter(std::string path, FilmFormat format)
    : path_(std::move(path)), format_(format), packet_(av_packet_alloc()) {
    av_log_set_level(AV_LOG_ERROR); // not the encoders' statistics on every film's end
    AVFormatContext* output = nullptr;
    CheckAv(avformat_alloc_output_context2(&output, nullptr, "mp4", path_.c_str()), "Cannot make", path_);
    output_.reset(output);
    OpenVideo();
    if (format_.soundRate > 0 && format_.soundChannels > 0)
        OpenSound();
    CheckAv(avio_open(&output_->pb, path_.c_str(), AVIO_FLAG_WRITE), "Cannot create", path_);
    AVDictionary* options = nullptr;
    // Fragments from keyframe to keyframe, the first one needing no index at the end.
    av_dict_set(&options, "movflags", "frag_keyframe+empty_moov+default_base_moof", 0);
    const int written = avformat_write_header(output_.get(), &options);
    av_dict_free(&options);
    CheckAv(written, "Cannot write", path_);
    Flushed();
}

FilmWriter::~FilmWriter() {
    if (!closed_)
        Abandon();
}

void FilmWriter::OpenVideo() {
    const AVCodec* encoder = avcodec_find_encoder_by_name("libx264");
    if (!encoder)
        throw RecordingError("FFmpeg has no libx264 encoder", 0, path_);
    video_.reset(avcodec_alloc_context3(encoder));
    AVCodecContext& codec = *video_;
    codec.width = format_.width;
    codec.height = format_.height;
    codec.pix_fmt = AV_PIX_FMT_YUV420P;
    codec.time_base = AVRational{static_cast<int>(format_.intervalNumerator),
                                 static_cast<int>(format_.intervalDenominator)};
    codec.framerate = av_inv_q(codec.time_base);
    // A keyframe every second, so every fragment is at most one second long.
    codec.gop_size =
        std::max(1, static_cast<int>((format_.intervalDenominator + format_.intervalNumerator / 2) /
                                     format_.intervalNumerator));
    codec.max_b_frames = 0;
    const double pixelsASecond = static_cast<double>(format_.width) * format_.height *
                                 static_cast<double>(format_.intervalDenominator) /
                                 static_cast<double>(format_.intervalNumerator);
    codec.rc_max_rate = static_cast<int64_t>(pixelsASecond * kBitsPerPixel);
    codec.rc_buffer_size = static_cast<int>(std::min<int64_t>(codec.rc_max_rate, INT32_MAX));
    codec.colorspace = AVCOL_SPC_SMPTE170M;
    codec.color_primaries = AVCOL_PRI_SMPTE170M;
    codec.color_trc = AVCOL_TRC_SMPTE170M;
    codec.color_range = AVCOL_RANGE_MPEG;
    if (output_->oformat->flags & AVFMT_GLOBALHEADER)
        codec.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    av_opt_set(codec.priv_data, "preset", kPreset, 0);
    // The encoder's own threads take the name of the thread that starts them: "x264", so that
    // their time is told apart from the caller's.
    char caller[16] = {};
    pthread_getname_np(pthread_self(), caller, sizeof caller);
    pthread_setname_np(pthread_self(), "x264");
    const int opened = avcodec_open2(&codec, encoder, nullptr);
    pthread_setname_np(pthread_self(), caller);
    CheckAv(opened, "Cannot open the H.264 encoder for", path_);
    videoStream_ = avformat_new_stream(output_.get(), nullptr);
    if (!videoStream_)
        throw RecordingError("Cannot add a picture stream to " + path_, 0, path_);
    videoStream_->time_base = codec.time_base;
    CheckAv(avcodec_parameters_from_context(videoStream_->codecpar, &codec), "Cannot describe", path_);
}

void FilmWriter::OpenSound() {
    const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (!encoder)
        throw RecordingError("FFmpeg has no AAC encoder", 0, path_);
    sound_.reset(avcodec_alloc_context3(encoder));
    AVCodecContext& codec = *sound_;
    codec.sample_fmt = AV_SAMPLE_FMT_FLTP;
    codec.sample_rate = format_.soundRate;
    av_channel_layout_default(&codec.ch_layout, format_.soundChannels);
    codec.bit_rate = kSoundBitRate;
    codec.time_base = AVRational{1, format_.soundRate};
    if (output_->oformat->flags & AVFMT_GLOBALHEADER)
        codec.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    CheckAv(avcodec_open2(&codec, encoder, nullptr), "Cannot open the AAC encoder for", path_);
    soundStream_ = avformat_new_stream(output_.get(), nullptr);
    if (!soundStream_)
        throw RecordingError("Cannot add a sound stream to " + path_, 0, path_);
    soundStream_->time_base = codec.time_base;
    CheckAv(avcodec_parameters_from_context(soundStream_->codecpar, &codec), "Cannot describe", path_);
    soundFrame_.reset(av_frame_alloc());
    pending_.resize(static_cast<size_t>(format_.soundChannels));
}

void FilmWriter::WriteVideo(const AVFrame& picture, int64_t index) {
    AvFramePtr frame(av_frame_clone(&picture)); // a reference: the pixels are not copied
    if (!frame)
        throw RecordingError("Out of memory for " + path_, ENOMEM, path_);
    frame->pts = index;
    CheckAv(avcodec_send_frame(video_.get(), frame.get()), "Cannot encode", path_);
    Drain(video_.get(), videoStream_);
}

void FilmWriter::WriteSound(const float* samples, int64_t frames) {
    if (!sound_)
        return;
    const size_t channels = pending_.size();
    for (int64_t k = 0; k < frames; ++k)
        for (size_t c = 0; c < channels; ++c)
            pending_[c].push_back(samples[static_cast<size_t>(k) * channels + c]);
    soundFrames_ += frames;
    SendSound(false);
}

void FilmWriter::SendSound(bool flush) {
    const int frameSize = sound_->frame_size > 0 ? sound_->frame_size : 1024;
    while (!pending_.empty() && !pending_[0].empty() &&
           (pending_[0].size() >= static_cast<size_t>(frameSize) || flush)) {
        const int count = std::min(frameSize, static_cast<int>(pending_[0].size()));
        av_frame_unref(soundFrame_.get());
        soundFrame_->format = AV_SAMPLE_FMT_FLTP;
        soundFrame_->sample_rate = format_.soundRate;
        soundFrame_->nb_samples = count;
        CheckAv(av_channel_layout_copy(&soundFrame_->ch_layout, &sound_->ch_layout), "Cannot encode", path_);
        CheckAv(av_frame_get_buffer(soundFrame_.get(), 0), "Cannot encode", path_);
        for (size_t c = 0; c < pending_.size(); ++c) {
            std::copy_n(pending_[c].begin(), count, reinterpret_cast<float*>(soundFrame_->data[c]));
            pending_[c].erase(pending_[c].begin(), pending_[c].begin() + count);
        }
        soundFrame_->pts = soundSent_;
        soundSent_ += count;
        CheckAv(avcodec_send_frame(sound_.get(), soundFrame_.get()), "Cannot encode", path_);
        Drain(sound_.get(), soundStream_);
    }
}

void FilmWriter::Drain(AVCodecContext* codec, AVStream* stream) {
    for (;;) {
        const int received = avcodec_receive_packet(codec, packet_.get());
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
            return;
        CheckAv(received, "Cannot encode", path_);
        if (packet_->duration == 0 && codec == video_.get())
            packet_->duration = 1;
        av_packet_rescale_ts(packet_.get(), codec->time_base, stream->time_base);
        packet_->stream_index = stream->index;
        CheckAv(av_interleaved_write_frame(output_.get(), packet_.get()), "Cannot write", path_);
        Flushed();
    }
}

void FilmWriter::Flushed() {
    // The muxer hands the file whole fragments only; flushing after each packet puts every one in
    // the file as soon as it is made.
    avio_flush(output_->pb);
    CheckAv(output_->pb->error, "Cannot write", path_);
    bytes_ = static_cast<uint64_t>(avio_tell(output_->pb));
}

void FilmWriter::Finish() {
    if (sound_) {
        SendSound(true);
        CheckAv(avcodec_send_frame(sound_.get(), nullptr), "Cannot encode", path_);
        Drain(sound_.get(), soundStream_);
    }
    CheckAv(avcodec_send_frame(video_.get(), nullptr), "Cannot encode", path_);
    Drain(video_.get(), videoStream_);
    CheckAv(av_write_trailer(output_.get()), "Cannot write", path_);
    Flushed();
    closed_ = true;
    CheckAv(avio_closep(&output_->pb), "Cannot write", path_);
}

void FilmWriter::Abandon() {
    closed_ = true;
    if (output_->pb) {
        output_->pb->error = 0; // what failed to go out is dropped
        avio_closep(&output_->pb);
    }
    // The bytes after the last whole fragment, if any reached the file, are cut away.
    if (::truncate(path_.c_str(), static_cast<off_t>(bytes_)) != 0) {
        // Nothing more can be done for a file that cannot even be cut.
    }
}
