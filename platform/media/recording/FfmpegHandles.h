#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
}

#include <memory>
#include <string>

// FFmpeg's objects held by unique pointers that free them the way FFmpeg wants.
struct AvFrameFree {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct AvPacketFree {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct AvCodecFree {
    void operator()(AVCodecContext* codec) const { avcodec_free_context(&codec); }
};
// An output context with its file closed, or an input context closed.
struct AvOutputFree {
    void operator()(AVFormatContext* format) const {
        if (format->pb && !(format->oformat->flags & AVFMT_NOFILE))
            avio_closep(&format->pb);
        avformat_free_context(format);
    }
};
struct AvInputFree {
    void operator()(AVFormatContext* format) const { avformat_close_input(&format); }
};

using AvFramePtr = std::unique_ptr<AVFrame, AvFrameFree>;
using AvPacketPtr = std::unique_ptr<AVPacket, AvPacketFree>;
using AvCodecPtr = std::unique_ptr<AVCodecContext, AvCodecFree>;
using AvOutputPtr = std::unique_ptr<AVFormatContext, AvOutputFree>;
using AvInputPtr = std::unique_ptr<AVFormatContext, AvInputFree>;

// FFmpeg's text for an error code.
std::string AvErrorText(int error);
