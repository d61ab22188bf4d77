#include "host/egl/offscreen_saver.h"

#include <GL/gl.h>

#include <stdexcept>

#include "host/egl/bitmap_font.h"
#include "host/egl/egl_context.h"
#include "textures/texture.h"

namespace {
// Offscreen runs take their options from the caller, never from a store.
class NoOptionStore : public OptionStore {
public:
    bool openForReading() override { return false; }
    bool readValue(const char*, void*, uint32_t) override { return false; }
    bool openForWriting() override { return false; }
    void writeValue(const char*, const void*, uint32_t) override {}
    void close() override {}
};
}  // namespace

OffscreenSaver::OffscreenSaver(const Options& options)
    : options_(options), noStore_(std::make_unique<NoOptionStore>()) {
    clock_.seconds = static_cast<int32_t>(options.seed);
    saver_ = std::make_unique<Saver>(*this);
    saver_->settings = options.settings;
    saver_->loadSettingsFromStore = false;
    saver_->pinnedModel = options.model;
    saver_->alwaysWireframe = options.wireframe;
    if (options.wireframe) saver_->settings.wireframe = 1;
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

void OffscreenSaver::createGlContext(bool buildFont) {
    context_ = std::make_unique<EglContext>(options_.width, options_.height);
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
}

void OffscreenSaver::advanceClock() {
    const int step = timerMilliseconds_ > 0 ? timerMilliseconds_ : tickMilliseconds;
    int milliseconds = clock_.milliseconds + step;
    clock_.seconds += milliseconds / 1000;
    clock_.milliseconds = static_cast<uint16_t>(milliseconds % 1000);
}

float OffscreenSaver::secondsOnScreen() const { return clock_ - saver_->objectStart; }

void OffscreenSaver::tick(bool draw) {
    saver_->drawing = draw;
    saver_->onTimer();
    saver_->drawing = true;
    advanceClock();
}

void OffscreenSaver::tickOnce() { tick(true); }

void OffscreenSaver::runUntil(float seconds, bool drawEveryTick) {
    constexpr float halfTick = 0.005f;
    if (saver_->currentModel == nullptr) {
        // The first tick puts a model on screen, at 0 seconds.
        const bool wanted = seconds < halfTick;
        tick(wanted || drawEveryTick);
        if (wanted) return;
    }
    // The clock now says what the next tick will see: run up to the tick at `seconds`, then draw it.
    while (clock_ - saver_->objectStart < seconds - halfTick) tick(drawEveryTick);
    tick(true);
}

std::vector<uint8_t> OffscreenSaver::pixels() {
    glFinish();
    return context_->readPixels();
}
