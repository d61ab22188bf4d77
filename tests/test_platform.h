#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/egl/egl_context.h"
#include "options/settings.h"
#include "seam/saver_platform.h"

// The seam, driven by the test: a clock that answers from a script (then stays
// put), a real headless GL context, and failures turned into exceptions.
class TestPlatform : public SaverPlatform {
public:
    std::optional<std::string> archive;
    TimeStamp clock{1000, 0};
    std::deque<TimeStamp> script;  // answers of the next calls to now()
    bool fontBuilt = false;
    int timer = 0;
    std::unique_ptr<EglContext> context;
    NullOptionStore store;  // options come from the test

    OptionStore& optionStore() override { return store; }
    std::vector<Monitor> monitorList;  // empty: the whole window
    ClientRect clientRect() override { return {0, 0, 64, 48}; }
    std::vector<Monitor> monitors() override {
        return monitorList.empty() ? SaverPlatform::monitors() : monitorList;
    }
    void createGlContext(bool buildFont) override {
        context = std::make_unique<EglContext>(64, 48);
        fontBuilt = buildFont;
    }
    void destroyGlContext() override { context.reset(); }
    void* glProcAddress(const char* name) override { return context ? context->procAddress(name) : nullptr; }
    void swapBuffers() override {}
    void startTimer(int milliseconds) override { timer = milliseconds; }
    void stopTimer() override { timer = 0; }
    TimeStamp now() override {
        if (!script.empty()) {
            clock = script.front();
            script.pop_front();
        }
        return clock;
    }
    std::optional<std::string> gameArchivePath() override { return archive; }
    [[noreturn]] void fatal(const char* message) override { throw std::runtime_error(message); }

    void advance(int milliseconds) { clock = clock + milliseconds; }
};
