#pragma once

#include "platform/media/recording/FfmpegHandles.h"

#include <cstdint>
#include <string>
#include <vector>

struct FilmFormat {
    int width = 0; // even
    int height = 0;
    int64_t intervalNumerator = 1; // a frame lasts numerator / denominator seconds
    int64_t intervalDenominator = 30;
    int soundRate = 0; // 0: no sound
    int soundChannels = 0;
};

// The encoders and the file of one film: H.264 pictures (libx264) and AAC sound in MP4, written
// as fragments of at most one second (a keyframe every second starts one), each whole fragment
// flushed to the file as soon as it is made, so that a film cut short plays up to its last one.
// One thread at a time.
class FilmWriter {
public:
    // Creates `path` and writes the film's header. Throws RecordingError when it cannot (an
    // unwritable folder says so here, before any frame).
    FilmWriter(std::string path, FilmFormat format);
    ~FilmWriter();
    FilmWriter(const FilmWriter&) = delete;
    FilmWriter& operator=(const FilmWriter&) = delete;

    const FilmFormat& Format() const { return format_; }
    // A picture of the film's size in planar YUV 4:2:0 (BT.601, limited range) as the film's frame
    // `index`, counted from 0. Throws RecordingError when the file cannot be written.
    void WriteVideo(const AVFrame& picture, int64_t index);
    // Interleaved samples of the film's channels, following the sound written before.
    void WriteSound(const float* samples, int64_t frames);
    int64_t SoundFrames() const { return soundFrames_; }
    // Sends what the encoders still hold and closes the file. Throws RecordingError.
    void Finish();
    // After a failure: closes the file and cuts it back to its last whole fragment, so that what
    // was written plays.
    void Abandon();
    // Bytes in the file so far.
    uint64_t Bytes() const { return bytes_; }

private:
    void OpenVideo();
    void OpenSound();
    void SendSound(bool flush);
    void Drain(AVCodecContext* codec, AVStream* stream);
    void Flushed();

    const std::string path_;
    const FilmFormat format_;
    AvOutputPtr output_;
    AvCodecPtr video_;
    AvCodecPtr sound_;
    AVStream* videoStream_ = nullptr;
    AVStream* soundStream_ = nullptr;
    AvPacketPtr packet_;
    AvFramePtr soundFrame_;
    std::vector<std::vector<float>> pending_; // sound not yet encoded, one plane a channel
    int64_t soundFrames_ = 0;                 // sound frames written, in samples a channel
    int64_t soundSent_ = 0;                   // samples a channel given to the encoder
    uint64_t bytes_ = 0;                      // in whole fragments, flushed
    bool closed_ = false;
};
