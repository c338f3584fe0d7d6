#pragma once

#include <cstdint>

// Where the camera's frames go in a film of constant rate: by their capture times (nanoseconds of
// one clock), into slots one frame interval apart from the first frame's time. A frame in a slot
// already filled is surplus and left out; a frame that skips slots has the previous frame
// repeated in them; a film whose camera went quiet is filled with the previous frame up to a time.
class FramePlacement {
public:
    // The frame interval, `numerator` / `denominator` seconds.
    FramePlacement(int64_t numerator, int64_t denominator);

    struct Place {
        bool dropped = false; // surplus: its slot is filled already
        int64_t repeats = 0;  // copies of the previous frame that come first
    };
    Place Add(int64_t captureTime);
    // Fills every slot that starts before `time` with the previous frame; how many. None before
    // the first frame.
    int64_t FillUntil(int64_t time);

    bool Started() const { return started_; }
    // The first frame's capture time, where the film's time starts.
    int64_t Start() const { return start_; }
    // The slots filled so far: the film's frames.
    int64_t Frames() const { return next_; }
    // Nanoseconds from the film's start to `slots` frames.
    int64_t Duration(int64_t slots) const;

private:
    // The slot whose middle part holds `time` (rounded to the nearest start).
    int64_t Slot(int64_t time) const;

    int64_t numerator_;
    int64_t denominator_;
    bool started_ = false;
    int64_t start_ = 0;
    int64_t next_ = 0;
};
