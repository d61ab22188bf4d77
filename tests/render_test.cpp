// The renderer against Mesa: forged models drawn through the camera into a
// headless context, judged by their pixels, depth and the GL state left behind.
#include <gtest/gtest.h>
#include <GL/gl.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>

#include "data/in_file.h"
#include "data/kv_path.h"
#include "forge/demo_shapes.h"
#include "offscreen/bitmap_font.h"
#include "model/poly_model.h"
#include "render/draw_frame.h"
#include "render/face_arrays.h"
#include "test_files.h"
#include "texture_fixture.h"
#include "camera/viewer.h"

namespace {
constexpr int side = 64;  // the shared context's size

// A unit square in the x-y plane about `centre`, facing `outward`.
void square(MeshBuilder& mesh, const Vector& centre, float half, const Material& material, const Vector& outward) {
    const Vector c = centre;
    mesh.polygon({{c.x - half, c.y - half, c.z}, {c.x + half, c.y - half, c.z}, {c.x + half, c.y + half, c.z},
                  {c.x - half, c.y + half, c.z}},
                 {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, material, outward);
}

struct Picture {
    std::vector<uint8_t> rgba;  // top row first
    Rgba at(int x, int y) const {
        const uint8_t* p = &rgba[(static_cast<size_t>(y) * side + x) * 4];
        return {p[0], p[1], p[2], p[3]};
    }
    // Pixels in [x0, x1) x [y0, y1) (rows from the top) that pass `test`.
    int count(const std::function<bool(Rgba)>& test, int x0 = 0, int x1 = side, int y0 = 0, int y1 = side) const {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) n += test(at(x, y)) ? 1 : 0;
        return n;
    }
};

bool lit(Rgba p) { return p[0] + p[1] + p[2] > 30; }
// Lit faces also get the ambient 0.2 of white in every channel.
bool reddish(Rgba p) { return p[0] > 100 && p[0] > 2 * p[1] && p[0] > 2 * p[2]; }
bool bluish(Rgba p) { return p[2] > 100 && p[2] > 2 * p[0] && p[2] > 2 * p[1]; }
bool outlineGrey(Rgba p) { return p[0] > 100 && p[0] < 150 && p[0] == p[1] && p[1] == p[2]; }
bool markerBlue(Rgba p) { return p[0] < 10 && p[1] > 130 && p[1] < 175 && p[2] > 185 && p[2] < 220; }

class RenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        glContext();
        static bool fontBuilt = false;
        if (!fontBuilt) buildBitmapFont();
        fontBuilt = true;
    }
    void TearDown() override {
        renderMode = RenderMode();
        renderState.setSolid();
        fpsCounter = FpsCounter();
        reflectionTexture.clear();
        searchPath.reset(0);
        glDepthMask(GL_TRUE);
        glMatrixMode(GL_MODELVIEW);
    }

    std::unique_ptr<PolyModel> load(const DemoModel& demo) {
        const std::string path = dir.write("m.oof", demo.build());
        StdioInFile in(path.c_str());
        return std::make_unique<PolyModel>(in);
    }
    // One frame as the host draws it: camera, then the frame.
    Picture draw(const PolyModel& model, float frame = 0, float seconds = 0) {
        std::unique_ptr<Viewer> viewer(model.createViewer());
        viewer->setupView(side, side);
        model.drawFrame(renderState, frame, seconds);
        while (glGetError() != GL_NO_ERROR) {}  // the refused line width of 0
        return {glContext().readPixels()};
    }
    static Subobject* sub(const PolyModel& model, const char* name) {
        for (RefNode<Subobject>* ref : model.allSubobjects->as<RefNode<Subobject>>())
            if (std::string(ref->target->name) == name) return ref->target;
        ADD_FAILURE() << "no subobject " << name;
        return nullptr;
    }

    TempDir dir;
};

TEST_F(RenderTest, ThePictureIsMirroredAndFrontFacesAreTheOnesDrawn) {
    DemoModel boxModel({});
    MeshBuilder box;
    box.box({1, -0.5f, -0.5f}, {2, 0.5f, 0.5f}, coloured(255, 0, 0));
    boxModel.add(box, -1, "box", "", {});
    const Picture boxAtPlusX = draw(*load(boxModel));
    EXPECT_GT(boxAtPlusX.count(reddish, 0, side / 2), 10) << "+x is drawn on the left";
    EXPECT_EQ(boxAtPlusX.count(lit, side / 2, side), 0);

    // A lone square towards the camera is drawn; turned away it is culled.
    for (const float towards : {1.0f, -1.0f}) {
        DemoModel demo({});
        MeshBuilder mesh;
        square(mesh, {0, 0, 0}, 1, coloured(0, 0, 255), {0, 0, towards});
        demo.add(mesh, -1, "card", "", {});
        const Picture picture = draw(*load(demo));
        if (towards > 0) EXPECT_GT(picture.count(bluish), 100);
        else EXPECT_EQ(picture.count(lit), 0);
    }
    GLboolean cull = GL_TRUE;
    glGetBooleanv(GL_CULL_FACE, &cull);
    EXPECT_FALSE(cull);
    GLint frontFace = 0;
    glGetIntegerv(GL_FRONT_FACE, &frontFace);
    EXPECT_EQ(frontFace, GL_CW);
}

TEST_F(RenderTest, OutlinesOfBackFacesFollowCullOutlinesAndMarkersOnlyInWireframe) {
    DemoModel demo({});
    MeshBuilder mesh;
    square(mesh, {0, 0, 0}, 1, coloured(0, 255, 0), {0, 0, -1});  // turned away
    const int32_t root = demo.add(mesh, -1, "card", "", {});
    demo.gun(root, {0, 0, 0.5f}, {0, 0, 1});
    demo.groundPoint(root, {0.8f, 0.8f, 0.5f}, {0, 0, 1});
    auto model = load(demo);

    const Picture solid = draw(*model);
    EXPECT_EQ(solid.count(lit), 0) << "no outline and no marker when solid";

    renderState.setWireframe();
    const Picture outlines = draw(*model);
    EXPECT_GT(outlines.count(outlineGrey), 40);
    EXPECT_GT(outlines.count(markerBlue), 4);
    renderMode.cullOutlines = true;
    const Picture culled = draw(*model);
    EXPECT_EQ(culled.count(outlineGrey), 0);
    EXPECT_GT(culled.count(markerBlue), 4);
    // Only the gun point is marked: the marker sits at the centre.
    EXPECT_EQ(culled.count(markerBlue, 0, side / 2 - 6), 0);

    // Markers belong to passes 0 and 2 only.
    std::unique_ptr<Viewer> viewer(model->createViewer());
    viewer->setupView(side, side);
    model->drawFrame(renderState, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawSubobject(*sub(*model, "card"), renderState, 0, 0, facingBillboards);
    EXPECT_EQ(Picture{glContext().readPixels()}.count(lit), 0);
    drawSubobject(*sub(*model, "card"), renderState, 0, 0, allSubobjects);
    EXPECT_GT(Picture{glContext().readPixels()}.count(markerBlue), 4);
}

TEST_F(RenderTest, OutlinesKeepToTheFaceEdgesAndFacesDrawnFromArraysMadeOnce) {
    DemoModel demo({});
    MeshBuilder mesh;
    square(mesh, {0, 0, 0}, 1, coloured(0, 0, 255), {0, 0, 1});
    demo.add(mesh, -1, "card", "", {});
    auto model = load(demo);
    const Subobject& card = *sub(*model, "card");
    EXPECT_EQ(card.drawing, nullptr) << "nothing is made before the first draw";

    renderState.setWireframe();
    const Picture outline = draw(*model);
    EXPECT_GT(outline.count(outlineGrey), 40);
    // The square is drawn as two triangles: their shared diagonal crosses the centre.
    EXPECT_EQ(outline.count(lit, side / 2 - 3, side / 2 + 3, side / 2 - 3, side / 2 + 3), 0);
    const SubobjectDrawing* made = card.drawing.get();
    ASSERT_NE(made, nullptr);

    // Fill and outline together, face by face: both show, the fill inside.
    renderState.solid = true;
    const Picture both = draw(*model);
    EXPECT_GT(both.count(outlineGrey), 40);
    EXPECT_GT(both.count(bluish, side / 2 - 3, side / 2 + 3, side / 2 - 3, side / 2 + 3), 30);

    renderState.setSolid();
    const Picture filled = draw(*model, 1, 0.5f);
    EXPECT_GT(filled.count(bluish), 100);
    EXPECT_EQ(filled.count(outlineGrey), 0);
    EXPECT_EQ(card.drawing.get(), made) << "later frames draw from the same arrays";
    renderMode.smoothShading = true;
    EXPECT_GT(draw(*model).count(bluish), 100);
    EXPECT_TRUE(static_cast<const FaceArrays&>(*card.drawing).smooth) << "made again with the vertex normals";
}

TEST_F(RenderTest, ASlidingReflectionDriftsOnceForEveryFilledFaceAsWhenFacesWereDrawnOneByOne) {
    TableWriter table;
    table.texture({.name = "drift", .fileName = "drift.ogf", .slideU = 4.0f, .flags = 0});  // a period: 1 / 4 per second
    const std::string path = dir.write(
        "kv.hog", HogWriter().add("drift.ogf", solidImage(4, 4, 0xFFFF).bytes()).add("table.gam", table.bytes()).build());
    searchPath.reset(1);
    searchPath.add(new HogFile(path.c_str()));
    loadGameTable("table.gam");
    reflectionTexture.setName("drift");
    auto activeTexture = reinterpret_cast<void (*)(GLenum)>(glContext().procAddress("glActiveTextureARB"));
    ASSERT_NE(activeTexture, nullptr);
    setActiveTextureFunction(reinterpret_cast<void*>(activeTexture));
    renderMode.reflection = true;

    DemoModel demo({});
    MeshBuilder mesh;
    square(mesh, {-1.5f, 0, 0}, 1, coloured(0, 0, 255), {0, 0, 1});
    square(mesh, {1.5f, 0, 0}, 1, coloured(0, 0, 255), {0, 0, 1});
    demo.add(mesh, -1, "cards", "", {});
    auto model = load(demo);
    const auto unit1Matrix = [&](bool reset) {
        activeTexture(GL_TEXTURE1);
        glMatrixMode(GL_TEXTURE);
        float m[16];
        glGetFloatv(GL_TEXTURE_MATRIX, m);
        if (reset) glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        activeTexture(GL_TEXTURE0);
        return m[12];
    };
    unit1Matrix(true);
    EXPECT_GT(draw(*model, 0, 2.0f).count(lit), 100);
    // The layer's bind moves the texture matrix by 2 s x 1 / 4 for each face.
    EXPECT_FLOAT_EQ(unit1Matrix(true), 1.0f);

    setActiveTextureFunction(nullptr);
    clearGameTable();
}

TEST_F(RenderTest, SpinnersTurnWithSecondsAndTurretsIgnoreTheirRotationKeys) {
    DemoModel demo({});
    MeshBuilder bar;
    bar.box({-2, -0.3f, -0.3f}, {2, 0.3f, 0.3f}, coloured(255, 255, 255));
    const int32_t spinner = demo.add(bar, -1, "spinner", "$rotate=2", {});
    demo.rotationKey(spinner, 0, {0, 0, 1}, 0);  // identity first: the axis is the next key's
    demo.rotationKey(spinner, 10, {0, 0, 1}, 30);
    MeshBuilder dot;
    dot.box({-0.1f, -0.1f, -0.1f}, {0.1f, 0.1f, 0.1f}, coloured(255, 255, 255));
    const int32_t still = demo.add(dot, spinner, "still", "$rotate=2", {0, 0, 3});
    demo.rotationKey(still, 0, {0, 0, 1}, 0);
    demo.rotationKey(still, 10, {0, 0, 1}, 0);
    const int32_t turret = demo.add(dot, spinner, "turret", "$fov=90,4,1", {0, 0, -3});
    demo.rotationKey(turret, 0, {0, 1, 0}, 90);
    demo.positionKey(turret, 0, {0, 0, 0});
    demo.positionKey(turret, 10, {0, 1, 0});
    auto model = load(demo);
    const Subobject& s = *sub(*model, "spinner");

    const Quaternion quarter = subobjectRotation(s, 7, 0.5f);
    EXPECT_NEAR(quarter.w, std::cos(3.14159265f / 4), 1e-5f);
    EXPECT_NEAR(std::fabs(quarter.v.z), std::sin(3.14159265f / 4), 1e-5f);
    EXPECT_NEAR(quarter.v.x, 0, 1e-6f);
    EXPECT_NEAR(subobjectRotation(s, 3, 2.0f).w, 1.0f, 1e-6f);
    EXPECT_NEAR(subobjectRotation(s, 0, 1.0f).w, 0.0f, 1e-5f);  // half a turn
    Vector axis;
    ASSERT_TRUE(spinAxis(s, axis));
    EXPECT_NEAR(std::fabs(axis.z), 1.0f, 1e-6f);
    EXPECT_FALSE(spinAxis(*sub(*model, "still"), axis));
    EXPECT_EQ(subobjectRotation(*sub(*model, "still"), 5, 0.5f).w, 1.0f);

    const Subobject& t = *sub(*model, "turret");
    EXPECT_LT(t.rotationTrack.rotationAt(0).w, 0.9f);  // the keys are there
    EXPECT_EQ(subobjectRotation(t, 0, 0.3f).w, 1.0f);
    EXPECT_EQ(subobjectRotation(t, 10, 0.3f).w, 1.0f);
    EXPECT_NEAR(t.positionTrack.positionAt(10).y, 1.0f, 1e-5f);

    // The bar lies along x at 0 s and along y a quarter turn later.
    auto row = [](const Picture& p) { return p.count(lit, 0, side, side / 2, side / 2 + 1); };
    auto column = [](const Picture& p) { return p.count(lit, side / 2, side / 2 + 1, 0, side); };
    const Picture atStart = draw(*model, 7, 0);
    const Picture atQuarter = draw(*model, 7, 0.5f);
    EXPECT_GT(row(atStart), 3 * column(atStart));
    EXPECT_GT(column(atQuarter), 3 * row(atQuarter));
}

TEST_F(RenderTest, FacingBillboardsTurnToTheViewerInTheSecondPassWithoutWritingDepth) {
    DemoModel demo({});
    MeshBuilder base;
    base.box({-0.2f, -2.2f, -0.2f}, {0.2f, -1.8f, 0.2f}, coloured(0, 255, 0));
    const int32_t root = demo.add(base, -1, "base", "", {});
    MeshBuilder towards, away;
    square(towards, {0, 0, 0}, 0.6f, coloured(255, 0, 0), {0, 0, 1});
    square(towards, {0, 0, 0.2f}, 0.25f, coloured(0, 0, 255), {0, 0, 1});  // second face: not shown as a billboard
    square(away, {0, 0, 0}, 0.6f, coloured(0, 0, 255), {0, 0, -1});
    demo.add(towards, root, "towards", "$facing", {-1.5f, 0, 0});
    demo.add(away, root, "away", "$facing", {1.5f, 0, 0});
    demo.add(MeshBuilder(), root, "empty", "$facing", {0, 1.5f, 0});
    auto model = load(demo);

    const Picture billboards = draw(*model);
    // Mirrored: the card at -x is on the right, the one at +x on the left.
    EXPECT_GT(billboards.count(reddish, side / 2, side), 20);
    EXPECT_EQ(billboards.count(bluish, side / 2, side), 0) << "only the first face of a billboard";
    EXPECT_GT(billboards.count(bluish, 0, side / 2), 20) << "a card facing away is turned round";
    GLboolean depthWrite = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrite);
    EXPECT_TRUE(depthWrite);
    auto depthUnderRed = [&](const Picture& p) {
        for (int y = 0; y < side; ++y)
            for (int x = side / 2; x < side; ++x)
                if (reddish(p.at(x, y))) {
                    float depth = -1;
                    glReadPixels(x, side - 1 - y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
                    return depth;
                }
        return -1.0f;
    };
    EXPECT_EQ(depthUnderRed(billboards), 1.0f) << "a billboard writes no depth";

    renderMode.facingPass = false;
    const Picture ordinary = draw(*model);
    EXPECT_GT(ordinary.count(reddish, side / 2, side), 20);
    EXPECT_GT(ordinary.count(bluish, side / 2, side), 0) << "every face as ordinary geometry";
    EXPECT_EQ(ordinary.count(bluish, 0, side / 2), 0) << "the card facing away is culled";
    const float depth = depthUnderRed(ordinary);
    EXPECT_GT(depth, 0.0f);
    EXPECT_LT(depth, 1.0f);

    // A billboard without faces draws nothing in any pass.
    const Subobject& empty = *sub(*model, "empty");
    for (RenderPass pass : {allSubobjects, facingBillboards, exceptFacing})
        drawSubobject(empty, renderState, 0, 0, pass);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrite);
    EXPECT_TRUE(depthWrite);
}

TEST_F(RenderTest, VertexAlphaZeroIsDiscardedAndAlmostZeroIsDrawn) {
    for (const float alpha : {0.0f, 0.01f}) {
        DemoModel demo({});
        MeshBuilder mesh;
        square(mesh, {0, 0, 0}, 1, coloured(255, 255, 255, alpha), {0, 0, 1});
        demo.add(mesh, -1, "card", "", {});
        const Picture picture = draw(*load(demo));
        if (alpha == 0) EXPECT_EQ(picture.count(lit), 0);
        else EXPECT_GT(picture.count(lit), 100);
    }
}

TEST_F(RenderTest, TheCameraFixedLightsLightAFaceTurnedUpMoreThanOneTurnedDown) {
    DemoModel demo({});
    MeshBuilder mesh;
    const Material white = coloured(255, 255, 255);
    // At -x (drawn on the right), facing (0, 1, 1): towards light 0.
    mesh.polygon({{-2, -0.5f, 0.5f}, {-1, -0.5f, 0.5f}, {-1, 0.5f, -0.5f}, {-2, 0.5f, -0.5f}},
                 {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, white, {0, 1, 1});
    // At +x (drawn on the left), facing (0, -1, 1): away from light 0.
    mesh.polygon({{1, -0.5f, -0.5f}, {2, -0.5f, -0.5f}, {2, 0.5f, 0.5f}, {1, 0.5f, 0.5f}},
                 {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, white, {0, -1, 1});
    demo.add(mesh, -1, "cards", "", {});
    auto model = load(demo);
    const Picture picture = draw(*model);
    auto brightest = [&](int x0, int x1) {
        int best = 0;
        for (int y = 0; y < side; ++y)
            for (int x = x0; x < x1; ++x) best = std::max(best, static_cast<int>(picture.at(x, y)[0]));
        return best;
    };
    const int up = brightest(side / 2, side), down = brightest(0, side / 2);
    EXPECT_GT(down, 0);
    EXPECT_GT(up, down + 60);
    // Light 0 (0.7) head on plus the ambient 0.2; light 1 lies in the face.
    EXPECT_NEAR(up, 230, 15);
    // Unlit, both are drawn in their colour.
    renderMode.lighting = false;
    const Picture unlit = draw(*model);
    EXPECT_EQ(unlit.count([](Rgba p) { return p[0] == 255; }, 0, side / 2),
              unlit.count([](Rgba p) { return p[0] > 0; }, 0, side / 2));
}

TEST(FpsCounterTest, RateIsRefreshedEveryHalfSecondAndResetByANewModel) {
    FpsCounter counter;
    for (int i = 1; i <= 50; ++i) counter.update(0.01f * i);
    EXPECT_NEAR(counter.rate, 100.0f, 0.5f);
    EXPECT_EQ(counter.frames, 0);
    const float rate = counter.rate, last = counter.lastTime;
    counter.update(last);
    counter.update(last);
    EXPECT_EQ(counter.frames, 2);
    EXPECT_EQ(counter.rate, rate);
    counter.update(last + 0.2f);
    EXPECT_EQ(counter.frames, 3);
    EXPECT_EQ(counter.rate, rate) << "less than half a second: no new rate";
    counter.update(0.0f);  // the clock of a new model
    EXPECT_EQ(counter.rate, 0.0f);
    EXPECT_EQ(counter.frames, 0);
    EXPECT_EQ(counter.lastTime, 0.0f);
}

TEST_F(RenderTest, TextIsCutToItsBufferAndAdvancesOneCellACharacter) {
    glViewport(0, 0, side, side);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    auto rasterXAfter = [](const std::function<void()>& text) {
        glRasterPos2f(-0.99f, -0.97f);
        float start[4], end[4];
        glGetFloatv(GL_CURRENT_RASTER_POSITION, start);
        text();
        glGetFloatv(GL_CURRENT_RASTER_POSITION, end);
        return end[0] - start[0];
    };
    EXPECT_EQ(rasterXAfter([] { drawText(renderState, "Frame %.2f", 3.14159f); }), 10.0f * glyphAdvance);
    const std::string name(5000, 'A');
    EXPECT_EQ(rasterXAfter([&] { drawText(" object '%s'", name.c_str()); }), (textBufferSize - 1.0f) * glyphAdvance);
    GLint base = -1;
    glGetIntegerv(GL_LIST_BASE, &base);
    EXPECT_EQ(base, 0);
}

TEST_F(RenderTest, OverlayLineShowsAtTheBottomLeftOnlyWhenAskedFor) {
    DemoModel demo({});
    MeshBuilder mesh;
    mesh.box({-0.3f, 1.5f, -0.3f}, {0.3f, 2, 0.3f}, coloured(255, 0, 0));
    demo.add(mesh, -1, "top", "", {});
    auto model = load(demo);
    auto textPixels = [](const Picture& p) {
        return p.count([](Rgba c) { return c[0] == 204 && c[1] == 204 && c[2] == 204; }, 0, side, side - 10, side);
    };

    const Picture quiet = draw(*model, 3.14159f, 0.3f);
    EXPECT_EQ(quiet.count(lit, 0, side, side / 2, side), 0);
    EXPECT_EQ(fpsCounter.frames, 0) << "the counter runs only with the overlay";
    GLboolean depthTest = GL_FALSE;
    glGetBooleanv(GL_DEPTH_TEST, &depthTest);
    EXPECT_TRUE(depthTest);

    renderMode.showText = true;
    const Picture shown = draw(*model, 3.14159f, 0.3f);
    EXPECT_GT(textPixels(shown), 30);
    EXPECT_GT(shown.count(reddish), 0);
    EXPECT_EQ(fpsCounter.frames, 1);
    glGetBooleanv(GL_DEPTH_TEST, &depthTest);
    EXPECT_FALSE(depthTest);
    float projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    EXPECT_EQ(projection[0], 1.0f);
    EXPECT_EQ(projection[11], 0.0f);
}
}  // namespace
