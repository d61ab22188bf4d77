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

// `at` moved on by `milliseconds` (not negative), carried into the seconds.
inline TimeStamp operator+(TimeStamp at, int32_t milliseconds) {
    const int32_t total = at.milliseconds + milliseconds;
    at.seconds += total / 1000;
    at.milliseconds = static_cast<uint16_t>(total % 1000);
    return at;
}

// Exactly, to the millisecond.
inline bool operator<(const TimeStamp& a, const TimeStamp& b) {
    return a.seconds < b.seconds || (a.seconds == b.seconds && a.milliseconds < b.milliseconds);
}
