#include "saver/saver.h"

#include <GL/gl.h>

#include "core/message.h"
#include "data/hog_file.h"
#include "model/poly_model.h"
#include "render/render_mode.h"
#include "seam/loop_client.h"
#include "show/show_options.h"

namespace {
constexpr int32_t wireframeThreshold = 3276;  // about one model in ten
// Half a megapixel of the next model's textures a tick: a quarter of a
// millisecond on llvmpipe, and a game-scale model's in some ten ticks.
constexpr int64_t aheadUploadPixelsPerTick = 512 * 1024;
}  // namespace

Saver::Saver(SaverPlatform& platform) : platform_(platform) {}

void Saver::useSettings(const Settings& settings) {
    settings_ = settings;
    loadSettingsFromStore_ = false;
}

void Saver::setClientRect(const ClientRect& area) {
    // A window of its own is one monitor, however it is sized.
    if (oneMonitor()) monitors_ = {{area, true}};
    clientRect_ = area;
}

void Saver::onCreate() {
    clientRect_ = platform_.clientRect();
    monitors_ = platform_.monitors();
    monitorsApart_ = true;
    for (size_t a = 0; a < monitors_.size(); ++a)
        for (size_t b = a + 1; b < monitors_.size(); ++b)
            if (monitors_[a].area.overlaps(monitors_[b].area)) monitorsApart_ = false;
    if (loadSettingsFromStore_) loadSettings(platform_.optionStore(), settings_);
    platform_.createGlContext(settings_.show_fps != 0);
    OpenedGame::findMultitexture(platform_, settings_.mirror != 0);
    startSaver();
    platform_.startTimer(tickPeriodMilliseconds);
}

void Saver::onTimer() {
    tick();
    platform_.swapBuffers();
    // Once the new model's first frame is out, so that the reader does not
    // take the renderer's cores from that frame.
    if (readNextDue_) {
        readNextDue_ = false;
        readNextAhead();
    } else {
        // The frame is out: the spare time of the tick sends some of the next
        // model's textures up, so that its change does not.
        ahead_.uploadSome(renderMode.textureFilters(), aheadUploadPixelsPerTick);
    }
}

void Saver::onDestroy() {
    platform_.stopTimer();
    ahead_.stop();
    platform_.destroyGlContext();
}

void Saver::startSaver() {
    // Only a hand-edited store can hold an index outside its table; it shows
    // the nearest choice, as the dialog would.
    applyShowOptions(settings_);
    timePerObject_ = static_cast<float>(objectTimeChoices[settings_.object_time_index].seconds);
    choice_ = static_cast<MonitorChoice>(settings_.monitors);
    game_.open(platform_);
    game_.readTable();
    if (settings_.mirror != 0) game_.nameReflection();
    random_.seed(static_cast<uint32_t>(platform_.now().seconds));

    const size_t showCount = choice_ == MonitorChoice::each ? monitors_.size() : 1;
    screens_.clear();
    screens_.resize(showCount);
    // The first models' terms spread the changes over one time per object.
    for (size_t i = 0; i < showCount; ++i)
        screens_[i].term = timePerObject_ * (1.0f + static_cast<float>(i) / static_cast<float>(showCount));
    rates_.assign(monitors_.size(), FpsCounter{});
}

void Saver::putNewModel(ModelShow& show) {
    // The model ahead may share this one's textures: it holds them once read.
    ahead_.finish();
    show.release();
    const char* name = modelNameFor(modelChanges_, random_.next());
    if (name == nullptr) fail("File not found");
    // What the reader did not finish whole is read here, as it always was.
    if (std::unique_ptr<PolyModel> ready = ahead_.take(name)) show.put(name, ready.release());
    else show.put(game_.archive(), name);
    ++modelChanges_;
    // Reading may have taken a while: the model's time starts now.
    show.startClock(platform_.now());

    show.setWireframe(settings_.wireframe != 0 && (random_.next() < wireframeThreshold || alwaysWireframe_));
    float rates[driftRateCount];
    for (int i = 0; i < driftRateCount; ++i) {
        const int32_t r = random_.next();
        rates[i] = static_cast<float>((r / 32767.0 - 0.5) * driftScales[i] / timePerObject_);
    }
    show.setDrift(rates);
    readNextDue_ = true;
}

void Saver::readNextAhead() {
    if (!readAhead_ || game_.modelCount() == 0) return;
    SaverRandom next = random_;
    const char* name = modelNameFor(modelChanges_, next.next());
    if (name != nullptr) ahead_.start(game_.archive(), name, {renderMode.mipmap, renderMode.smoothShading});
}

const char* Saver::modelNameFor(int32_t change, int32_t r) const {
    const char* name = game_.modelName(r % game_.modelCount());
    if (pinnedModels_.empty()) return name;
    const std::string& pinnedName = pinnedModels_[static_cast<size_t>(change) % pinnedModels_.size()];
    if (pinnedName.empty()) return name;
    const HogEntry* pinned = game_.archive().find(pinnedName.c_str());
    return pinned != nullptr ? pinned->name : nullptr;
}

void Saver::tick() {
    const TimeStamp now = platform_.now();
    // Once every monitor has its first model, one model changes in a tick at most.
    bool changed = false;
    for (Screen& screen : screens_) {
        ModelShow& show = *screen.show;
        TimeStamp at = now;
        float elapsed = at - show.start();
        // The first tick always puts a model up, whatever the clock says.
        const bool first = !show.hasModel();
        if (first || (elapsed > screen.term && !changed)) {
            putNewModel(show);
            if (!first) screen.term = timePerObject_;
            changed |= !first;
            at = show.start();
            elapsed = 0.0f;
        }
        show.animate(at, renderMode.animationSpeed);
        screen.seconds = elapsed;
    }
    if (drawing_) draw();
    for (Screen& screen : screens_) screen.show->drift();
}

void Saver::draw() {
    if (oneMonitor() || choice_ == MonitorChoice::span) {
        screens_[0].show->draw(clientRect_, clientRect_, screens_[0].seconds);
        return;
    }
    // What no monitor shows is black. Where no two monitors overlap, one clear
    // of the whole window serves every frame in it: a clear of a part of the
    // window costs the renderer as much a pixel as drawing.
    const bool clearOnce = monitorsApart_;
    const Vector& background = renderMode.backgroundColour;
    glClearColor(background.x, background.y, background.z, 0.0f);
    glClear(clearOnce ? GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT : GL_COLOR_BUFFER_BIT);
    renderState.clearsFrame = !clearOnce;
    for (size_t m = 0; m < monitors_.size(); ++m) {
        if (choice_ == MonitorChoice::primary && !monitors_[m].primary) continue;
        const Screen& screen = screens_[choice_ == MonitorChoice::each ? m : 0];
        screen.show->draw(monitors_[m].area, clientRect_, screen.seconds, "", &rates_[m]);
    }
    renderState.clearsFrame = true;
}
