#include "host/win32/win32_framework_platform.h"

#include <commctrl.h>
#include <shobjidl.h>

#include "host/win32/resource_ids.h"
#include "host/win32/win32_loop.h"
#include "host/win32/win32_registry.h"

// The framework numbers messages, commands and styles itself; they must be the platform's.
static_assert(wm::create == WM_CREATE && wm::destroy == WM_DESTROY && wm::setText == WM_SETTEXT);
static_assert(wm::paint == WM_PAINT && wm::close == WM_CLOSE && wm::showWindow == WM_SHOWWINDOW);
static_assert(wm::activateApp == WM_ACTIVATEAPP && wm::setCursor == WM_SETCURSOR && wm::power == WM_POWER);
static_assert(wm::help == WM_HELP && wm::contextMenu == WM_CONTEXTMENU && wm::keyDown == WM_KEYDOWN);
static_assert(wm::sysKeyDown == WM_SYSKEYDOWN && wm::initDialog == WM_INITDIALOG && wm::command == WM_COMMAND);
static_assert(wm::sysCommand == WM_SYSCOMMAND && wm::timer == WM_TIMER && wm::mouseMove == WM_MOUSEMOVE);
static_assert(wm::leftButtonDown == WM_LBUTTONDOWN && wm::rightButtonDown == WM_RBUTTONDOWN);
static_assert(wm::middleButtonDown == WM_MBUTTONDOWN && wm::powerBroadcast == WM_POWERBROADCAST);
static_assert(wm::verifyPassword == WM_APP && powerCriticalResume == PWR_CRITICALRESUME);
static_assert(nextWindowCommand == SC_NEXTWINDOW && previousWindowCommand == SC_PREVWINDOW);
static_assert(screenSaveCommand == SC_SCREENSAVE);
static_assert(childStyle == WS_CHILD && popupStyle == WS_POPUP && visibleStyle == WS_VISIBLE);
static_assert(clipChildrenStyle == WS_CLIPCHILDREN && clipSiblingsStyle == WS_CLIPSIBLINGS);
static_assert(topmostExtendedStyle == WS_EX_TOPMOST);
// The options' controls are the option table's; tests/dialog_resource_test.cpp checks kvss.rc against it.
static_assert(configureDialogId == IDD_CONFIGURE && control::ok == IDOK && control::cancel == IDCANCEL);
static_assert(control::gameSource == IDC_GAME_SOURCE && control::browseGame == IDC_BROWSE_GAME &&
              control::findGame == IDC_FIND_GAME);

namespace {
constexpr const char* dialogCaption = "Korvane Screensaver";

// The dialog procedure has no context of its own: the one open dialog's.
OptionStore* dialogStore = nullptr;
Settings* dialogSettings = nullptr;
GameLookup* dialogGame = nullptr;

std::wstring wide(const std::string& text) {
    std::wstring result(text.size() + 1, L'\0');
    const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, result.data(), static_cast<int>(result.size()));
    result.resize(length > 0 ? length - 1 : 0);
    return result;
}

// The system's folder picker over `owner`, opened on `start`: the folder picked
// as the registry's ANSI functions take it, or nothing when cancelled.
std::optional<std::string> pickFolder(HWND owner, const std::string& start) {
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    std::optional<std::string> folder;
    IFileOpenDialog* picker = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileOpenDialog,
                                   reinterpret_cast<void**>(&picker)))) {
        FILEOPENDIALOGOPTIONS options = 0;
        picker->GetOptions(&options);
        picker->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST);
        picker->SetTitle(L"Choose the folder Korvane is installed in");
        IShellItem* startItem = nullptr;
        if (!start.empty() && SUCCEEDED(SHCreateItemFromParsingName(wide(start).c_str(), nullptr, IID_IShellItem,
                                                                    reinterpret_cast<void**>(&startItem)))) {
            picker->SetFolder(startItem);
            startItem->Release();
        }
        IShellItem* picked = nullptr;
        if (SUCCEEDED(picker->Show(owner)) && SUCCEEDED(picker->GetResult(&picked))) {
            PWSTR path = nullptr;
            if (SUCCEEDED(picked->GetDisplayName(SIGDN_FILESYSPATH, &path))) {
                char narrow[MAX_PATH * 4] = "";
                BOOL lossy = FALSE;
                // A path the ANSI code page cannot spell would name another folder: none is taken.
                if (WideCharToMultiByte(CP_ACP, 0, path, -1, narrow, sizeof narrow, nullptr, &lossy) > 0 && !lossy)
                    folder = narrow;
                CoTaskMemFree(path);
            }
            picked->Release();
        }
        picker->Release();
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return folder;
}

// A tooltip over the game folder's path with the whole of it, for when its middle is left out.
void addPathTooltip(HWND dialog) {
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&classes);
    HWND tip = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr, nullptr, nullptr);
    if (tip == nullptr) return;
    TTTOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = dialog;
    tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(dialog, IDC_GAME_DIR));
    tool.lpszText = LPSTR_TEXTCALLBACKA;  // asked for when shown: the path as the row holds it then
    SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    // Long paths wrap rather than run off the screen.
    SendMessageA(tip, TTM_SETMAXTIPWIDTH, 0, 600);
}

class Win32DialogControls : public DialogControls {
public:
    explicit Win32DialogControls(HWND dialog) : dialog_(dialog) {}
    void addChoice(int control, const char* text) override {
        SendDlgItemMessageA(dialog_, control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    void selectChoice(int control, int index) override { SendDlgItemMessageA(dialog_, control, CB_SETCURSEL, index, 0); }
    int selectedChoice(int control) override {
        return static_cast<int>(SendDlgItemMessageA(dialog_, control, CB_GETCURSEL, 0, 0));
    }
    void setChecked(int control, bool checked) override {
        CheckDlgButton(dialog_, control, checked ? BST_CHECKED : BST_UNCHECKED);
    }
    int checkState(int control) override { return static_cast<int>(IsDlgButtonChecked(dialog_, control)); }
    void setText(int control, const std::string& text) override { SetDlgItemTextA(dialog_, control, text.c_str()); }
    std::optional<std::string> chooseFolder(const std::string& start) override { return pickFolder(dialog_, start); }
    void showMessage(const std::string& text) override {
        MessageBoxA(dialog_, text.c_str(), dialogCaption, MB_OK | MB_ICONEXCLAMATION);
    }
    void endDialog(intptr_t result) override { EndDialog(dialog_, result); }

private:
    HWND dialog_;
};
}  // namespace

Win32FrameworkPlatform::Win32FrameworkPlatform(HINSTANCE module, WNDPROC windowProc, OptionStore& store,
                                               Settings& settings)
    : module_(module), windowProc_(windowProc), store_(store), settings_(settings) {}

bool Win32FrameworkPlatform::isWin9x() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(&version)) return false;
#pragma GCC diagnostic pop
    return version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

uint32_t Win32FrameworkPlatform::tickCount() { return GetTickCount(); }

void Win32FrameworkPlatform::yieldTimeSlice() { Sleep(0); }

bool Win32FrameworkPlatform::isWindow(WindowHandle window) { return window != 0 && IsWindow(toHwnd(window)); }

WindowHandle Win32FrameworkPlatform::parentWindow(WindowHandle window) { return toHandle(GetParent(toHwnd(window))); }

WindowHandle Win32FrameworkPlatform::foregroundWindow() { return toHandle(GetForegroundWindow()); }

void Win32FrameworkPlatform::setForegroundWindow(WindowHandle window) { SetForegroundWindow(toHwnd(window)); }

ClientRect Win32FrameworkPlatform::clientRect(WindowHandle window) {
    RECT area{};
    GetClientRect(toHwnd(window), &area);
    return {area.left, area.top, area.right, area.bottom};
}

ClientRect Win32FrameworkPlatform::screenClipBox() {
    HDC screen = GetDC(nullptr);
    RECT box{};
    GetClipBox(screen, &box);
    ReleaseDC(nullptr, screen);
    return {box.left, box.top, box.right, box.bottom};
}

WindowHandle Win32FrameworkPlatform::findFullScreenSaver() {
    return toHandle(FindWindowA(saverClassName, fullScreenTitle));
}

void Win32FrameworkPlatform::registerSaverClass() {
    WNDCLASSA saverClass{};
    saverClass.style = CS_OWNDC | CS_DBLCLKS | CS_VREDRAW | CS_HREDRAW;
    saverClass.lpfnWndProc = windowProc_;
    saverClass.hInstance = module_;
    saverClass.hIcon = LoadIconA(module_, MAKEINTRESOURCEA(IDI_KVSS));
    saverClass.hCursor = nullptr;
    saverClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    saverClass.lpszClassName = saverClassName;
    RegisterClassA(&saverClass);
}

WindowHandle Win32FrameworkPlatform::createSaverWindow(const SaverWindowLayout& layout) {
    return toHandle(CreateWindowExA(layout.extendedStyle, saverClassName, layout.title, layout.style, layout.x, layout.y,
                                    layout.width, layout.height, toHwnd(layout.parent), nullptr, module_, nullptr));
}

void Win32FrameworkPlatform::destroyWindow(WindowHandle window) { DestroyWindow(toHwnd(window)); }

int Win32FrameworkPlatform::runMessageLoop() { return runWin32MessageLoop(); }

void Win32FrameworkPlatform::postMessage(WindowHandle window, uint32_t message, MessageParam wParam, MessageLong lParam) {
    PostMessageA(toHwnd(window), message, wParam, lParam);
}

MessageResult Win32FrameworkPlatform::sendMessage(WindowHandle window, uint32_t message, MessageParam wParam,
                                                  MessageLong lParam) {
    return SendMessageA(toHwnd(window), message, wParam, lParam);
}

MessageResult Win32FrameworkPlatform::defaultWindowProc(WindowHandle window, uint32_t message, MessageParam wParam,
                                                        MessageLong lParam) {
    return DefWindowProcA(toHwnd(window), message, wParam, lParam);
}

void Win32FrameworkPlatform::postQuitMessage(int code) { PostQuitMessage(code); }

void Win32FrameworkPlatform::removeTimerMessage(WindowHandle window) {
    MSG message;
    PeekMessageA(&message, toHwnd(window), WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
}

uint32_t Win32FrameworkPlatform::registerWindowMessage(const char* name) { return RegisterWindowMessageA(name); }

CursorPoint Win32FrameworkPlatform::cursorPosition() {
    POINT position{};
    GetCursorPos(&position);
    return {position.x, position.y};
}

void Win32FrameworkPlatform::hideCursor() { SetCursor(nullptr); }

INT_PTR CALLBACK Win32FrameworkPlatform::dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) addPathTooltip(dialog);
    if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == TTN_GETDISPINFOA) {
        static char path[MAX_PATH * 4];
        GetDlgItemTextA(dialog, IDC_GAME_DIR, path, sizeof path);
        reinterpret_cast<NMTTDISPINFOA*>(lParam)->lpszText = path;
        return TRUE;
    }
    Win32DialogControls controls(dialog);
    return configureDialogProc(controls, *dialogGame, *dialogStore, *dialogSettings, message, wParam) ? TRUE : FALSE;
}

MessageResult Win32FrameworkPlatform::runConfigureDialog(WindowHandle parent) {
    Win32Registry registry;
    FinderGameLookup game(&registry);
    dialogStore = &store_;
    dialogSettings = &settings_;
    dialogGame = &game;
    return DialogBoxParamA(module_, MAKEINTRESOURCEA(IDD_CONFIGURE), toHwnd(parent), dialogProc, 0);
}

bool Win32FrameworkPlatform::readUserValue(const char* key, const char* name, uint32_t& value) {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) return false;
    DWORD data = 0;
    DWORD size = sizeof data;
    const bool read = RegQueryValueExA(opened, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&data), &size) == ERROR_SUCCESS;
    RegCloseKey(opened);
    if (read) value = data;
    return read;
}

ModuleHandle Win32FrameworkPlatform::loadLibrary(const char* name) {
    return reinterpret_cast<ModuleHandle>(LoadLibraryA(name));
}

ModuleHandle Win32FrameworkPlatform::loadedModule(const char* name) {
    return reinterpret_cast<ModuleHandle>(GetModuleHandleA(name));
}

void* Win32FrameworkPlatform::procAddress(ModuleHandle module, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(module), name));
}

void Win32FrameworkPlatform::freeLibrary(ModuleHandle module) { FreeLibrary(reinterpret_cast<HMODULE>(module)); }

bool Win32FrameworkPlatform::callVerifyPassword(void* verifyScreenSavePwd, WindowHandle window) {
    using Verify = BOOL(WINAPI*)(HWND);
    return reinterpret_cast<Verify>(verifyScreenSavePwd)(toHwnd(window)) != FALSE;
}

void Win32FrameworkPlatform::callChangePassword(void* pwdChangePassword, const char* provider, WindowHandle parent) {
    using Change = DWORD(WINAPI*)(LPCSTR, HWND, DWORD, LPVOID);
    reinterpret_cast<Change>(pwdChangePassword)(provider, toHwnd(parent), 0, nullptr);
}

uintptr_t Win32FrameworkPlatform::callAssociateContext(void* immAssociateContext, WindowHandle window, uintptr_t context) {
    using Associate = HANDLE(WINAPI*)(HWND, HANDLE);
    return reinterpret_cast<uintptr_t>(
        reinterpret_cast<Associate>(immAssociateContext)(toHwnd(window), reinterpret_cast<HANDLE>(context)));
}

void Win32FrameworkPlatform::setScreenSaverRunning(bool running) {
    BOOL wasRunning = FALSE;
    SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, running ? TRUE : FALSE, &wasRunning, 0);
}
