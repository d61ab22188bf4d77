#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "eventually.h"
#include "test_files.h"

// After GoogleTest: Xlib's macros (None, Bool, ...) would break its headers.
#include <X11/Xlib.h>

// Programs the end-to-end tests start and stop, the private X server they
// draw on, and the one fixture every X11 test uses.

bool onPath(const char* program);

// Starts a program (searched on the PATH) with settings added to its
// environment. Its standard output goes into the file `output` when given, and
// its standard error into `errors`, or after the output when that is empty;
// `workingDirectory` is where it runs (empty: here). Returns its pid.
pid_t spawn(const std::vector<std::string>& args, const std::vector<std::string>& environment,
            const std::string& output = "", const std::string& errors = "", const std::string& workingDirectory = "");
// Waits for the child to end and expects its exit status (128 + the signal
// when one ended it); `pid` is 0 once it has ended.
::testing::AssertionResult exitsWith(pid_t& pid, int expected, std::chrono::milliseconds limit = patience);
// True while the child has not ended.
bool stillRuns(pid_t pid);
// Asks a child to end, then makes it.
void stopProcess(pid_t pid);

// An Xvfb of its own: it picks a free display itself and names it, so test
// processes that ctest runs side by side never share one. It does not reset
// when a client leaves, so the next connection is never refused mid-reset.
class XServer {
public:
    // Started with a screen of `screen` (WxHxDEPTH), or not running when Xvfb
    // is missing or fails.
    explicit XServer(const std::string& screen = "800x600x24");
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    bool running() const { return pid_ != 0; }
    const std::string& display() const { return display_; }

private:
    pid_t pid_ = 0;
    std::string display_;
};

// What a window shows, 0xRRGGBB a pixel, row by row.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    bool lit() const;  // some pixel is not black
};
// Share of pixels that differ by more than a small step in some channel (1
// when the sizes differ).
double differingShare(const Picture& a, const Picture& b);

// The X11 tests' fixture: one private server a suite, a connection to it, the
// demo archive in `game`, a settings folder in `work`, and the programs the
// test started, stopped when it ends.
class XServerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server = new XServer; }
    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }
    void SetUp() override;
    void TearDown() override;

    // For a program under test: the display, the settings folder, software GL.
    // In a sanitizer build a program's exit status would count the GL driver's
    // allocations as leaks: the driver is unloaded before the leak check, so
    // they cannot be told apart or suppressed; the programs' own objects are
    // checked for leaks by the in-process tests.
    std::vector<std::string> environment() const;
    // Starts a program there (see spawn); it is stopped when the test ends.
    pid_t start(const std::vector<std::string>& args, const std::vector<std::string>& extraEnvironment = {},
                const std::string& output = "", const std::string& errors = "", const std::string& workingDirectory = "");
    // A shell command line with the display and the settings folder set.
    CommandResult runOnDisplay(const std::string& commandLine) const;

    Window makeWindow(int width, int height);
    // The window's picture, or the part of it given.
    Picture picture(Window w, int x = 0, int y = 0, int width = 0, int height = 0);
    // The condition "the window's picture has changed `times` times since the
    // first look": the program draws on, so it has also read its input.
    ::testing::AssertionResult drawsOn(Window w, int times = 2);
    // Both title properties (WM_NAME and _NET_WM_NAME); the program sets them
    // one after the other, so they may differ for a moment.
    std::string title(Window w);
    // The condition "the title reads `expected`".
    ::testing::AssertionResult titleIs(Window w, const std::string& expected);

    // xdotool with the arguments (already quoted): its output, empty when it failed.
    std::string xdotool(const std::string& arguments);
    void key(const std::string& name) { xdotool("key " + name); }
    // The first window whose name matches the pattern, waited for; 0 when none came.
    Window findWindow(const std::string& namePattern);
    // The pointer's position on the screen.
    std::pair<int, int> pointer();

    static inline XServer* server = nullptr;
    std::string display;
    Display* x = nullptr;
    TempDir game;  // kv.hog: the demo archive
    TempDir work;  // the programs' settings folder (XDG_CONFIG_HOME) and output
    std::vector<pid_t> started;
};
