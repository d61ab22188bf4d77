#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <GL/glx.h>

#include <string>

#include "options/file_option_store.h"
#include "seam/saver_platform.h"
#include "options/command_line.h"

// The saver's platform on Linux: an X window with a GLX context, the settings
// file, and the game directory from the command line or the settings file.
class X11Platform : public SaverPlatform {
public:
    X11Platform(Display* display, const KvssOptions& options, FileOptionStore& store);
    ~X11Platform() override;

    // Makes or adopts the window the options ask for; throws std::runtime_error.
    void openWindow();

    OptionStore& optionStore() override { return store_; }
    ClientRect clientRect() override;
    // In full screen and on the root window, the monitors of RandR (else of
    // Xinerama) that the window covers; a window of its own is one monitor.
    std::vector<Monitor> monitors() override;
    void createGlContext(bool buildFont) override;
    void destroyGlContext() override;
    void* glProcAddress(const char* name) override;
    void swapBuffers() override;
    void startTimer(int milliseconds) override { timerMilliseconds_ = milliseconds; }
    void stopTimer() override { timerMilliseconds_ = 0; }
    TimeStamp now() override;
    std::optional<std::string> gameArchivePath() override;
    [[noreturn]] void fatal(const char* message) override;

    Window window() const { return window_; }
    bool fullscreen() const { return options_.mode == WindowMode::fullscreen; }
    int timerMilliseconds() const { return timerMilliseconds_; }
    // Where the pointer was in a full-screen window when it opened.
    struct Point {
        int x = 0;
        int y = 0;
    };
    Point pointerAtOpen() const { return pointerAtOpen_; }

private:
    XVisualInfo* chooseVisual();
    void hideCursor();

    Display* display_;
    const KvssOptions& options_;
    FileOptionStore& store_;
    Window window_ = 0;
    bool ownsWindow_ = false;
    Atom deleteWindow_ = 0;
    XVisualInfo* visual_ = nullptr;
    GLXContext context_ = nullptr;
    XFontStruct* font_ = nullptr;
    int timerMilliseconds_ = 0;
    Point pointerAtOpen_;
    std::optional<std::optional<std::string>> archiveFound_;  // the finder's answer, once asked
};
