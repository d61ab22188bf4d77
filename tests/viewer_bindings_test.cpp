// The model viewer's table from input events to the camera's operations.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "viewer/bindings.h"
#include "camera/viewer.h"

namespace {
// A camera that only writes down what it is asked to do.
class RecordingCamera : public Viewer {
public:
    void setupView(int32_t, int32_t) override { note("setupView", 0); }
    void dolly(float a) override { note("dolly", a); }
    void moveUp(float a) override { note("moveUp", a); }
    void moveRight(float a) override { note("moveRight", a); }
    void roll(float a) override { note("roll", a); }
    void yaw(float a) override { note("yaw", a); }
    void pitch(float a) override { note("pitch", a); }
    void orbitVertical(float a) override { note("orbitVertical", a); }
    void orbitHorizontal(float a) override { note("orbitHorizontal", a); }
    void widenFov(float a) override { note("widenFov", a); }
    void levelRoll() override { note("levelRoll", 0); }
    void viewFront() override { note("viewFront", 0); }
    void viewTop() override { note("viewTop", 0); }
    void viewSide() override { note("viewSide", 0); }

    struct Call {
        std::string name;
        float amount;
    };
    std::vector<Call> calls;

private:
    void note(const char* name, float amount) { calls.push_back({name, amount}); }
};

std::vector<RecordingCamera::Call> drive(const InputEvent& event, float radius = 10.0f, float fov = 54.0f,
                                         bool expectCamera = true) {
    RecordingCamera camera;
    EXPECT_EQ(driveCamera(camera, event, radius, fov), expectCamera);
    return camera.calls;
}

void expectCalls(const std::vector<RecordingCamera::Call>& calls,
                 const std::vector<std::pair<std::string, float>>& expected) {
    ASSERT_EQ(calls.size(), expected.size());
    for (size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].name, expected[i].first);
        EXPECT_FLOAT_EQ(calls[i].amount, expected[i].second) << calls[i].name;
    }
}

constexpr Modifiers shift{true, false};
constexpr Modifiers control{false, true};
}  // namespace

TEST(InspectorBindings, ALeftDragOrbitsAFewMilliradiansPerPixel) {
    expectCalls(drive(InputEvent::drag(PointerButton::left, 10, -4)),
                {{"orbitHorizontal", 0.05f}, {"orbitVertical", -0.02f}});
}

TEST(InspectorBindings, ShiftAndControlLeftDragsRollAndTurnTheCamera) {
    expectCalls(drive(InputEvent::drag(PointerButton::left, 20, 7, shift)), {{"roll", 0.1f}});
    expectCalls(drive(InputEvent::drag(PointerButton::left, -6, 8, control)), {{"yaw", -0.03f}, {"pitch", 0.04f}});
}

TEST(InspectorBindings, RightAndMiddleDragsPanInProportionToTheModelsRadius) {
    expectCalls(drive(InputEvent::drag(PointerButton::right, 10, 20), 8.0f), {{"moveRight", 0.4f}, {"moveUp", 0.8f}});
    expectCalls(drive(InputEvent::drag(PointerButton::middle, -10, 0), 80.0f), {{"moveRight", -4.0f}, {"moveUp", 0.0f}});
}

TEST(InspectorBindings, TheWheelAndPlusAndMinusDolly) {
    expectCalls(drive(InputEvent::wheel(1)), {{"dolly", 1.0f}});
    expectCalls(drive(InputEvent::wheel(-2)), {{"dolly", -2.0f}});
    expectCalls(drive(InputEvent::typed('+')), {{"dolly", 1.0f}});
    expectCalls(drive(InputEvent::typed('=')), {{"dolly", 1.0f}});
    expectCalls(drive(InputEvent::typed('-')), {{"dolly", -1.0f}});
}

TEST(InspectorBindings, ShiftWheelWidensOrNarrowsTheFieldOfViewWithinItsLimits) {
    expectCalls(drive(InputEvent::wheel(1, shift)), {{"widenFov", -2.0f}});
    expectCalls(drive(InputEvent::wheel(-1, shift)), {{"widenFov", 2.0f}});
    expectCalls(drive(InputEvent::wheel(1, shift), 10.0f, 6.0f), {{"widenFov", -1.0f}});
    expectCalls(drive(InputEvent::wheel(-3, shift), 10.0f, 150.0f), {{"widenFov", 0.0f}});
}

TEST(InspectorBindings, FTSAndLPutTheCameraOnAnAxisOrLevelIt) {
    expectCalls(drive(InputEvent::typed('f')), {{"viewFront", 0}});
    expectCalls(drive(InputEvent::typed('F', shift)), {{"viewFront", 0}});
    expectCalls(drive(InputEvent::typed('t')), {{"viewTop", 0}});
    expectCalls(drive(InputEvent::typed('s')), {{"viewSide", 0}});
    expectCalls(drive(InputEvent::typed('l')), {{"levelRoll", 0}});
}

TEST(InspectorBindings, KeysForTheViewerLeaveTheCameraAlone) {
    for (const InputEvent& event : {InputEvent::typed('n'), InputEvent::named(NamedKey::right),
                                    InputEvent::named(NamedKey::escape), InputEvent::typed(' '), InputEvent::typed('c'),
                                    InputEvent::typed('w'), InputEvent::typed('x')})
        EXPECT_TRUE(drive(event, 10.0f, 54.0f, false).empty());
    EXPECT_EQ(actionFor(InputEvent::named(NamedKey::left)), InspectorAction::previousModel);
    EXPECT_EQ(actionFor(InputEvent::typed('Q', shift)), InspectorAction::close);
    EXPECT_EQ(actionFor(InputEvent::typed('x')), InspectorAction::none);
}

TEST(InspectorBindings, EveryKeyTheHelpNamesDoesWhatItsLineSays) {
    // One line per binding, "  INPUT  what it does"; a single character or
    // "space" as the input is the key that triggers it.
    std::istringstream lines(inspectorKeyTable());
    std::string line;
    int keys = 0;
    while (std::getline(lines, line)) {
        const std::string input = line.substr(2, line.find("  ", 2) - 2);
        const char typed = input == "space" ? ' ' : input.size() == 1 ? input[0] : 0;
        if (typed == 0) continue;
        ++keys;
        EXPECT_NE(actionFor(InputEvent::typed(typed)), InspectorAction::none) << line;
    }
    EXPECT_GE(keys, 12);
    EXPECT_EQ(actionFor(InputEvent::typed('e')), InspectorAction::exportModel);
    EXPECT_EQ(actionFor(InputEvent::typed('E', shift)), InspectorAction::exportModel);
}
