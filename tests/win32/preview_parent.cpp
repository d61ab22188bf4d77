// Plays the desktop's preview pane for kvss.scr.
//   preview_parent SCR MARKER
// Makes a window titled "kvss preview parent", starts "SCR /p HWND" in it and
// prints one line per check. Between "ready" and MARKER appearing, the test may
// send keys and mouse input; then the preview must paint again (its sign of
// life) and still be there, and the parent is destroyed, which must end the
// saver. Exits 0 when every check held.
#include <windows.h>

#include <cstdio>
#include <string>

#include "wait_until.h"

namespace {
constexpr int parentWidth = 320;
constexpr int parentHeight = 240;
constexpr DWORD inputTimeout = 120000;  // the test's keys and mouse, under a slow Wine

bool contextMenuPassed = false;

LRESULT CALLBACK parentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CONTEXTMENU && reinterpret_cast<HWND>(wParam) == window) contextMenuPassed = true;
    if (message == WM_CLOSE) return 0;  // only the test ends this window
    return DefWindowProcA(window, message, wParam, lParam);
}

bool fileExists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }
}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: preview_parent SCR MARKER\n");
        return 2;
    }
    setvbuf(stdout, nullptr, _IONBF, 0);
    const HINSTANCE module = GetModuleHandleA(nullptr);
    WNDCLASSA parentClass{};
    parentClass.lpfnWndProc = parentProc;
    parentClass.hInstance = module;
    parentClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    parentClass.lpszClassName = "KvssPreviewParent";
    RegisterClassA(&parentClass);
    RECT frame{0, 0, parentWidth, parentHeight};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    HWND parent = CreateWindowA("KvssPreviewParent", "kvss preview parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                                frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, module, nullptr);
    pumpMessages();

    std::string command = std::string("\"") + argv[1] + "\" /p " + std::to_string(reinterpret_cast<uintptr_t>(parent));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        std::printf("start failed %lu\n", GetLastError());
        return 1;
    }

    bool ok = true;
    HWND child = nullptr;
    if (!waitUntil([&] {
            child = FindWindowExA(parent, nullptr, "WindowsScreenSaverClass", "Preview");
            return child != nullptr || WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0;
        }) || child == nullptr) {
        std::printf("no preview window\n");
        TerminateProcess(process.hProcess, 1);
        return 1;
    }
    std::printf("ready %llu %llu\n", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(parent)),
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(child)));

    RECT area{};
    GetClientRect(child, &area);
    const bool sized = area.right == parentWidth && area.bottom == parentHeight;
    std::printf("size %s %ld %ld\n", sized ? "ok" : "wrong", area.right, area.bottom);
    ok = ok && sized;

    // Help and context-menu requests go on to the preview's parent.
    const LRESULT answer = SendMessageA(child, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(child), MAKELPARAM(5, 5));
    waitUntil([] { return contextMenuPassed; });
    std::printf("context menu %s (answer %ld)\n", contextMenuPassed ? "passed" : "not passed", static_cast<long>(answer));
    ok = ok && contextMenuPassed && answer == 1;

    // Input that would close a full-screen saver.
    PostMessageA(child, WM_KEYDOWN, VK_SPACE, 1);
    PostMessageA(child, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    PostMessageA(child, WM_MOUSEMOVE, 0, MAKELPARAM(100, 100));
    waitUntil([&] { return fileExists(argv[2]) || !IsWindow(child); }, inputTimeout);
    // A window paints only once no input or posted message waits before the
    // paint: a preview that paints again has read all that input and lived on,
    // where a stalled one never would.
    pumpMessages();
    InvalidateRect(child, nullptr, FALSE);
    const bool painted =
        waitUntil([&] { return !IsWindow(child) || !GetUpdateRect(child, nullptr, FALSE); }) &&
        IsWindow(child);
    const bool alive = IsWindow(child) && WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT;
    std::printf("painted after the input %s, alive %s\n", painted ? "yes" : "no", alive ? "yes" : "no");
    ok = ok && painted && alive;

    DestroyWindow(parent);
    const bool ended = waitUntil([&] { return WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0; });
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    if (!ended) {
        std::printf("still running after the parent was destroyed\n");
        TerminateProcess(process.hProcess, 1);
        return 1;
    }
    std::printf("exit %lu\n", code);
    return ok && code == 0 ? 0 : 1;
}
