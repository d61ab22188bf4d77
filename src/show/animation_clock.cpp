#include "show/animation_clock.h"

void AnimationClock::restart(const TimeStamp& now, float lastKeyFrame) {
    length = lastKeyFrame;
    resume(now, 0.0f, true);
}

void AnimationClock::resume(const TimeStamp& now, float frame, bool up) {
    start = now;
    startFrame = frame;
    forward = up;
}

float AnimationClock::frameAt(const TimeStamp& now, float speed) {
    // Measured from the stretch's start, never summed tick by tick, so the
    // frame does not drift with the ticks' rounding.
    const float moved = (now - start) * speed;
    if (forward) {
        const float frame = startFrame + moved;
        if (frame > length) {
            resume(now, length, false);
            return length;
        }
        return frame;
    }
    const float frame = startFrame - moved;
    if (frame < 0.0f) {
        resume(now, 0.0f, true);
        return 0.0f;
    }
    return frame;
}
