// The model viewer end to end (kvss --viewer and kvss-viewer) on a real X
// server (Xvfb), driven with xdotool.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "forge/demo_archive.h"
#include "test_files.h"
#include "x_server.h"

namespace {
using namespace std::chrono_literals;
const std::string kvss = KVSS_PATH;
const std::string kvssViewer = KVSS_VIEWER_PATH;
constexpr int width = 320;
constexpr int height = 240;
const std::vector<std::string> demoModels = {"asteroid.oof", "harvester.oof", "lance.oof",
                                             "lighthouse.oof", "relay.oof", "vanguard.oof"};
constexpr double sameWithinTolerance = 0.002;
constexpr double clearlyChanged = 0.01;

std::string differing(double share) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f%% of the pixels differ", share * 100.0);
    return text;
}

class ViewerOnX : public XServerTest {
protected:
    void SetUp() override {
        XServerTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        if (!onPath("xdotool")) GTEST_SKIP() << "xdotool is not available";
    }

    // Starts the viewer in `work` (where c writes), standard output and error to files there.
    void launch(const std::vector<std::string>& extra, const std::string& gameDirectory = "") {
        std::vector<std::string> args = {kvss, "--viewer", "--game", gameDirectory.empty() ? game.root() : gameDirectory,
                                         "--geometry", std::to_string(width) + "x" + std::to_string(height)};
        args.insert(args.end(), extra.begin(), extra.end());
        launchProgram(args);
    }
    void launchProgram(const std::vector<std::string>& args) {
        viewer = start(args, {}, work.path("out.txt"), work.path("err.txt"), work.root());
        window = findWindow("^kvss - ");
        ASSERT_NE(window, 0u) << slurp(work.path("err.txt"));
        xdotool("windowfocus --sync " + std::to_string(window));
    }

    ::testing::AssertionResult titleIs(const std::string& expected) { return XServerTest::titleIs(window, expected); }
    Picture picture() { return XServerTest::picture(window); }

    // The picture once it stops changing: three looks in a row that agree, a
    // poll apart (on a loaded machine a viewer that still moves may draw no new
    // frame between two looks).
    Picture stillPicture() {
        Picture last = picture();
        int agreeing = 0;
        EXPECT_TRUE(eventually(
            [&] {
                Picture now = picture();
                size_t changed = 0;
                for (size_t i = 0; i < now.pixels.size() && i < last.pixels.size(); ++i)
                    changed += now.pixels[i] != last.pixels[i];
                agreeing = now.pixels == last.pixels ? agreeing + 1 : 0;
                last = std::move(now);
                return saw(agreeing >= 2,
                           "still changing: " + std::to_string(changed) + " pixels between the last two looks");
            },
            patience, 200ms));
        return last;
    }
    // The conditions "the picture differs from `reference` in more than
    // `share` of its pixels" and "in at most `share`".
    ::testing::AssertionResult changesFrom(const Picture& reference, double share = 0.0) {
        return eventually([&] {
            const double now = differingShare(reference, picture());
            return saw(now > share, differing(now));
        });
    }
    ::testing::AssertionResult comesBackTo(const Picture& reference, double share = 0.0) {
        return eventually([&] {
            const double now = differingShare(reference, picture());
            return saw(now <= share, differing(now));
        });
    }

    pid_t viewer = 0;
    Window window = 0;
};
}  // namespace

TEST_F(ViewerOnX, NAndPStepThroughTheModelsInArchiveOrderWrappingAtBothEnds) {
    launch({});
    EXPECT_TRUE(titleIs("kvss - asteroid.oof"));
    for (size_t i = 1; i < demoModels.size(); ++i) {
        key(i % 2 ? "n" : "Right");
        EXPECT_TRUE(titleIs("kvss - " + demoModels[i]));
    }
    key("n");
    EXPECT_TRUE(titleIs("kvss - asteroid.oof"));
    key("p");
    EXPECT_TRUE(titleIs("kvss - vanguard.oof"));
    key("Left");
    EXPECT_TRUE(titleIs("kvss - relay.oof"));
    key("q");
    EXPECT_TRUE(exitsWith(viewer, 0));
}

TEST_F(ViewerOnX, ADragTurnsTheModelAndFBringsBackTheFreshCamerasPicture) {
    launch({"--model", "ASTEROID.OOF"});
    ASSERT_TRUE(titleIs("kvss - asteroid.oof"));
    key("space");  // spinners stand still, so pictures compare
    const Picture fresh = stillPicture();

    xdotool("mousemove --window " + std::to_string(window) + " 100 100 mousedown 1");
    xdotool("mousemove --window " + std::to_string(window) + " 180 130");
    xdotool("mousemove --window " + std::to_string(window) + " 220 150 mouseup 1");
    EXPECT_TRUE(changesFrom(fresh, clearlyChanged));

    key("f");
    EXPECT_TRUE(comesBackTo(fresh, sameWithinTolerance));
}

TEST_F(ViewerOnX, SpaceFreezesAnAnimatedModelAndStartsItAgain) {
    launch({"--model", "lance.oof"});
    ASSERT_TRUE(titleIs("kvss - lance.oof"));
    const Picture moving = picture();
    EXPECT_TRUE(changesFrom(moving)) << "the model is not animated";

    key("space");
    const Picture frozen = stillPicture();
    // A stalled viewer would show one picture too: it must answer a key (the
    // overlay line comes on) and, the key undone, show the frozen model again.
    key("o");
    EXPECT_TRUE(changesFrom(frozen));
    key("o");
    EXPECT_TRUE(comesBackTo(frozen));

    key("bracketright");  // one key frame on
    EXPECT_TRUE(changesFrom(frozen));
    const Picture stepped = stillPicture();
    key("space");
    EXPECT_TRUE(changesFrom(stepped));
}

TEST_F(ViewerOnX, CWritesThePictureOfTheWindowsSizeAsAPngAndPrintsItsPath) {
    launch({"--model", "relay.oof"});
    ASSERT_TRUE(titleIs("kvss - relay.oof"));
    key("space");
    const Picture onScreen = stillPicture();
    key("c");
    key("c");
    key("Escape");
    EXPECT_TRUE(exitsWith(viewer, 0));

    EXPECT_EQ(slurp(work.path("out.txt")), work.path("relay-1.png") + "\n" + work.path("relay-2.png") + "\n");
    const Png saved = readPng(work.path("relay-1.png"));
    ASSERT_EQ(saved.width, width);
    ASSERT_EQ(saved.height, height);
    Picture fromFile{width, height, {}};
    for (int py = 0; py < height; ++py)
        for (int px = 0; px < width; ++px) {
            const Rgba p = saved.at(px, py);
            fromFile.pixels.push_back(static_cast<uint32_t>(p[0]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[2]);
        }
    EXPECT_LE(differingShare(onScreen, fromFile), sameWithinTolerance);
}

TEST_F(ViewerOnX, PicturesOfEntriesNamedLikePathsStayInTheCurrentFolder) {
    Bytes model;
    for (const HogWriter::Entry& entry : demoArchive().ordered())
        if (entry.name == "asteroid.oof") model = entry.data;
    TempDir hostile;
    HogWriter().add("table.gam", Bytes{}).add("../escaped.oof", model).add("/some/absolute/path/abs.oof", model)
        .write(hostile.path("kv.hog"));
    launch({}, hostile.root());
    ASSERT_TRUE(titleIs("kvss - ../escaped.oof"));
    key("c");
    key("n");
    ASSERT_TRUE(titleIs("kvss - /some/absolute/path/abs.oof"));
    key("c");
    key("q");
    EXPECT_TRUE(exitsWith(viewer, 0));
    EXPECT_EQ(slurp(work.path("out.txt")), work.path("escaped-1.png") + "\n" + work.path("abs-1.png") + "\n");
    EXPECT_EQ(readPng(work.path("escaped-1.png")).width, width);
    EXPECT_EQ(readPng(work.path("abs-1.png")).width, width);
    EXPECT_EQ(slurp(work.path("err.txt")), "");
}

TEST_F(ViewerOnX, KvssViewerOpensTheArchiveGivenAndEExportsTheModelOnScreen) {
    launchProgram({kvssViewer, game.path("kv.hog"), "--model", "lance.oof", "--geometry", "320x240"});
    ASSERT_TRUE(titleIs("kvss - lance.oof"));
    key("e");
    key("e");  // a second export of the same model is kept apart from the first
    key("n");
    ASSERT_TRUE(titleIs("kvss - lighthouse.oof"));
    key("e");
    EXPECT_TRUE(titleIs("kvss - lighthouse.oof - " + work.path("lighthouse.glb")));
    key("q");
    EXPECT_TRUE(exitsWith(viewer, 0));
    EXPECT_EQ(slurp(work.path("out.txt")),
              work.path("lance.glb") + "\n" + work.path("lance-2.glb") + "\n" + work.path("lighthouse.glb") + "\n");
    EXPECT_EQ(slurp(work.path("err.txt")), "");
    if (!onPath("assimp")) GTEST_SKIP() << "assimp is not installed (scripts/setup.sh installs it)";
    for (const char* name : {"lance.glb", "lighthouse.glb"}) {
        const CommandResult info = runCommand("assimp info " + shellQuote(work.path(name)));
        EXPECT_EQ(info.status, 0) << name << ": " << info.err;
        EXPECT_NE(info.out.find("Node hierarchy:"), std::string::npos) << name;
    }
}

TEST_F(ViewerOnX, AModelThatCannotBeReadIsNamedInTheTitleAndNStepsOn) {
    TempDir broken;
    demoArchive().add("broken.oof", Bytes{'N', 'O', 'P', 'E', 0, 0, 0, 0}).write(broken.path("kv.hog"));
    launch({"--model", "asteroid.oof"}, broken.root());
    ASSERT_TRUE(titleIs("kvss - asteroid.oof"));
    key("n");
    EXPECT_TRUE(titleIs("kvss - broken.oof: Not a valid OOF file"));
    key("n");
    EXPECT_TRUE(titleIs("kvss - harvester.oof"));
    key("q");
    EXPECT_TRUE(exitsWith(viewer, 0));
    EXPECT_EQ(slurp(work.path("err.txt")), "kvss: broken.oof: Not a valid OOF file\n");
}

TEST_F(ViewerOnX, NoModelsOrAModelNotThereIsOneLineAndStatusOne) {
    TempDir empty;
    HogWriter().add("table.gam", Bytes{}).write(empty.path("kv.hog"));
    const std::string viewerOf = shellQuote(kvss) + " --viewer --game ";
    const CommandResult noModels = runOnDisplay(viewerOf + shellQuote(empty.root()));
    EXPECT_EQ(noModels.status, 1);
    EXPECT_EQ(noModels.err, "The game archive holds no models.\n");

    const CommandResult notThere = runOnDisplay(viewerOf + shellQuote(game.root()) + " --model nothere.oof");
    EXPECT_EQ(notThere.status, 1);
    EXPECT_EQ(notThere.err, "kvss: no model nothere.oof in " + game.path("kv.hog") + "\n");
}
