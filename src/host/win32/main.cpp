// kvss.scr: the Windows screen saver. The framework reads the mode from the
// command line; the saver window's create, timer and destroy reach the Saver.
#include <windows.h>

#include "windows_framework/framework.h"
#include "saver/saver.h"
#include "host/win32/registry_option_store.h"
#include "host/win32/win32_framework_platform.h"
#include "host/win32/win32_saver_platform.h"

namespace {
ScreenSaverFramework* framework = nullptr;

LRESULT CALLBACK saverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // The framework lives in WinMain's frame: outside it, Windows' default handling.
    if (framework == nullptr) return DefWindowProcA(window, message, wParam, lParam);
    return framework->guardedWindowProc(toHandle(window), message, wParam, lParam);
}

// Hands the saver window to the platform before the saver starts on it.
class WindowSaver : public SaverHandlers {
public:
    WindowSaver(Saver& saver, Win32SaverPlatform& platform) : saver_(saver), platform_(platform) {}
    void onCreate(WindowHandle window) override {
        platform_.attach(toHwnd(window));
        saver_.onCreate();
    }
    void onTimer() override { saver_.onTimer(); }
    void onDestroy() override { saver_.onDestroy(); }

private:
    Saver& saver_;
    Win32SaverPlatform& platform_;
};
}  // namespace

int WINAPI WinMain(HINSTANCE module, HINSTANCE, LPSTR, int) {
    RegistryOptionStore store;
    Settings dialogSettings;
    Win32FrameworkPlatform frameworkPlatform(module, saverWindowProc, store, dialogSettings);
    Win32SaverPlatform saverPlatform(store);
    Saver saver(saverPlatform);
    WindowSaver windowSaver(saver, saverPlatform);
    ScreenSaverFramework saverFramework(frameworkPlatform, windowSaver);
    framework = &saverFramework;
    const int status = saverFramework.saverMain(skipProgramName(GetCommandLineA()));
    framework = nullptr;
    return status;
}
