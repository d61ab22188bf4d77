#pragma once

#include <cstdint>

#include "core/client_rect.h"

// What the Windows screen-saver framework (src/windows_framework) asks of
// Windows: windows, messages, the cursor, the dialog, the registry's password
// setting and the libraries of the Windows 9x password. ScreenSaverFramework
// calls it from saverMain, at the process entry, to the end of the message
// loop; Win32FrameworkPlatform makes the calls for real, the tests fake them.

using WindowHandle = uintptr_t;  // 0: none
using ModuleHandle = uintptr_t;  // a loaded library, 0: none
using MessageParam = uintptr_t;  // wParam
using MessageLong = intptr_t;    // lParam
using MessageResult = intptr_t;

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
