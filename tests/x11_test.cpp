// kvss end to end on a real X server (Xvfb), with the demo archive.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "forge/demo_shapes.h"
#include "forge/hog_writer.h"
#include "test_files.h"
#include "x_server.h"

namespace {
using namespace std::chrono_literals;

class KvssOnX : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server = new XServer; }
    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }

    void SetUp() override {
        if (!server->running()) GTEST_SKIP() << "Xvfb is not available";
        display = server->display();
        x = XOpenDisplay(display.c_str());
        ASSERT_NE(x, nullptr);
        ASSERT_EQ(runKvtool("demo " + shellQuote(game.root())).status, 0);
    }
    void TearDown() override {
        if (x != nullptr) XCloseDisplay(x);
    }

    // In a sanitizer build kvss's exit status would count the GL driver's
    // allocations as leaks: the driver is unloaded before the leak check, so
    // they cannot be told apart or suppressed. kvss's own objects are checked
    // for leaks by the saver's in-process tests.
    std::vector<std::string> environment() const {
        return {"DISPLAY=" + display, "XDG_CONFIG_HOME=" + config.root(), "LIBGL_ALWAYS_SOFTWARE=1",
                "ASAN_OPTIONS=detect_leaks=0"};
    }

    Window makeWindow(int width, int height) {
        const Window w = XCreateSimpleWindow(x, DefaultRootWindow(x), 0, 0, width, height, 0, 0, 0);
        XMapWindow(x, w);
        XSync(x, False);
        return w;
    }

    // True when some pixel of the window differs from black.
    bool windowHasPicture(Window w, int width, int height) {
        XImage* image = XGetImage(x, w, 0, 0, width, height, AllPlanes, ZPixmap);
        if (image == nullptr) return false;
        bool found = false;
        for (int py = 0; py < height && !found; py += 2)
            for (int px = 0; px < width && !found; px += 2)
                if ((XGetPixel(image, px, py) & 0xFFFFFF) != 0) found = true;
        XDestroyImage(image);
        return found;
    }

    bool drawsInto(Window w, const std::vector<std::string>& args, const std::vector<std::string>& extraEnvironment) {
        std::vector<std::string> env = environment();
        env.insert(env.end(), extraEnvironment.begin(), extraEnvironment.end());
        const pid_t pid = spawn(args, env, config.path("kvss.log"));
        bool drawn = false;
        for (int tries = 0; tries < 100 && !drawn; ++tries) {
            std::this_thread::sleep_for(100ms);
            drawn = windowHasPicture(w, 320, 240);
        }
        stopProcess(pid);
        return drawn;
    }

    static inline XServer* server = nullptr;
    std::string display;
    Display* x = nullptr;
    TempDir game;
    TempDir config;
};

const std::string kvss = KVSS_PATH;
}  // namespace

TEST_F(KvssOnX, DrawsTheDemoIntoAWindowGivenByIdOrByXscreensaver) {
    const Window byOption = makeWindow(320, 240);
    EXPECT_FALSE(windowHasPicture(byOption, 320, 240));
    EXPECT_TRUE(drawsInto(byOption, {kvss, "-window-id", std::to_string(byOption), "--game", game.root()}, {}));

    const Window byEnvironment = makeWindow(320, 240);
    EXPECT_TRUE(drawsInto(byEnvironment, {kvss, "-root", "--game", game.root()},
                          {"XSCREENSAVER_WINDOW=0x" + [&] {
                               char hex[32];
                               std::snprintf(hex, sizeof hex, "%lx", byEnvironment);
                               return std::string(hex);
                           }()}));
}

TEST_F(KvssOnX, FullscreenClosesOnAKeyAndOnALargeMouseMoveButNotOnASmallOne) {
    if (!onPath("xdotool")) GTEST_SKIP() << "xdotool is not available";
    auto xdotool = [&](const std::string& arguments) {
        return std::system(("DISPLAY=" + display + " xdotool " + arguments + " >/dev/null 2>&1").c_str());
    };
    auto launch = [&] {
        xdotool("mousemove 400 300");
        const pid_t pid = spawn({kvss, "--fullscreen", "--game", game.root()}, environment(), config.path("kvss.log"));
        // Wait for its window, then a little for the first frames.
        for (int tries = 0; tries < 100; ++tries) {
            if (xdotool("search --name '^Screen Saver$'") == 0) break;
            std::this_thread::sleep_for(100ms);
        }
        std::this_thread::sleep_for(500ms);
        return pid;
    };

    pid_t pid = launch();
    xdotool("mousemove_relative -- 3 1");  // 4 pixels: stays
    EXPECT_EQ(waitFor(pid, 1500ms), -1);
    xdotool("mousemove_relative -- 1 0");  // adds up to 5 from where it started: closes
    EXPECT_EQ(waitFor(pid, 5s), 0);
    stopProcess(pid);

    pid = launch();
    xdotool("key a");
    EXPECT_EQ(waitFor(pid, 5s), 0);
    stopProcess(pid);

    pid = launch();
    xdotool("mousemove_relative -- 40 30");
    EXPECT_EQ(waitFor(pid, 5s), 0);
    stopProcess(pid);
}

TEST_F(KvssOnX, AMissingGameGivesTheMessageAndStatusOne) {
    const CommandResult noGame =
        runCommand("DISPLAY=" + display + " XDG_CONFIG_HOME=" + shellQuote(config.root()) + " " + shellQuote(kvss));
    EXPECT_EQ(noGame.status, 1);
    EXPECT_EQ(noGame.err, "Korvane is not installed.\n");
    const CommandResult wrongPlace = runCommand("DISPLAY=" + display + " XDG_CONFIG_HOME=" + shellQuote(config.root()) +
                                                " " + shellQuote(kvss) + " --game " + shellQuote(config.root()));
    EXPECT_EQ(wrongPlace.status, 1);
    EXPECT_EQ(wrongPlace.err, "Korvane is not installed.\n");
}

TEST_F(KvssOnX, SaveSettingsWritesAllSevenValuesAndTheFileIsUsed) {
    const CommandResult saved = runCommand("XDG_CONFIG_HOME=" + shellQuote(config.root()) + " " + shellQuote(kvss) +
                                           " --save-settings --time-per-object 60 --anim-speed 20 --no-mipmap --fps");
    ASSERT_EQ(saved.status, 0) << saved.err;
    const Bytes text = readFileBytes(config.path("kvss/settings"));
    const std::string settings(text.begin(), text.end());
    EXPECT_EQ(settings,
              "object_time_index=3\nanim_speed_index=5\nbilinear=1\nmipmap=0\nwireframe=0\nmirror=0\nshow_fps=1\n");
}

TEST_F(KvssOnX, TheOverlayLineKeepsItsSpaces) {
    // One box whose faces are never grey, so that every 0.8-grey pixel is text.
    DemoModel model({});
    MeshBuilder box;
    box.box({-1, -1, -1}, {1, 1, 1}, coloured(220, 90, 40));
    model.add(box, -1, "box", "", {});
    TempDir boxGame;
    boxGame.write("kv.hog", HogWriter().add("box.oof", model.build()).build());

    const int width = 400, height = 100, textRows = 16;
    const Window w = makeWindow(width, height);
    const pid_t pid = spawn({kvss, "-window-id", std::to_string(w), "--fps", "--game", boxGame.root()}, environment(),
                            config.path("kvss.log"));
    std::vector<bool> textColumns;
    for (int tries = 0; tries < 100; ++tries) {
        std::this_thread::sleep_for(100ms);
        XImage* image = XGetImage(x, w, 0, height - textRows, width, textRows, AllPlanes, ZPixmap);
        if (image == nullptr) continue;
        std::vector<bool> columns(width, false);
        bool any = false;
        for (int py = 0; py < textRows; ++py)
            for (int px = 0; px < width; ++px)
                if ((XGetPixel(image, px, py) & 0xFFFFFF) == 0xCCCCCC) columns[px] = any = true;
        XDestroyImage(image);
        if (any) {
            textColumns = columns;
            break;
        }
    }
    stopProcess(pid);
    ASSERT_FALSE(textColumns.empty()) << "no overlay line";

    // kvss draws with the server's "fixed" font; its space is one cell wide.
    XFontStruct* font = XLoadQueryFont(x, "fixed");
    ASSERT_NE(font, nullptr);
    const int spaceAdvance = font->per_char != nullptr ? font->per_char[' ' - font->min_char_or_byte2].width
                                                       : font->max_bounds.width;
    XFreeFont(x, font);
    // "Frame 0.00 (0.00 fps) object 'box.oof'": the first gap parts "Frame" from the number.
    EXPECT_EQ(wordGaps(textColumns, spaceAdvance), 5);
}

TEST_F(KvssOnX, AWindowThatDoesNotExistEndsWithOneLine) {
    for (const char* option : {"-window-id 0x7fffff0", "-root"}) {
        const CommandResult result =
            runCommand("DISPLAY=" + display + " XDG_CONFIG_HOME=" + shellQuote(config.root()) +
                       " XSCREENSAVER_WINDOW=0x7fffff0 " + shellQuote(kvss) + " " + option + " --game " +
                       shellQuote(game.root()));
        EXPECT_EQ(result.status, 1) << option;
        EXPECT_EQ(result.err, "kvss: no window 0x7fffff0 on display " + display + "\n") << option;
    }
}
