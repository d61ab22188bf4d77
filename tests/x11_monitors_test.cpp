// kvss in full screen on an X server with several monitors, made with
// xrandr --setmonitor on one wide Xvfb screen.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "test_files.h"
#include "x_server.h"

namespace {
const std::string kvss = KVSS_PATH;

struct Area {
    int x, y, width, height;
};

class MonitorsOnX : public XServerTest {
protected:
    static void SetUpTestSuite() { server = new XServer("1440x1080x24"); }

    void SetUp() override {
        XServerTest::SetUp();
        if (!onPath("xrandr")) GTEST_SKIP() << "xrandr is not available";
    }
    void TearDown() override {
        for (const std::string& name : made) runOnDisplay("xrandr --delmonitor " + name);
        made.clear();
        XServerTest::TearDown();
    }

    // Monitors by hand; the first is on the screen's output, the others on
    // none, and a "*" before a name makes that one the primary.
    void layout(const std::vector<std::pair<std::string, Area>>& monitors) {
        for (size_t i = 0; i < monitors.size(); ++i) {
            const auto& [name, a] = monitors[i];
            const std::string geometry = std::to_string(a.width) + "/300x" + std::to_string(a.height) + "/200+" +
                                         std::to_string(a.x) + "+" + std::to_string(a.y);
            const CommandResult set = runOnDisplay("xrandr --setmonitor " + shellQuote(name) + " " + geometry +
                                                   (i == 0 ? " screen" : " none"));
            ASSERT_EQ(set.status, 0) << set.err;
            made.push_back(name[0] == '*' ? name.substr(1) : name);
        }
    }

    // The saver in full screen with that choice, once its window shows a model.
    Window fullscreen(const std::string& choice) {
        start({kvss, "--fullscreen", "--monitors", choice, "--game", game.root()}, {}, work.path("kvss.log"));
        const Window w = findWindow("^Screen Saver$");
        EXPECT_NE(w, 0u);
        EXPECT_TRUE(eventually([&] { return saw(picture(w).lit(), "every pixel black"); }));
        return w;
    }

    // Where the lit pixels of `area` lie, as fractions of its size from its
    // centre; nothing lit is (9, 9).
    std::pair<double, double> offCentre(const Picture& shot, const Area& area) {
        double sx = 0, sy = 0;
        long count = 0;
        for (int y = area.y; y < area.y + area.height; ++y)
            for (int x = area.x; x < area.x + area.width; ++x)
                if ((shot.at(x, y) & 0xFFFFFF) != 0 && y < area.y + area.height - 20) {  // not the overlay line
                    sx += x;
                    sy += y;
                    ++count;
                }
        if (count == 0) return {9, 9};
        return {(sx / count - area.x) / area.width - 0.5, (sy / count - area.y) / area.height - 0.5};
    }

    ::testing::AssertionResult centredOn(const Picture& shot, const Area& area) {
        const auto [dx, dy] = offCentre(shot, area);
        // Split over a seam, the model's pixels lie near half a monitor off.
        return saw(std::fabs(dx) < 0.12 && std::fabs(dy) < 0.12,
                   "lit pixels off the centre by " + std::to_string(dx) + ", " + std::to_string(dy) + " of " +
                       std::to_string(area.width) + "x" + std::to_string(area.height) + "+" + std::to_string(area.x) +
                       "+" + std::to_string(area.y));
    }

    ::testing::AssertionResult centredOnBoth(Window w, const Area& a, const Area& b) {
        const Picture shot = picture(w);
        const ::testing::AssertionResult onA = centredOn(shot, a);
        return onA ? centredOn(shot, b) : onA;
    }

    bool dark(const Picture& shot, const Area& area) { return offCentre(shot, area).first == 9; }

    std::vector<std::string> made;
};

const Area left{0, 60, 640, 480};
const Area right{640, 0, 800, 600};
}  // namespace

TEST_F(MonitorsOnX, SideBySideEachMonitorShowsAModelOfItsOwnCentredOnIt) {
    layout({{"left", left}, {"*right", right}});
    const Window w = fullscreen("each");
    EXPECT_TRUE(eventually([&] { return centredOnBoth(w, left, right); }));
}

TEST_F(MonitorsOnX, StackedWithThePrimaryBelowSameShowsTheModelOnBoth) {
    const Area top{0, 0, 640, 480};
    const Area bottom{0, 480, 800, 600};
    layout({{"top", top}, {"*bottom", bottom}});
    const Window w = fullscreen("same");
    EXPECT_TRUE(eventually([&] { return centredOnBoth(w, top, bottom); }));
}

TEST_F(MonitorsOnX, PrimaryLeavesTheOtherBlackAndSpanDrawsOnePictureOverTheSeam) {
    layout({{"left", left}, {"*right", right}});
    Window w = fullscreen("primary");
    EXPECT_TRUE(eventually([&] {
        const Picture shot = picture(w);
        const ::testing::AssertionResult leftDark = saw(dark(shot, left), "the left monitor lit");
        return leftDark ? centredOn(shot, right) : leftDark;
    }));
    stopProcess(started.back());
    started.pop_back();

    w = fullscreen("span");
    const Area screen{0, 0, 1440, 1080};
    EXPECT_TRUE(eventually([&] { return centredOn(picture(w), screen); }));
}

TEST_F(MonitorsOnX, OneMonitorIsTheWholeScreenAsBefore) {
    layout({{"*only", {0, 0, 1440, 1080}}});
    const Window w = fullscreen("each");
    EXPECT_TRUE(eventually([&] { return centredOn(picture(w), {0, 0, 1440, 1080}); }));
}
