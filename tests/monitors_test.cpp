// The saver on a window over several monitors: where the monitors lie in the
// window, and what each monitor choice shows on them.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <memory>
#include <set>
#include <stdexcept>
#include <string>

#include "data/kv_path.h"
#include "forge/demo_shapes.h"
#include "forge/hog_writer.h"
#include "seam/monitors.h"
#include "kvtool/monitor_list.h"
#include "saver/saver.h"
#include "test_files.h"
#include "saver_fixture.h"
#include "test_platform.h"
#include "textures/texture.h"

namespace {
class SeveralMonitors : public SaverFixture {
protected:
    void start(MonitorChoice choice, std::vector<Monitor> monitors, int32_t timeIndex = 1) {
        platform.monitorList = std::move(monitors);
        Settings settings;
        settings.monitors = static_cast<int32_t>(choice);
        settings.object_time_index = timeIndex;
        SaverFixture::start(
            HogWriter().add("a.oof", animatedModel(2)).add("b.oof", animatedModel(3)).add("c.oof", animatedModel(4)).build(),
            settings);
    }

    // The bottom row's pixels, left to right.
    std::vector<bool> litColumns() {
        std::vector<uint8_t> rgba = platform.context->readPixels();
        std::vector<bool> lit(64);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x) lit[x] = lit[x] || rgba[(y * 64 + x) * 4] > 40;
        return lit;
    }

};

const std::vector<Monitor> halves = {{{0, 0, 32, 48}, false}, {{32, 0, 64, 48}, true}};
}  // namespace

TEST(MonitorLayout, MonitorsAreCutToTheWindowMovedIntoItAndListedLeftToRight) {
    // A window at (100, 50) on the screen, 300x200, over three monitors and beside a fourth.
    const std::vector<Monitor> screen = {
        {{300, 0, 600, 400}, true}, {{0, 0, 300, 150}, false}, {{0, 150, 300, 400}, false}, {{600, 0, 900, 400}, false}};
    const std::vector<Monitor> inside = monitorsInWindow(screen, {100, 50, 400, 250});
    ASSERT_EQ(inside.size(), 3u);
    EXPECT_EQ(inside[0], (Monitor{{0, 0, 200, 100}, false}));
    EXPECT_EQ(inside[1], (Monitor{{0, 100, 200, 200}, false}));
    EXPECT_EQ(inside[2], (Monitor{{200, 0, 300, 200}, true}));
}

TEST(MonitorLayout, MirroredMonitorsAreOneAndNoneInsideIsTheWholeWindow) {
    const std::vector<Monitor> mirrored = {{{0, 0, 640, 480}, false}, {{0, 0, 640, 480}, true}};
    EXPECT_EQ(monitorsInWindow(mirrored, {0, 0, 640, 480}), (std::vector<Monitor>{{{0, 0, 640, 480}, true}}));
    // A monitor list beside the window, or empty: the window is its own monitor.
    EXPECT_EQ(monitorsInWindow({{{700, 0, 800, 100}, true}}, {0, 0, 640, 480}),
              (std::vector<Monitor>{{{0, 0, 640, 480}, true}}));
    EXPECT_EQ(monitorsInWindow({}, {10, 10, 20, 30}), (std::vector<Monitor>{{{0, 0, 10, 20}, true}}));
    // With no primary among them, the first is.
    EXPECT_TRUE(monitorsInWindow({{{0, 0, 10, 10}, false}, {{10, 0, 20, 10}, false}}, {0, 0, 20, 10})[0].primary);
}

TEST(MonitorLayout, AListIsRectanglesJoinedByCommasWithAStarOnThePrimary) {
    const std::vector<Monitor> list = parseMonitorList("640x480+0+60,*800x600+640+0,100x100-100-5");
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0], (Monitor{{0, 60, 640, 540}, false}));
    EXPECT_EQ(list[1], (Monitor{{640, 0, 1440, 600}, true}));
    EXPECT_EQ(list[2], (Monitor{{-100, -5, 0, 95}, false}));
    for (const char* bad : {"", "640x480", "640x480+0", "0x480+0+0", "640x480+0+0,", "640x480 +0+0", "axb+0+0",
                            "640x480+0+0x", "99999x480+0+0"})
        EXPECT_THROW(parseMonitorList(bad), std::invalid_argument) << bad;
}

TEST_F(SeveralMonitors, EachMonitorGetsItsOwnModelWithRandomNumbersTakenInMonitorOrder) {
    start(MonitorChoice::each, halves);
    ASSERT_EQ(saver->showCount(), 2);
    SaverRandom expected;
    expected.seed(1000);
    saver->onTimer();
    // Per monitor: one number for the model and six for the drift, none for the wireframe choice.
    const char* names[] = {"a.oof", "b.oof", "c.oof"};
    for (int monitor = 0; monitor < 2; ++monitor) {
        EXPECT_STREQ(saver->show(monitor).name(), names[expected.next() % 3]) << monitor;
        for (int i = 0; i < 6; ++i) expected.next();
    }
    EXPECT_EQ(saver->randomState(), expected.state());
    // Both halves hold a model, each centred in its half.
    const std::vector<bool> lit = litColumns();
    EXPECT_TRUE(lit[16]);
    EXPECT_TRUE(lit[48]);
    EXPECT_FALSE(lit[0]);
    EXPECT_FALSE(lit[32]);
}

TEST_F(SeveralMonitors, AfterTheFirstModelsTwoMonitorsNeverChangeInTheSameTick) {
    start(MonitorChoice::each, {{{0, 0, 20, 48}, true}, {{20, 0, 40, 48}, false}, {{40, 0, 64, 48}, false}}, 0);
    saver->onTimer();
    // A model's start stamp tells a change; its address may be the last one's.
    std::vector<TimeStamp> shown;
    for (int m = 0; m < 3; ++m) shown.push_back(saver->show(m).start());
    std::vector<int> changes(3);
    // One minute of 10 ms ticks, at 5 s per model.
    for (int tick = 0; tick < 6000; ++tick) {
        platform.advance(10);
        saver->onTimer();
        int changedNow = 0;
        for (int m = 0; m < 3; ++m)
            if (shown[m] < saver->show(m).start()) {
                shown[m] = saver->show(m).start();
                ++changes[m];
                ++changedNow;
            }
        ASSERT_LE(changedNow, 1) << "tick " << tick;
    }
    EXPECT_EQ(saver->modelChanges(), 3 + changes[0] + changes[1] + changes[2]);
    // Every monitor keeps changing at about the time per object.
    for (int m = 0; m < 3; ++m) {
        EXPECT_GE(changes[m], 10) << m;
        EXPECT_LE(changes[m], 12) << m;
    }
}

TEST_F(SeveralMonitors, SameShowsOneModelOnEveryMonitorAndPrimaryLeavesTheOthersBlack) {
    start(MonitorChoice::same, halves);
    ASSERT_EQ(saver->showCount(), 1);
    saver->onTimer();
    std::vector<bool> lit = litColumns();
    EXPECT_TRUE(lit[16]);
    EXPECT_TRUE(lit[48]);
    TearDown();

    start(MonitorChoice::primary, halves);
    saver->onTimer();
    lit = litColumns();
    for (int x = 0; x < 32; ++x) EXPECT_FALSE(lit[x]) << x;  // the left half is not the primary
    EXPECT_TRUE(lit[48]);
}

TEST_F(SeveralMonitors, SpanDrawsOnePictureAcrossTheWholeWindow) {
    start(MonitorChoice::span, halves);
    ASSERT_EQ(saver->showCount(), 1);
    saver->onTimer();
    const std::vector<bool> lit = litColumns();
    EXPECT_TRUE(lit[32]);  // on the seam, as the picture's centre
    EXPECT_FALSE(lit[16]);
}

// With one monitor, the window, every choice is the saver as it always was:
// the same random numbers and the same picture.
TEST_F(SeveralMonitors, OnOneMonitorEveryChoiceDrawsTheSameFrames) {
    std::vector<uint8_t> first;
    uint32_t firstState = 0;
    for (int choice = 0; choice < monitorChoiceCount; ++choice) {
        start(static_cast<MonitorChoice>(choice), {});
        for (int tick = 0; tick < 30; ++tick) {
            saver->onTimer();
            platform.advance(10);
        }
        const std::vector<uint8_t> pixels = platform.context->readPixels();
        if (choice == 0) {
            first = pixels;
            firstState = saver->randomState();
        } else {
            EXPECT_EQ(pixels, first) << choice;
            EXPECT_EQ(saver->randomState(), firstState) << choice;
        }
        TearDown();
        platform.clock = {1000, 0};
    }
}

TEST_F(SeveralMonitors, AStoredChoicePastTheListIsTheNearestOne) {
    start(static_cast<MonitorChoice>(7), halves);
    EXPECT_EQ(saver->settings().monitors, static_cast<int32_t>(MonitorChoice::primary));
    TearDown();
    start(static_cast<MonitorChoice>(-2), halves);
    EXPECT_EQ(saver->settings().monitors, static_cast<int32_t>(MonitorChoice::each));
    EXPECT_EQ(saver->showCount(), 2);
}
