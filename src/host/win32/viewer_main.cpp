// kvss-viewer.exe: the model viewer on Windows. It finds the game as the saver
// does, or takes it from the command line (what Explorer passes for a file
// opened with it or dropped on it), or from a .hog dropped on its window.
#include <windows.h>
#include <shlobj.h>

#include <cstdlib>
#include <exception>
#include <string>

#include "core/message.h"
#include "windows_framework/framework.h"
#include "options/command_line.h"
#include "host/win32/registry_option_store.h"
#include "host/win32/resource_ids.h"
#include "host/win32/win32_loop.h"
#include "host/win32/win32_saver_platform.h"
#include "viewer/bindings.h"
#include "viewer/inspector.h"
#include "show/game_archive.h"

namespace {
constexpr const char* programCaption = "kvss viewer";
constexpr const char* errorCaption = "Error";

void showMessage(const std::string& text, const char* caption, UINT icon) {
    MessageBoxA(nullptr, text.c_str(), caption, MB_OK | icon);
}

// A Windows program has no console: lines for the user appear in the title
// (the viewer puts them there for a few seconds), keys in a message box.
class Win32InspectorWindow : public InspectorWindow {
public:
    void attach(HWND window) { window_ = window; }

    void setTitle(const std::string& title) override {
        if (window_ != nullptr) SetWindowTextA(window_, title.c_str());
    }
    void report(const std::string& line) override { OutputDebugStringA((line + "\n").c_str()); }
    void reportError(const std::string& line) override { OutputDebugStringA((line + "\n").c_str()); }
    void showKeys(const std::string& table) override {
        MessageBoxA(window_, table.c_str(), "kvss viewer: keys and mouse", MB_OK | MB_ICONINFORMATION);
    }
    // The user's Documents\kvss, made on demand.
    std::string outputFolder() override {
        char documents[MAX_PATH];
        if (SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, documents) != S_OK) return "kvss";
        return std::string(documents) + "\\kvss";
    }

private:
    HWND window_ = nullptr;
};

int runViewer(HINSTANCE module, const KvssOptions& options) {
    RegistryOptionStore store;
    Settings settings;
    loadSettings(store, settings);
    options.applyTo(settings);

    Win32SaverPlatform platform(store);
    platform.askForDepth(24);
    if (!options.archive.empty()) platform.useArchive(archivePathFor(options.archive));
    else platform.chooseGameFolder(settings.game_dir);

    Win32InspectorWindow window;
    Inspector inspector(platform, window, settings);
    // The game and the model named are checked before any window appears.
    inspector.openArchive(options.model);

    Win32ClientWindow clientWindow(module, inspector);
    clientWindow.create("kvss", options.width, options.height, LoadIconA(module, MAKEINTRESOURCEA(IDI_KVSS)));
    window.attach(clientWindow.handle());
    platform.attach(clientWindow.handle());
    RECT area{};
    GetClientRect(clientWindow.handle(), &area);
    inspector.setClientRect({area.left, area.top, area.right, area.bottom});
    inspector.start();
    clientWindow.show();
    runWin32MessageLoop();
    inspector.stop();
    if (!clientWindow.failure().empty()) {
        showMessage("kvss: " + clientWindow.failure(), errorCaption, MB_ICONERROR);
        return errorExitStatus;
    }
    return 0;
}
}  // namespace

int WINAPI WinMain(HINSTANCE module, HINSTANCE, LPSTR, int) {
    KvssOptions options;
    std::string help;
    try {
        options = parseViewerOptions(__argc, __argv, help);
    } catch (const std::exception& error) {
        showMessage(std::string("kvss-viewer: ") + error.what() + "\nRun kvss-viewer --help for the options.",
                    programCaption, MB_ICONERROR);
        return 1;
    }
    if (options.helpShown) {
        showMessage(help + "\nKeys and mouse:\n" + inspectorKeyTable(), programCaption, MB_ICONINFORMATION);
        return 0;
    }
    try {
        return runViewer(module, options);
    } catch (const ProcessExit& exit) {
        return exit.status;  // the platform has shown its message ("Korvane is not installed.")
    } catch (Message message) {
        showMessage(std::string("kvss: ") + message, errorCaption, MB_ICONERROR);
    } catch (const std::exception& error) {
        showMessage(std::string("kvss: ") + error.what(), errorCaption, MB_ICONERROR);
    }
    return 1;
}
