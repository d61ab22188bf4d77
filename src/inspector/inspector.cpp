#include "inspector/inspector.h"

#include <cmath>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "core/message.h"
#include "data/game_table.h"
#include "data/hog_file.h"
#include "data/kv_path.h"
#include "data/safe_file_name.h"
#include "export/gltf_writer.h"
#include "saver/saver.h"
#include "image/output_file.h"
#include "image/png_writer.h"
#include "model/poly_model.h"
#include "render/draw_frame.h"
#include "render/frame_pixels.h"
#include "render/render_mode.h"
#include "show/game_archive.h"
#include "show/show_options.h"
#include "textures/texture.h"
#include "viewer/viewer.h"

namespace fs = std::filesystem;

namespace {
// How long a line about a picture or an export stays in the title.
constexpr float noticeSeconds = 4.0f;

bool before(const TimeStamp& a, const TimeStamp& b) {
    return a.seconds < b.seconds || (a.seconds == b.seconds && a.milliseconds < b.milliseconds);
}

TimeStamp later(TimeStamp at, float seconds) {
    const int milliseconds = at.milliseconds + static_cast<int>(seconds * 1000.0f);
    at.seconds += milliseconds / 1000;
    at.milliseconds = static_cast<uint16_t>(milliseconds % 1000);
    return at;
}
}  // namespace

Inspector::Inspector(SaverPlatform& platform, InspectorWindow& window, const Settings& settings)
    : platform_(platform), window_(window), settings_(settings) {}

Inspector::~Inspector() { releaseModel(); }

HogFile& Inspector::archive() const { return *static_cast<HogFile*>(searchPath.archives[0]); }

const char* Inspector::entryName(int32_t at) const { return archive().entries[modelEntries[at]].name; }

void Inspector::openArchive(const std::string& firstModel) {
    const std::optional<std::string> archivePath = platform_.gameArchivePath();
    if (!archivePath) platform_.fatal(notInstalledMessage);
    archivePath_ = *archivePath;
    const HogFile* opened = nullptr;
    try {
        opened = &useGameArchive(archivePath_.c_str());
    } catch (Message message) {
        throw std::runtime_error(archivePath_ + ": " + message);
    }
    const HogFile& hog = *opened;
    modelEntries = listModels(hog);
    // The saver's own line, as the saver gives it.
    if (modelEntries.empty()) platform_.fatal(noModelsMessage);
    position = 0;
    if (firstModel.empty()) return;
    position = findModel(hog, modelEntries, firstModel.c_str());
    if (position < 0) throw std::runtime_error("no model " + firstModel + " in " + archivePath_);
}

void Inspector::start() {
    applyShowOptions(settings_);
    // The font and the reflection layer are always made ready: o and m turn
    // them on at any time.
    platform_.createGlContext(true);
    contextMade_ = true;
    setActiveTextureFunction(platform_.glProcAddress("glActiveTextureARB"));
    loadGameTable("table.gam");
    try {
        reflectionTexture.setName(reflectionTextureName);
    } catch (Message message) {
        window_.reportError(std::string("kvss: ") + reflectionTextureName + ": " + message);
    }
    lastTick_ = platform_.now();
    showModel(position);
}

void Inspector::switchArchive(const std::string& path) {
    const std::string archivePath = archivePathFor(path);
    std::vector<int32_t> models;
    try {
        // Checked on its own first: a file that is no archive, or one without
        // models, leaves the archive on screen as it was.
        const HogFile candidate(archivePath.c_str());
        models = listModels(candidate);
    } catch (Message message) {
        notice(archivePath + ": " + message, true);
        return;
    }
    if (models.empty()) {
        notice(archivePath + ": " + noModelsMessage, true);
        return;
    }
    releaseModel();
    // The textures of the old archive go with its models; the reflection
    // texture is found again in the new one.
    reflectionTexture.clear();
    try {
        useGameArchive(archivePath.c_str());
        loadGameTable("table.gam");
        reflectionTexture.setName(reflectionTextureName);
    } catch (Message message) {
        window_.reportError(std::string("kvss: ") + archivePath + ": " + message);
    }
    archivePath_ = archivePath;
    modelEntries = std::move(models);
    showModel(0);
}

void Inspector::stop() {
    if (!contextMade_) return;
    platform_.destroyGlContext();
    contextMade_ = false;
}

void Inspector::releaseModel() {
    delete model;
    model = nullptr;
    delete camera;
    camera = nullptr;
}

void Inspector::showModel(int32_t newPosition) {
    releaseModel();
    position = newPosition;
    frame = 0.0f;
    seconds = 0.0f;
    failure.clear();
    noticeShown_ = false;  // a line about the last model goes with it
    renderState.setSolid();
    const char* name = entryName(position);
    try {
        model = readModelEntry(archive(), name);
    } catch (Message message) {
        failure = message;
        window_.reportError(std::string("kvss: ") + name + ": " + failure);
    }
    if (model != nullptr) camera = static_cast<ModelViewer*>(model->createViewer());
    updateTitle();
    // As in the saver, the time spent reading does not count against the model.
    lastTick_ = platform_.now();
    animation.restart(lastTick_, model != nullptr ? static_cast<float>(model->keyFrameExtent()) : 0.0f);
}

void Inspector::changeModel(int32_t newPosition) {
    // Pictures asked for before the change are of the model they were asked on.
    if (capturesWanted_ > 0 && drawCurrentFrame())
        for (; capturesWanted_ > 0; --capturesWanted_) capture();
    showModel(newPosition);
}

void Inspector::updateTitle() {
    std::string title = std::string("kvss - ") + entryName(position);
    if (!failure.empty()) title += ": " + failure;
    if (noticeShown_) title += " - " + notice_;
    window_.setTitle(title);
}

void Inspector::notice(const std::string& line, bool isError) {
    if (isError) window_.reportError("kvss: " + line);
    else window_.report(line);
    notice_ = line;
    noticeUntil_ = later(platform_.now(), noticeSeconds);
    noticeShown_ = true;
    updateTitle();
}

void Inspector::setPaused(bool pause) {
    // The clock goes on from the frame it was held at.
    if (paused && !pause) animation.resume(platform_.now(), frame, animation.forward);
    paused = pause;
}

void Inspector::step(int direction) {
    setPaused(true);
    // To the next whole key frame in that direction, even from between two.
    constexpr float nearlyOn = 0.001f;
    if (direction > 0) frame = std::min(std::floor(frame + nearlyOn) + 1.0f, animation.length);
    else frame = std::max(std::ceil(frame - nearlyOn) - 1.0f, 0.0f);
    animation.forward = direction > 0;
}

int Inspector::tickMilliseconds() const { return ::tickMilliseconds; }

void Inspector::handle(const WindowEvent& event) {
    switch (event.kind) {
        case WindowEvent::Kind::key:
            if (event.key != NamedKey::none) handle(InputEvent::named(event.key, event.modifiers));
            else if (event.character != 0) handle(InputEvent::typed(event.character, event.modifiers));
            break;
        case WindowEvent::Kind::buttonDown:
            dragging_ = true;
            dragButton_ = event.button;
            dragX_ = event.x;
            dragY_ = event.y;
            break;
        case WindowEvent::Kind::buttonUp:
            if (event.button == dragButton_) dragging_ = false;
            break;
        case WindowEvent::Kind::pointerMoved:
            if (dragging_ && (event.x != dragX_ || event.y != dragY_)) {
                const int dx = event.x - dragX_;
                const int dy = event.y - dragY_;
                dragX_ = event.x;
                dragY_ = event.y;
                handle(InputEvent::drag(dragButton_, dx, dy, event.modifiers));
            }
            break;
        case WindowEvent::Kind::wheel: handle(InputEvent::wheel(event.steps, event.modifiers)); break;
        case WindowEvent::Kind::resized: clientRect = {0, 0, event.x, event.y}; break;
        case WindowEvent::Kind::closeRequested: closing_ = true; break;
        case WindowEvent::Kind::fileDropped: switchArchive(event.path); break;
    }
}

void Inspector::handle(const InputEvent& event) {
    if (camera != nullptr && driveCamera(*camera, event, model->radius, camera->fovDegrees)) return;
    const auto count = static_cast<int32_t>(modelEntries.size());
    switch (actionFor(event)) {
        case InspectorAction::nextModel: changeModel((position + 1) % count); break;
        case InspectorAction::previousModel: changeModel((position + count - 1) % count); break;
        case InspectorAction::pause: setPaused(!paused); break;
        case InspectorAction::stepBack: step(-1); break;
        case InspectorAction::stepOn: step(1); break;
        case InspectorAction::toggleWireframe:
            if (renderState.wire) renderState.setSolid();
            else renderState.setWireframe();
            break;
        case InspectorAction::toggleMirror: renderMode.reflection = !renderMode.reflection; break;
        case InspectorAction::toggleOverlay: renderMode.showText = !renderMode.showText; break;
        case InspectorAction::capture: ++capturesWanted_; break;
        case InspectorAction::exportModel: exportModel(); break;
        case InspectorAction::showKeys: window_.showKeys(inspectorKeyTable()); break;
        case InspectorAction::close: closing_ = true; break;
        default: break;
    }
}

void Inspector::tick() {
    const TimeStamp now = platform_.now();
    const float elapsed = now - lastTick_;
    lastTick_ = now;
    if (!paused && model != nullptr) {
        if (elapsed > 0.0f) seconds += elapsed;
        frame = animation.frameAt(now, renderMode.animationSpeed);
    }
    if (noticeShown_ && !before(now, noticeUntil_)) {
        noticeShown_ = false;
        updateTitle();
    }
    if (!drawCurrentFrame()) return;
    for (; capturesWanted_ > 0; --capturesWanted_) capture();
    platform_.swapBuffers();
}

bool Inspector::drawCurrentFrame() {
    const int width = clientRect.right - clientRect.left;
    const int height = clientRect.bottom - clientRect.top;
    if (width < 1 || height < 1) {
        capturesWanted_ = 0;  // a window of no size has no picture to save
        return false;
    }
    if (model != nullptr) {
        camera->setupView(width, height);
        model->drawFrame(renderState, frame, seconds);
        if (renderMode.showText)
            drawText(" object '%s' %d/%d%s", entryName(position), position + 1, static_cast<int>(modelEntries.size()),
                     paused ? " paused" : "");
    } else {
        drawBlankFrame(width, height);
    }
    return true;
}

std::string Inspector::freePath(const std::string& stem, const std::string& extension, bool numberFirst) {
    const fs::path folder = window_.outputFolder();
    std::error_code error;
    if (!folder.empty()) fs::create_directories(folder, error);
    // The first free name: earlier files are never overwritten.
    for (int n = 1;; ++n) {
        const std::string name =
            numberFirst || n > 1 ? stem + "-" + std::to_string(n) + extension : stem + extension;
        const fs::path path = folder / name;
        if (!fs::exists(path, error)) return path.string();
    }
}

void Inspector::noticeWritten(const std::string& path) {
    std::error_code error;
    const fs::path absolute = fs::absolute(path, error);
    notice(error ? path : absolute.string(), false);
}

void Inspector::capture() {
    const int width = clientRect.right - clientRect.left;
    const int height = clientRect.bottom - clientRect.top;
    // The entry name is the archive's to choose: it names the picture, never its folder.
    const std::string path = freePath(safeFileName(modelBaseName(entryName(position))), ".png", true);
    try {
        writePngFile(path, width, height, readFramePixels(width, height));
    } catch (const std::runtime_error& error) {
        notice(path + ": " + error.what(), true);
        return;
    }
    noticeWritten(path);
}

void Inspector::exportModel() {
    const char* name = entryName(position);
    if (model == nullptr) {
        notice(std::string(name) + ": " + failure, true);
        return;
    }
    const std::string path = freePath(safeFileName(modelBaseName(name)), ".glb", false);
    try {
        GltfOptions options;
        options.keyFramesPerSecond = renderMode.animationSpeed;  // as the model plays here
        const std::string bytes = gltfFile(*model, options);
        writeFileWhole(path, bytes.data(), bytes.size());
    } catch (Message message) {
        notice(std::string(name) + ": " + message, true);
        return;
    } catch (const std::exception& error) {
        notice(path + ": " + error.what(), true);
        return;
    }
    noticeWritten(path);
}
