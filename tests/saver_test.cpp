#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "data/kv_path.h"
#include "forge/demo_bitmaps.h"
#include "forge/demo_shapes.h"
#include "forge/hog_writer.h"
#include "host/egl/egl_context.h"
#include "saver/saver.h"
#include "model/poly_model.h"
#include "render/render_mode.h"
#include "test_files.h"
#include "saver_fixture.h"
#include "test_platform.h"
#include "textures/texture.h"
#include "camera/viewer.h"

namespace {
// Runs the rest of a test from inside `path`, where a relative disk name resolves.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const std::string& path) : previous(std::filesystem::current_path()) {
        std::filesystem::current_path(path);
    }
    ~WorkingDirectory() {
        std::error_code error;
        std::filesystem::current_path(previous, error);
    }

private:
    std::filesystem::path previous;
};

using SaverCycle = SaverFixture;

Bytes twoModels(int32_t lastFrame = 4) {
    return HogWriter().add("a.oof", animatedModel(lastFrame)).add("B.OOF", animatedModel(lastFrame)).add("c.ogf", Bytes(4)).build();
}
}  // namespace

TEST(SaverRandomTest, FollowsTheFifteenBitGenerator) {
    SaverRandom random;
    random.seed(1);
    const int32_t expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};
    for (int32_t value : expected) EXPECT_EQ(random.next(), value);
}

TEST(TimeStampTest, DifferenceCountsSignedMilliseconds) {
    EXPECT_FLOAT_EQ((TimeStamp{11, 100} - TimeStamp{10, 900}), 0.2f);
    EXPECT_FLOAT_EQ((TimeStamp{10, 0} - TimeStamp{0, 0}), 10.0f);
}

TEST_F(SaverCycle, StartUpListsModelsInTableOrderAndTheFirstTickLoadsOne) {
    start(twoModels());
    EXPECT_EQ(platform.timer, 10);
    EXPECT_EQ(saver->game().modelCount(), 2);  // "B.OOF" counts, "c.ogf" does not
    EXPECT_EQ(saver->timePerObject(), 15.0f);
    EXPECT_FALSE(platform.fontBuilt);
    EXPECT_FALSE(saver->show().hasModel());
    saver->onTimer();
    ASSERT_NE(saver->show().model(), nullptr);
    ASSERT_NE(saver->show().camera(), nullptr);
    EXPECT_EQ(saver->show().frame(), 0.0f);
    EXPECT_EQ(saver->show().animation().length, 4.0f);
    saver->onDestroy();
    EXPECT_EQ(platform.timer, 0);
    EXPECT_EQ(platform.context, nullptr);
}

TEST_F(SaverCycle, TheModelChangesJustAfterItsTimeCountedFromTheEndOfItsReading) {
    start(twoModels());
    // The first tick starts at 1000.000 and its reading ends at 1002.000.
    platform.script = {{1000, 0}, {1002, 0}};
    saver->onTimer();
    EXPECT_EQ(saver->show().start().seconds, 1002);
    PolyModel* first = saver->show().model();
    platform.clock = {1017, 0};  // exactly 15 s: not yet
    saver->onTimer();
    EXPECT_EQ(saver->show().model(), first);
    EXPECT_EQ(saver->modelChanges(), 1);
    platform.clock = {1017, 10};
    saver->onTimer();
    EXPECT_EQ(saver->modelChanges(), 2);
    EXPECT_EQ(saver->show().start().seconds, 1017);
}

TEST_F(SaverCycle, TheAnimationClockClimbsIsClampedAndReturns) {
    Settings settings;
    settings.anim_speed_index = 3;  // 5 key frames per second
    start(twoModels(4), settings);
    saver->onTimer();  // at 1000.000
    auto at = [&](int seconds, int milliseconds) {
        platform.clock = {seconds, static_cast<uint16_t>(milliseconds)};
        saver->onTimer();
        return saver->show().frame();
    };
    EXPECT_NEAR(at(1000, 400), 2.0f, 1e-4f);
    EXPECT_NEAR(at(1000, 790), 3.95f, 1e-4f);
    EXPECT_EQ(at(1000, 810), 4.0f);   // first tick past the end: exactly 4, and back down from here
    EXPECT_FALSE(saver->show().animation().forward);
    EXPECT_NEAR(at(1001, 210), 2.0f, 1e-4f);
    EXPECT_EQ(at(1001, 620), 0.0f);   // first tick below 0: exactly 0
    EXPECT_TRUE(saver->show().animation().forward);
    EXPECT_NEAR(at(1001, 820), 1.0f, 1e-4f);
}

TEST_F(SaverCycle, AModelWithoutKeyFramesStaysAtFrameZero) {
    start(HogWriter().add("still.oof", animatedModel(0)).build());
    for (int i = 0; i < 5; ++i) {
        saver->onTimer();
        EXPECT_EQ(saver->show().frame(), 0.0f);
        platform.advance(300);
    }
}

TEST_F(SaverCycle, AModelWhoseKeysAreAllNegativeStaysAtFrameZero) {
    start(HogWriter().add("early.oof", animatedModel(-3)).build());
    for (int i = 0; i < 5; ++i) {
        saver->onTimer();
        EXPECT_EQ(saver->show().frame(), 0.0f);
        platform.advance(300);
    }
    EXPECT_EQ(saver->show().animation().length, 0.0f);
}

// An entry's name is only a label: the model is always that entry's bytes, even
// when a different model lies on disk at the path the name spells.
TEST_F(SaverCycle, ModelEntriesNamedLikePathsAreReadFromTheArchiveNeverFromTheDisk) {
    const WorkingDirectory inside(dir.root());
    std::filesystem::create_directory(dir.path("disk"));
    dir.write("disk/ship.oof", animatedModel(9));
    dir.write("disk\\ship.oof", animatedModel(9));  // "\" is no separator here: this is the disk file that name spells
    start(HogWriter().add("disk/ship.oof", animatedModel(3)).add("disk\\ship.oof", animatedModel(5)).build());
    bool seenSlash = false;
    bool seenBackslash = false;
    for (int change = 0; change < 20; ++change) {
        saver->onTimer();
        const std::string name = saver->show().name();
        seenSlash |= name == "disk/ship.oof";
        seenBackslash |= name == "disk\\ship.oof";
        EXPECT_EQ(saver->show().animation().length, name == "disk/ship.oof" ? 3.0f : 5.0f) << name;  // 9 is the disk's model
        platform.advance(15010);
    }
    EXPECT_TRUE(seenSlash);
    EXPECT_TRUE(seenBackslash);
}

TEST_F(SaverCycle, WireframeOffDrawsNoRandomNumberForTheChoice) {
    Settings settings;
    settings.wireframe = 0;
    start(twoModels(), settings);
    SaverRandom expected;
    expected.seed(1000);
    saver->onTimer();
    // One number for the model, six for the drift rates, none for the wireframe choice.
    for (int i = 0; i < 7; ++i) expected.next();
    EXPECT_EQ(saver->randomState(), expected.state());
    EXPECT_TRUE(renderState.solid);
    EXPECT_FALSE(renderState.wire);
}

TEST_F(SaverCycle, WireframeOnDrawsAboutOneModelInTen) {
    Settings settings;
    settings.wireframe = 1;
    settings.object_time_index = 0;
    start(twoModels(), settings);
    int wireframes = 0;
    const int changes = 400;
    for (int i = 0; i < changes; ++i) {
        SaverRandom probe;
        probe.seed(saver->randomState());
        probe.next();  // the model choice
        const bool expectWire = probe.next() < 3276;
        saver->onTimer();
        EXPECT_EQ(renderState.wire, expectWire);
        wireframes += renderState.wire ? 1 : 0;
        platform.advance(5010);
    }
    EXPECT_GT(wireframes, changes / 20);
    EXPECT_LT(wireframes, changes / 5);
}

TEST_F(SaverCycle, DriftRatesStayWithinTheirBounds) {
    start(twoModels());
    for (int change = 0; change < 50; ++change) {
        saver->onTimer();
        for (int i = 0; i < driftRateCount; ++i)
            EXPECT_LE(std::fabs(saver->show().driftRate(static_cast<DriftRate>(i))), driftScales[i] / (2 * 15.0) + 1e-9) << i;
        platform.advance(15010);
    }
    EXPECT_LE(std::fabs(saver->show().driftRate(dolly)), 0.0033334f);
}

TEST_F(SaverCycle, OptionsReachTheRendererAndTheFontAndReflectionFollowThem) {
    Settings settings;
    settings.show_fps = 1;
    settings.mirror = 1;
    settings.bilinear = 0;
    settings.anim_speed_index = 9;      // out of its table: clamped to "20"
    settings.object_time_index = -3;    // clamped to 5 seconds
    start(HogWriter().add("a.oof", animatedModel(4)).add("PaleWhiteRock001.ogf", paleRockBitmap()).build(), settings);
    EXPECT_TRUE(platform.fontBuilt);
    EXPECT_TRUE(renderMode.showText);
    EXPECT_TRUE(renderMode.reflection);
    EXPECT_FALSE(renderMode.bilinear);
    EXPECT_EQ(renderMode.animationSpeed, 20.0f);
    EXPECT_EQ(saver->timePerObject(), 5.0f);
    ASSERT_NE(reflectionTexture.name, nullptr);
    EXPECT_STREQ(reflectionTexture.name, "PaleWhiteRock001.ogf");
    saver->onTimer();  // draws with the overlay and the reflection layer
}

TEST_F(SaverCycle, AMissingGameAndAnArchiveWithoutModelsEndTheSaver) {
    saver = std::make_unique<Saver>(platform);
    saver->useSettings({});
    try {
        saver->onCreate();
        FAIL() << "expected the saver to end";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Korvane is not installed.");
    }
    EXPECT_EQ(platform.timer, 0);  // no timer was started
    saver.reset();
    EXPECT_THROW(start(HogWriter().add("rock.ogf", Bytes(4)).build()), std::runtime_error);
}

TEST_F(SaverCycle, AModelThatCannotBeReadLeavesTheTickWithItsMessage) {
    start(HogWriter().add("broken.oof", Bytes{'P', 'S', 'P', 'O', 1, 2, 3, 4}).build());
    try {
        saver->onTimer();
        FAIL() << "expected the model's message";
    } catch (Message message) {
        EXPECT_STREQ(message, "Unsupported OOF version");
    }
}
