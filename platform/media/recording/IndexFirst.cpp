#include "platform/media/recording/IndexFirst.h"

#include "platform/media/recording/FfmpegHandles.h"
#include "platform/media/recording/RecordingError.h"

#include <cstdio>
#include <vector>

namespace {

std::string TemporaryBeside(const std::string& path) {
    const size_t slash = path.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    return path.substr(0, nameStart) + "." + path.substr(nameStart) + ".part";
}

void Copy(const std::string& from, const std::string& to) {
    AVFormatContext* opened = nullptr;
    CheckAv(avformat_open_input(&opened, from.c_str(), nullptr, nullptr), "Cannot read", from);
    const AvInputPtr input(opened);
    AVFormatContext* made = nullptr;
    CheckAv(avformat_alloc_output_context2(&made, nullptr, "mp4", to.c_str()), "Cannot make", to);
    const AvOutputPtr output(made);
    for (unsigned k = 0; k < input->nb_streams; ++k) {
        AVStream* stream = avformat_new_stream(output.get(), nullptr);
        if (!stream)
            throw RecordingError("Cannot add a stream to " + to, 0, to);
        CheckAv(avcodec_parameters_copy(stream->codecpar, input->streams[k]->codecpar), "Cannot describe",
                to);
        stream->codecpar->codec_tag = 0;
        stream->time_base = input->streams[k]->time_base;
    }
    CheckAv(avio_open(&output->pb, to.c_str(), AVIO_FLAG_WRITE), "Cannot create", to);
    AVDictionary* options = nullptr;
    av_dict_set(&options, "movflags", "faststart", 0);
    const int written = avformat_write_header(output.get(), &options);
    av_dict_free(&options);
    CheckAv(written, "Cannot write", to);
    const AvPacketPtr packet(av_packet_alloc());
    for (;;) {
        const int read = av_read_frame(input.get(), packet.get());
        if (read == AVERROR_EOF)
            break;
        CheckAv(read, "Cannot read", from);
        av_packet_rescale_ts(packet.get(), input->streams[packet->stream_index]->time_base,
                             output->streams[packet->stream_index]->time_base);
        packet->pos = -1;
        CheckAv(av_interleaved_write_frame(output.get(), packet.get()), "Cannot write", to);
    }
    CheckAv(av_write_trailer(output.get()), "Cannot write", to);
    AVFormatContext* closing = output.get();
    CheckAv(avio_closep(&closing->pb), "Cannot write", to);
}

} // namespace

void RewriteWithIndexFirst(const std::string& path) {
    const std::string temporary = TemporaryBeside(path);
    try {
        Copy(path, temporary);
    } catch (...) {
        std::remove(temporary.c_str());
        throw;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        std::remove(temporary.c_str());
        throw RecordingError("Cannot rename " + temporary + " to " + path, error, path);
    }
}
