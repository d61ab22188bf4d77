#include "windows_framework/framework.h"

#include <cstdlib>

namespace {
constexpr const char* autoPlayMessageName = "QueryCancelAutoPlay";
constexpr const char* passwordLibraryName = "PASSWORD.CPL";
constexpr const char* verifyPasswordEntry = "VerifyScreenSavePwd";
constexpr const char* passwordChangeLibraryName = "MPR.DLL";
constexpr const char* passwordChangeEntry = "PwdChangePasswordA";
constexpr const char* passwordProvider = "SCRSAVE";
constexpr const char* inputMethodLibraryName = "IMM32.DLL";
constexpr const char* associateContextEntry = "ImmAssociateContext";
constexpr const char* desktopKey = "Control Panel\\Desktop";
constexpr const char* usePasswordValue = "ScreenSaveUsePassword";

const char* skipSpaces(const char* text) {
    while (*text == ' ') ++text;
    return text;
}
}  // namespace

const char* skipProgramName(const char* commandLine) {
    const char* p = commandLine;
    if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"') ++p;
        if (*p == '"') ++p;
    } else {
        while (static_cast<unsigned char>(*p) > ' ') ++p;
    }
    while (*p != '\0' && static_cast<unsigned char>(*p) <= ' ') ++p;
    return p;
}

WindowHandle parseWindowHandle(const char* text) {
    WindowHandle value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) value = value * 10 + static_cast<WindowHandle>(*text - '0');
    return value;
}

ScreenSaverFramework::ScreenSaverFramework(FrameworkPlatform& platform, SaverHandlers& saver)
    : platform_(platform), saver_(saver) {}

int ScreenSaverFramework::saverMain(const char* arguments) {
    isWin9x = platform_.isWin9x();
    int result = 0;
    // The outermost guard: whatever leaves the saver ends it here, with the
    // system told that no saver runs any more.
    try {
        result = dispatch(arguments);
    } catch (ProcessExit exit) {
        failed = true;
        exitStatus = exit.status;
    } catch (...) {
        failed = true;
        exitStatus = errorExitStatus;
    }
    if (!failed) return result;
    unloadPasswordVerifier();
    setSaverRunning(false);
    return exitStatus;
}

int ScreenSaverFramework::dispatch(const char* p) {
    for (;; ++p) {
        switch (*p) {
            case '\0':
                return static_cast<int>(showConfigureDialog(0));
            case ' ':
            case '-':
            case '/':
                continue;
            case 'S':
            case 's':
                return runSaver(0);
            case 'P':
            case 'p':
            case 'L':
            case 'l': {
                const WindowHandle parent = parseWindowHandle(skipSpaces(p + 1));
                if (parent == 0 || !platform_.isWindow(parent)) return -1;
                return runSaver(parent);
            }
            case 'C':
            case 'c': {
                ++p;
                WindowHandle parent = 0;
                if (*p == ':') parent = parseWindowHandle(p + 1);
                if (parent == 0 || !platform_.isWindow(parent)) parent = platform_.foregroundWindow();
                return static_cast<int>(showConfigureDialog(parent));
            }
            case 'A':
            case 'a': {
                if (!isWin9x) return -1;
                WindowHandle parent = parseWindowHandle(skipSpaces(p + 1));
                if (!platform_.isWindow(parent)) parent = platform_.foregroundWindow();
                changePassword(parent);
                return 0;
            }
            default:
                return -1;
        }
    }
}

MessageResult ScreenSaverFramework::showConfigureDialog(WindowHandle parent) {
    // The saver registers no extra dialog classes, so the dialog always runs.
    return platform_.runConfigureDialog(parent);
}

void ScreenSaverFramework::changePassword(WindowHandle parent) {
    const ModuleHandle library = platform_.loadLibrary(passwordChangeLibraryName);
    if (library == 0) return;
    if (void* change = platform_.procAddress(library, passwordChangeEntry))
        platform_.callChangePassword(change, passwordProvider, parent);
    platform_.freeLibrary(library);
}

int ScreenSaverFramework::runSaver(WindowHandle parent) {
    SaverWindowLayout layout;
    if (parent != 0) {
        const ClientRect area = platform_.clientRect(parent);
        layout.parent = parent;
        layout.width = area.right - area.left;
        layout.height = area.bottom - area.top;
        layout.style = childStyle | visibleStyle | clipChildrenStyle;
        layout.title = previewTitle;
        isPreview = true;
    } else {
        const ClientRect screen = platform_.screenClipBox();
        layout.x = screen.left;
        layout.y = screen.top;
        layout.width = screen.right - screen.left;
        layout.height = screen.bottom - screen.top;
        layout.style = popupStyle | visibleStyle | clipChildrenStyle | clipSiblingsStyle;
        layout.extendedStyle = topmostExtendedStyle;
        layout.title = fullScreenTitle;
        // Only one full-screen saver runs at a time.
        if (const WindowHandle running = platform_.findFullScreenSaver()) {
            platform_.setForegroundWindow(running);
            return 0;
        }
        loadPasswordVerifier();
    }
    autoPlayMessage = isWin9x ? platform_.registerWindowMessage(autoPlayMessageName) : 0;

    platform_.registerSaverClass();
    saverWindow = platform_.createSaverWindow(layout);
    int code = 0;
    if (saverWindow != 0) {
        if (!isPreview) platform_.setForegroundWindow(saverWindow);
        code = platform_.runMessageLoop();
    }
    unloadPasswordVerifier();
    return code;
}

MessageResult ScreenSaverFramework::guardedWindowProc(WindowHandle window, uint32_t message, MessageParam wParam,
                                                      MessageLong lParam) {
    // Nothing may unwind through the platform's own frames, so the guard sits
    // at the window procedure and ends the saver from here.
    try {
        return frameworkWindowProc(window, message, wParam, lParam);
    } catch (ProcessExit exit) {
        return windowProcedureFailed(window, message, exit.status);
    } catch (...) {
        return windowProcedureFailed(window, message, errorExitStatus);
    }
}

MessageResult ScreenSaverFramework::windowProcedureFailed(WindowHandle window, uint32_t message, int status) {
    if (!failed) exitStatus = status;
    failed = true;
    // No frame is drawn and no input is filtered any more.
    isClosing = true;
    // A failed creation makes the platform destroy the half-made window itself.
    if (message == wm::create) return -1;
    if (message != wm::destroy && platform_.isWindow(window)) {
        platform_.destroyWindow(window);  // its destroy message releases the saver and posts quit
    } else {
        platform_.postQuitMessage(0);
    }
    return 0;
}

MessageResult ScreenSaverFramework::frameworkWindowProc(WindowHandle window, uint32_t message, MessageParam wParam,
                                                        MessageLong lParam) {
    switch (message) {
        case wm::create:
            inputMethodLibrary = platform_.loadedModule(inputMethodLibraryName);
            if (inputMethodLibrary != 0) immAssociateContext = platform_.procAddress(inputMethodLibrary, associateContextEntry);
            if (immAssociateContext != nullptr)
                detachedInputContext = platform_.callAssociateContext(immAssociateContext, window, 0);
            lastCursorPos = platform_.cursorPosition();
            if (!isPreview) platform_.hideCursor();
            break;
        case wm::destroy:
            if (detachedInputContext != 0) {
                platform_.callAssociateContext(immAssociateContext, window, detachedInputContext);
                detachedInputContext = 0;
            }
            platform_.postQuitMessage(0);
            break;
        case wm::setText:
            return 0;
        case wm::paint:
            if (isClosing) return platform_.defaultWindowProc(window, message, wParam, lParam);
            if (!isPreview) platform_.hideCursor();
            break;
        case wm::help:
        case wm::contextMenu:
            if (isPreview) {
                const WindowHandle parent = platform_.parentWindow(window);
                if (parent != 0 && platform_.isWindow(parent)) platform_.postMessage(parent, message, parent, lParam);
                return 1;
            }
            break;
        case wm::keyDown:
        case wm::sysKeyDown:
        case wm::mouseMove:
        case wm::leftButtonDown:
        case wm::rightButtonDown:
        case wm::middleButtonDown:
            if (isClosing) return platform_.defaultWindowProc(window, message, wParam, lParam);
            break;
        case wm::sysCommand:
            if (!isPreview && (wParam == nextWindowCommand || wParam == previousWindowCommand || wParam == screenSaveCommand))
                return 0;
            break;
        case wm::timer:
            // Once the close is granted, no further frame is drawn.
            if (isClosing) return 0;
            platform_.yieldTimeSlice();
            break;
        default:
            break;
    }
    return saverProc(window, message, wParam, lParam);
}

MessageResult ScreenSaverFramework::saverProc(WindowHandle window, uint32_t message, MessageParam wParam,
                                              MessageLong lParam) {
    switch (message) {
        case wm::create:
            saver_.onCreate(window);
            return 0;
        case wm::destroy:
            saver_.onDestroy();
            return 0;
        case wm::timer:
            saver_.onTimer();
            return 0;
        default:
            return defaultSaverProc(window, message, wParam, lParam);
    }
}

void ScreenSaverFramework::postClose(WindowHandle window) { platform_.postMessage(window, wm::close, 0, 0); }

bool ScreenSaverFramework::movedPastThreshold(CursorPoint& position) const {
    position = platform_.cursorPosition();
    return movedFarEnoughToClose(position.x - lastCursorPos.x, position.y - lastCursorPos.y);
}

MessageResult ScreenSaverFramework::defaultSaverProc(WindowHandle window, uint32_t message, MessageParam wParam,
                                                     MessageLong lParam) {
    if (!isPreview && !isClosing) {
        if (message == wm::close) {
            if (isWin9x && !verifyOnClose(window)) {
                lastCursorPos = platform_.cursorPosition();
                return 0;
            }
        } else if (message == wm::verifyPassword && isWin9x) {
            if (verifyScreenSavePwd == nullptr) return 1;
            return platform_.callVerifyPassword(verifyScreenSavePwd, window) ? 1 : 0;
        } else if (!isCheckingPassword) {
            switch (message) {
                case wm::showWindow:
                    if (wParam != 0) platform_.hideCursor();
                    break;
                case wm::activateApp:
                    if (wParam == 0) postClose(window);
                    break;
                case wm::power:
                    if (wParam == powerCriticalResume) postClose(window);
                    break;
                case wm::setCursor:
                    platform_.hideCursor();
                    return 1;
                case wm::keyDown:
                case wm::sysKeyDown:
                case wm::leftButtonDown:
                case wm::rightButtonDown:
                case wm::middleButtonDown:
                case wm::powerBroadcast:
                    postClose(window);
                    break;
                case wm::mouseMove: {
                    // Measured from the last recorded position, so small moves add up.
                    CursorPoint position;
                    if (movedPastThreshold(position)) {
                        postClose(window);
                        lastCursorPos = position;
                    }
                    break;
                }
                default:
                    break;
            }
        }
    }
    if (message == autoPlayMessage && autoPlayMessage != 0) {
        postClose(window);
        return passwordLibrary != 0 ? 1 : 0;
    }
    return platform_.defaultWindowProc(window, message, wParam, lParam);
}

bool ScreenSaverFramework::verifyOnClose(WindowHandle window) {
    if (isCheckingPassword || isClosing) return false;
    if (verifyScreenSavePwd == nullptr) {
        isClosing = true;
        return true;
    }
    const uint32_t now = platform_.tickCount();
    if (lastPasswordCheck != noPasswordCheck && now - lastPasswordCheck < passwordPauseMilliseconds) return false;

    isCheckingPassword = true;
    // Frames queued while the prompt was coming up would be drawn behind it.
    platform_.removeTimerMessage(window);
    platform_.removeTimerMessage(window);
    isClosing = platform_.sendMessage(window, wm::verifyPassword, 0, 0) != 0;
    isCheckingPassword = false;
    if (!isClosing) platform_.hideCursor();
    lastPasswordCheck = platform_.tickCount();
    return isClosing;
}

void ScreenSaverFramework::loadPasswordVerifier() {
    if (!isWin9x) return;
    if (passwordLibrary != 0) unloadPasswordVerifier();
    uint32_t usePassword = 0;
    if (!platform_.readUserValue(desktopKey, usePasswordValue, usePassword) || usePassword == 0) return;
    passwordLibrary = platform_.loadLibrary(passwordLibraryName);
    if (passwordLibrary == 0) return;
    verifyScreenSavePwd = platform_.procAddress(passwordLibrary, verifyPasswordEntry);
    if (verifyScreenSavePwd != nullptr)
        setSaverRunning(true);
    else
        unloadPasswordVerifier();
}

void ScreenSaverFramework::unloadPasswordVerifier() {
    if (!isWin9x || passwordLibrary == 0) return;
    platform_.freeLibrary(passwordLibrary);
    passwordLibrary = 0;
    if (verifyScreenSavePwd != nullptr) {
        verifyScreenSavePwd = nullptr;
        setSaverRunning(false);
    }
}

void ScreenSaverFramework::setSaverRunning(bool running) {
    if (isWin9x) platform_.setScreenSaverRunning(running);
}
