#include "x_server.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <optional>

#include "forge/demo_archive.h"

using namespace std::chrono_literals;

bool onPath(const char* program) {
    return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

pid_t spawn(const std::vector<std::string>& args, const std::vector<std::string>& environment,
            const std::string& output, const std::string& errors, const std::string& workingDirectory) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (!workingDirectory.empty() && chdir(workingDirectory.c_str()) != 0) _exit(126);
        for (const std::string& setting : environment) putenv(const_cast<char*>(setting.c_str()));
        if (!output.empty()) freopen(output.c_str(), "w", stdout);
        if (!errors.empty()) freopen(errors.c_str(), "w", stderr);
        else if (!output.empty()) freopen(output.c_str(), "a", stderr);
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

namespace {
// The child's exit status once it has ended (and is reaped), else nothing; -1
// for a child reaped before.
std::optional<int> reaped(pid_t pid) {
    int status = 0;
    const pid_t answer = waitpid(pid, &status, WNOHANG);
    if (answer == 0) return std::nullopt;
    if (answer != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
}  // namespace

::testing::AssertionResult exitsWith(pid_t& pid, int expected, std::chrono::milliseconds limit) {
    std::optional<int> status;
    const ::testing::AssertionResult ended =
        eventually([&] { return saw((status = reaped(pid)).has_value(), "still running"); }, limit);
    if (!ended) return ended;
    pid = 0;
    return saw(*status == expected, "exit status " + std::to_string(*status) +
                                        (*status == expected ? "" : ", not " + std::to_string(expected)));
}

bool stillRuns(pid_t pid) {
    // Looked at without reaping, so that its exit status is still there to read.
    siginfo_t info{};
    return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == 0;
}

void stopProcess(pid_t pid) {
    if (pid <= 0 || reaped(pid)) return;
    kill(pid, SIGTERM);
    if (!eventually([&] { return reaped(pid).has_value(); }, 5s)) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

XServer::XServer(const std::string& screen) {
    if (!onPath("Xvfb")) return;
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", screen, "-nolisten", "tcp",
                  "-noreset"},
                 {}, "/dev/null");
    close(fds[1]);
    std::string number;
    char c = 0;
    // Ends at the newline, or when Xvfb exits without naming a display.
    while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (!number.empty()) {
        display_ = ":" + number;
        const auto accepts = [&] {
            Display* d = XOpenDisplay(display_.c_str());
            if (d != nullptr) XCloseDisplay(d);
            return d != nullptr;
        };
        if (eventually(accepts)) return;
    }
    stopProcess(pid_);
    pid_ = 0;
}

XServer::~XServer() { stopProcess(pid_); }

bool Picture::lit() const {
    for (const uint32_t pixel : pixels)
        if (pixel != 0) return true;
    return false;
}

double differingShare(const Picture& a, const Picture& b) {
    if (a.width != b.width || a.height != b.height || a.pixels.empty()) return 1.0;
    size_t differing = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i)
        for (int shift = 0; shift < 24; shift += 8)
            if (std::abs(static_cast<int>((a.pixels[i] >> shift) & 0xFF) -
                         static_cast<int>((b.pixels[i] >> shift) & 0xFF)) > 24) {
                ++differing;
                break;
            }
    return static_cast<double>(differing) / static_cast<double>(a.pixels.size());
}

namespace {
// A window the test looks at may have gone (that is what some tests wait
// for): an empty picture or title then, not Xlib's default of ending the test.
int ignoreError(Display*, XErrorEvent*) { return 0; }
}  // namespace

void XServerTest::SetUp() {
    if (server == nullptr || !server->running()) GTEST_SKIP() << "Xvfb is not available";
    XSetErrorHandler(ignoreError);
    display = server->display();
    x = XOpenDisplay(display.c_str());
    ASSERT_NE(x, nullptr) << display;
    demoArchive().write(game.path("kv.hog"));
}

void XServerTest::TearDown() {
    for (const pid_t pid : started) stopProcess(pid);
    if (x != nullptr) XCloseDisplay(x);
}

std::vector<std::string> XServerTest::environment() const {
    // A home of its own: the game is never found in this machine's Steam or Wine.
    return {"DISPLAY=" + display, "HOME=" + work.root(), "XDG_CONFIG_HOME=" + work.root(), "LIBGL_ALWAYS_SOFTWARE=1",
            "ASAN_OPTIONS=detect_leaks=0"};
}

pid_t XServerTest::start(const std::vector<std::string>& args, const std::vector<std::string>& extraEnvironment,
                         const std::string& output, const std::string& errors, const std::string& workingDirectory) {
    std::vector<std::string> env = environment();
    env.insert(env.end(), extraEnvironment.begin(), extraEnvironment.end());
    const pid_t pid = spawn(args, env, output, errors, workingDirectory);
    started.push_back(pid);
    return pid;
}

CommandResult XServerTest::runOnDisplay(const std::string& commandLine) const {
    return runCommand("env -u XDG_DATA_HOME -u WINEPREFIX DISPLAY=" + display + " HOME=" + shellQuote(work.root()) +
                      " XDG_CONFIG_HOME=" + shellQuote(work.root()) + " " + commandLine);
}

Window XServerTest::makeWindow(int width, int height) {
    const Window w = XCreateSimpleWindow(x, DefaultRootWindow(x), 0, 0, width, height, 0, 0, 0);
    XMapWindow(x, w);
    XSync(x, False);
    return w;
}

Picture XServerTest::picture(Window w, int px, int py, int width, int height) {
    if (width == 0 || height == 0) {
        XWindowAttributes attributes{};
        if (XGetWindowAttributes(x, w, &attributes) == 0) return {};
        width = attributes.width;
        height = attributes.height;
    }
    Picture picture;
    XImage* image = XGetImage(x, w, px, py, width, height, AllPlanes, ZPixmap);
    if (image == nullptr) return picture;
    picture.width = width;
    picture.height = height;
    picture.pixels.reserve(static_cast<size_t>(width) * height);
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column)
            picture.pixels.push_back(XGetPixel(image, column, row) & 0xFFFFFF);
    XDestroyImage(image);
    return picture;
}

::testing::AssertionResult XServerTest::drawsOn(Window w, int times) {
    Picture last = picture(w);
    int changes = 0;
    return eventually([&] {
        Picture now = picture(w);
        const bool looked = !now.pixels.empty();
        if (looked && now.pixels != last.pixels) {
            ++changes;
            last = std::move(now);
        }
        return saw(changes >= times, !looked ? "no window to look at"
                                             : "the picture changed " + std::to_string(changes) + " of " +
                                                   std::to_string(times) + " times");
    });
}

namespace {
std::string property(Display* x, Window w, Atom name, Atom type) {
    Atom actualType;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    std::string value;
    if (XGetWindowProperty(x, w, name, 0, 1024, False, type, &actualType, &format, &count, &after, &data) == Success &&
        data != nullptr) {
        value.assign(reinterpret_cast<char*>(data), count);
        XFree(data);
    }
    return value;
}
}  // namespace

std::string XServerTest::title(Window w) {
    std::string wmName, netName;
    EXPECT_TRUE(eventually([&] {
        wmName = property(x, w, XA_WM_NAME, XA_STRING);
        netName = property(x, w, XInternAtom(x, "_NET_WM_NAME", False), XInternAtom(x, "UTF8_STRING", False));
        return saw(wmName == netName, "WM_NAME '" + wmName + "', _NET_WM_NAME '" + netName + "'");
    }));
    return wmName;
}

::testing::AssertionResult XServerTest::titleIs(Window w, const std::string& expected) {
    return eventually([&] { return sawEqual(title(w), expected); });
}

std::string XServerTest::xdotool(const std::string& arguments) {
    const CommandResult result = runCommand("DISPLAY=" + display + " xdotool " + arguments);
    return result.status == 0 ? result.out : "";
}

Window XServerTest::findWindow(const std::string& namePattern) {
    Window found = 0;
    EXPECT_TRUE(eventually([&] {
        const std::string ids = xdotool("search --name " + shellQuote(namePattern));
        if (!ids.empty()) found = std::stoul(ids);
        return saw(found != 0, "no window named like '" + namePattern + "'");
    }));
    return found;
}

std::pair<int, int> XServerTest::pointer() {
    Window root, child;
    int rootX = 0, rootY = 0, windowX, windowY;
    unsigned int mask;
    XQueryPointer(x, DefaultRootWindow(x), &root, &child, &rootX, &rootY, &windowX, &windowY, &mask);
    return {rootX, rootY};
}
