#include "options/command_line.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include <CLI/CLI.hpp>

namespace {
// xscreensaver starts hacks with single-dash long options ("-root").
std::vector<std::string> normalised(int argc, const char* const* argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg.size() > 2 && arg[0] == '-' && arg[1] != '-') arg = "-" + arg;
        args.push_back(arg);
    }
    return args;
}
}  // namespace

bool parseGeometry(const std::string& text, int& width, int& height) {
    const size_t x = text.find_first_of("xX");
    if (x == std::string::npos) return false;
    char* end = nullptr;
    const long w = std::strtol(text.c_str(), &end, 10);
    if (end != text.c_str() + x) return false;
    const char* heightText = text.c_str() + x + 1;
    const long h = std::strtol(heightText, &end, 10);
    if (end == heightText || *end != 0) return false;
    if (w <= 0 || h <= 0 || w > 32767 || h > 32767) return false;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

bool parseWindowId(const std::string& text, uint64_t& id) {
    if (text.empty()) return false;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text.c_str(), &end, 0);
    if (*end != 0 || text[0] == '-') return false;
    id = value;
    return true;
}

namespace {
// The options of both programs: where the game is, the window's size, and the
// options that steer the picture.
struct SharedOptions {
    std::string geometry;
    OptionFlags table;
};

void addSharedOptions(CLI::App& app, SharedOptions& shared, OptionProgram program) {
    app.set_help_flag("-h,--help", "Print this help and exit");
    app.add_option("--geometry", shared.geometry, "Size of its own window, WxH (default 1024x768)");
    shared.table.addTo(app, program, {});
}

// False when --help was asked for.
bool parseArguments(CLI::App& app, int argc, const char* const* argv, std::string& helpText) {
    std::vector<std::string> args = normalised(argc, argv);
    std::reverse(args.begin(), args.end());  // CLI11 takes them last-first
    try {
        app.parse(args);
    } catch (const CLI::CallForHelp&) {
        helpText = app.help();
        return false;
    } catch (const CLI::ParseError& error) {
        throw std::runtime_error(error.what());
    }
    return true;
}

void checkShared(KvssOptions& options, const SharedOptions& shared) {
    if (!shared.geometry.empty() && !parseGeometry(shared.geometry, options.width, options.height))
        throw std::runtime_error("--geometry: expected WxH, for example 1024x768");
    options.given = shared.table.read();
}
}  // namespace

KvssOptions parseKvssOptions(int argc, const char* const* argv, const char* environmentWindow, std::string& helpText) {
    KvssOptions options;
    CLI::App app{"kvss: shows the 3D models of Korvane, one after another, as a screen saver.\n"
                 "Follows the conventions of xscreensaver hacks; options override the settings file\n"
                 "($XDG_CONFIG_HOME/kvss/settings or ~/.config/kvss/settings) for one run."};
    app.name("kvss");
    SharedOptions shared;
    std::string windowIdText;
    bool root = false;
    bool fullscreen = false;
    addSharedOptions(app, shared, inKvss);
    app.add_flag("--root", root, "Draw on the root window (or $XSCREENSAVER_WINDOW)");
    app.add_option("--window-id", windowIdText, "Draw into this existing window (decimal or 0x hex)");
    app.add_flag("--fullscreen", fullscreen, "A full-screen window that closes on a key, a button or a mouse move");
    app.add_flag("--save-settings", options.saveSettings,
                 "Write all nine options (with the ones given here) to the settings file and exit");
    app.add_flag("--viewer", options.viewer,
                 "Look at the models by hand, in a window of its own (keys below); no drift, no time limit");
    app.add_option("--model", options.model, "With --viewer: start at this model (archive entry name, any case)");

    if (!parseArguments(app, argc, argv, helpText)) {
        options.helpShown = true;
        return options;
    }
    checkShared(options, shared);

    if (!options.model.empty() && !options.viewer) throw std::runtime_error("--model: only with --viewer");
    if (options.viewer) {
        // The viewer is a window of its own; xscreensaver's window is not for it.
        if (root || fullscreen || !windowIdText.empty())
            throw std::runtime_error("--viewer: opens a window of its own; --root, --window-id and --fullscreen do not go with it");
        return options;
    }

    if (!windowIdText.empty()) {
        if (!parseWindowId(windowIdText, options.windowId) || options.windowId == 0)
            throw std::runtime_error("--window-id: not a window id: " + windowIdText);
        options.mode = WindowMode::windowId;
    } else if (environmentWindow != nullptr && environmentWindow[0] != 0 && !fullscreen) {
        // xscreensaver names the window to draw into here.
        if (!parseWindowId(environmentWindow, options.windowId) || options.windowId == 0)
            throw std::runtime_error(std::string("XSCREENSAVER_WINDOW: not a window id: ") + environmentWindow);
        options.mode = WindowMode::windowId;
    } else if (root) {
        options.mode = WindowMode::root;
    } else if (fullscreen) {
        options.mode = WindowMode::fullscreen;
    }
    return options;
}

KvssOptions parseViewerOptions(int argc, const char* const* argv, std::string& helpText) {
    KvssOptions options;
    options.viewer = true;
    CLI::App app{"kvss-viewer: look at the 3D models of Korvane by hand, one at a time, in a window of its own.\n"
                 "The game is found as the saver finds it, or given as ARCHIVE or --game; options\n"
                 "override the saver's settings for one run."};
    app.name("kvss-viewer");
    SharedOptions shared;
    addSharedOptions(app, shared, inViewer);
    app.add_option("--model", options.model, "Start at this model (archive entry name, any case)");
    app.add_option("ARCHIVE", options.archive, "The game's kv.hog, another HOG2 archive, or a folder holding kv.hog");
    if (!parseArguments(app, argc, argv, helpText)) {
        options.helpShown = true;
        return options;
    }
    checkShared(options, shared);
    if (!options.archive.empty() && !options.gameFolder().empty())
        throw std::runtime_error("ARCHIVE and --game: give one of them");
    return options;
}
