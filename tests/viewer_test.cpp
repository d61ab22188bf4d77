// The model viewer's core, driven through its window events on a real headless
// GL context and a scripted clock: the animation it holds and steps, drags
// that turn the camera, another archive dropped on the window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/kv_path.h"
#include "forge/demo_shapes.h"
#include "forge/hog_writer.h"
#include "viewer/inspector.h"
#include "model/poly_model.h"
#include "test_files.h"
#include "test_platform.h"
#include "textures/texture.h"
#include "camera/viewer.h"

namespace {
// A box whose position keys run from frame 0 to frame 8.
Bytes keyedBox() {
    DemoModel model({});
    MeshBuilder box;
    box.box({-1, -1, -1}, {1, 1, 1}, coloured(200, 100, 50));
    const int32_t root = model.add(box, -1, "box", "", {});
    model.positionKey(root, 0, {0, 0, 0});
    model.positionKey(root, 8, {1, 0, 0});
    return model.build();
}

class RecordingWindow : public InspectorWindow {
public:
    std::string title;
    std::vector<std::string> reports, errors;
    void setTitle(const std::string& text) override { title = text; }
    void report(const std::string& line) override { reports.push_back(line); }
    void reportError(const std::string& line) override { errors.push_back(line); }
    void showKeys(const std::string& table) override { reports.push_back(table); }
    std::string outputFolder() override { return folder; }
    std::string folder;
};

WindowEvent key(char character) {
    WindowEvent event;
    event.character = character;
    return event;
}

WindowEvent pointer(WindowEvent::Kind kind, int x, int y) {
    WindowEvent event;
    event.kind = kind;
    event.x = x;
    event.y = y;
    return event;
}

class InspectorCore : public ::testing::Test {
protected:
    void SetUp() override {
        platform.archive = dir.write("kv.hog", HogWriter().add("a.oof", keyedBox()).add("b.oof", keyedBox()).build());
        inspector = std::make_unique<Inspector>(platform, window, settings);
        inspector->openArchive("");
        inspector->handle(pointer(WindowEvent::Kind::resized, 64, 48));
        inspector->start();
    }
    void TearDown() override {
        if (platform.context) platform.context->makeCurrent();
        inspector.reset();
        reflectionTexture.clear();
        searchPath.reset(0);
    }
    float frameAfter(int milliseconds) {
        platform.advance(milliseconds);
        inspector->tick();
        return inspector->show().frame();
    }

    TempDir dir;
    TestPlatform platform;
    RecordingWindow window;
    Settings settings;  // 5 key frames per second
    std::unique_ptr<Inspector> inspector;
};
}  // namespace

TEST_F(InspectorCore, SpaceHoldsTheAnimationAndItGoesOnFromWhereItWasHeld) {
    EXPECT_EQ(window.title, "kvss - a.oof");
    EXPECT_NEAR(frameAfter(400), 2.0f, 1e-4f);
    inspector->handle(key(' '));
    const float seconds = inspector->seconds();
    EXPECT_NEAR(frameAfter(3000), 2.0f, 1e-4f);
    EXPECT_EQ(inspector->seconds(), seconds);
    inspector->handle(key(' '));
    EXPECT_NEAR(frameAfter(200), 3.0f, 1e-4f);
    EXPECT_NEAR(frameAfter(1100), 8.0f, 1e-4f);  // past the end: exactly the end, and back down from there
    EXPECT_NEAR(frameAfter(400), 6.0f, 1e-4f);
}

TEST_F(InspectorCore, BracketsStepToWholeKeyFramesAndStayWithinTheAnimation) {
    frameAfter(300);  // 1.5
    inspector->handle(key(']'));
    EXPECT_TRUE(inspector->paused());
    EXPECT_EQ(inspector->show().frame(), 2.0f);
    inspector->handle(key('['));
    inspector->handle(key('['));
    inspector->handle(key('['));
    EXPECT_EQ(inspector->show().frame(), 0.0f);
    for (int i = 0; i < 12; ++i) inspector->handle(key(']'));
    EXPECT_EQ(inspector->show().frame(), 8.0f);
    EXPECT_EQ(frameAfter(500), 8.0f);
}

TEST_F(InspectorCore, AButtonHeldWhileThePointerMovesOrbitsTheCameraAndReleasingItStops) {
    const Vector start = inspector->show().camera()->eye;
    inspector->handle(pointer(WindowEvent::Kind::pointerMoved, 30, 30));  // no button: nothing
    EXPECT_EQ(inspector->show().camera()->eye.x, start.x);
    inspector->handle(pointer(WindowEvent::Kind::buttonDown, 30, 30));
    inspector->handle(pointer(WindowEvent::Kind::pointerMoved, 50, 30));
    const Vector turned = inspector->show().camera()->eye;
    EXPECT_GT(std::abs(turned.x - start.x), 0.01f);
    inspector->handle(pointer(WindowEvent::Kind::buttonUp, 50, 30));
    inspector->handle(pointer(WindowEvent::Kind::pointerMoved, 10, 10));
    EXPECT_EQ(inspector->show().camera()->eye.x, turned.x);
}

TEST_F(InspectorCore, ADroppedArchiveReplacesTheShownOneUnlessItHoldsNoModels) {
    const std::string empty = dir.write("empty.hog", HogWriter().add("rock.ogf", Bytes(4)).build());
    WindowEvent drop;
    drop.kind = WindowEvent::Kind::fileDropped;
    drop.path = empty;
    inspector->handle(drop);
    EXPECT_EQ(window.title, "kvss - a.oof - " + empty + ": The game archive holds no models.");
    ASSERT_TRUE(inspector->show().hasModel());

    TempDir other;
    other.write("kv.hog", HogWriter().add("c.oof", keyedBox()).build());
    drop.path = other.root();  // a folder holding kv.hog
    inspector->handle(drop);
    EXPECT_EQ(window.title, "kvss - c.oof");
    EXPECT_EQ(inspector->modelCount(), 1);
    ASSERT_TRUE(inspector->show().hasModel());
    inspector->tick();
}

TEST_F(InspectorCore, EWritesTheModelAsGlbIntoTheOutputFolderMadeOnDemand) {
    window.folder = dir.path("Documents/kvss");
    inspector->handle(key('e'));
    inspector->handle(key('e'));
    ASSERT_EQ(window.reports.size(), 2u);
    EXPECT_EQ(window.reports[0], dir.path("Documents/kvss/a.glb"));
    EXPECT_EQ(window.reports[1], dir.path("Documents/kvss/a-2.glb"));
    EXPECT_EQ(slurp(window.reports[0]).substr(0, 4), "glTF");
    EXPECT_EQ(window.title, "kvss - a.oof - " + window.reports[1]);
    platform.advance(4000);
    inspector->tick();
    EXPECT_EQ(window.title, "kvss - a.oof");  // the line leaves the title after a few seconds
}
