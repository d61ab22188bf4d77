#include "saver/saver.h"

#include "data/game_table.h"
#include "data/hog_file.h"
#include "data/kv_path.h"
#include "model/poly_model.h"
#include "render/draw_frame.h"
#include "render/render_mode.h"
#include "show/game_archive.h"
#include "show/show_options.h"
#include "textures/texture.h"
#include "viewer/viewer.h"

namespace {
constexpr int32_t wireframeThreshold = 3276;  // about one model in ten
}  // namespace

Saver::Saver(SaverPlatform& platform) : platform_(platform) {}

Saver::~Saver() { releaseModel(); }

void Saver::onCreate() {
    clientRect = platform_.clientRect();
    if (loadSettingsFromStore) loadSettings(platform_.optionStore(), settings);
    platform_.createGlContext(settings.show_fps != 0);
    setActiveTextureFunction(settings.mirror != 0 ? platform_.glProcAddress("glActiveTextureARB") : nullptr);
    startSaver();
    platform_.startTimer(tickMilliseconds);
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
    objectStart = TimeStamp{};
    // Only a hand-edited store can hold an index outside its table; it shows
    // the nearest choice, as the dialog would.
    applyShowOptions(settings);
    timePerObject = static_cast<float>(objectTimeChoices[settings.object_time_index].seconds);

    const std::optional<std::string> archivePath = platform_.gameArchivePath();
    if (!archivePath) platform_.fatal(notInstalledMessage);
    const HogFile& archive = useGameArchive(archivePath->c_str());
    modelEntries = listModels(archive);
    modelCount = static_cast<int32_t>(modelEntries.size());
    if (modelCount == 0) platform_.fatal(noModelsMessage);

    loadGameTable("table.gam");
    if (settings.mirror != 0) reflectionTexture.setName(reflectionTextureName);
    random.seed(static_cast<uint32_t>(platform_.now().seconds));
}

void Saver::releaseModel() {
    delete currentModel;
    currentModel = nullptr;
    delete currentViewer;
    currentViewer = nullptr;
}

void Saver::putNewModel() {
    releaseModel();

    auto* archive = static_cast<HogFile*>(searchPath.archives[0]);
    const int32_t choice = random.next() % modelCount;
    currentName = archive->entries[modelEntries[choice]].name;
    if (!pinnedModel.empty()) {
        const HogEntry* pinned = archive->find(pinnedModel.c_str());
        if (pinned == nullptr) fail("File not found");
        currentName = pinned->name;
    }

    currentModel = readModelEntry(*archive, currentName);
    currentViewer = currentModel->createViewer();
    const auto lastKeyFrame = static_cast<float>(currentModel->keyFrameExtent());
    ++modelChanges;

    const TimeStamp now = platform_.now();
    objectStart = now;
    animation.restart(now, lastKeyFrame);

    if (settings.wireframe != 0 && (random.next() < wireframeThreshold || alwaysWireframe))
        renderState.setWireframe();
    else
        renderState.setSolid();

    for (int i = 0; i < driftRateCount; ++i) {
        const int32_t r = random.next();
        driftRates[i] = static_cast<float>((r / 32767.0 - 0.5) * driftScales[i] / timePerObject);
    }
}

void Saver::tick() {
    TimeStamp now = platform_.now();
    float elapsed = now - objectStart;
    // The first tick always puts a model up, whatever the clock says.
    if (currentModel == nullptr || elapsed > timePerObject) {
        putNewModel();
        now = objectStart;
        elapsed = 0.0f;
    }

    frame = animation.frameAt(now, renderMode.animationSpeed);

    if (drawing) {
        currentViewer->setupView(clientRect.right - clientRect.left, clientRect.bottom - clientRect.top);
        currentModel->drawFrame(renderState, frame, elapsed);
        if (settings.show_fps != 0) drawText(" object '%s'", currentName);
    }

    currentViewer->dolly(driftRates[dolly]);
    currentViewer->roll(driftRates[roll]);
    currentViewer->yaw(driftRates[yaw]);
    currentViewer->pitch(driftRates[pitch]);
    currentViewer->orbitVertical(driftRates[orbitVertical]);
    currentViewer->orbitHorizontal(driftRates[orbitHorizontal]);
}
