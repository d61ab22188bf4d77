// The camera: start, planes, push-out, moves, and the GL state setupView loads,
// read back from a real context.
#include <gtest/gtest.h>
#include <GL/gl.h>

#include <cmath>
#include <memory>

#include "data/in_file.h"
#include "forge/oof_writer.h"
#include "model/poly_model.h"
#include "test_files.h"
#include "texture_fixture.h"
#include "camera/viewer.h"
#include "test_math.h"

namespace {
constexpr float pi = 3.14159265358979f;

class ViewerTest : public ::testing::Test {
protected:
    // A one-triangle model whose header gives `radius`.
    std::unique_ptr<PolyModel> model(float radius) {
        OofSubobject s;
        s.name = "body";
        s.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
        s.faces.push_back({.colour = {10, 20, 30}, .corners = {{0, 0, 0}, {1, 1, 0}, {2, 0, 1}}});
        OofWriter file;
        file.header(1, radius, {-1, -1, -1}, {1, 1, 1});
        file.subobject(s);
        const std::string path = dir.write("m.oof", file.build());
        StdioInFile in(path.c_str());
        return std::make_unique<PolyModel>(in);
    }
    std::unique_ptr<ModelViewer> viewerOf(const PolyModel& m) {
        return std::unique_ptr<ModelViewer>(static_cast<ModelViewer*>(m.createViewer()));
    }
    static std::array<float, 16> matrix(GLenum which) {
        std::array<float, 16> m{};
        glGetFloatv(which, m.data());
        return m;
    }
    // Near and far planes recovered from the loaded perspective matrix.
    static std::pair<float, float> planes() {
        const auto m = matrix(GL_PROJECTION_MATRIX);
        return {m[14] / (m[10] - 1.0f), m[14] / (m[10] + 1.0f)};
    }

    TempDir dir;
};

TEST_F(ViewerTest, StartsOnThePlusZAxisFramingTheRadiusButNoNearerThanThree) {
    auto small = model(0.5f);
    auto big = model(10.0f);
    auto a = viewerOf(*small);
    auto b = viewerOf(*big);
    expectNear(a->eye, {0, 0, 3});
    expectNear(b->eye, {0, 0, 50});
    expectNear(b->direction, {0, 0, -1});
    expectNear(b->up, {0, 1, 0});
    EXPECT_FLOAT_EQ(b->fovDegrees, 54.0f);
    expectNear(b->rightVector(), {1, 0, 0});
}

TEST_F(ViewerTest, PlanesFollowDistanceAndRadiusAndTheProjectionIsMirrored) {
    glContext();
    auto m = model(10.0f);
    auto v = viewerOf(*m);
    v->setupView(128, 64);
    EXPECT_FLOAT_EQ(v->nearPlane, 30.0f);
    EXPECT_FLOAT_EQ(v->farPlane, 70.0f);
    auto [near, far] = planes();
    EXPECT_NEAR(near, 30.0f, 1e-2f);
    EXPECT_NEAR(far, 70.0f, 1e-2f);
    const auto p = matrix(GL_PROJECTION_MATRIX);
    // Aspect 2, negated: x is scaled by minus half the y scale.
    EXPECT_NEAR(p[5], 1.0f / std::tan(27.0f * pi / 180.0f), 1e-4f);
    EXPECT_NEAR(p[0], -p[5] / 2.0f, 1e-5f);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 128);
    EXPECT_EQ(viewport[3], 64);

    v->eye = {0, 0, 21};
    v->setupView(64, 64);
    EXPECT_FLOAT_EQ(v->nearPlane, 1.0f);
    v->eye = {0, 0, 20.05f};
    v->setupView(64, 64);
    EXPECT_FLOAT_EQ(v->nearPlane, 0.1f);
    EXPECT_NEAR(planes().first, 0.1f, 1e-3f);
    EXPECT_NEAR(matrix(GL_MODELVIEW_MATRIX)[14], -20.05f, 1e-4f);  // the view of the eye's distance
}

TEST_F(ViewerTest, AGrowingRadiusPushesTheEyeOutOnceToTwoPointTwoRadii) {
    glContext();
    auto m = model(1.0f);
    auto v = viewerOf(*m);
    v->eye = {0, 3, 4};
    v->setupView(64, 64);
    expectNear(v->eye, {0, 3, 4});  // radius unchanged: never moved
    m->radius = 10.0f;
    v->setupView(64, 64);
    expectNear(v->eye, {0, 13.2f, 17.6f}, 1e-4f);
    EXPECT_FLOAT_EQ(v->largestRadius, 10.0f);
    EXPECT_NEAR(v->nearPlane, 2.0f, 1e-4f);
    v->eye = {0, 0, 1};
    v->setupView(64, 64);  // not larger than the largest so far
    expectNear(v->eye, {0, 0, 1});

    // From the origin the eye steps back along the view direction.
    auto m2 = model(1.0f);
    auto w = viewerOf(*m2);
    w->eye = {0, 0, 0};
    m2->radius = 5.0f;
    w->setupView(64, 64);
    expectNear(w->eye, {0, 0, 11}, 1e-4f);
}

TEST_F(ViewerTest, DollyMovesByATenthOfTheDistanceTimesTheAmount) {
    auto m = model(2.0f);
    auto v = viewerOf(*m);
    expectNear(v->eye, {0, 0, 10});
    v->dolly(0.5f);
    expectNear(v->eye, {0, 0, 9.5f});
    v->dolly(-1.0f);
    expectNear(v->eye, {0, 0, 10.45f}, 1e-4f);
}

TEST_F(ViewerTest, ZeroTurnsLeaveTheCameraAndOrbitsKeepTheDistance) {
    auto m = model(2.0f);
    auto v = viewerOf(*m);
    v->yaw(0.3f);
    v->pitch(0.2f);
    v->roll(0.4f);
    const Vector eye = v->eye, direction = v->direction, up = v->up;
    v->roll(0);
    v->yaw(0);
    v->pitch(0);
    v->orbitVertical(0);
    v->orbitHorizontal(0);
    expectNear(v->eye, eye);
    expectNear(v->direction, direction);
    expectNear(v->up, up);

    const float distance = v->eye.length();
    v->orbitHorizontal(0.7f);
    EXPECT_NEAR(v->eye.length(), distance, 1e-4f);
    expectNear(v->up, up);  // turned about up: up stays
    v->orbitVertical(1.1f);
    EXPECT_NEAR(v->eye.length(), distance, 1e-4f);
    EXPECT_NEAR(v->direction.dot(v->up), 0.0f, 1e-5f);
    EXPECT_NEAR(v->direction.length(), 1.0f, 1e-5f);

    // yaw turns right-handed about up by minus the angle: towards +x.
    auto w = viewerOf(*m);
    w->yaw(pi / 2);
    expectNear(w->direction, {1, 0, 0});
    w->viewTop();
    expectNear(w->eye, {0, 10, 0}, 1e-4f);
    expectNear(w->up, {0, 0, -1});
}

TEST_F(ViewerTest, LevelRollTurnsToTheNearerLevelAttitude) {
    auto m = model(2.0f);
    auto v = viewerOf(*m);
    v->roll(30.0f * pi / 180.0f);
    v->levelRoll();
    expectNear(v->up, {0, 1, 0}, 1e-4f);

    auto w = viewerOf(*m);
    w->roll(150.0f * pi / 180.0f);
    w->levelRoll();
    expectNear(w->up, {0, -1, 0}, 1e-4f);  // on to upside down, not back 150

    auto x = viewerOf(*m);
    x->roll(-30.0f * pi / 180.0f);
    x->levelRoll();
    expectNear(x->up, {0, 1, 0}, 1e-4f);

    auto straightDown = viewerOf(*m);
    straightDown->viewTop();
    straightDown->roll(0.5f);
    const Vector up = straightDown->up;
    straightDown->levelRoll();  // no horizontal direction: nothing to level
    expectNear(straightDown->up, up);
}

TEST_F(ViewerTest, LightsStayFixedToTheCameraWhateverItsAttitude) {
    glContext();
    auto m = model(2.0f);
    auto v = viewerOf(*m);
    v->orbitHorizontal(1.0f);
    v->roll(0.8f);
    v->setupView(64, 64);
    float light0[4], light1[4];
    glGetLightfv(GL_LIGHT0, GL_POSITION, light0);
    glGetLightfv(GL_LIGHT1, GL_POSITION, light1);
    const float want0[4] = {0, 1, 1, 0}, want1[4] = {-0.5f, -1, 1, 0};
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(light0[i], want0[i], 1e-5f);
        EXPECT_NEAR(light1[i], want1[i], 1e-5f);
    }
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
}

TEST_F(ViewerTest, AWindowOfHeightZeroGivesNoNaNInTheProjection) {
    glContext();
    auto m = model(2.0f);
    auto v = viewerOf(*m);
    v->setupView(64, 0);
    for (float value : matrix(GL_PROJECTION_MATRIX)) EXPECT_TRUE(std::isfinite(value));
    v->setupView(64, 64);
}
}  // namespace
