#include "host/win32/win32_loop.h"

#include <shellapi.h>
#include <windowsx.h>

#include <exception>
#include <stdexcept>

#include "core/message.h"

namespace {
constexpr const char* clientWindowClass = "kvssClientWindow";
constexpr UINT_PTR tickTimerId = 1;

Modifiers keyboardModifiers() { return {GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0}; }

Modifiers mouseModifiers(WPARAM wParam) { return {(wParam & MK_SHIFT) != 0, (wParam & MK_CONTROL) != 0}; }

WindowEvent pointerEvent(WindowEvent::Kind kind, LPARAM lParam, WPARAM wParam) {
    WindowEvent event;
    event.kind = kind;
    event.x = GET_X_LPARAM(lParam);
    event.y = GET_Y_LPARAM(lParam);
    event.modifiers = mouseModifiers(wParam);
    return event;
}
}  // namespace

int runWin32MessageLoop() {
    MSG message{};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

Win32ClientWindow::Win32ClientWindow(HINSTANCE module, LoopClient& client) : module_(module), client_(client) {}

Win32ClientWindow::~Win32ClientWindow() {
    if (window_ != nullptr) DestroyWindow(window_);
}

void Win32ClientWindow::create(const char* title, int width, int height, HICON icon) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    // Its own device context, which the OpenGL context keeps for the window's life.
    windowClass.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = module_;
    windowClass.hIcon = icon;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.lpszClassName = clientWindowClass;
    RegisterClassExA(&windowClass);

    const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    RECT area{0, 0, width, height};
    AdjustWindowRect(&area, style, FALSE);
    window_ = CreateWindowExA(WS_EX_ACCEPTFILES, clientWindowClass, title, style, CW_USEDEFAULT, CW_USEDEFAULT,
                              area.right - area.left, area.bottom - area.top, nullptr, nullptr, module_, this);
    if (window_ == nullptr) throw std::runtime_error("cannot create the window");
}

void Win32ClientWindow::show() {
    ShowWindow(window_, SW_SHOWNORMAL);
    UpdateWindow(window_);
    const int period = client_.tickMilliseconds();
    if (period > 0) SetTimer(window_, tickTimerId, static_cast<UINT>(period), nullptr);
}

LRESULT CALLBACK Win32ClientWindow::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<Win32ClientWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->window_ = window;
    }
    auto* self = reinterpret_cast<Win32ClientWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcA(window, message, wParam, lParam);
    // Nothing may unwind through Windows' own frames: what leaves the client
    // ends the loop, and the program reports it.
    try {
        return self->handle(message, wParam, lParam);
    } catch (Message text) {
        self->failure_ = text;
    } catch (const std::exception& error) {
        self->failure_ = error.what();
    }
    KillTimer(window, tickTimerId);
    DestroyWindow(window);
    return 0;
}

void Win32ClientWindow::deliver(const WindowEvent& event) {
    client_.handle(event);
    closeIfDone();
}

void Win32ClientWindow::closeIfDone() {
    if (client_.closing() && window_ != nullptr) {
        KillTimer(window_, tickTimerId);
        DestroyWindow(window_);
    }
}

LRESULT Win32ClientWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            if (wParam != tickTimerId) break;
            client_.tick();
            closeIfDone();
            return 0;
        case WM_SIZE: {
            WindowEvent event;
            event.kind = WindowEvent::Kind::resized;
            event.x = LOWORD(lParam);
            event.y = HIWORD(lParam);
            deliver(event);
            return 0;
        }
        case WM_KEYDOWN: {
            WindowEvent event;
            event.modifiers = keyboardModifiers();
            switch (wParam) {
                case VK_LEFT: event.key = NamedKey::left; break;
                case VK_RIGHT: event.key = NamedKey::right; break;
                case VK_ESCAPE: event.key = NamedKey::escape; break;
                default: return DefWindowProcA(window_, message, wParam, lParam);  // typed keys come as WM_CHAR
            }
            deliver(event);
            return 0;
        }
        case WM_CHAR: {
            // Control characters (Escape, Return, control + letter) type nothing here.
            if (wParam < 0x20 || wParam > 0x7E) return 0;
            WindowEvent event;
            event.character = static_cast<char>(wParam);
            event.modifiers = keyboardModifiers();
            deliver(event);
            return 0;
        }
        case WM_LBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_RBUTTONDOWN: {
            WindowEvent event = pointerEvent(WindowEvent::Kind::buttonDown, lParam, wParam);
            event.button = message == WM_LBUTTONDOWN   ? PointerButton::left
                           : message == WM_MBUTTONDOWN ? PointerButton::middle
                                                       : PointerButton::right;
            // A drag goes on outside the window until the button comes up.
            if (buttonsDown_++ == 0) SetCapture(window_);
            deliver(event);
            return 0;
        }
        case WM_LBUTTONUP:
        case WM_MBUTTONUP:
        case WM_RBUTTONUP: {
            WindowEvent event = pointerEvent(WindowEvent::Kind::buttonUp, lParam, wParam);
            event.button = message == WM_LBUTTONUP   ? PointerButton::left
                           : message == WM_MBUTTONUP ? PointerButton::middle
                                                     : PointerButton::right;
            if (buttonsDown_ > 0 && --buttonsDown_ == 0) ReleaseCapture();
            deliver(event);
            return 0;
        }
        case WM_CAPTURECHANGED: buttonsDown_ = 0; return 0;
        case WM_MOUSEMOVE: deliver(pointerEvent(WindowEvent::Kind::pointerMoved, lParam, wParam)); return 0;
        case WM_MOUSEWHEEL: {
            wheelRemainder_ += GET_WHEEL_DELTA_WPARAM(wParam);
            const int steps = wheelRemainder_ / WHEEL_DELTA;
            if (steps == 0) return 0;
            wheelRemainder_ -= steps * WHEEL_DELTA;
            WindowEvent event;
            event.kind = WindowEvent::Kind::wheel;
            event.steps = steps;
            event.modifiers = mouseModifiers(GET_KEYSTATE_WPARAM(wParam));
            deliver(event);
            return 0;
        }
        case WM_DROPFILES: {
            const auto drop = reinterpret_cast<HDROP>(wParam);
            WindowEvent event;
            event.kind = WindowEvent::Kind::fileDropped;
            const UINT length = DragQueryFileA(drop, 0, nullptr, 0);
            event.path.resize(length + 1);
            DragQueryFileA(drop, 0, event.path.data(), length + 1);
            event.path.resize(length);
            DragFinish(drop);
            if (!event.path.empty()) deliver(event);
            return 0;
        }
        case WM_CLOSE: {
            WindowEvent event;
            event.kind = WindowEvent::Kind::closeRequested;
            deliver(event);
            return 0;
        }
        case WM_ERASEBKGND: return 1;  // every tick paints the whole client area
        case WM_DESTROY:
            window_ = nullptr;
            PostQuitMessage(0);
            return 0;
        default: break;
    }
    return DefWindowProcA(window_, message, wParam, lParam);
}
