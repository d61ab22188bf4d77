// The model viewer end to end (kvss --viewer and kvss-viewer) on a real X
// server (Xvfb), driven with xdotool.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
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

// Pixels of the window, 0xRRGGBB each.
using Picture = std::vector<uint32_t>;

// Share of pixels that differ by more than a small step in some channel.
double differingShare(const Picture& a, const Picture& b) {
    if (a.size() != b.size() || a.empty()) return 1.0;
    size_t differing = 0;
    for (size_t i = 0; i < a.size(); ++i)
        for (int shift = 0; shift < 24; shift += 8)
            if (std::abs(static_cast<int>((a[i] >> shift) & 0xFF) - static_cast<int>((b[i] >> shift) & 0xFF)) > 24) {
                ++differing;
                break;
            }
    return static_cast<double>(differing) / static_cast<double>(a.size());
}
constexpr double sameWithinTolerance = 0.002;
constexpr double clearlyChanged = 0.01;

class ViewerOnX : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (onPath("xdotool")) server = new XServer;
    }
    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }

    void SetUp() override {
        if (server == nullptr || !server->running()) GTEST_SKIP() << "Xvfb or xdotool is not available";
        display = server->display();
        for (int tries = 0; tries < 100 && x == nullptr; ++tries) {
            x = XOpenDisplay(display.c_str());
            if (x == nullptr) std::this_thread::sleep_for(50ms);
        }
        ASSERT_NE(x, nullptr);
        demoArchive().write(game.path("kv.hog"));
    }
    void TearDown() override {
        stopProcess(viewer);
        if (x != nullptr) XCloseDisplay(x);
    }

    // Starts the viewer in `work` (where c writes), standard output and error to files there.
    void launch(const std::vector<std::string>& extra, const std::string& gameDirectory = "") {
        std::vector<std::string> args = {kvss, "--viewer", "--game", gameDirectory.empty() ? game.root() : gameDirectory,
                                         "--geometry", std::to_string(width) + "x" + std::to_string(height)};
        args.insert(args.end(), extra.begin(), extra.end());
        launchProgram(args);
    }
    void launchProgram(const std::vector<std::string>& args) {
        const std::vector<std::string> environment = {"DISPLAY=" + display, "XDG_CONFIG_HOME=" + work.root(),
                                                      "LIBGL_ALWAYS_SOFTWARE=1", "ASAN_OPTIONS=detect_leaks=0"};
        viewer = spawn(args, environment, work.path("out.txt"), work.path("err.txt"), work.root());
        for (int tries = 0; tries < 200 && window == 0; ++tries) {
            std::this_thread::sleep_for(50ms);
            const std::string found = run("search --name '^kvss - '");
            if (!found.empty()) window = std::stoul(found);
        }
        ASSERT_NE(window, 0u) << slurp(work.path("err.txt"));
        xdotool("windowfocus --sync " + std::to_string(window));
    }

    std::string run(const std::string& arguments) {
        const CommandResult result = runCommand("DISPLAY=" + display + " xdotool " + arguments);
        return result.status == 0 ? result.out : "";
    }
    void xdotool(const std::string& arguments) { run(arguments); }
    void key(const std::string& name) { xdotool("key " + name); }

    // The title as both properties hold it; they must agree. (The viewer sets
    // one after the other, so a look between the two sees them differ: look again.)
    std::string title() {
        std::string wmName, netName;
        for (int tries = 0; tries < 20; ++tries) {
            wmName = property(XA_WM_NAME, XA_STRING);
            netName = property(XInternAtom(x, "_NET_WM_NAME", False), XInternAtom(x, "UTF8_STRING", False));
            if (wmName == netName) break;
            std::this_thread::sleep_for(50ms);
        }
        EXPECT_EQ(wmName, netName);
        return wmName;
    }
    std::string property(Atom name, Atom type) {
        Atom actualType;
        int format;
        unsigned long count, after;
        unsigned char* data = nullptr;
        std::string value;
        if (XGetWindowProperty(x, window, name, 0, 1024, False, type, &actualType, &format, &count, &after, &data) ==
                Success &&
            data != nullptr) {
            value.assign(reinterpret_cast<char*>(data), count);
            XFree(data);
        }
        return value;
    }
    // Polls the title until it reads `expected` (or a generous limit passes).
    std::string titleOnceItIs(const std::string& expected) {
        std::string now;
        for (int tries = 0; tries < 200 && (now = title()) != expected; ++tries) std::this_thread::sleep_for(50ms);
        return now;
    }

    Picture picture() {
        XImage* image = XGetImage(x, window, 0, 0, width, height, AllPlanes, ZPixmap);
        Picture pixels;
        if (image == nullptr) return pixels;
        for (int py = 0; py < height; ++py)
            for (int px = 0; px < width; ++px) pixels.push_back(XGetPixel(image, px, py) & 0xFFFFFF);
        XDestroyImage(image);
        return pixels;
    }
    // The picture once it stops changing.
    // (Three looks in a row that agree: on a loaded machine a viewer that still
    // moves may not draw a new frame between two looks.)
    Picture stillPicture() {
        Picture before = picture();
        int agreeing = 0;
        for (int tries = 0; tries < 75; ++tries) {
            std::this_thread::sleep_for(200ms);
            Picture after = picture();
            agreeing = differingShare(before, after) == 0.0 ? agreeing + 1 : 0;
            if (agreeing == 2) return after;
            before = after;
        }
        ADD_FAILURE() << "the picture never stood still";
        return before;
    }
    // Polls until the picture compares with `reference` as `wanted` says.
    template <class Wanted>
    double pictureOnce(const Picture& reference, Wanted wanted) {
        double share = differingShare(reference, picture());
        for (int tries = 0; tries < 100 && !wanted(share); ++tries) {
            std::this_thread::sleep_for(100ms);
            share = differingShare(reference, picture());
        }
        return share;
    }

    static inline XServer* server = nullptr;
    std::string display;
    Display* x = nullptr;
    pid_t viewer = 0;
    Window window = 0;
    TempDir game;
    TempDir work;
};
}  // namespace

TEST_F(ViewerOnX, NAndPStepThroughTheModelsInArchiveOrderWrappingAtBothEnds) {
    launch({});
    EXPECT_EQ(titleOnceItIs("kvss - asteroid.oof"), "kvss - asteroid.oof");
    for (size_t i = 1; i < demoModels.size(); ++i) {
        key(i % 2 ? "n" : "Right");
        EXPECT_EQ(titleOnceItIs("kvss - " + demoModels[i]), "kvss - " + demoModels[i]);
    }
    key("n");
    EXPECT_EQ(titleOnceItIs("kvss - asteroid.oof"), "kvss - asteroid.oof");
    key("p");
    EXPECT_EQ(titleOnceItIs("kvss - vanguard.oof"), "kvss - vanguard.oof");
    key("Left");
    EXPECT_EQ(titleOnceItIs("kvss - relay.oof"), "kvss - relay.oof");
    key("q");
    EXPECT_EQ(waitFor(viewer, 10s), 0);
    viewer = 0;
}

TEST_F(ViewerOnX, ADragTurnsTheModelAndFBringsBackTheFreshCamerasPicture) {
    launch({"--model", "ASTEROID.OOF"});
    ASSERT_EQ(titleOnceItIs("kvss - asteroid.oof"), "kvss - asteroid.oof");
    key("space");  // spinners stand still, so pictures compare
    const Picture fresh = stillPicture();

    xdotool("mousemove --window " + std::to_string(window) + " 100 100 mousedown 1");
    xdotool("mousemove --window " + std::to_string(window) + " 180 130");
    xdotool("mousemove --window " + std::to_string(window) + " 220 150 mouseup 1");
    EXPECT_GT(pictureOnce(fresh, [](double share) { return share > clearlyChanged; }), clearlyChanged);

    key("f");
    EXPECT_LE(pictureOnce(fresh, [](double share) { return share <= sameWithinTolerance; }), sameWithinTolerance);
}

TEST_F(ViewerOnX, SpaceFreezesAnAnimatedModelAndStartsItAgain) {
    launch({"--model", "lance.oof"});
    ASSERT_EQ(titleOnceItIs("kvss - lance.oof"), "kvss - lance.oof");
    const Picture moving = picture();
    EXPECT_GT(pictureOnce(moving, [](double share) { return share > 0.0; }), 0.0) << "the model is not animated";

    key("space");
    const Picture frozen = stillPicture();
    std::this_thread::sleep_for(1s);
    EXPECT_EQ(differingShare(frozen, picture()), 0.0);

    key("bracketright");  // one key frame on
    EXPECT_GT(pictureOnce(frozen, [](double share) { return share > 0.0; }), 0.0);
    const Picture stepped = stillPicture();
    key("space");
    EXPECT_GT(pictureOnce(stepped, [](double share) { return share > 0.0; }), 0.0);
}

TEST_F(ViewerOnX, CWritesThePictureOfTheWindowsSizeAsAPngAndPrintsItsPath) {
    launch({"--model", "relay.oof"});
    ASSERT_EQ(titleOnceItIs("kvss - relay.oof"), "kvss - relay.oof");
    key("space");
    const Picture onScreen = stillPicture();
    key("c");
    key("c");
    key("Escape");
    EXPECT_EQ(waitFor(viewer, 10s), 0);
    viewer = 0;

    EXPECT_EQ(slurp(work.path("out.txt")), work.path("relay-1.png") + "\n" + work.path("relay-2.png") + "\n");
    const Png saved = readPng(work.path("relay-1.png"));
    ASSERT_EQ(saved.width, width);
    ASSERT_EQ(saved.height, height);
    Picture fromFile;
    for (int py = 0; py < height; ++py)
        for (int px = 0; px < width; ++px) {
            const Rgba p = saved.at(px, py);
            fromFile.push_back(static_cast<uint32_t>(p[0]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[2]);
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
    ASSERT_EQ(titleOnceItIs("kvss - ../escaped.oof"), "kvss - ../escaped.oof");
    key("c");
    key("n");
    ASSERT_EQ(titleOnceItIs("kvss - /some/absolute/path/abs.oof"), "kvss - /some/absolute/path/abs.oof");
    key("c");
    key("q");
    EXPECT_EQ(waitFor(viewer, 10s), 0);
    viewer = 0;
    EXPECT_EQ(slurp(work.path("out.txt")), work.path("escaped-1.png") + "\n" + work.path("abs-1.png") + "\n");
    EXPECT_EQ(readPng(work.path("escaped-1.png")).width, width);
    EXPECT_EQ(readPng(work.path("abs-1.png")).width, width);
    EXPECT_EQ(slurp(work.path("err.txt")), "");
}

TEST_F(ViewerOnX, KvssViewerOpensTheArchiveGivenAndEExportsTheModelOnScreen) {
    launchProgram({kvssViewer, game.path("kv.hog"), "--model", "lance.oof", "--geometry", "320x240"});
    ASSERT_EQ(titleOnceItIs("kvss - lance.oof"), "kvss - lance.oof");
    key("e");
    key("e");  // a second export of the same model is kept apart from the first
    key("n");
    ASSERT_EQ(titleOnceItIs("kvss - lighthouse.oof"), "kvss - lighthouse.oof");
    key("e");
    EXPECT_EQ(titleOnceItIs("kvss - lighthouse.oof - " + work.path("lighthouse.glb")),
              "kvss - lighthouse.oof - " + work.path("lighthouse.glb"));
    key("q");
    EXPECT_EQ(waitFor(viewer, 10s), 0);
    viewer = 0;
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
    ASSERT_EQ(titleOnceItIs("kvss - asteroid.oof"), "kvss - asteroid.oof");
    key("n");
    EXPECT_EQ(titleOnceItIs("kvss - broken.oof: Not a valid OOF file"), "kvss - broken.oof: Not a valid OOF file");
    key("n");
    EXPECT_EQ(titleOnceItIs("kvss - harvester.oof"), "kvss - harvester.oof");
    key("q");
    EXPECT_EQ(waitFor(viewer, 10s), 0);
    viewer = 0;
    EXPECT_EQ(slurp(work.path("err.txt")), "kvss: broken.oof: Not a valid OOF file\n");
}

TEST_F(ViewerOnX, NoModelsOrAModelNotThereIsOneLineAndStatusOne) {
    TempDir empty;
    HogWriter().add("table.gam", Bytes{}).write(empty.path("kv.hog"));
    const std::string prefix = "DISPLAY=" + display + " XDG_CONFIG_HOME=" + shellQuote(work.root()) + " " +
                               shellQuote(kvss) + " --viewer --game ";
    const CommandResult noModels = runCommand(prefix + shellQuote(empty.root()));
    EXPECT_EQ(noModels.status, 1);
    EXPECT_EQ(noModels.err, "The game archive holds no models.\n");

    const CommandResult notThere = runCommand(prefix + shellQuote(game.root()) + " --model nothere.oof");
    EXPECT_EQ(notThere.status, 1);
    EXPECT_EQ(notThere.err, "kvss: no model nothere.oof in " + game.path("kv.hog") + "\n");
}
