// Offscreen frames on Windows: a WGL context on a window that is never shown,
// drawn into its back buffer and read back before any swap.
#include <windows.h>
#include <GL/gl.h>

#include <cstring>
#include <memory>

#include "core/message.h"
#include "seam/offscreen_context.h"
#include "textures/texture.h"

namespace {
constexpr const char* offscreenClass = "kvssOffscreenWindow";

class WglOffscreenContext : public OffscreenContext {
public:
    WglOffscreenContext(int width, int height) : width_(width), height_(height) {
        if (width < 1 || height < 1) fail("Bad OpenGL target size");
        const HINSTANCE module = GetModuleHandleA(nullptr);
        WNDCLASSA windowClass{};
        windowClass.style = CS_OWNDC;
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = module;
        windowClass.lpszClassName = offscreenClass;
        RegisterClassA(&windowClass);  // fails harmlessly when an earlier context registered it
        window_ = CreateWindowExA(0, offscreenClass, "kvss offscreen", WS_POPUP, 0, 0, width, height, nullptr, nullptr,
                                  module, nullptr);
        if (window_ == nullptr) fail("Cannot create a window for offscreen drawing");
        deviceContext_ = GetDC(window_);
        PIXELFORMATDESCRIPTOR wanted{};
        wanted.nSize = sizeof wanted;
        wanted.nVersion = 1;
        wanted.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
        wanted.iPixelType = PFD_TYPE_RGBA;
        wanted.cColorBits = 24;
        wanted.cAlphaBits = 8;
        wanted.cDepthBits = 24;
        const int format = ChoosePixelFormat(deviceContext_, &wanted);
        if (format == 0 || !SetPixelFormat(deviceContext_, format, &wanted)) {
            teardown();
            fail("Cannot set a pixel format for offscreen drawing");
        }
        context_ = wglCreateContext(deviceContext_);
        if (context_ == nullptr) {
            teardown();
            fail("Cannot create the OpenGL context");
        }
        makeCurrent();
        setGlContextQuery([] { return wglGetCurrentContext() != nullptr; });
    }
    ~WglOffscreenContext() override { teardown(); }

    void makeCurrent() override {
        if (!wglMakeCurrent(deviceContext_, context_)) fail("Couldn't make the OpenGL context current");
    }
    void release() override { wglMakeCurrent(nullptr, nullptr); }

    std::vector<uint8_t> readPixels() override {
        makeCurrent();
        glFinish();
        glReadBuffer(GL_BACK);  // the frame is drawn there and never swapped
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        const size_t row = static_cast<size_t>(width_) * 4;
        std::vector<uint8_t> bottomUp(row * height_);
        glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
        // OpenGL's first row is the bottom one; images start at the top.
        std::vector<uint8_t> topDown(bottomUp.size());
        for (int y = 0; y < height_; ++y)
            std::memcpy(topDown.data() + row * y, bottomUp.data() + row * (height_ - 1 - y), row);
        return topDown;
    }

    void* procAddress(const char* name) const override {
        const auto address = reinterpret_cast<intptr_t>(wglGetProcAddress(name));
        // Some drivers answer a missing entry with a small number or -1 instead of null.
        if (address >= -1 && address <= 3) return nullptr;
        return reinterpret_cast<void*>(address);
    }
    int width() const override { return width_; }
    int height() const override { return height_; }

private:
    void teardown() {
        if (context_ != nullptr) {
            if (wglGetCurrentContext() == context_) wglMakeCurrent(nullptr, nullptr);
            wglDeleteContext(context_);
            context_ = nullptr;
        }
        if (deviceContext_ != nullptr) ReleaseDC(window_, deviceContext_);
        deviceContext_ = nullptr;
        if (window_ != nullptr) DestroyWindow(window_);
        window_ = nullptr;
    }

    int width_;
    int height_;
    HWND window_ = nullptr;
    HDC deviceContext_ = nullptr;
    HGLRC context_ = nullptr;
};
}  // namespace

std::unique_ptr<OffscreenContext> makeOffscreenContext(int width, int height) {
    return std::make_unique<WglOffscreenContext>(width, height);
}
