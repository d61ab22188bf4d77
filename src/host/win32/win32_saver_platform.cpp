#include "host/win32/win32_saver_platform.h"

#include <sys/timeb.h>

#include "core/message.h"
#include "windows_framework/framework.h"
#include "game_finder/game_finder.h"
#include "host/win32/win32_registry.h"
#include "options/settings.h"
#include "render/draw_frame.h"
#include "seam/monitors.h"
#include "textures/texture.h"

namespace {
constexpr UINT_PTR saverTimerId = 1;
constexpr const char* errorCaption = "Error";

// Display lists 0..127 for the font selected into `dc`. Wine compiles a glyph
// without ink (the space) into a list that does not move the raster position,
// so those lists are made again with the font's own width for the code. Where
// GDI has no outline data for the font (a raster font on Windows), Windows
// builds the lists itself, with their widths, and they are left alone.
void buildGlyphLists(HDC dc) {
    wglUseFontBitmapsA(dc, 0, 128, 0);
    const MAT2 identity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    for (UINT code = 1; code < 128; ++code) {
        GLYPHMETRICS metrics{};
        INT width = 0;
        if (GetGlyphOutlineA(dc, code, GGO_BITMAP, &metrics, 0, nullptr, &identity) == 0 &&
            GetCharWidth32A(dc, code, code, &width))
            defineBlankGlyph(code, static_cast<float>(width));
    }
}
}  // namespace

PIXELFORMATDESCRIPTOR saverPixelFormat(int depthBits) {
    PIXELFORMATDESCRIPTOR format{};
    static_assert(sizeof format == 40);
    format.nSize = sizeof format;
    format.nVersion = 1;
    format.dwFlags = PFD_DOUBLEBUFFER | PFD_SUPPORT_OPENGL;
    format.iPixelType = PFD_TYPE_RGBA;
    format.cColorBits = 24;
    format.cDepthBits = static_cast<BYTE>(depthBits);
    return format;
}

ClientRect Win32SaverPlatform::clientRect() {
    RECT area{};
    GetClientRect(window_, &area);
    return {area.left, area.top, area.right, area.bottom};
}

namespace {
BOOL CALLBACK noteMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    // GetMonitorInfo knows every monitor where EnumDisplaySettings may not (Wine).
    if (GetMonitorInfoA(monitor, &info)) {
        const RECT& r = info.rcMonitor;
        reinterpret_cast<std::vector<Monitor>*>(list)->push_back(
            {{r.left, r.top, r.right, r.bottom}, (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
    }
    return TRUE;
}
}  // namespace

std::vector<Monitor> Win32SaverPlatform::monitors() {
    const ClientRect area = clientRect();
    // The virtual screen may begin left of or above 0: the primary monitor is at 0, 0.
    POINT origin{0, 0};
    ClientToScreen(window_, &origin);
    std::vector<Monitor> screen;
    EnumDisplayMonitors(nullptr, nullptr, noteMonitor, reinterpret_cast<LPARAM>(&screen));
    return monitorsInWindow(screen, {origin.x, origin.y, origin.x + area.width(), origin.y + area.height()});
}

void Win32SaverPlatform::createGlContext(bool buildFont) {
    const PIXELFORMATDESCRIPTOR wanted = saverPixelFormat(depthBits_);
    deviceContext_ = GetDC(window_);
    const int format = ChoosePixelFormat(deviceContext_, &wanted);
    if (format == 0 || !SetPixelFormat(deviceContext_, format, &wanted)) fail("Cannot set the window's pixel format");
    glContext_ = wglCreateContext(deviceContext_);
    if (glContext_ == nullptr || !wglMakeCurrent(deviceContext_, glContext_)) fail("Cannot create the OpenGL context");
    // Textures still held at exit must not touch GL once the context is gone.
    setGlContextQuery([] { return wglGetCurrentContext() != nullptr; });
    if (buildFont) {
        // Display list n draws character n of the stock variable-width font.
        SelectObject(deviceContext_, GetStockObject(ANSI_VAR_FONT));
        buildGlyphLists(deviceContext_);
    }
}

void Win32SaverPlatform::destroyGlContext() {
    wglMakeCurrent(nullptr, nullptr);
    if (glContext_ != nullptr) wglDeleteContext(glContext_);
    glContext_ = nullptr;
    if (deviceContext_ != nullptr) ReleaseDC(window_, deviceContext_);
    deviceContext_ = nullptr;
}

void* Win32SaverPlatform::glProcAddress(const char* name) {
    const auto address = reinterpret_cast<intptr_t>(wglGetProcAddress(name));
    // Some drivers answer a missing entry with a small number or -1 instead of null.
    if (address >= -1 && address <= 3) return nullptr;
    return reinterpret_cast<void*>(address);
}

void Win32SaverPlatform::swapBuffers() { SwapBuffers(deviceContext_); }

void Win32SaverPlatform::startTimer(int milliseconds) { SetTimer(window_, saverTimerId, milliseconds, nullptr); }

void Win32SaverPlatform::stopTimer() { KillTimer(window_, saverTimerId); }

TimeStamp Win32SaverPlatform::now() {
    __timeb64 stamp{};
    _ftime64(&stamp);
    return {static_cast<int32_t>(stamp.time), static_cast<uint16_t>(stamp.millitm)};
}

std::optional<std::string> Win32SaverPlatform::gameArchivePath() {
    if (!archive_.empty()) return archive_;
    Win32Registry registry;
    GameSearch search;
    search.registry = &registry;
    search.chosen = chosenFolder_;
    if (!chooses_) {
        Settings settings;
        loadSettings(store_, settings);
        search.chosen = settings.game_dir;
    }
    const GameSearchResult result = findGame(search);
    if (result.found.empty()) return std::nullopt;
    return result.found.front().archive;
}

void Win32SaverPlatform::fatal(const char* message) {
    MessageBoxA(nullptr, message, errorCaption, MB_OK);
    throw ProcessExit{1};
}
