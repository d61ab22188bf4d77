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

namespace {
using namespace std::chrono_literals;

bool onPath(const char* program) {
    const std::string command = std::string("command -v ") + program + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

// Starts a program with an environment addition; returns its pid.
pid_t spawn(const std::vector<std::string>& args, const std::vector<std::string>& environment,
            const std::string& output) {
    const pid_t pid = fork();
    if (pid == 0) {
        for (const std::string& setting : environment) putenv(const_cast<char*>(setting.c_str()));
        if (!output.empty()) {
            freopen(output.c_str(), "w", stdout);
            freopen(output.c_str(), "a", stderr);
        }
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

// Waits for a child up to `limit`; returns its exit status, or -1 if it still runs.
int waitFor(pid_t pid, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        std::this_thread::sleep_for(20ms);
    }
    return -1;
}

void stop(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    if (waitFor(pid, 3s) == -1) {
        kill(pid, SIGKILL);
        waitFor(pid, 3s);
    }
}

class KvssOnX : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!onPath("Xvfb")) return;
        // Xvfb chooses a free display itself and writes its number to the pipe:
        // test processes that ctest runs side by side never share one server.
        // No reset when the probe below disconnects, or SetUp's connection may
        // arrive mid-reset and be refused.
        int fds[2];
        if (pipe(fds) != 0) return;
        server = spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "800x600x24", "-nolisten", "tcp",
                        "-noreset"},
                       {}, "/dev/null");
        close(fds[1]);
        std::string number;
        char c = 0;
        // Ends at the newline, or when Xvfb exits without naming a display.
        while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        close(fds[0]);
        if (!number.empty()) {
            display = ":" + number;
            for (int tries = 0; tries < 100; ++tries) {
                if (Display* d = XOpenDisplay(display.c_str())) {
                    XCloseDisplay(d);
                    return;
                }
                std::this_thread::sleep_for(50ms);
            }
        }
        stop(server);
        server = 0;
    }
    static void TearDownTestSuite() {
        stop(server);
        server = 0;
    }

    void SetUp() override {
        if (server == 0) GTEST_SKIP() << "Xvfb is not available";
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
        stop(pid);
        return drawn;
    }

    static inline std::string display;
    static inline pid_t server = 0;
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
    stop(pid);

    pid = launch();
    xdotool("key a");
    EXPECT_EQ(waitFor(pid, 5s), 0);
    stop(pid);

    pid = launch();
    xdotool("mousemove_relative -- 40 30");
    EXPECT_EQ(waitFor(pid, 5s), 0);
    stop(pid);
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
    stop(pid);
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
