#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What a film holds, read back through libavformat as a player would.
struct FilmFacts {
    bool opened = false;
    std::string videoCodec; // "h264"
    int width = 0;
    int height = 0;
    int64_t frames = 0;      // picture packets
    double videoSeconds = 0; // from the first picture's time to the end of the last
    std::string soundCodec;  // "aac", empty without sound
    double soundSeconds = 0;
    bool indexFirst = false; // a plain MP4 whose index (moov) comes before its data, no fragments
};
FilmFacts ProbeFilm(const std::string& path);

// The film's picture `index` (counted from 0) decoded to 24-bit blue, green, red rows from the
// top, width x 3 bytes each; empty when there is none.
std::vector<uint8_t> FilmPicture(const std::string& path, int64_t index);
