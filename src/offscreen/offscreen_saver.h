#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "saver/saver.h"
#include "options/settings.h"

class OffscreenContext;

// The saver run offscreen: the same create, tick and destroy as on screen, into
// the platform's headless OpenGL context, on a simulated clock of one tick per 10 ms, with
// the random generator seeded by `seed` (where the real clock's seconds would
// seed it). A given seed gives the same pictures.
class OffscreenSaver : private SaverPlatform {
public:
    struct Options {
        std::string archivePath;
        int width = 1280;
        int height = 720;
        uint32_t seed = 1;
        Settings settings;
        std::string model;        // archive entry shown at every change; empty: chosen at random
        bool wireframe = false;   // every model as a wireframe
        // The monitors the picture spans, in its coordinates; none: one monitor, the whole picture.
        std::vector<Monitor> monitors;
    };

    explicit OffscreenSaver(const Options& options);
    ~OffscreenSaver() override;

    // The create message: context, options, archive, models, table.
    void start();
    // Runs ticks up to and including the one that sees the current model on
    // screen for `seconds` (the first tick puts one up, at 0), and draws that
    // one. Ticks before it advance the clock, the animation and the camera's
    // drift; with `drawEveryTick` false they skip the drawing, which changes
    // nothing but the frame-rate read-out.
    void runUntil(float seconds, bool drawEveryTick);
    // One more tick, drawn.
    void tickOnce();
    // The last frame drawn: RGBA, top row first.
    std::vector<uint8_t> pixels();

    Saver& saver() { return *saver_; }
    float secondsOnScreen() const;
    int width() const { return options_.width; }
    int height() const { return options_.height; }

private:
    // SaverPlatform
    OptionStore& optionStore() override;
    ClientRect clientRect() override { return {0, 0, options_.width, options_.height}; }
    std::vector<Monitor> monitors() override;
    void createGlContext(bool buildFont) override;
    void destroyGlContext() override;
    void* glProcAddress(const char* name) override;
    // A frame is finished when it is presented, as a real swap waits for the renderer.
    void swapBuffers() override;
    void startTimer(int milliseconds) override { timerMilliseconds_ = milliseconds; }
    void stopTimer() override { timerMilliseconds_ = 0; }
    TimeStamp now() override { return clock_; }
    std::optional<std::string> gameArchivePath() override { return options_.archivePath; }
    [[noreturn]] void fatal(const char* message) override;

    void advanceClock();
    void tick(bool draw);

    Options options_;
    std::unique_ptr<OffscreenContext> context_;
    std::unique_ptr<Saver> saver_;
    std::unique_ptr<OptionStore> noStore_;
    TimeStamp clock_;
    int timerMilliseconds_ = 0;
    bool started_ = false;
};
