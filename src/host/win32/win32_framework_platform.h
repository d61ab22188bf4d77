#pragma once

#include <windows.h>

#include "windows_framework/configure_dialog.h"
#include "windows_framework/framework.h"

// The framework's platform calls, made for real.
class Win32FrameworkPlatform : public FrameworkPlatform {
public:
    // `windowProc` is the saver class's window procedure; the dialog reads and
    // writes `settings` through `store`.
    Win32FrameworkPlatform(HINSTANCE module, WNDPROC windowProc, OptionStore& store, Settings& settings);

    bool isWin9x() override;
    uint32_t tickCount() override;
    void yieldTimeSlice() override;

    bool isWindow(WindowHandle window) override;
    WindowHandle parentWindow(WindowHandle window) override;
    WindowHandle foregroundWindow() override;
    void setForegroundWindow(WindowHandle window) override;
    ClientRect clientRect(WindowHandle window) override;
    ClientRect screenClipBox() override;
    WindowHandle findFullScreenSaver() override;
    void registerSaverClass() override;
    WindowHandle createSaverWindow(const SaverWindowLayout& layout) override;
    void destroyWindow(WindowHandle window) override;
    int runMessageLoop() override;

    void postMessage(WindowHandle window, uint32_t message, MessageParam wParam, MessageLong lParam) override;
    MessageResult sendMessage(WindowHandle window, uint32_t message, MessageParam wParam, MessageLong lParam) override;
    MessageResult defaultWindowProc(WindowHandle window, uint32_t message, MessageParam wParam, MessageLong lParam) override;
    void postQuitMessage(int code) override;
    void removeTimerMessage(WindowHandle window) override;
    uint32_t registerWindowMessage(const char* name) override;

    CursorPoint cursorPosition() override;
    void hideCursor() override;

    MessageResult runConfigureDialog(WindowHandle parent) override;

    bool readUserValue(const char* key, const char* name, uint32_t& value) override;

    ModuleHandle loadLibrary(const char* name) override;
    ModuleHandle loadedModule(const char* name) override;
    void* procAddress(ModuleHandle module, const char* name) override;
    void freeLibrary(ModuleHandle module) override;
    bool callVerifyPassword(void* verifyScreenSavePwd, WindowHandle window) override;
    void callChangePassword(void* pwdChangePassword, const char* provider, WindowHandle parent) override;
    uintptr_t callAssociateContext(void* immAssociateContext, WindowHandle window, uintptr_t context) override;

    void setScreenSaverRunning(bool running) override;

private:
    static INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

    HINSTANCE module_;
    WNDPROC windowProc_;
    OptionStore& store_;
    Settings& settings_;
};

inline HWND toHwnd(WindowHandle window) { return reinterpret_cast<HWND>(window); }
inline WindowHandle toHandle(HWND window) { return reinterpret_cast<WindowHandle>(window); }
