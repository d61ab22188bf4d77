#include "host/viewer_bindings.h"

#include <algorithm>

#include "viewer/viewer.h"

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

InputEvent InputEvent::drag(DragButton button, int dx, int dy, Modifiers modifiers) {
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
struct KeyBinding {
    char character;
    ViewerAction action;
};

// Letters match in either case.
constexpr KeyBinding keyBindings[] = {
    {'n', ViewerAction::nextModel},       {'p', ViewerAction::previousModel},  {'+', ViewerAction::dolly},
    {'=', ViewerAction::dolly},           {'-', ViewerAction::dolly},          {'f', ViewerAction::viewFront},
    {'t', ViewerAction::viewTop},         {'s', ViewerAction::viewSide},       {'l', ViewerAction::levelRoll},
    {' ', ViewerAction::pause},           {'[', ViewerAction::stepBack},       {']', ViewerAction::stepOn},
    {'w', ViewerAction::toggleWireframe}, {'m', ViewerAction::toggleMirror},   {'o', ViewerAction::toggleOverlay},
    {'c', ViewerAction::capture},         {'h', ViewerAction::showKeys},       {'?', ViewerAction::showKeys},
    {'q', ViewerAction::close},
};

// What --help shows; kept beside the bindings above so the two are read together.
constexpr const char* keyTableLines[][2] = {
    {"Right or n / Left or p", "next / previous model in archive order (wrapping)"},
    {"left drag", "orbit around the model"},
    {"shift + left drag", "roll the camera"},
    {"control + left drag", "turn the camera in place (yaw, pitch)"},
    {"right or middle drag", "pan"},
    {"wheel, + and -", "dolly in and out"},
    {"shift + wheel", "narrow or widen the field of view"},
    {"f / t / s", "front / top / side view"},
    {"l", "level the roll"},
    {"space", "pause or resume the animation (spinners and textures too)"},
    {"[ and ]", "one key frame back / on (pauses first)"},
    {"w / m / o", "wireframe for this model / mirror layer / overlay line"},
    {"c", "save the frame as NAME-N.png in the current directory"},
    {"h or ?", "print these keys"},
    {"Escape or q", "close"},
};

char lowered(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Signed notches of a dolly: wheel away and + move in.
float dollySteps(const InputEvent& event) {
    if (event.kind == InputEvent::Kind::wheel) return static_cast<float>(event.steps);
    return event.character == '-' ? -1.0f : 1.0f;
}
}  // namespace

ViewerAction actionFor(const InputEvent& event) {
    switch (event.kind) {
        case InputEvent::Kind::drag:
            if (event.button != DragButton::left) return ViewerAction::pan;
            if (event.modifiers.control) return ViewerAction::turn;
            if (event.modifiers.shift) return ViewerAction::rollCamera;
            return ViewerAction::orbit;
        case InputEvent::Kind::wheel:
            return event.modifiers.shift ? ViewerAction::widenFov : ViewerAction::dolly;
        case InputEvent::Kind::key:
            break;
    }
    switch (event.key) {
        case NamedKey::right: return ViewerAction::nextModel;
        case NamedKey::left: return ViewerAction::previousModel;
        case NamedKey::escape: return ViewerAction::close;
        case NamedKey::none: break;
    }
    const char c = lowered(event.character);
    for (const KeyBinding& binding : keyBindings)
        if (binding.character == c) return binding.action;
    return ViewerAction::none;
}

bool driveCamera(Viewer& camera, const InputEvent& event, float modelRadius, float fovDegrees) {
    const float dx = static_cast<float>(event.dx);
    const float dy = static_cast<float>(event.dy);
    // The picture is mirrored left to right (the projection's negated aspect),
    // so the camera's right points to the left of the window: with these signs
    // the model follows the pointer.
    switch (actionFor(event)) {
        case ViewerAction::orbit:
            camera.orbitHorizontal(dx * orbitRadiansPerPixel);
            camera.orbitVertical(dy * orbitRadiansPerPixel);
            return true;
        case ViewerAction::rollCamera:
            camera.roll(dx * orbitRadiansPerPixel);
            return true;
        case ViewerAction::turn:
            camera.yaw(dx * orbitRadiansPerPixel);
            camera.pitch(dy * orbitRadiansPerPixel);
            return true;
        case ViewerAction::pan:
            camera.moveRight(dx * panRadiiPerPixel * modelRadius);
            camera.moveUp(dy * panRadiiPerPixel * modelRadius);
            return true;
        case ViewerAction::dolly:
            camera.dolly(dollySteps(event) * dollyPerStep);
            return true;
        case ViewerAction::widenFov: {
            const float wanted = fovDegrees - static_cast<float>(event.steps) * fovDegreesPerStep;
            camera.widenFov(std::clamp(wanted, smallestFovDegrees, largestFovDegrees) - fovDegrees);
            return true;
        }
        case ViewerAction::viewFront: camera.viewFront(); return true;
        case ViewerAction::viewTop: camera.viewTop(); return true;
        case ViewerAction::viewSide: camera.viewSide(); return true;
        case ViewerAction::levelRoll: camera.levelRoll(); return true;
        default: return false;
    }
}

std::string viewerKeyTable() {
    std::string table;
    for (const auto& line : keyTableLines) {
        std::string input = std::string("  ") + line[0];
        input.resize(std::max<size_t>(input.size() + 2, 26), ' ');
        table += input + line[1] + "\n";
    }
    return table;
}
