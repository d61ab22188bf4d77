#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/client_rect.h"
#include "core/time_stamp.h"
#include "seam/monitors.h"

class OptionStore;


// Everything the saver needs from the platform it runs on: Windows, X11, or the
// offscreen host of kvtool and the tests. The Saver calls it from its create
// message (options, monitors, context, the game) through every tick to its
// destroy message; the model viewer (Inspector) runs on it too. The saver itself
// never includes a platform header.
class SaverPlatform {
public:
    virtual ~SaverPlatform() = default;

    virtual OptionStore& optionStore() = 0;
    // The window's client rectangle, in pixels.
    virtual ClientRect clientRect() = 0;
    // The monitors the window covers, left to right, then top to bottom (see
    // monitorsInWindow); where the platform knows no more, the whole window.
    virtual std::vector<Monitor> monitors() { return {{clientRect(), true}}; }
    // Creates a double-buffered RGBA OpenGL context for the window and makes it
    // current. With `buildFont`, display lists 0..127 draw the glyphs of
    // character codes 0..127 and move the raster position on.
    virtual void createGlContext(bool buildFont) = 0;
    virtual void destroyGlContext() = 0;
    // An OpenGL extension entry point, or null.
    virtual void* glProcAddress(const char* name) = 0;
    virtual void swapBuffers() = 0;
    virtual void startTimer(int milliseconds) = 0;
    virtual void stopTimer() = 0;
    virtual TimeStamp now() = 0;
    // The path of the game's kv.hog; nothing when the game is not installed.
    virtual std::optional<std::string> gameArchivePath() = 0;
    // Shows `message` (captioned "Error" where there is a caption) and ends the
    // process with exit status 1.
    [[noreturn]] virtual void fatal(const char* message) = 0;
};
