// kvss for Linux: the saver in an X window, run by hand or by xscreensaver.
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "core/message.h"
#include "options/file_option_store.h"
#include "saver/closing_input.h"
#include "saver/saver.h"
#include "show/game_archive.h"
#include "options/command_line.h"
#include "host/x11/x11_viewer.h"
#include "host/x11/x11_loop.h"
#include "host/x11/x11_platform.h"
#include "viewer/bindings.h"

namespace {
// The saver in the X loop: it ticks while the saver's timer runs, draws at the
// window's size, and closes as a screen saver does in full screen (a key, a
// button, a mouse move past the distance), or on Escape and q in a window of
// its own.
class X11SaverClient : public LoopClient {
public:
    X11SaverClient(Saver& saver, X11Platform& platform) : saver_(saver), platform_(platform) {}

    int tickMilliseconds() const override { return platform_.timerMilliseconds(); }
    void tick() override { saver_.onTimer(); }
    bool closing() const override { return closing_; }

    void handle(const WindowEvent& event) override {
        const bool fullscreen = platform_.fullscreen();
        switch (event.kind) {
            case WindowEvent::Kind::resized: saver_.setClientRect({0, 0, event.x, event.y}); break;
            case WindowEvent::Kind::closeRequested: closing_ = true; break;
            case WindowEvent::Kind::key:
                closing_ |= fullscreen || event.key == NamedKey::escape || event.character == 'q' || event.character == 'Q';
                break;
            case WindowEvent::Kind::buttonDown:
            case WindowEvent::Kind::wheel: closing_ |= fullscreen; break;
            case WindowEvent::Kind::pointerMoved: {
                const X11Platform::Point at = platform_.pointerAtOpen();
                closing_ |= fullscreen && movedFarEnoughToClose(event.x - at.x, event.y - at.y);
                break;
            }
            default: break;
        }
    }

private:
    Saver& saver_;
    X11Platform& platform_;
    bool closing_ = false;
};

int runSaver(Display* display, X11Platform& platform, Saver& saver) {
    saver.onCreate();
    X11SaverClient client(saver, platform);
    runX11Loop(display, platform.window(), client);
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
        std::fputs(("\nKeys and mouse of kvss --viewer:\n" + inspectorKeyTable()).c_str(), stdout);
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
    if (options.viewer) return inspectorMain(options);

    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "kvss: cannot open the X display %s\n", std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "(DISPLAY is not set)");
        return 1;
    }
    int status = 0;
    try {
        X11Platform platform(display, options, store);
        // Find the game before any window appears, so that a missing game leaves nothing on screen.
        if (!platform.gameArchivePath()) platform.fatal(notInstalledMessage);
        platform.openWindow();
        Saver saver(platform);
        saver.useSettings(settings);
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
