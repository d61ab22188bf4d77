#pragma once

#include <cstdint>
#include <vector>

#include "seam/offscreen_context.h"

// A headless OpenGL context on Mesa through EGL's surfaceless platform: no
// display, desktop OpenGL (compatibility profile), drawing into an RGBA8 colour
// and 24-bit depth target of a fixed size. Used by kvtool render and the tests.
// EGL's handles are kept as plain pointers so that users need no EGL header.
class EglContext : public OffscreenContext {
public:
    enum class Target {
        automatic,   // a pbuffer when the platform offers one, else a framebuffer object
        pbuffer,     // an EGL pbuffer surface
        framebuffer  // a surfaceless context drawing into a framebuffer object
    };

    // Creates the context and makes it current; throws a message text when
    // EGL or OpenGL cannot give what is asked.
    EglContext(int width, int height, Target target = Target::automatic);
    ~EglContext() override;
    EglContext(const EglContext&) = delete;
    EglContext& operator=(const EglContext&) = delete;

    void makeCurrent() override;
    void release() override;
    bool isCurrent() const;
    std::vector<uint8_t> readPixels() override;
    void* procAddress(const char* name) const override;
    int width() const override { return width_; }
    int height() const override { return height_; }
    bool usesFramebufferObject() const { return framebuffer_ != 0; }

private:
    void createFramebuffer();
    // Releases whatever was made; never throws.
    void teardown();

    int width_;
    int height_;
    void* display_ = nullptr;
    void* surface_ = nullptr;   // null when drawing into the framebuffer object
    void* context_ = nullptr;
    uint32_t framebuffer_ = 0;
    uint32_t colourBuffer_ = 0;
    uint32_t depthBuffer_ = 0;
};

// True when some EGL context is current on this thread.
bool eglContextIsCurrent();
