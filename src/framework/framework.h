#pragma once

#include <cstdint>

#include "saver/closing_input.h"
#include "seam/saver_platform.h"

// The screen-saver framework of Windows: the modes of the command line, the
// saver window's input filter, closing and the Windows 9x password. It is
// written against FrameworkPlatform, so it holds no platform header and runs
// under a fake on any system; src/host/win32 provides the real calls.

using WindowHandle = uintptr_t;  // 0: none
using ModuleHandle = uintptr_t;  // a loaded library, 0: none
using MessageParam = uintptr_t;  // wParam
using MessageLong = intptr_t;    // lParam
using MessageResult = intptr_t;

// Window message numbers, as the platform numbers them.
namespace wm {
inline constexpr uint32_t create = 1;
inline constexpr uint32_t destroy = 2;
inline constexpr uint32_t setText = 12;
inline constexpr uint32_t paint = 15;
inline constexpr uint32_t close = 16;
inline constexpr uint32_t showWindow = 24;
inline constexpr uint32_t activateApp = 28;
inline constexpr uint32_t setCursor = 32;
inline constexpr uint32_t power = 72;
inline constexpr uint32_t help = 83;
inline constexpr uint32_t contextMenu = 123;
inline constexpr uint32_t keyDown = 256;
inline constexpr uint32_t sysKeyDown = 260;
inline constexpr uint32_t initDialog = 272;
inline constexpr uint32_t command = 273;
inline constexpr uint32_t sysCommand = 274;
inline constexpr uint32_t timer = 275;
inline constexpr uint32_t mouseMove = 512;
inline constexpr uint32_t leftButtonDown = 513;
inline constexpr uint32_t rightButtonDown = 516;
inline constexpr uint32_t middleButtonDown = 519;
inline constexpr uint32_t powerBroadcast = 536;
// The first application-defined number: asks the password verifier.
inline constexpr uint32_t verifyPassword = 0x8000;
}  // namespace wm

// System commands a full-screen saver refuses.
inline constexpr MessageParam nextWindowCommand = 0xF040;
inline constexpr MessageParam previousWindowCommand = 0xF050;
inline constexpr MessageParam screenSaveCommand = 0xF140;
// The power message's wParam when the system comes back from a critical suspend.
inline constexpr MessageParam powerCriticalResume = 3;

// Window styles, as the platform numbers them.
inline constexpr uint32_t childStyle = 0x40000000;
inline constexpr uint32_t popupStyle = 0x80000000;
inline constexpr uint32_t visibleStyle = 0x10000000;
inline constexpr uint32_t clipChildrenStyle = 0x02000000;
inline constexpr uint32_t clipSiblingsStyle = 0x04000000;
inline constexpr uint32_t topmostExtendedStyle = 0x00000008;

inline constexpr const char* saverClassName = "WindowsScreenSaverClass";
inline constexpr const char* fullScreenTitle = "Screen Saver";
inline constexpr const char* previewTitle = "Preview";

// A close request this soon after a password prompt ended is ignored, so the
// key that dismissed the prompt does not raise the next one.
inline constexpr uint32_t passwordPauseMilliseconds = 200;
inline constexpr uint32_t noPasswordCheck = 0xFFFFFFFFu;

// The exit status of a saver that an error (a message text or any other
// exception leaving the window procedure) ended. 1 stays "the game is not
// installed" and -1 a bad command line.
inline constexpr int errorExitStatus = 2;

// Thrown to end the process with `status` once the framework has closed the
// window and released what it holds (the "not installed" message box does this).
struct ProcessExit {
    int status;
};

struct CursorPoint {
    int32_t x = 0;
    int32_t y = 0;
};

// What the saver window is made with.
struct SaverWindowLayout {
    WindowHandle parent = 0;
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    uint32_t style = 0;
    uint32_t extendedStyle = 0;
    const char* title = "";
};

// The platform calls the framework makes; Win32FrameworkPlatform makes them for
// real, the tests fake them.
class FrameworkPlatform {
public:
    virtual ~FrameworkPlatform() = default;

    virtual bool isWin9x() = 0;  // the version query reports platform id 1
    virtual uint32_t tickCount() = 0;  // milliseconds
    virtual void yieldTimeSlice() = 0;  // sleep 0

    virtual bool isWindow(WindowHandle window) = 0;
    virtual WindowHandle parentWindow(WindowHandle window) = 0;
    virtual WindowHandle foregroundWindow() = 0;
    virtual void setForegroundWindow(WindowHandle window) = 0;
    virtual ClientRect clientRect(WindowHandle window) = 0;
    virtual ClientRect screenClipBox() = 0;
    // A window of class saverClassName titled fullScreenTitle, or 0.
    virtual WindowHandle findFullScreenSaver() = 0;
    // Registers saverClassName with the framework's window procedure; makes the window.
    virtual void registerSaverClass() = 0;
    virtual WindowHandle createSaverWindow(const SaverWindowLayout& layout) = 0;
    virtual void destroyWindow(WindowHandle window) = 0;
    // Gets, translates and dispatches until the quit message; returns its code.
    virtual int runMessageLoop() = 0;

    virtual void postMessage(WindowHandle window, uint32_t message, MessageParam wParam, MessageLong lParam) = 0;
    virtual MessageResult sendMessage(WindowHandle window, uint32_t message, MessageParam wParam, MessageLong lParam) = 0;
    virtual MessageResult defaultWindowProc(WindowHandle window, uint32_t message, MessageParam wParam, MessageLong lParam) = 0;
    virtual void postQuitMessage(int code) = 0;
    // Removes at most one pending timer message of the window, without yielding.
    virtual void removeTimerMessage(WindowHandle window) = 0;
    virtual uint32_t registerWindowMessage(const char* name) = 0;

    virtual CursorPoint cursorPosition() = 0;
    virtual void hideCursor() = 0;

    // Dialog 2003 over `parent`, modal: 1 for OK, 0 for Cancel.
    virtual MessageResult runConfigureDialog(WindowHandle parent) = 0;

    // A 4-byte value of a current-user key; false when the key or value cannot be read.
    virtual bool readUserValue(const char* key, const char* name, uint32_t& value) = 0;

    virtual ModuleHandle loadLibrary(const char* name) = 0;
    virtual ModuleHandle loadedModule(const char* name) = 0;  // only if already loaded
    virtual void* procAddress(ModuleHandle module, const char* name) = 0;
    virtual void freeLibrary(ModuleHandle module) = 0;
    // Calls through entries found with procAddress.
    virtual bool callVerifyPassword(void* verifyScreenSavePwd, WindowHandle window) = 0;
    virtual void callChangePassword(void* pwdChangePassword, const char* provider, WindowHandle parent) = 0;
    virtual uintptr_t callAssociateContext(void* immAssociateContext, WindowHandle window, uintptr_t context) = 0;

    virtual void setScreenSaverRunning(bool running) = 0;  // the system parameter 97
};

// Where saverProc sends the three messages the saver handles itself.
class SaverHandlers {
public:
    virtual ~SaverHandlers() = default;
    virtual void onCreate(WindowHandle window) = 0;
    virtual void onTimer() = 0;
    virtual void onDestroy() = 0;
};

// Skips the program name (quoted, or a run of characters above the space) and
// the blanks after it.
const char* skipProgramName(const char* commandLine);
// Leading decimal digits; 0 when there are none.
WindowHandle parseWindowHandle(const char* text);

class ScreenSaverFramework {
public:
    ScreenSaverFramework(FrameworkPlatform& platform, SaverHandlers& saver);

    // Runs the mode the arguments name; the process's exit code.
    int saverMain(const char* arguments);
    MessageResult showConfigureDialog(WindowHandle parent);
    void changePassword(WindowHandle parent);
    int runSaver(WindowHandle parent);

    // The window procedure the platform calls: frameworkWindowProc inside the
    // guard that turns an exception into a clean end of the saver.
    MessageResult guardedWindowProc(WindowHandle window, uint32_t message, MessageParam wParam, MessageLong lParam);
    MessageResult frameworkWindowProc(WindowHandle window, uint32_t message, MessageParam wParam, MessageLong lParam);
    MessageResult saverProc(WindowHandle window, uint32_t message, MessageParam wParam, MessageLong lParam);
    MessageResult defaultSaverProc(WindowHandle window, uint32_t message, MessageParam wParam, MessageLong lParam);
    bool verifyOnClose(WindowHandle window);

    void loadPasswordVerifier();
    void unloadPasswordVerifier();
    void setSaverRunning(bool running);

    bool isWin9x = false;
    bool isPreview = false;
    bool isClosing = false;
    bool isCheckingPassword = false;
    CursorPoint lastCursorPos;
    uint32_t lastPasswordCheck = noPasswordCheck;
    uint32_t autoPlayMessage = 0;
    ModuleHandle passwordLibrary = 0;
    void* verifyScreenSavePwd = nullptr;
    ModuleHandle inputMethodLibrary = 0;
    void* immAssociateContext = nullptr;
    uintptr_t detachedInputContext = 0;
    WindowHandle saverWindow = 0;
    // Set when an exception left the window procedure; the process then ends with `exitStatus`.
    bool failed = false;
    int exitStatus = errorExitStatus;

private:
    int dispatch(const char* arguments);
    MessageResult windowProcedureFailed(WindowHandle window, uint32_t message, int status);
    void postClose(WindowHandle window);
    bool movedPastThreshold(CursorPoint& position) const;

    FrameworkPlatform& platform_;
    SaverHandlers& saver_;
};
