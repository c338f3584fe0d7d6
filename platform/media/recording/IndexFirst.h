#pragma once

#include <string>

// Rewrites the fragmented MP4 at `path` as a plain MP4 with its index at the front, which every
// player and editor takes and which starts playing before it is all read. The new file is made
// beside it under a hidden temporary name and renamed over it only when whole; on any failure the
// temporary file goes, the fragmented one stays as it was (it plays too), and RecordingError
// tells why.
void RewriteWithIndexFirst(const std::string& path);
