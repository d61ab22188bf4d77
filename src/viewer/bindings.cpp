#include "viewer/bindings.h"

#include <algorithm>
#include <cstring>

#include "camera/viewer.h"

InputEvent InputEvent::typed(char character, Modifiers modifiers) {
    InputEvent event;
    event.character = character;
    event.modifiers = modifiers;
    return event;
}

InputEvent InputEvent::named(NamedKey key, Modifiers modifiers) {
    InputEvent event;
    event.key = key;
    event.modifiers = modifiers;
    return event;
}

InputEvent InputEvent::drag(PointerButton button, int dx, int dy, Modifiers modifiers) {
    InputEvent event;
    event.kind = Kind::drag;
    event.button = button;
    event.dx = dx;
    event.dy = dy;
    event.modifiers = modifiers;
    return event;
}

InputEvent InputEvent::wheel(int steps, Modifiers modifiers) {
    InputEvent event;
    event.kind = Kind::wheel;
    event.steps = steps;
    event.modifiers = modifiers;
    return event;
}

namespace {
// The pointer gestures the table tells apart; a control drag wins over a shift drag.
enum class Gesture { none, leftDrag, shiftLeftDrag, controlLeftDrag, otherDrag, wheel, shiftWheel };

// One binding: what triggers it, what it does, and how the help shows it.
struct Binding {
    InspectorAction action;
    const char* characters;  // typed characters that trigger it, letters in either case
    NamedKey named;
    Gesture gesture;
    const char* input;  // as the help shows it
    const char* help;
};

constexpr NamedKey noKey = NamedKey::none;
constexpr Gesture noGesture = Gesture::none;

constexpr Binding bindings[] = {
    {InspectorAction::nextModel, "n", NamedKey::right, noGesture, "Right or n", "next model in archive order (wrapping)"},
    {InspectorAction::previousModel, "p", NamedKey::left, noGesture, "Left or p", "previous model"},
    {InspectorAction::orbit, "", noKey, Gesture::leftDrag, "left drag", "orbit around the model"},
    {InspectorAction::rollCamera, "", noKey, Gesture::shiftLeftDrag, "shift + left drag", "roll the camera"},
    {InspectorAction::turn, "", noKey, Gesture::controlLeftDrag, "control + left drag", "turn the camera in place (yaw, pitch)"},
    {InspectorAction::pan, "", noKey, Gesture::otherDrag, "right or middle drag", "pan"},
    {InspectorAction::dolly, "+=-", noKey, Gesture::wheel, "wheel, + and -", "dolly in and out"},
    {InspectorAction::widenFov, "", noKey, Gesture::shiftWheel, "shift + wheel", "narrow or widen the field of view"},
    {InspectorAction::viewFront, "f", noKey, noGesture, "f", "front view"},
    {InspectorAction::viewTop, "t", noKey, noGesture, "t", "top view"},
    {InspectorAction::viewSide, "s", noKey, noGesture, "s", "side view"},
    {InspectorAction::levelRoll, "l", noKey, noGesture, "l", "level the roll"},
    {InspectorAction::pause, " ", noKey, noGesture, "space", "pause or resume the animation (spinners and textures too)"},
    {InspectorAction::stepBack, "[", noKey, noGesture, "[", "one key frame back (pauses first)"},
    {InspectorAction::stepOn, "]", noKey, noGesture, "]", "one key frame on (pauses first)"},
    {InspectorAction::toggleWireframe, "w", noKey, noGesture, "w", "wireframe for this model, on or off"},
    {InspectorAction::toggleMirror, "m", noKey, noGesture, "m", "the mirror layer, on or off"},
    {InspectorAction::toggleOverlay, "o", noKey, noGesture, "o", "the overlay line, on or off"},
    {InspectorAction::capture, "c", noKey, noGesture, "c", "save the frame as NAME-N.png"},
    {InspectorAction::exportModel, "e", noKey, noGesture, "e", "export the model as NAME.glb (glTF 2.0)"},
    {InspectorAction::showKeys, "h?", noKey, noGesture, "h or ?", "show these keys"},
    {InspectorAction::close, "q", NamedKey::escape, noGesture, "Escape or q", "close"},
};

char lowered(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

Gesture gestureOf(const InputEvent& event) {
    switch (event.kind) {
        case InputEvent::Kind::drag:
            if (event.button != PointerButton::left) return Gesture::otherDrag;
            if (event.modifiers.control) return Gesture::controlLeftDrag;
            if (event.modifiers.shift) return Gesture::shiftLeftDrag;
            return Gesture::leftDrag;
        case InputEvent::Kind::wheel: return event.modifiers.shift ? Gesture::shiftWheel : Gesture::wheel;
        case InputEvent::Kind::key: break;
    }
    return Gesture::none;
}

bool triggers(const Binding& binding, const InputEvent& event) {
    if (event.kind != InputEvent::Kind::key) return binding.gesture == gestureOf(event);
    if (event.key != NamedKey::none) return binding.named == event.key;
    const char c = lowered(event.character);
    return c != 0 && std::strchr(binding.characters, c) != nullptr;
}

// Signed notches of a dolly: wheel away and + move in.
float dollySteps(const InputEvent& event) {
    if (event.kind == InputEvent::Kind::wheel) return static_cast<float>(event.steps);
    return event.character == '-' ? -1.0f : 1.0f;
}
}  // namespace

InspectorAction actionFor(const InputEvent& event) {
    for (const Binding& binding : bindings)
        if (triggers(binding, event)) return binding.action;
    return InspectorAction::none;
}

std::string inspectorKeyTable() {
    std::string table;
    for (const Binding& binding : bindings) {
        std::string input = std::string("  ") + binding.input;
        input.resize(std::max<size_t>(input.size() + 2, 26), ' ');
        table += input + binding.help + "\n";
    }
    return table;
}

bool driveCamera(Viewer& camera, const InputEvent& event, float modelRadius, float fovDegrees) {
    const float dx = static_cast<float>(event.dx);
    const float dy = static_cast<float>(event.dy);
    // The picture is mirrored left to right (the projection's negated aspect),
    // so the camera's right points to the left of the window: with these signs
    // the model follows the pointer.
    switch (actionFor(event)) {
        case InspectorAction::orbit:
            camera.orbitHorizontal(dx * orbitRadiansPerPixel);
            camera.orbitVertical(dy * orbitRadiansPerPixel);
            return true;
        case InspectorAction::rollCamera:
            camera.roll(dx * orbitRadiansPerPixel);
            return true;
        case InspectorAction::turn:
            camera.yaw(dx * orbitRadiansPerPixel);
            camera.pitch(dy * orbitRadiansPerPixel);
            return true;
        case InspectorAction::pan:
            camera.moveRight(dx * panRadiiPerPixel * modelRadius);
            camera.moveUp(dy * panRadiiPerPixel * modelRadius);
            return true;
        case InspectorAction::dolly:
            camera.dolly(dollySteps(event) * dollyPerStep);
            return true;
        case InspectorAction::widenFov: {
            const float wanted = fovDegrees - static_cast<float>(event.steps) * fovDegreesPerStep;
            camera.widenFov(std::clamp(wanted, smallestFovDegrees, largestFovDegrees) - fovDegrees);
            return true;
        }
        case InspectorAction::viewFront: camera.viewFront(); return true;
        case InspectorAction::viewTop: camera.viewTop(); return true;
        case InspectorAction::viewSide: camera.viewSide(); return true;
        case InspectorAction::levelRoll: camera.levelRoll(); return true;
        default: return false;
    }
}
