#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cstdint>
#include <vector>

#include "data/kv_path.h"
#include "forge/hog_writer.h"
#include "host/egl/egl_context.h"
#include "render/render_mode.h"
#include "show/game_archive.h"
#include "show/model_show.h"
#include "test_files.h"
#include "test_models.h"

namespace {
constexpr int width = 96;
constexpr int height = 48;

// RGBA rows, top row first.
struct Frame {
    std::vector<uint8_t> rgba;
    int frameWidth;
    const uint8_t* at(int x, int y) const { return &rgba[(static_cast<size_t>(y) * frameWidth + x) * 4]; }
    bool lit(int x, int y) const { return at(x, y)[0] > 60; }
    // The lit pixels' mean column within [from, to), or -1 when none is lit.
    double litCentre(int from, int to) const {
        double sum = 0;
        int count = 0;
        for (int y = 0; y < static_cast<int>(rgba.size() / 4) / frameWidth; ++y)
            for (int x = from; x < to; ++x)
                if (lit(x, y)) {
                    sum += x;
                    ++count;
                }
        return count > 0 ? sum / count : -1.0;
    }
};

class ModelShowTest : public ::testing::Test {
protected:
    void SetUp() override {
        renderMode = RenderMode{};
        useGameArchive(dir.write("kv.hog", HogWriter().add("box.oof", boxModel(230)).build()).c_str());
    }
    void TearDown() override { searchPath.reset(0); }

    TempDir dir;
};
}  // namespace

TEST(TimeStampTest, AddingMillisecondsCarriesIntoTheSecondsAndStampsOrderByBoth) {
    const TimeStamp later = TimeStamp{10, 900} + 250;
    EXPECT_EQ(later.seconds, 11);
    EXPECT_EQ(later.milliseconds, 150);
    EXPECT_EQ((TimeStamp{10, 0} + 4000).seconds, 14);
    EXPECT_TRUE((TimeStamp{10, 999} < TimeStamp{11, 0}));
    EXPECT_FALSE((TimeStamp{11, 0} < TimeStamp{11, 0}));
    EXPECT_FALSE((TimeStamp{11, 1} < TimeStamp{10, 999}));
}

TEST_F(ModelShowTest, AModelThatCannotBeReadKeepsItsNameAndNothingElse) {
    ModelShow show;
    show.put(gameArchive(), "box.oof");
    ASSERT_TRUE(show.hasModel());
    show.setWireframe(true);
    EXPECT_THROW(show.put(gameArchive(), "missing.oof"), Message);
    EXPECT_FALSE(show.hasModel());
    EXPECT_EQ(show.camera(), nullptr);
    EXPECT_STREQ(show.name(), "missing.oof");
    EXPECT_FALSE(show.wireframe());  // a new model starts solid
}

// Drawn into the right half of the window, a show keeps to it: the left half
// keeps what it held, and the model is centred in its half as it is in a window
// of that size alone.
TEST_F(ModelShowTest, AShowDrawnIntoPartOfTheWindowKeepsToItAndIsFramedForIt) {
    EglContext context(width, height);
    ModelShow show;
    show.put(gameArchive(), "box.oof");
    show.startClock({1000, 0});

    const ClientRect whole{0, 0, width, height};
    const ClientRect right{width / 2, 0, width, height};
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    show.draw(right, whole, 0.0f);
    const Frame split{context.readPixels(), width};
    for (int y = 0; y < height; y += 7)
        for (int x = 0; x < width / 2; x += 5) ASSERT_EQ(split.at(x, y)[2], 255) << x << "," << y;  // still blue
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));

    EglContext alone(width / 2, height);
    ModelShow single;
    single.put(gameArchive(), "box.oof");
    single.startClock({1000, 0});
    single.draw({0, 0, width / 2, height}, {0, 0, width / 2, height}, 0.0f);
    const Frame solo{alone.readPixels(), width / 2};
    const double centre = solo.litCentre(0, width / 2);
    ASSERT_GT(centre, 0.0);
    EXPECT_NEAR(split.litCentre(width / 2, width) - width / 2, centre, 0.5);
}
