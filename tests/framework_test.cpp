#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "game_finder/registry_places.h"
#include "windows_framework/framework.h"

namespace {
constexpr uint32_t quitMessage = 18;
constexpr WindowHandle previewPane = 1234;
constexpr WindowHandle otherWindow = 777;
constexpr WindowHandle runningSaver = 4321;

struct Message {
    WindowHandle window;
    uint32_t message;
    MessageParam wParam;
    MessageLong lParam;
};

// A desktop in memory: posted messages wait in one queue, the message loop runs
// the test's input and then drains the queue through the framework, and the
// default window procedure closes a window as the platform's does.
class FakeDesktop : public FrameworkPlatform {
public:
    ScreenSaverFramework* framework = nullptr;
    bool win9x = false;
    uint32_t ticks = 5000;
    std::set<WindowHandle> windows{previewPane, otherWindow};
    WindowHandle foreground = otherWindow;
    std::vector<WindowHandle> broughtToFront;
    WindowHandle existingSaver = 0;
    std::vector<SaverWindowLayout> created;
    std::vector<MessageResult> createResults;
    WindowHandle nextWindow = 100;
    std::deque<Message> queue;
    std::vector<Message> posted;
    std::vector<uint32_t> defaulted;
    int cursorHidings = 0;
    CursorPoint cursor{300, 200};
    int timerRemovals = 0;
    std::vector<WindowHandle> dialogParents;
    MessageResult dialogResult = 1;
    std::map<std::string, uint32_t> userValues;
    std::set<std::string> libraries{"MPR.DLL", "PASSWORD.CPL"};
    bool inputMethodLoaded = false;
    std::vector<std::string> loads;
    int frees = 0;
    std::vector<bool> passwordAnswers;  // consumed one per prompt
    std::function<void()> duringPrompt;
    int prompts = 0;
    std::vector<std::string> passwordChanges;
    std::vector<uintptr_t> associations;
    std::vector<bool> saverRunning;
    std::function<void()> input;  // what the user does while the loop runs

    bool isWin9x() override { return win9x; }
    uint32_t tickCount() override { return ticks; }
    void yieldTimeSlice() override {}

    bool isWindow(WindowHandle window) override { return windows.count(window) != 0; }
    WindowHandle parentWindow(WindowHandle window) override { return window == 0 ? 0 : previewPane; }
    WindowHandle foregroundWindow() override { return foreground; }
    void setForegroundWindow(WindowHandle window) override { broughtToFront.push_back(window); }
    ClientRect clientRect(WindowHandle window) override { return {0, 0, 152, 112}; }
    ClientRect screenClipBox() override { return {0, 0, 1024, 768}; }
    WindowHandle findFullScreenSaver() override { return existingSaver; }
    void registerSaverClass() override {}
    WindowHandle createSaverWindow(const SaverWindowLayout& layout) override {
        created.push_back(layout);
        const WindowHandle window = nextWindow++;
        windows.insert(window);
        createResults.push_back(framework->guardedWindowProc(window, wm::create, 0, 0));
        if (createResults.back() == -1) {
            destroyWindow(window);
            return 0;
        }
        return window;
    }
    void destroyWindow(WindowHandle window) override {
        if (windows.erase(window) == 0) return;
        framework->guardedWindowProc(window, wm::destroy, 0, 0);
    }
    int runMessageLoop() override {
        if (input) input();
        return drain();
    }
    // Dispatches queued messages up to the quit message; -99 when there is none.
    int drain() {
        while (!queue.empty()) {
            const Message next = queue.front();
            queue.pop_front();
            if (next.message == quitMessage) return static_cast<int>(next.wParam);
            if (isWindow(next.window)) framework->guardedWindowProc(next.window, next.message, next.wParam, next.lParam);
        }
        return -99;
    }

    void postMessage(WindowHandle window, uint32_t message, MessageParam wParam, MessageLong lParam) override {
        queue.push_back({window, message, wParam, lParam});
        posted.push_back({window, message, wParam, lParam});
    }
    MessageResult sendMessage(WindowHandle window, uint32_t message, MessageParam wParam, MessageLong lParam) override {
        return framework->guardedWindowProc(window, message, wParam, lParam);
    }
    MessageResult defaultWindowProc(WindowHandle window, uint32_t message, MessageParam, MessageLong) override {
        defaulted.push_back(message);
        if (message == wm::close) destroyWindow(window);
        return 0;
    }
    void postQuitMessage(int code) override { queue.push_back({0, quitMessage, static_cast<MessageParam>(code), 0}); }
    void removeTimerMessage(WindowHandle) override { ++timerRemovals; }
    uint32_t registerWindowMessage(const char* name) override {
        return std::strcmp(name, "QueryCancelAutoPlay") == 0 ? 0xC123 : 0xC999;
    }

    CursorPoint cursorPosition() override { return cursor; }
    void hideCursor() override { ++cursorHidings; }

    MessageResult runConfigureDialog(WindowHandle parent) override {
        dialogParents.push_back(parent);
        return dialogResult;
    }

    bool readUserValue(const char* key, const char* name, uint32_t& value) override {
        auto it = userValues.find(std::string(key) + "|" + name);
        if (it == userValues.end()) return false;
        value = it->second;
        return true;
    }

    ModuleHandle loadLibrary(const char* name) override {
        loads.push_back(name);
        return libraries.count(name) ? std::hash<std::string>()(name) | 1 : 0;
    }
    ModuleHandle loadedModule(const char* name) override {
        return std::strcmp(name, "IMM32.DLL") == 0 && inputMethodLoaded ? 0x1A0 : 0;
    }
    void* procAddress(ModuleHandle module, const char* name) override {
        static int entry;
        if (std::strcmp(name, "VerifyScreenSavePwd") == 0 && !libraries.count("VerifyScreenSavePwd missing")) return &entry;
        if (std::strcmp(name, "PwdChangePasswordA") == 0 || std::strcmp(name, "ImmAssociateContext") == 0) return &entry;
        return nullptr;
    }
    void freeLibrary(ModuleHandle) override { ++frees; }
    bool callVerifyPassword(void*, WindowHandle) override {
        ++prompts;
        if (duringPrompt) duringPrompt();
        const bool accepted = !passwordAnswers.empty() && passwordAnswers.front();
        if (!passwordAnswers.empty()) passwordAnswers.erase(passwordAnswers.begin());
        return accepted;
    }
    void callChangePassword(void*, const char* provider, WindowHandle parent) override {
        passwordChanges.push_back(std::string(provider) + " " + std::to_string(parent));
    }
    uintptr_t callAssociateContext(void*, WindowHandle, uintptr_t context) override {
        associations.push_back(context);
        return context == 0 ? 0xC0 : 0;
    }
    void setScreenSaverRunning(bool running) override { saverRunning.push_back(running); }

    int postedCloses() const {
        int count = 0;
        for (const Message& message : posted) count += message.message == wm::close;
        return count;
    }
};

// The saver's own three messages, recorded; each may be told to throw.
class FakeSaver : public SaverHandlers {
public:
    std::vector<std::string> calls;
    WindowHandle createdOn = 0;
    std::function<void()> whenCreated, whenTimed, whenDestroyed;

    void onCreate(WindowHandle window) override {
        createdOn = window;
        calls.push_back("create");
        if (whenCreated) whenCreated();
    }
    void onTimer() override {
        calls.push_back("timer");
        if (whenTimed) whenTimed();
    }
    void onDestroy() override {
        calls.push_back("destroy");
        if (whenDestroyed) whenDestroyed();
    }
    int count(const char* call) const { return static_cast<int>(std::count(calls.begin(), calls.end(), call)); }
};

class FrameworkTest : public ::testing::Test {
protected:
    FakeDesktop desktop;
    FakeSaver saver;
    ScreenSaverFramework framework{desktop, saver};

    void SetUp() override { desktop.framework = &framework; }

    // The saver window made by the last start.
    WindowHandle window() const { return desktop.nextWindow - 1; }
    MessageResult send(uint32_t message, MessageParam wParam = 0, MessageLong lParam = 0) {
        return framework.guardedWindowProc(window(), message, wParam, lParam);
    }
    void moveCursorBy(int x, int y) {
        desktop.cursor.x += x;
        desktop.cursor.y += y;
        send(wm::mouseMove);
    }
    void usePassword() {
        desktop.win9x = true;
        desktop.userValues["Control Panel\\Desktop|ScreenSaveUsePassword"] = 1;
    }
};
}  // namespace

TEST(CommandLine, TheProgramNameAndTheBlanksAfterItAreSkipped) {
    EXPECT_STREQ(skipProgramName("\"C:\\Windows\\kv ss.scr\" /s"), "/s");
    EXPECT_STREQ(skipProgramName("kvss.scr\t \t/p 12"), "/p 12");
    EXPECT_STREQ(skipProgramName("kvss.scr"), "");
    EXPECT_STREQ(skipProgramName("\"unclosed quote /s"), "");
    EXPECT_STREQ(skipProgramName(""), "");
}

TEST(CommandLine, WindowHandlesAreTheLeadingDecimalDigits) {
    EXPECT_EQ(parseWindowHandle("1234"), 1234u);
    EXPECT_EQ(parseWindowHandle("56 78"), 56u);
    EXPECT_EQ(parseWindowHandle("9x"), 9u);
    EXPECT_EQ(parseWindowHandle("abc"), 0u);
    EXPECT_EQ(parseWindowHandle(""), 0u);
}

TEST_F(FrameworkTest, NoArgumentsOpenTheDialogWithoutParentAndReturnItsResult) {
    desktop.dialogResult = 1;
    EXPECT_EQ(framework.saverMain(""), 1);
    desktop.dialogResult = 0;
    EXPECT_EQ(framework.saverMain("  "), 0);
    EXPECT_EQ(desktop.dialogParents, (std::vector<WindowHandle>{0, 0}));
    EXPECT_TRUE(desktop.created.empty());
}

TEST_F(FrameworkTest, TheDialogOpensOverANamedWindowOrElseTheForegroundWindow) {
    framework.saverMain("/c");
    framework.saverMain("/c:1234");
    framework.saverMain("/C:999");   // no such window
    framework.saverMain("/c 1234");  // a space is not the colon
    EXPECT_EQ(desktop.dialogParents, (std::vector<WindowHandle>{otherWindow, previewPane, otherWindow, otherWindow}));
}

TEST_F(FrameworkTest, EverySpellingOfSaverModeStartsTheFullScreenSaver) {
    for (const char* arguments : {"/s", "-S", " s"}) {
        desktop.input = [&] { send(wm::keyDown); };
        EXPECT_EQ(framework.saverMain(arguments), 0) << arguments;
    }
    ASSERT_EQ(desktop.created.size(), 3u);
    EXPECT_EQ(saver.count("create"), 3);
    EXPECT_EQ(saver.count("destroy"), 3);
}

TEST_F(FrameworkTest, UnknownModesAndBadPreviewHandlesReturnMinusOne) {
    for (const char* arguments : {"/x", "/p 0", "/p abc", "/p 999", "/l", "q"}) EXPECT_EQ(framework.saverMain(arguments), -1) << arguments;
    EXPECT_TRUE(desktop.created.empty());
    EXPECT_TRUE(desktop.dialogParents.empty());
}

TEST_F(FrameworkTest, PasswordChangeRunsOnlyOnWindows9x) {
    EXPECT_EQ(framework.saverMain("/a"), -1);
    EXPECT_TRUE(desktop.loads.empty());

    desktop.win9x = true;
    EXPECT_EQ(framework.saverMain("/a 1234"), 0);
    EXPECT_EQ(framework.saverMain("-A"), 0);
    EXPECT_EQ(desktop.passwordChanges, (std::vector<std::string>{"SCRSAVE 1234", "SCRSAVE 777"}));
    EXPECT_EQ(desktop.frees, 2);

    desktop.libraries.erase("MPR.DLL");
    EXPECT_EQ(framework.saverMain("/a"), 0);
    EXPECT_EQ(desktop.passwordChanges.size(), 2u);
}

TEST_F(FrameworkTest, TheFullScreenWindowIsATopmostPopUpOverTheScreen) {
    desktop.input = [&] { send(wm::keyDown); };
    framework.saverMain("/s");
    ASSERT_EQ(desktop.created.size(), 1u);
    const SaverWindowLayout& layout = desktop.created[0];
    EXPECT_EQ(layout.parent, 0u);
    EXPECT_EQ(layout.width, 1024);
    EXPECT_EQ(layout.height, 768);
    EXPECT_EQ(layout.style, popupStyle | visibleStyle | clipChildrenStyle | clipSiblingsStyle);
    EXPECT_EQ(layout.extendedStyle, topmostExtendedStyle);
    EXPECT_STREQ(layout.title, "Screen Saver");
    EXPECT_EQ(desktop.broughtToFront, (std::vector<WindowHandle>{window()}));
    EXPECT_EQ(saver.createdOn, window());
    EXPECT_GE(desktop.cursorHidings, 1);
}

TEST_F(FrameworkTest, ThePreviewIsAChildFillingItsParent) {
    desktop.input = [&] { desktop.destroyWindow(window()); };
    EXPECT_EQ(framework.saverMain("/p 1234"), 0);
    ASSERT_EQ(desktop.created.size(), 1u);
    const SaverWindowLayout& layout = desktop.created[0];
    EXPECT_EQ(layout.parent, previewPane);
    EXPECT_EQ(layout.x, 0);
    EXPECT_EQ(layout.y, 0);
    EXPECT_EQ(layout.width, 152);
    EXPECT_EQ(layout.height, 112);
    EXPECT_EQ(layout.style, childStyle | visibleStyle | clipChildrenStyle);
    EXPECT_EQ(layout.extendedStyle, 0u);
    EXPECT_STREQ(layout.title, "Preview");
    EXPECT_TRUE(desktop.broughtToFront.empty());
    EXPECT_EQ(desktop.cursorHidings, 0);
    EXPECT_EQ(saver.count("destroy"), 1);
    // "/l" is the older spelling of the same mode.
    framework.saverMain("/l 1234");
    EXPECT_EQ(desktop.created.size(), 2u);
}

TEST_F(FrameworkTest, ASecondFullScreenStartBringsTheFirstToTheFront) {
    usePassword();
    desktop.existingSaver = runningSaver;
    EXPECT_EQ(framework.saverMain("/s"), 0);
    EXPECT_EQ(desktop.broughtToFront, (std::vector<WindowHandle>{runningSaver}));
    EXPECT_TRUE(desktop.created.empty());
    EXPECT_TRUE(desktop.loads.empty());
}

TEST_F(FrameworkTest, FullScreenInputPostsAClose) {
    framework.runSaver(0);  // the loop ends at once: nothing queued
    for (uint32_t message : {wm::keyDown, wm::sysKeyDown, wm::leftButtonDown, wm::rightButtonDown, wm::middleButtonDown,
                             wm::powerBroadcast}) {
        desktop.posted.clear();
        send(message);
        EXPECT_EQ(desktop.postedCloses(), 1) << message;
    }
    desktop.posted.clear();
    send(wm::activateApp, 1);
    send(wm::power, 1);
    EXPECT_EQ(desktop.postedCloses(), 0);
    send(wm::activateApp, 0);
    send(wm::power, powerCriticalResume);
    EXPECT_EQ(desktop.postedCloses(), 2);
}

TEST_F(FrameworkTest, TheMouseMustMoveMoreThanFourPixelsCountedFromTheLastRecordedPosition) {
    framework.runSaver(0);
    moveCursorBy(3, 1);  // 4: stays
    EXPECT_EQ(desktop.postedCloses(), 0);
    moveCursorBy(0, 1);  // 5 from where the saver started
    EXPECT_EQ(desktop.postedCloses(), 1);
    moveCursorBy(-2, -2);  // 4 from the position recorded at that close
    EXPECT_EQ(desktop.postedCloses(), 1);
    moveCursorBy(-3, -2);
    EXPECT_EQ(desktop.postedCloses(), 2);
}

TEST_F(FrameworkTest, SystemCommandsThatWouldLeaveTheSaverAreRefused) {
    framework.runSaver(0);
    for (MessageParam command : {nextWindowCommand, previousWindowCommand, screenSaveCommand}) send(wm::sysCommand, command);
    EXPECT_TRUE(desktop.defaulted.empty());
    send(wm::sysCommand, 0xF060);
    EXPECT_EQ(desktop.defaulted, (std::vector<uint32_t>{wm::sysCommand}));
    EXPECT_EQ(send(wm::setText), 0);
    EXPECT_EQ(send(wm::setCursor), 1);
    EXPECT_EQ(desktop.defaulted.size(), 1u);
}

TEST_F(FrameworkTest, ThePreviewIgnoresInputAndPassesHelpToItsParent) {
    framework.runSaver(previewPane);
    for (uint32_t message : {wm::keyDown, wm::mouseMove, wm::leftButtonDown, wm::activateApp}) send(message);
    desktop.cursor = {900, 900};
    send(wm::mouseMove);
    EXPECT_EQ(desktop.postedCloses(), 0);
    EXPECT_EQ(send(wm::contextMenu, window(), 0x50005), 1);
    EXPECT_EQ(send(wm::help, 0, 42), 1);
    ASSERT_EQ(desktop.posted.size(), 2u);
    EXPECT_EQ(desktop.posted[0].window, previewPane);
    EXPECT_EQ(desktop.posted[0].message, wm::contextMenu);
    EXPECT_EQ(desktop.posted[0].wParam, previewPane);
    EXPECT_EQ(desktop.posted[0].lParam, 0x50005);
    EXPECT_EQ(desktop.posted[1].message, wm::help);
    EXPECT_EQ(desktop.posted[1].lParam, 42);
}

TEST_F(FrameworkTest, WithoutPasswordTheFirstKeyClosesTheSaverAndNoFrameFollows) {
    desktop.win9x = true;
    desktop.input = [&] {
        send(wm::timer);
        send(wm::keyDown);
        send(wm::timer);  // still before the close is handled: drawn
    };
    EXPECT_EQ(framework.saverMain("/s"), 0);
    EXPECT_TRUE(framework.isClosing);
    EXPECT_EQ(saver.count("timer"), 2);
    EXPECT_EQ(saver.count("destroy"), 1);
    EXPECT_EQ(send(wm::timer), 0);
    EXPECT_EQ(saver.count("timer"), 2);
    EXPECT_TRUE(desktop.loads.empty());
}

TEST_F(FrameworkTest, TimerMessagesAfterTheCloseIsGrantedDrawNothing) {
    framework.runSaver(0);
    framework.isClosing = true;
    EXPECT_EQ(send(wm::timer), 0);
    EXPECT_EQ(saver.count("timer"), 0);
    send(wm::keyDown);  // input is no longer filtered
    EXPECT_EQ(desktop.postedCloses(), 0);
    EXPECT_EQ(desktop.defaulted, (std::vector<uint32_t>{wm::keyDown}));
}

TEST_F(FrameworkTest, ARefusedPasswordKeepsTheSaverAndTheNextRequestWaits200Milliseconds) {
    usePassword();
    desktop.passwordAnswers = {false, true};
    desktop.input = [&] {
        send(wm::keyDown);
        desktop.drain();  // the close: refused
        EXPECT_EQ(desktop.prompts, 1);
        EXPECT_TRUE(desktop.isWindow(window()));
        EXPECT_EQ(desktop.timerRemovals, 2);

        desktop.ticks += 199;
        desktop.cursor = {310, 205};
        send(wm::close);
        EXPECT_EQ(desktop.prompts, 1);  // ignored, but the mouse is measured from here now
        moveCursorBy(2, 2);
        EXPECT_EQ(desktop.postedCloses(), 1);

        desktop.ticks += 1;
        send(wm::timer);
        EXPECT_EQ(saver.count("timer"), 1);
        send(wm::keyDown);  // accepted
    };
    EXPECT_EQ(framework.saverMain("/s"), 0);
    EXPECT_EQ(desktop.prompts, 2);
    EXPECT_TRUE(framework.isClosing);
    EXPECT_EQ(saver.count("destroy"), 1);
    EXPECT_EQ(desktop.saverRunning, (std::vector<bool>{true, false}));
}

TEST_F(FrameworkTest, InputDuringThePasswordPromptRaisesNoFurtherClose) {
    usePassword();
    desktop.passwordAnswers = {true};
    desktop.duringPrompt = [&] {
        EXPECT_TRUE(framework.isCheckingPassword);
        send(wm::keyDown);
        moveCursorBy(50, 50);
        send(wm::close);
    };
    desktop.input = [&] { send(wm::keyDown); };
    EXPECT_EQ(framework.saverMain("/s"), 0);
    EXPECT_EQ(desktop.prompts, 1);
    EXPECT_EQ(desktop.postedCloses(), 1);
    EXPECT_FALSE(framework.isCheckingPassword);
}

TEST_F(FrameworkTest, ThePasswordVerifierLoadsOnlyWhenWindows9xAsksForIt) {
    desktop.userValues["Control Panel\\Desktop|ScreenSaveUsePassword"] = 1;
    framework.saverMain("/s");  // not Windows 9x: nothing read or loaded
    EXPECT_TRUE(desktop.loads.empty());

    desktop.win9x = true;
    desktop.userValues["Control Panel\\Desktop|ScreenSaveUsePassword"] = 0;
    framework.saverMain("/s");
    EXPECT_TRUE(desktop.loads.empty());

    desktop.libraries.insert("VerifyScreenSavePwd missing");
    desktop.userValues["Control Panel\\Desktop|ScreenSaveUsePassword"] = 1;
    framework.saverMain("/s");
    EXPECT_EQ(desktop.loads, (std::vector<std::string>{"PASSWORD.CPL"}));
    EXPECT_EQ(desktop.frees, 1);
    EXPECT_TRUE(desktop.saverRunning.empty());
    EXPECT_EQ(framework.verifyScreenSavePwd, nullptr);

    framework.saverMain("/p 1234");  // the preview never asks
    EXPECT_EQ(desktop.loads.size(), 1u);
}

TEST_F(FrameworkTest, TheVerifyMessageWithoutAVerifierAccepts) {
    desktop.win9x = true;
    framework.saverMain("/s");
    EXPECT_EQ(send(wm::verifyPassword), 1);
    EXPECT_EQ(desktop.prompts, 0);
}

TEST_F(FrameworkTest, AutoPlayIsCancelledOnWindows9xWhileTheSaverRuns) {
    desktop.win9x = true;
    framework.saverMain("/s");
    EXPECT_EQ(framework.autoPlayMessage, 0xC123u);
    EXPECT_EQ(send(0xC123), 0);  // no verifier loaded
    EXPECT_EQ(desktop.postedCloses(), 1);

    ScreenSaverFramework nt{desktop, saver};
    desktop.win9x = false;
    desktop.framework = &nt;
    nt.saverMain("/p 1234");
    EXPECT_EQ(nt.autoPlayMessage, 0u);
}

TEST_F(FrameworkTest, TheInputMethodIsDetachedForTheSaversLifetime) {
    desktop.inputMethodLoaded = true;
    desktop.input = [&] { send(wm::keyDown); };
    framework.saverMain("/s");
    EXPECT_EQ(desktop.associations, (std::vector<uintptr_t>{0, 0xC0}));
}

TEST_F(FrameworkTest, CreateTimerAndDestroyReachTheSaverInOrder) {
    desktop.input = [&] {
        send(wm::timer);
        send(wm::paint);
        send(wm::timer);
        send(wm::keyDown);
    };
    framework.saverMain("/s");
    EXPECT_EQ(saver.calls, (std::vector<std::string>{"create", "timer", "timer", "destroy"}));
    // Input still reaches the default procedure after posting its close.
    EXPECT_EQ(desktop.defaulted, (std::vector<uint32_t>{wm::paint, wm::keyDown, wm::close}));
}

TEST_F(FrameworkTest, AMessageTextLeavingTheSaverEndsItWithStatusTwoOnEveryPath) {
    usePassword();
    desktop.passwordAnswers = {true};
    saver.whenTimed = [] { throw "Not a valid OOF file"; };
    desktop.input = [&] {
        send(wm::timer);
        send(wm::timer);  // the window is gone; nothing more is drawn
    };
    EXPECT_EQ(framework.saverMain("/s"), errorExitStatus);
    EXPECT_EQ(saver.calls, (std::vector<std::string>{"create", "timer", "destroy"}));
    EXPECT_EQ(desktop.saverRunning.back(), false);
    EXPECT_EQ(framework.passwordLibrary, 0u);

    FakeSaver failingCreate;
    failingCreate.whenCreated = [] { throw "Couldn't open file"; };
    ScreenSaverFramework second{desktop, failingCreate};
    desktop.framework = &second;
    desktop.queue.clear();
    EXPECT_EQ(second.saverMain("/s"), errorExitStatus);
    EXPECT_EQ(failingCreate.calls, (std::vector<std::string>{"create", "destroy"}));
    EXPECT_EQ(desktop.createResults.back(), -1);  // the platform takes the half-made window down

    FakeSaver failingDestroy;
    failingDestroy.whenDestroyed = [] { throw "Tried to read past limit"; };
    ScreenSaverFramework third{desktop, failingDestroy};
    desktop.framework = &third;
    desktop.queue.clear();
    desktop.input = [&] { desktop.destroyWindow(desktop.nextWindow - 1); };  // the preview pane closes
    EXPECT_EQ(third.saverMain("/p 1234"), errorExitStatus);
}

TEST_F(FrameworkTest, TheNotInstalledExitKeepsItsOwnStatus) {
    saver.whenCreated = [] { throw ProcessExit{1}; };
    EXPECT_EQ(framework.saverMain("/s"), 1);
    EXPECT_EQ(saver.calls, (std::vector<std::string>{"create", "destroy"}));
}

TEST(AppPath, TheArchiveLiesBesideTheGamesPath) {
    const char value[] = "C:\\Games\\Korvane";
    EXPECT_EQ(archivePathFromAppPath(value, sizeof value), "C:\\Games\\Korvane\\kv.hog");
    EXPECT_EQ(archivePathFromAppPath(value, sizeof value - 1), "C:\\Games\\Korvane\\kv.hog");  // stored without its 0
}

TEST(AppPath, APathThatLeavesNoRoomForTheArchiveNameIsRefused) {
    // 252 characters, "\kv.hog" and the 0 fill the 260 bytes exactly.
    std::string longest(252, 'a');
    EXPECT_EQ(archivePathFromAppPath(longest.c_str(), 253), longest + "\\kv.hog");
    std::string tooLong(253, 'a');
    EXPECT_EQ(archivePathFromAppPath(tooLong.c_str(), 254), std::nullopt);
    std::string full(260, 'a');
    EXPECT_EQ(archivePathFromAppPath(full.c_str(), 260), std::nullopt);
    EXPECT_EQ(archivePathFromAppPath(full.c_str(), 261), std::nullopt);
}
