#pragma once

#include <windows.h>

// The Wine helpers' one wait, as tests/eventually.h is the test suite's: a
// condition polled until it holds or a generous limit passes, never a sleep of
// a guessed length.
inline constexpr DWORD patienceMilliseconds = 90000;

// Handles the messages waiting for this thread's windows.
inline void pumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// Polls `done` every 20 ms, handling this thread's messages meanwhile, until
// it holds (true) or `limit` milliseconds have passed (false).
template <typename Condition>
bool waitUntil(Condition done, DWORD limit = patienceMilliseconds) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > limit) return false;
        pumpMessages();
        Sleep(20);
    }
    return true;
}
