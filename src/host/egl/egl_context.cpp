#include "host/egl/egl_context.h"

#include <memory>

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstring>

#include "core/message.h"
#include "textures/texture.h"

namespace {
// The surfaceless display is one per process and stays initialised until
// exit: initialisation is not counted, so terminating it would pull it from
// under other contexts, and Mesa's teardown (which unloads its driver) leaks
// a few blocks that no tool could then attribute.
EGLDisplay surfacelessDisplay() {
    const char* extensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (extensions == nullptr || std::strstr(extensions, "EGL_MESA_platform_surfaceless") == nullptr)
        fail("EGL has no surfaceless platform");
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (getPlatformDisplay == nullptr) fail("EGL has no surfaceless platform");
    EGLDisplay display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr)) fail("Couldn't initialise EGL");
    return display;
}

EGLConfig chooseConfig(EGLDisplay display, EGLint surfaceType) {
    const EGLint attributes[] = {EGL_SURFACE_TYPE, surfaceType,     EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                 EGL_RED_SIZE,     8,               EGL_GREEN_SIZE,      8,
                                 EGL_BLUE_SIZE,    8,               EGL_ALPHA_SIZE,      8,
                                 EGL_DEPTH_SIZE,   24,              EGL_NONE};
    EGLConfig config = nullptr;
    EGLint found = 0;
    if (!eglChooseConfig(display, attributes, &config, 1, &found) || found < 1) return nullptr;
    return config;
}

// The framebuffer-object entry points are not OpenGL 1.1: they are looked up.
struct FramebufferCalls {
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer;
    PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers;
    PFNGLGENRENDERBUFFERSPROC genRenderbuffers;
    PFNGLBINDRENDERBUFFERPROC bindRenderbuffer;
    PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers;
    PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus;
};

template <class Function>
void lookUp(Function& function, const char* name) {
    function = reinterpret_cast<Function>(eglGetProcAddress(name));
    if (function == nullptr) fail("OpenGL has no framebuffer objects");
}

FramebufferCalls framebufferCalls() {
    FramebufferCalls calls{};
    lookUp(calls.genFramebuffers, "glGenFramebuffers");
    lookUp(calls.bindFramebuffer, "glBindFramebuffer");
    lookUp(calls.deleteFramebuffers, "glDeleteFramebuffers");
    lookUp(calls.genRenderbuffers, "glGenRenderbuffers");
    lookUp(calls.bindRenderbuffer, "glBindRenderbuffer");
    lookUp(calls.deleteRenderbuffers, "glDeleteRenderbuffers");
    lookUp(calls.renderbufferStorage, "glRenderbufferStorage");
    lookUp(calls.framebufferRenderbuffer, "glFramebufferRenderbuffer");
    lookUp(calls.checkFramebufferStatus, "glCheckFramebufferStatus");
    return calls;
}
}  // namespace

bool eglContextIsCurrent() { return eglGetCurrentContext() != EGL_NO_CONTEXT; }

EglContext::EglContext(int width, int height, Target target) : width_(width), height_(height) {
    if (width < 1 || height < 1) fail("Bad OpenGL target size");
    display_ = surfacelessDisplay();
    try {
        if (!eglBindAPI(EGL_OPENGL_API)) fail("EGL offers no desktop OpenGL");
        EGLConfig config = nullptr;
        if (target != Target::framebuffer) {
            config = chooseConfig(display_, EGL_PBUFFER_BIT);
            if (config != nullptr) {
                const EGLint size[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
                surface_ = eglCreatePbufferSurface(display_, config, size);
                if (surface_ == EGL_NO_SURFACE) surface_ = nullptr;
            }
            if (surface_ == nullptr && target == Target::pbuffer) fail("EGL offers no pbuffer");
        }
        if (surface_ == nullptr) {
            // No pbuffer: a context without a surface, drawing into a framebuffer object.
            const char* extensions = eglQueryString(display_, EGL_EXTENSIONS);
            if (extensions == nullptr || std::strstr(extensions, "EGL_KHR_surfaceless_context") == nullptr)
                fail("EGL offers neither a pbuffer nor a surfaceless context");
            config = chooseConfig(display_, 0);
            if (config == nullptr) fail("No OpenGL config for EGL");
        }
        // No version or profile asked for: Mesa then gives the compatibility
        // profile, which has the fixed-function pipeline of OpenGL 1.1.
        context_ = eglCreateContext(display_, config, EGL_NO_CONTEXT, nullptr);
        if (context_ == EGL_NO_CONTEXT) {
            context_ = nullptr;
            fail("Couldn't create an OpenGL context");
        }
        makeCurrent();
        if (surface_ == nullptr) createFramebuffer();
    } catch (Message) {
        teardown();
        throw;
    }
    setGlContextQuery(&eglContextIsCurrent);
}

void EglContext::createFramebuffer() {
    const FramebufferCalls gl = framebufferCalls();
    gl.genFramebuffers(1, &framebuffer_);
    gl.bindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    gl.genRenderbuffers(1, &colourBuffer_);
    gl.bindRenderbuffer(GL_RENDERBUFFER, colourBuffer_);
    gl.renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width_, height_);
    gl.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colourBuffer_);
    gl.genRenderbuffers(1, &depthBuffer_);
    gl.bindRenderbuffer(GL_RENDERBUFFER, depthBuffer_);
    gl.renderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width_, height_);
    gl.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depthBuffer_);
    if (gl.checkFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) fail("Couldn't create a framebuffer");
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    // Without a surface nothing sizes the viewport on the first make-current.
    glViewport(0, 0, width_, height_);
}

EglContext::~EglContext() { teardown(); }

void EglContext::teardown() {
    if (context_ != nullptr) {
        EGLSurface surface = surface_ != nullptr ? surface_ : EGL_NO_SURFACE;
        if (framebuffer_ != 0 && eglMakeCurrent(display_, surface, surface, context_)) {
            const FramebufferCalls gl = framebufferCalls();
            gl.bindFramebuffer(GL_FRAMEBUFFER, 0);
            gl.deleteFramebuffers(1, &framebuffer_);
            gl.deleteRenderbuffers(1, &colourBuffer_);
            gl.deleteRenderbuffers(1, &depthBuffer_);
            framebuffer_ = 0;
        }
        if (isCurrent()) release();
        eglDestroyContext(display_, context_);
        context_ = nullptr;
    }
    if (surface_ != nullptr) {
        eglDestroySurface(display_, surface_);
        surface_ = nullptr;
    }
    display_ = nullptr;
}

void EglContext::makeCurrent() {
    EGLSurface surface = surface_ != nullptr ? surface_ : EGL_NO_SURFACE;
    if (!eglMakeCurrent(display_, surface, surface, context_)) fail("Couldn't make the OpenGL context current");
}

void EglContext::release() { eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT); }

bool EglContext::isCurrent() const { return context_ != nullptr && eglGetCurrentContext() == context_; }

std::vector<uint8_t> EglContext::readPixels() {
    makeCurrent();
    glFinish();
    const size_t row = static_cast<size_t>(width_) * 4;
    std::vector<uint8_t> bottomUp(row * height_);  // RGBA rows meet any pack alignment
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    // OpenGL's first row is the bottom one; images start at the top.
    std::vector<uint8_t> topDown(bottomUp.size());
    for (int y = 0; y < height_; ++y)
        std::memcpy(topDown.data() + row * y, bottomUp.data() + row * (height_ - 1 - y), row);
    return topDown;
}

void* EglContext::procAddress(const char* name) const {
    return reinterpret_cast<void*>(eglGetProcAddress(name));
}

std::unique_ptr<OffscreenContext> makeOffscreenContext(int width, int height) {
    return std::make_unique<EglContext>(width, height);
}
