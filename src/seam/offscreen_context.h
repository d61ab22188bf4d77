#pragma once

#include <cstdint>
#include <memory>
#include <vector>

// A headless OpenGL context of a fixed size, for frames nobody sees on screen:
// OffscreenSaver makes one when it starts (kvtool's pictures, the tests, the
// bench), and kvtool render asks one for the largest size it can draw. Each
// platform makes it its own way: EGL on Linux, an invisible window's WGL
// context on Windows.
class OffscreenContext {
public:
    virtual ~OffscreenContext() = default;
    virtual void makeCurrent() = 0;
    // Leaves this thread without a current context.
    virtual void release() = 0;
    // The frame's pixels as RGBA bytes, top row first (width * height * 4).
    // Makes the context current first.
    virtual std::vector<uint8_t> readPixels() = 0;
    // An OpenGL entry point such as "glActiveTextureARB", or null.
    virtual void* procAddress(const char* name) const = 0;
    virtual int width() const = 0;
    virtual int height() const = 0;
};

// Makes the platform's offscreen context and makes it current; throws a
// message text when the platform cannot give one of that size.
std::unique_ptr<OffscreenContext> makeOffscreenContext(int width, int height);
