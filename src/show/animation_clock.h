#pragma once

#include "core/time_stamp.h"

// The animation clock of the model on screen, in key frames: it runs from 0 up
// to the last key frame, back down to 0, and so on, for as long as the model is
// shown. A model without key frames stays at frame 0. The saver runs it without
// a break; the viewer also holds it and sets it by hand.
struct AnimationClock {
    TimeStamp start;         // when the running stretch began
    float startFrame = 0.0f;  // the frame at `start`: 0 going up, the last key frame coming down
    bool forward = true;
    float length = 0.0f;      // the last key frame

    // A new model on screen at `now`: frame 0, going up.
    void restart(const TimeStamp& now, float lastKeyFrame);
    // Goes on from `frame` in the direction `up` as of `now` (after a pause or a step).
    void resume(const TimeStamp& now, float frame, bool up);
    // The frame at `now`, at `speed` key frames per second. The first reading
    // past an end is that end exactly, and the clock turns there.
    float frameAt(const TimeStamp& now, float speed);
};
