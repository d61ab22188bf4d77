// kvss for Linux: the saver in an X window, run by hand or by xscreensaver.
#include <poll.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <thread>

#include "core/message.h"
#include "host/file_option_store.h"
#include "host/saver.h"
#include "host/x11/kvss_options.h"
#include "host/x11/x11_platform.h"
#include "host/x11/x11_viewer.h"
#include "host/viewer_bindings.h"

namespace {
using Clock = std::chrono::steady_clock;

// Runs the saver until the window closes; ticks every `timerMilliseconds` and
// waits on the X connection in between.
int runSaver(Display* display, X11Platform& platform, Saver& saver) {
    saver.onCreate();
    Clock::time_point nextTick = Clock::now();
    bool running = true;
    while (running) {
        ClientRect resized = saver.clientRect;
        running = platform.handleEvents(resized);
        if (!running) break;
        // A window the user resizes draws at its new size.
        saver.clientRect = resized;
        const int period = platform.timerMilliseconds();
        const Clock::time_point now = Clock::now();
        if (period > 0 && now >= nextTick) {
            saver.onTimer();
            nextTick += std::chrono::milliseconds(period);
            if (nextTick < now) nextTick = now + std::chrono::milliseconds(period);  // late: do not catch up
            continue;
        }
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(nextTick - now).count();
        pollfd connection{ConnectionNumber(display), POLLIN, 0};
        poll(&connection, 1, static_cast<int>(wait > 0 ? wait : 0));
    }
    saver.onDestroy();
    return 0;
}
}  // namespace

int main(int argc, char** argv) {
    KvssOptions options;
    std::string help;
    try {
        options = parseKvssOptions(argc, argv, std::getenv("XSCREENSAVER_WINDOW"), help);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "kvss: %s\nRun kvss --help for the options.\n", error.what());
        return 1;
    }
    if (options.helpShown) {
        std::fputs(help.c_str(), stdout);
        std::fputs(("\nKeys and mouse of kvss --viewer:\n" + viewerKeyTable()).c_str(), stdout);
        return 0;
    }

    FileOptionStore store(defaultSettingsPath());
    Settings settings;
    loadSettings(store, settings);
    options.applyTo(settings);

    if (options.saveSettings) {
        saveSettings(store, settings);
        if (!store.written()) {
            std::fprintf(stderr, "kvss: %s: cannot write the settings file\n", store.path().c_str());
            return 1;
        }
        return 0;
    }

    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "kvss: cannot open the X display %s\n", std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "(DISPLAY is not set)");
        return 1;
    }
    int status = 0;
    try {
        if (options.viewer) {
            status = runViewer(display, options, store, settings);
            XCloseDisplay(display);
            return status;
        }
        X11Platform platform(display, options, store);
        // Find the game before any window appears, so that a missing game leaves nothing on screen.
        if (!platform.gameArchivePath()) platform.fatal(notInstalledMessage);
        platform.openWindow();
        Saver saver(platform);
        saver.settings = settings;
        saver.loadSettingsFromStore = false;
        status = runSaver(display, platform, saver);
    } catch (Message message) {
        // A model or archive that cannot be read ends the saver.
        std::fprintf(stderr, "kvss: %s\n", message);
        status = 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "kvss: %s\n", error.what());
        status = 1;
    }
    XCloseDisplay(display);
    return status;
}
