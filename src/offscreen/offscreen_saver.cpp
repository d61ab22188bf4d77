#include "offscreen/offscreen_saver.h"

#include <GL/gl.h>

#include <stdexcept>

#include "offscreen/bitmap_font.h"
#include "seam/monitors.h"
#include "seam/loop_client.h"
#include "seam/offscreen_context.h"
#include "textures/texture.h"

namespace {
constexpr int32_t simulatedEpoch = 1000000000;
}  // namespace

OffscreenSaver::OffscreenSaver(const Options& options)
    : options_(options), noStore_(std::make_unique<NullOptionStore>()) {
    // A clock of the saver's era, so that time stamps look like the real ones.
    clock_.seconds = simulatedEpoch;
    saver_.reset(new Saver(*this));  // the base is private: convert here, not inside make_unique
    Settings settings = options.settings;
    if (options.wireframe) {
        settings.wireframe = 1;
        saver_->forceWireframe();
    }
    saver_->useSettings(settings);
    saver_->pinModel(options.model);
}

OffscreenSaver::~OffscreenSaver() {
    // The model's textures release their GL names while the context still exists.
    if (context_) context_->makeCurrent();
    saver_.reset();
    // The reflection layer's texture belongs to this context too; a later run makes its own.
    reflectionTexture.clear();
    if (started_) destroyGlContext();
}

OptionStore& OffscreenSaver::optionStore() { return *noStore_; }

std::vector<Monitor> OffscreenSaver::monitors() {
    if (options_.monitors.empty()) return SaverPlatform::monitors();
    return monitorsInWindow(options_.monitors, clientRect());
}

void OffscreenSaver::createGlContext(bool buildFont) {
    context_ = makeOffscreenContext(options_.width, options_.height);
    if (buildFont) buildBitmapFont();
}

void OffscreenSaver::destroyGlContext() {
    if (context_) context_->release();
    context_.reset();
}

void* OffscreenSaver::glProcAddress(const char* name) { return context_ ? context_->procAddress(name) : nullptr; }

void OffscreenSaver::fatal(const char* message) { throw std::runtime_error(message); }

void OffscreenSaver::start() {
    saver_->onCreate();
    started_ = true;
    // The saver seeds its generator with the clock's seconds; the caller's seed stands in for them.
    saver_->seedRandom(options_.seed);
}

void OffscreenSaver::advanceClock() { clock_ = clock_ + (timerMilliseconds_ > 0 ? timerMilliseconds_ : tickPeriodMilliseconds); }

float OffscreenSaver::secondsOnScreen() const { return clock_ - saver_->show().start(); }

void OffscreenSaver::tick(bool draw) {
    saver_->setDrawing(draw);
    saver_->onTimer();
    saver_->setDrawing(true);
    advanceClock();
}

void OffscreenSaver::tickOnce() { tick(true); }

void OffscreenSaver::swapBuffers() { glFinish(); }

void OffscreenSaver::runUntil(float seconds, bool drawEveryTick) {
    constexpr float halfTick = 0.005f;
    if (!saver_->show().hasModel()) {
        // The first tick puts a model on screen, at 0 seconds.
        const bool wanted = seconds < halfTick;
        tick(wanted || drawEveryTick);
        if (wanted) return;
    }
    // The clock now says what the next tick will see: run up to the tick at `seconds`, then draw it.
    while (clock_ - saver_->show().start() < seconds - halfTick) tick(drawEveryTick);
    tick(true);
}

std::vector<uint8_t> OffscreenSaver::pixels() {
    glFinish();
    std::vector<uint8_t> rgba = context_->readPixels();
    // The frame clears to alpha 0; on screen it is opaque, and so is the picture.
    for (size_t i = 3; i < rgba.size(); i += 4) rgba[i] = 255;
    return rgba;
}
