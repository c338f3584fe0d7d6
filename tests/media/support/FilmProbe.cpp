#include "tests/media/support/FilmProbe.h"

#include "platform/media/recording/FfmpegHandles.h"

extern "C" {
#include <libswscale/swscale.h>
}

#include <fstream>

namespace {

AvInputPtr Open(const std::string& path) {
    AVFormatContext* opened = nullptr;
    if (avformat_open_input(&opened, path.c_str(), nullptr, nullptr) < 0)
        return nullptr;
    AvInputPtr input(opened);
    if (avformat_find_stream_info(input.get(), nullptr) < 0)
        return nullptr;
    return input;
}

// The top-level boxes in order: moov before mdat, and no moof.
bool IndexFirst(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    bool moov = false;
    for (;;) {
        unsigned char head[8];
        if (!file.read(reinterpret_cast<char*>(head), 8))
            return false;
        uint64_t size = (uint64_t{head[0]} << 24) | (head[1] << 16) | (head[2] << 8) | head[3];
        const std::string type(reinterpret_cast<char*>(head + 4), 4);
        if (size == 1) {
            unsigned char large[8];
            file.read(reinterpret_cast<char*>(large), 8);
            size = 0;
            for (unsigned char byte : large)
                size = size << 8 | byte;
            size -= 8;
        }
        if (type == "moov")
            moov = true;
        if (type == "moof")
            return false;
        if (type == "mdat")
            return moov;
        if (size < 8)
            return false;
        file.seekg(static_cast<std::streamoff>(size - 8), std::ios::cur);
    }
}

} // namespace

FilmFacts ProbeFilm(const std::string& path) {
    FilmFacts facts;
    const AvInputPtr input = Open(path);
    if (!input)
        return facts;
    facts.opened = true;
    facts.indexFirst = IndexFirst(path);
    std::vector<int64_t> first(input->nb_streams, INT64_MAX), end(input->nb_streams, INT64_MIN);
    const AvPacketPtr packet(av_packet_alloc());
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        const auto k = static_cast<size_t>(packet->stream_index);
        if (input->streams[k]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
            ++facts.frames;
        if (packet->pts != AV_NOPTS_VALUE) {
            first[k] = std::min(first[k], packet->pts);
            end[k] = std::max(end[k], packet->pts + packet->duration);
        }
        av_packet_unref(packet.get());
    }
    for (unsigned k = 0; k < input->nb_streams; ++k) {
        const AVStream* stream = input->streams[k];
        const double seconds = end[k] > first[k] ? (end[k] - first[k]) * av_q2d(stream->time_base) : 0;
        if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
            facts.videoCodec = avcodec_get_name(stream->codecpar->codec_id);
            facts.width = stream->codecpar->width;
            facts.height = stream->codecpar->height;
            facts.videoSeconds = seconds;
        } else if (stream->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
            facts.soundCodec = avcodec_get_name(stream->codecpar->codec_id);
            facts.soundSeconds = seconds;
        }
    }
    return facts;
}

std::vector<uint8_t> FilmPicture(const std::string& path, int64_t index) {
    const AvInputPtr input = Open(path);
    if (!input)
        return {};
    const int stream = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (stream < 0)
        return {};
    const AVCodecParameters* parameters = input->streams[stream]->codecpar;
    const AVCodec* decoder = avcodec_find_decoder(parameters->codec_id);
    const AvCodecPtr codec(avcodec_alloc_context3(decoder));
    avcodec_parameters_to_context(codec.get(), parameters);
    if (avcodec_open2(codec.get(), decoder, nullptr) < 0)
        return {};
    const AvPacketPtr packet(av_packet_alloc());
    const AvFramePtr frame(av_frame_alloc());
    int64_t decoded = 0;
    bool draining = false;
    for (;;) {
        if (!draining) {
            if (av_read_frame(input.get(), packet.get()) < 0) {
                draining = true;
                avcodec_send_packet(codec.get(), nullptr);
            } else {
                if (packet->stream_index == stream)
                    avcodec_send_packet(codec.get(), packet.get());
                av_packet_unref(packet.get());
            }
        }
        while (avcodec_receive_frame(codec.get(), frame.get()) >= 0) {
            if (decoded++ != index)
                continue;
            const int width = frame->width, height = frame->height;
            std::vector<uint8_t> picture(static_cast<size_t>(width) * height * 3);
            SwsContext* scaler =
                sws_getContext(width, height, static_cast<AVPixelFormat>(frame->format), width, height,
                               AV_PIX_FMT_BGR24, SWS_POINT, nullptr, nullptr, nullptr);
            uint8_t* rows[1] = {picture.data()};
            const int strides[1] = {width * 3};
            sws_scale(scaler, frame->data, frame->linesize, 0, height, rows, strides);
            sws_freeContext(scaler);
            return picture;
        }
        if (draining)
            return {};
    }
}
