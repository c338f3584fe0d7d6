#pragma once

#include <cstdint>
#include <memory>
#include <vector>

// Sound as it was captured: interleaved 32-bit float samples, and the time (CLOCK_MONOTONIC
// nanoseconds, the cameras' clock) its first sample was taken.
struct SoundChunk {
    int64_t captureTime = 0;
    std::vector<float> samples;
};

// A microphone that captures on a thread of its own from construction to destruction.
class SoundSource {
public:
    virtual ~SoundSource() = default;
    virtual int Rate() const = 0;
    virtual int Channels() const = 0;
    // Any thread: what was captured since the last call, oldest first. A source that fell behind
    // keeps the newest and lets the oldest go; the times tell the hole.
    virtual std::vector<SoundChunk> Take() = 0;
};

// The default microphone of the sound server (PulseAudio, or PipeWire's server for its clients),
// or none when there is no server, no microphone, or the program was built without it.
std::unique_ptr<SoundSource> OpenDefaultMicrophone();
