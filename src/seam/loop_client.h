#pragma once

#include <string>

// The contract between a platform's one loop and the programs it runs (the
// saver on X11, the model viewer everywhere): the platform turns its window's
// events into WindowEvents and calls tick every tickMilliseconds; the client
// draws and decides, and never sees a platform type.

// The period of the saver's timer and of every loop's ticks.
inline constexpr int tickPeriodMilliseconds = 10;

enum class NamedKey { none, left, right, escape };
enum class PointerButton { left, middle, right };

struct Modifiers {
    bool shift = false;
    bool control = false;
};

struct WindowEvent {
    enum class Kind {
        key,             // any key pressed: a named key, the character it types, or neither
        buttonDown,      // a pointer button pressed at (x, y)
        buttonUp,
        pointerMoved,    // to (x, y)
        wheel,           // `steps` notches, positive turned away from the user
        resized,         // the client area is now x by y pixels
        closeRequested,  // the window manager's close
        fileDropped,     // a file dropped on the window: `path`
    };
    Kind kind = Kind::key;
    NamedKey key = NamedKey::none;
    char character = 0;  // with shift applied; 0 for a key that types nothing
    PointerButton button = PointerButton::left;
    int x = 0;  // pixels from the window's left edge (resized: the width)
    int y = 0;  // pixels from the window's top edge (resized: the height)
    int steps = 0;
    Modifiers modifiers;
    std::string path;
};

class LoopClient {
public:
    virtual ~LoopClient() = default;
    // Milliseconds between ticks; 0 while nothing should tick.
    virtual int tickMilliseconds() const = 0;
    // Draws and presents one frame. A late tick is not made up for.
    virtual void tick() = 0;
    virtual void handle(const WindowEvent& event) = 0;
    // True once the loop should end.
    virtual bool closing() const = 0;
};
