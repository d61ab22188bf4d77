#include "host/x11/x11_viewer.h"

#include <X11/Xatom.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "core/message.h"
#include "options/file_option_store.h"

#include "host/x11/x11_loop.h"
#include "host/x11/x11_platform.h"
#include "viewer/inspector.h"

namespace {
// Entry names are bytes from the game, read as Latin-1; _NET_WM_NAME wants UTF-8.
std::string latin1ToUtf8(const std::string& text) {
    std::string utf8;
    for (const unsigned char c : text) {
        if (c < 0x80) {
            utf8 += static_cast<char>(c);
        } else {
            utf8 += static_cast<char>(0xC0 | (c >> 6));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return utf8;
}

class X11InspectorWindow : public InspectorWindow {
public:
    explicit X11InspectorWindow(Display* display) : display_(display) {}
    // Titles name the window's model once there is a window.
    void attach(Window window) { window_ = window; }

    void setTitle(const std::string& title) override {
        if (window_ == 0) return;
        XStoreName(display_, window_, title.c_str());
        const std::string utf8 = latin1ToUtf8(title);
        XChangeProperty(display_, window_, XInternAtom(display_, "_NET_WM_NAME", False),
                        XInternAtom(display_, "UTF8_STRING", False), 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(utf8.data()), static_cast<int>(utf8.size()));
        XFlush(display_);
    }
    void report(const std::string& line) override {
        std::fputs(line.c_str(), stdout);
        if (line.empty() || line.back() != '\n') std::fputc('\n', stdout);
        std::fflush(stdout);
    }
    void reportError(const std::string& line) override { std::fprintf(stderr, "%s\n", line.c_str()); }
    void showKeys(const std::string& table) override { report(table); }
    // Pictures and exports go where the viewer was started, as a shell user expects.
    std::string outputFolder() override { return ""; }

private:
    Display* display_;
    Window window_ = 0;
};

int runInspector(Display* display, const KvssOptions& options, FileOptionStore& store, const Settings& settings) {
    X11Platform platform(display, options, store);
    X11InspectorWindow window(display);
    Inspector inspector(platform, window, settings);
    // The archive and the model named are checked before any window appears.
    inspector.openArchive(options.model);

    platform.openWindow();
    window.attach(platform.window());
    XSelectInput(display, platform.window(),
                 StructureNotifyMask | ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask |
                     ButtonMotionMask);
    inspector.setClientRect(platform.clientRect());
    inspector.start();
    runX11Loop(display, platform.window(), inspector);
    inspector.stop();
    return 0;
}
}  // namespace

int inspectorMain(const KvssOptions& options) {
    FileOptionStore store(defaultSettingsPath());
    Settings settings;
    loadSettings(store, settings);
    options.applyTo(settings);

    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        const char* name = std::getenv("DISPLAY");
        std::fprintf(stderr, "kvss: cannot open the X display %s\n", name != nullptr ? name : "(DISPLAY is not set)");
        return 1;
    }
    int status = 1;
    try {
        status = runInspector(display, options, store, settings);
    } catch (Message message) {
        std::fprintf(stderr, "kvss: %s\n", message);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "kvss: %s\n", error.what());
    }
    XCloseDisplay(display);
    return status;
}
