#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "options/option_flags.h"
#include "options/settings.h"

// Where the Linux saver draws.
enum class WindowMode {
    ownWindow,   // a window of its own, closed by the window manager, Escape or q
    fullscreen,  // a full-screen window that closes on user input, like a screen saver
    root,        // the root window
    windowId,    // a window made by someone else (xscreensaver)
};

// The command line of kvss, after xscreensaver's single-dash forms are accepted.
struct KvssOptions {
    WindowMode mode = WindowMode::ownWindow;
    uint64_t windowId = 0;
    int width = 1024;
    int height = 768;
    bool saveSettings = false;   // write the nine values and exit
    bool helpShown = false;      // --help printed; exit 0
    bool viewer = false;         // --viewer: look at the models by hand
    std::string model;           // --model: the viewer's first model (archive entry name)
    std::string archive;         // the viewer's ARCHIVE: a .hog file, or a folder holding kv.hog

    // Options of the table given on the command line; they override the settings file.
    GivenOptions given;

    // Applies the command-line options to settings read from the store.
    void applyTo(Settings& settings) const { given.applyTo(settings); }
    // The folder given with --game; empty when none was.
    const std::string& gameFolder() const { return given.values.game_dir; }
};

// Parses kvss's argv; `environmentWindow` is $XSCREENSAVER_WINDOW (null when
// unset). Throws std::runtime_error with a message for the user on bad
// arguments; with --help, fills `helpText` and sets helpShown.
KvssOptions parseKvssOptions(int argc, const char* const* argv, const char* environmentWindow, std::string& helpText);
// Parses the argv of the model viewer's own program (kvss-viewer): the
// viewer's options of kvss, and the archive as an argument of its own.
KvssOptions parseViewerOptions(int argc, const char* const* argv, std::string& helpText);

// "1024x768" -> 1024, 768; false when malformed or not positive.
bool parseGeometry(const std::string& text, int& width, int& height);
// Decimal or 0x-prefixed hexadecimal window id; false when malformed.
bool parseWindowId(const std::string& text, uint64_t& id);
