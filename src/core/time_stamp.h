#pragma once

#include <cstdint>

// A moment as the C library's ftime gives it.
struct TimeStamp {
    int32_t seconds = 0;        // since the epoch
    uint16_t milliseconds = 0;  // 0..999
};

// b - a in seconds, as a float.
inline float operator-(const TimeStamp& b, const TimeStamp& a) {
    const int32_t milliseconds = static_cast<int32_t>(b.milliseconds) - static_cast<int32_t>(a.milliseconds);
    return static_cast<float>(b.seconds - a.seconds) + static_cast<float>(milliseconds) * 0.001f;
}
