#pragma once

#include <string>

#include "seam/loop_client.h"

class Viewer;

// Input as the viewer's table reads it: a key, a drag or a wheel turn. The
// viewer makes these from the window's events (a drag from a button held down
// while the pointer moves).
struct InputEvent {
    enum class Kind { key, drag, wheel };
    Kind kind = Kind::key;
    // key: a named key, or else the character the key types ('n', 'N', '+', ' ')
    NamedKey key = NamedKey::none;
    char character = 0;
    // drag: the button held and the pixels moved since the last drag event
    // (x to the right, y down the window)
    PointerButton button = PointerButton::left;
    int dx = 0;
    int dy = 0;
    // wheel: notches, positive turned away from the user
    int steps = 0;
    Modifiers modifiers;

    static InputEvent typed(char character, Modifiers modifiers = {});
    static InputEvent named(NamedKey key, Modifiers modifiers = {});
    static InputEvent drag(PointerButton button, int dx, int dy, Modifiers modifiers = {});
    static InputEvent wheel(int steps, Modifiers modifiers = {});
};

// What an input asks of the viewer.
enum class InspectorAction {
    none,
    nextModel,
    previousModel,
    orbit,
    rollCamera,
    turn,  // yaw and pitch in place
    pan,
    dolly,
    widenFov,
    viewFront,
    viewTop,
    viewSide,
    levelRoll,
    pause,     // pause or resume the animation clock
    stepBack,  // one key frame back (pauses first)
    stepOn,    // one key frame on (pauses first)
    toggleWireframe,
    toggleMirror,
    toggleOverlay,
    capture,
    exportModel,
    showKeys,
    close,
};

// The action the table binds to `event`.
InspectorAction actionFor(const InputEvent& event);

// The table as --help and the h key show it: one line per binding, the input
// and what it does.
std::string inspectorKeyTable();

// Rates of the hand-driven camera.
inline constexpr float orbitRadiansPerPixel = 0.005f;
inline constexpr float panRadiiPerPixel = 0.005f;   // of the model's radius
inline constexpr float dollyPerStep = 1.0f;         // a tenth of the eye's distance
inline constexpr float fovDegreesPerStep = 2.0f;    // shift + wheel away narrows the view
inline constexpr float smallestFovDegrees = 5.0f;
inline constexpr float largestFovDegrees = 150.0f;

// Drives the camera for an input whose action moves it. `modelRadius` scales
// panning; `fovDegrees` is the camera's field of view, kept within its limits.
// False when the input is not the camera's.
bool driveCamera(Viewer& camera, const InputEvent& event, float modelRadius, float fovDegrees);
