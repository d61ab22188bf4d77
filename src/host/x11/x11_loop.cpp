#include "host/x11/x11_loop.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <poll.h>

#include <chrono>

namespace {
using Clock = std::chrono::steady_clock;

Modifiers modifiersOf(unsigned int state) { return {(state & ShiftMask) != 0, (state & ControlMask) != 0}; }

WindowEvent keyEvent(XKeyEvent& press) {
    KeySym symbol = NoSymbol;
    char text[8];
    XLookupString(&press, text, sizeof text, &symbol, nullptr);
    WindowEvent event;
    event.modifiers = modifiersOf(press.state);
    switch (symbol) {
        case XK_Left: case XK_KP_Left: event.key = NamedKey::left; break;
        case XK_Right: case XK_KP_Right: event.key = NamedKey::right; break;
        case XK_Escape: event.key = NamedKey::escape; break;
        case XK_KP_Add: event.character = '+'; break;
        case XK_KP_Subtract: event.character = '-'; break;
        default:
            // Printable Latin-1 keysyms are their characters, with shift already applied.
            if (symbol >= XK_space && symbol <= XK_asciitilde) event.character = static_cast<char>(symbol);
            break;
    }
    return event;
}

WindowEvent pointerEvent(WindowEvent::Kind kind, int x, int y, unsigned int state) {
    WindowEvent event;
    event.kind = kind;
    event.x = x;
    event.y = y;
    event.modifiers = modifiersOf(state);
    return event;
}

// One X event as the client sees it; false when it means nothing to a client.
bool translate(XEvent& x, Window window, Atom deleteWindow, WindowEvent& event) {
    switch (x.type) {
        case ConfigureNotify:
            if (x.xconfigure.window != window) return false;
            event = pointerEvent(WindowEvent::Kind::resized, x.xconfigure.width, x.xconfigure.height, 0);
            return true;
        case ClientMessage:
            if (static_cast<Atom>(x.xclient.data.l[0]) != deleteWindow) return false;
            event.kind = WindowEvent::Kind::closeRequested;
            return true;
        case KeyPress:
            event = keyEvent(x.xkey);
            return true;
        case ButtonPress:
        case ButtonRelease: {
            const XButtonEvent& b = x.xbutton;
            if (b.button == Button4 || b.button == Button5) {
                if (x.type == ButtonRelease) return false;
                event = pointerEvent(WindowEvent::Kind::wheel, b.x, b.y, b.state);
                event.steps = b.button == Button4 ? 1 : -1;
                return true;
            }
            event = pointerEvent(x.type == ButtonPress ? WindowEvent::Kind::buttonDown : WindowEvent::Kind::buttonUp, b.x,
                                 b.y, b.state);
            event.button = b.button == Button2   ? PointerButton::middle
                           : b.button == Button3 ? PointerButton::right
                                                 : PointerButton::left;
            return b.button >= Button1 && b.button <= Button3;
        }
        case MotionNotify:
            event = pointerEvent(WindowEvent::Kind::pointerMoved, x.xmotion.x, x.xmotion.y, x.xmotion.state);
            return true;
        default:
            return false;
    }
}
}  // namespace

void runX11Loop(Display* display, Window window, LoopClient& client) {
    const Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    Clock::time_point nextTick = Clock::now();
    while (!client.closing()) {
        while (XPending(display) > 0 && !client.closing()) {
            XEvent x;
            XNextEvent(display, &x);
            WindowEvent event;
            if (translate(x, window, deleteWindow, event)) client.handle(event);
        }
        if (client.closing()) break;
        const int period = client.tickMilliseconds();
        const Clock::time_point now = Clock::now();
        if (period > 0 && now >= nextTick) {
            client.tick();
            nextTick += std::chrono::milliseconds(period);
            if (nextTick < now) nextTick = now + std::chrono::milliseconds(period);  // late: do not catch up
            continue;
        }
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(nextTick - now).count();
        pollfd connection{ConnectionNumber(display), POLLIN, 0};
        poll(&connection, 1, period > 0 ? static_cast<int>(wait > 0 ? wait : 0) : -1);
    }
}
