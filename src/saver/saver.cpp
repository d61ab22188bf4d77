#include "saver/saver.h"

#include "core/message.h"
#include "data/hog_file.h"
#include "render/render_mode.h"
#include "seam/loop_client.h"
#include "show/show_options.h"

namespace {
constexpr int32_t wireframeThreshold = 3276;  // about one model in ten
}  // namespace

Saver::Saver(SaverPlatform& platform) : platform_(platform) {}

void Saver::useSettings(const Settings& settings) {
    settings_ = settings;
    loadSettingsFromStore_ = false;
}

void Saver::onCreate() {
    clientRect_ = platform_.clientRect();
    if (loadSettingsFromStore_) loadSettings(platform_.optionStore(), settings_);
    platform_.createGlContext(settings_.show_fps != 0);
    OpenedGame::findMultitexture(platform_, settings_.mirror != 0);
    startSaver();
    platform_.startTimer(tickPeriodMilliseconds);
}

void Saver::onTimer() {
    tick();
    platform_.swapBuffers();
}

void Saver::onDestroy() {
    platform_.stopTimer();
    platform_.destroyGlContext();
}

void Saver::startSaver() {
    // Only a hand-edited store can hold an index outside its table; it shows
    // the nearest choice, as the dialog would.
    applyShowOptions(settings_);
    timePerObject_ = static_cast<float>(objectTimeChoices[settings_.object_time_index].seconds);
    game_.open(platform_);
    game_.readTable();
    if (settings_.mirror != 0) game_.nameReflection();
    random_.seed(static_cast<uint32_t>(platform_.now().seconds));
}

void Saver::putNewModel() {
    show_.release();
    const char* name = game_.modelName(random_.next() % game_.modelCount());
    if (!pinnedModel_.empty()) {
        const HogEntry* pinned = game_.archive().find(pinnedModel_.c_str());
        if (pinned == nullptr) fail("File not found");
        name = pinned->name;
    }
    show_.put(game_.archive(), name);
    ++modelChanges_;
    // Reading may have taken a while: the model's time starts now.
    show_.startClock(platform_.now());

    show_.setWireframe(settings_.wireframe != 0 && (random_.next() < wireframeThreshold || alwaysWireframe_));
    float rates[driftRateCount];
    for (int i = 0; i < driftRateCount; ++i) {
        const int32_t r = random_.next();
        rates[i] = static_cast<float>((r / 32767.0 - 0.5) * driftScales[i] / timePerObject_);
    }
    show_.setDrift(rates);
}

void Saver::tick() {
    TimeStamp now = platform_.now();
    float elapsed = now - show_.start();
    // The first tick always puts a model up, whatever the clock says.
    if (!show_.hasModel() || elapsed > timePerObject_) {
        putNewModel();
        now = show_.start();
        elapsed = 0.0f;
    }
    show_.animate(now, renderMode.animationSpeed);
    if (drawing_) show_.draw(clientRect_, clientRect_, elapsed);
    show_.drift();
}
