#pragma once

#include <windows.h>

#include <string>

#include "seam/loop_client.h"

// The one loop of the Windows programs: gets, translates and dispatches
// messages until the quit message; returns its code. The saver's framework and
// the model viewer both run it; the viewer's window below turns its messages
// into WindowEvents and its timer into ticks.
int runWin32MessageLoop();

// A normal, resizable top-level window that serves a LoopClient: its messages
// become WindowEvents, a timer of the client's period ticks it, files dropped
// on it are passed on, and it closes once the client is closing. The loop ends
// when it is gone.
class Win32ClientWindow {
public:
    Win32ClientWindow(HINSTANCE module, LoopClient& client);
    ~Win32ClientWindow();
    Win32ClientWindow(const Win32ClientWindow&) = delete;
    Win32ClientWindow& operator=(const Win32ClientWindow&) = delete;

    // Makes the window (not yet shown) with a client area of width x height.
    void create(const char* title, int width, int height, HICON icon);
    // Shows it and starts the client's ticks.
    void show();
    HWND handle() const { return window_; }
    // What left the client during a message, if anything did (one line).
    const std::string& failure() const { return failure_; }

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void deliver(const WindowEvent& event);
    void closeIfDone();

    HINSTANCE module_;
    LoopClient& client_;
    HWND window_ = nullptr;
    int wheelRemainder_ = 0;  // a fine-grained wheel sends less than a notch at a time
    int buttonsDown_ = 0;
    std::string failure_;
};
