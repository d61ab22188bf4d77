#pragma once

#include <cstdint>

#include "saver/closing_input.h"
#include "seam/framework_platform.h"
#include "seam/saver_platform.h"

// The screen-saver framework of Windows: the modes of the command line, the
// saver window's input filter, closing and the Windows 9x password. It is
// written against FrameworkPlatform, so it holds no platform header and runs
// under a fake on any system; src/host/win32 provides the real calls.

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
