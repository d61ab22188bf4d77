#include "host/x11/x11_viewer.h"

#include <X11/Xatom.h>
#include <X11/keysym.h>
#include <poll.h>

#include <chrono>
#include <cstdio>

#include "host/saver.h"
#include "host/viewer_session.h"
#include "host/x11/x11_platform.h"

namespace {
using Clock = std::chrono::steady_clock;

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

class X11ViewerWindow : public ViewerWindow {
public:
    explicit X11ViewerWindow(Display* display) : display_(display) {}
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
    void printLine(const std::string& line) override {
        std::fputs(line.c_str(), stdout);
        if (line.empty() || line.back() != '\n') std::fputc('\n', stdout);
        std::fflush(stdout);
    }
    void printError(const std::string& line) override { std::fprintf(stderr, "%s\n", line.c_str()); }

private:
    Display* display_;
    Window window_ = 0;
};

Modifiers modifiersOf(unsigned int state) { return {(state & ShiftMask) != 0, (state & ControlMask) != 0}; }

// Turns X events into the viewer's input events.
class X11Input {
public:
    X11Input(Display* display, Window window) : display_(display), window_(window) {
        deleteWindow_ = XInternAtom(display, "WM_DELETE_WINDOW", False);
    }

    // Handles the pending events; false once the session may close.
    bool pump(ViewerSession& session) {
        while (XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            switch (event.type) {
                case ConfigureNotify:
                    if (event.xconfigure.window == window_)
                        session.clientRect = {0, 0, event.xconfigure.width, event.xconfigure.height};
                    break;
                case ClientMessage:
                    if (static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow_) session.close();
                    break;
                case KeyPress: key(event.xkey, session); break;
                case ButtonPress: press(event.xbutton, session); break;
                case ButtonRelease:
                    if (event.xbutton.button == dragButton_) dragButton_ = 0;
                    break;
                case MotionNotify: motion(event.xmotion, session); break;
                default: break;
            }
            if (session.closing()) return false;
        }
        return true;
    }

private:
    void key(XKeyEvent& event, ViewerSession& session) {
        KeySym symbol = NoSymbol;
        char text[8];
        XLookupString(&event, text, sizeof text, &symbol, nullptr);
        const Modifiers modifiers = modifiersOf(event.state);
        switch (symbol) {
            case XK_Left: case XK_KP_Left: session.handle(InputEvent::named(NamedKey::left, modifiers)); return;
            case XK_Right: case XK_KP_Right: session.handle(InputEvent::named(NamedKey::right, modifiers)); return;
            case XK_Escape: session.handle(InputEvent::named(NamedKey::escape, modifiers)); return;
            case XK_KP_Add: session.handle(InputEvent::typed('+', modifiers)); return;
            case XK_KP_Subtract: session.handle(InputEvent::typed('-', modifiers)); return;
            default: break;
        }
        // Printable Latin-1 keysyms are their characters, with shift already applied.
        if (symbol >= XK_space && symbol <= XK_asciitilde)
            session.handle(InputEvent::typed(static_cast<char>(symbol), modifiers));
    }

    void press(XButtonEvent& event, ViewerSession& session) {
        const Modifiers modifiers = modifiersOf(event.state);
        if (event.button == Button4) {
            session.handle(InputEvent::wheel(1, modifiers));
        } else if (event.button == Button5) {
            session.handle(InputEvent::wheel(-1, modifiers));
        } else if (event.button >= Button1 && event.button <= Button3) {
            dragButton_ = event.button;
            lastX_ = event.x;
            lastY_ = event.y;
        }
    }

    void motion(XMotionEvent& event, ViewerSession& session) {
        if (dragButton_ == 0) return;
        const DragButton button = dragButton_ == Button1   ? DragButton::left
                                  : dragButton_ == Button2 ? DragButton::middle
                                                           : DragButton::right;
        const int dx = event.x - lastX_;
        const int dy = event.y - lastY_;
        lastX_ = event.x;
        lastY_ = event.y;
        if (dx != 0 || dy != 0) session.handle(InputEvent::drag(button, dx, dy, modifiersOf(event.state)));
    }

    Display* display_;
    Window window_;
    Atom deleteWindow_ = 0;
    unsigned int dragButton_ = 0;
    int lastX_ = 0;
    int lastY_ = 0;
};
}  // namespace

int runViewer(Display* display, const KvssOptions& options, FileOptionStore& store, const Settings& settings) {
    X11Platform platform(display, options, store);
    X11ViewerWindow window(display);
    ViewerSession session(platform, window, settings);
    // The archive and the model named are checked before any window appears.
    session.openArchive(options.model);

    platform.openWindow();
    window.attach(platform.window());
    XSelectInput(display, platform.window(),
                 StructureNotifyMask | ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask |
                     ButtonMotionMask);
    session.clientRect = platform.clientRect();
    session.start();

    X11Input input(display, platform.window());
    Clock::time_point nextTick = Clock::now();
    while (input.pump(session) && !session.closing()) {
        const Clock::time_point now = Clock::now();
        if (now >= nextTick) {
            session.tick();
            nextTick += std::chrono::milliseconds(tickMilliseconds);
            if (nextTick < now) nextTick = now + std::chrono::milliseconds(tickMilliseconds);  // late: do not catch up
            continue;
        }
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(nextTick - now).count();
        pollfd connection{ConnectionNumber(display), POLLIN, 0};
        poll(&connection, 1, static_cast<int>(wait > 0 ? wait : 0));
    }
    session.stop();
    return 0;
}
