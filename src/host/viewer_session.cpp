#include "host/viewer_session.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "core/message.h"
#include "data/game_table.h"
#include "data/hog_file.h"
#include "data/kv_path.h"
#include "data/safe_file_name.h"
#include "host/saver.h"
#include "image/png_writer.h"
#include "model/poly_model.h"
#include "render/draw_frame.h"
#include "render/frame_pixels.h"
#include "render/render_mode.h"
#include "textures/texture.h"
#include "viewer/viewer.h"

namespace {
constexpr const char* reflectionTextureName = "PaleWhiteRock001.ogf";
constexpr const char* noModelsMessage = "The game archive holds no models.";

HogFile& archive() { return *static_cast<HogFile*>(searchPath.archives[0]); }

// "asteroid.oof" -> "asteroid"
std::string baseName(const char* entryName) {
    std::string name = entryName;
    if (endsWithIgnoringCase(name.c_str(), ".oof")) name.resize(name.size() - 4);
    return name;
}
}  // namespace

PolyModel* readModelEntry(const char* entryName) {
    // The name came from the archive's own table: read that entry's bytes, never
    // a disk file or a share that a "/" or "\" in the name would point at.
    const std::unique_ptr<InFile> stream(archive().open(entryName));
    return new PolyModel(*stream);
}

ViewerSession::ViewerSession(SaverPlatform& platform, ViewerWindow& window, const Settings& settings)
    : platform_(platform), window_(window), settings_(settings) {}

ViewerSession::~ViewerSession() { releaseModel(); }

void ViewerSession::openArchive(const std::string& firstModel) {
    const std::optional<std::string> archivePath = platform_.gameArchivePath();
    if (!archivePath) platform_.fatal(notInstalledMessage);
    searchPath.reset(1);
    auto owned = std::make_unique<HogFile>(archivePath->c_str());
    HogFile* hog = owned.get();
    searchPath.add(hog);  // a refused archive stays ours
    owned.release();

    modelEntries.clear();
    for (int32_t i = 0; i < hog->entryCount; ++i)
        if (endsWithIgnoringCase(hog->entries[i].name, ".oof")) modelEntries.push_back(i);
    // The saver's own line, as the saver gives it.
    if (modelEntries.empty()) platform_.fatal(noModelsMessage);

    position = 0;
    if (firstModel.empty()) return;
    for (size_t i = 0; i < modelEntries.size(); ++i)
        if (compareNames(entryName(static_cast<int32_t>(i)), firstModel.c_str()) == 0) {
            position = static_cast<int32_t>(i);
            return;
        }
    throw std::runtime_error("no model " + firstModel + " in " + *archivePath);
}

void ViewerSession::start() {
    settings_.anim_speed_index = clampChoice(settings_.anim_speed_index, animSpeedChoiceCount);
    renderMode.showText = settings_.show_fps != 0;
    float speed = 0.0f;
    std::sscanf(animSpeedChoices[settings_.anim_speed_index], "%f", &speed);
    renderMode.animationSpeed = speed;
    renderMode.bilinear = settings_.bilinear != 0;
    renderMode.mipmap = settings_.mipmap != 0;
    renderMode.reflection = settings_.mirror != 0;

    // The font and the reflection layer are always made ready: o and m turn
    // them on at any time.
    platform_.createGlContext(true);
    contextMade_ = true;
    setActiveTextureFunction(platform_.glProcAddress("glActiveTextureARB"));
    loadGameTable("table.gam");
    try {
        reflectionTexture.setName(reflectionTextureName);
    } catch (Message message) {
        window_.printError(std::string("kvss: ") + reflectionTextureName + ": " + message);
    }
    lastTick_ = platform_.now();
    showModel(position);
}

void ViewerSession::stop() {
    if (!contextMade_) return;
    platform_.destroyGlContext();
    contextMade_ = false;
}

const char* ViewerSession::entryName(int32_t at) const { return archive().entries[modelEntries[at]].name; }

void ViewerSession::releaseModel() {
    delete model;
    model = nullptr;
    delete camera;
    camera = nullptr;
}

void ViewerSession::showModel(int32_t newPosition) {
    releaseModel();
    position = newPosition;
    const char* name = entryName(position);
    frame = 0.0f;
    seconds = 0.0f;
    forward = true;
    animLength = 0.0f;
    failure.clear();
    renderState.setSolid();
    try {
        model = readModelEntry(name);
    } catch (Message message) {
        failure = message;
        window_.setTitle(std::string("kvss - ") + name + ": " + failure);
        window_.printError(std::string("kvss: ") + name + ": " + failure);
        return;
    }
    camera = static_cast<ModelViewer*>(model->createViewer());
    animLength = static_cast<float>(model->keyFrameExtent());
    window_.setTitle(std::string("kvss - ") + name);
    // As in the saver, the time spent reading does not count against the model.
    lastTick_ = platform_.now();
}

void ViewerSession::advanceClock(float elapsed) {
    seconds += elapsed;
    const float moved = elapsed * renderMode.animationSpeed;
    // Back and forth between 0 and the last key frame, as the saver's clock runs.
    if (forward) {
        frame += moved;
        if (frame >= animLength) {
            frame = animLength;
            forward = false;
        }
    } else {
        frame -= moved;
        if (frame <= 0.0f) {
            frame = 0.0f;
            forward = true;
        }
    }
}

void ViewerSession::step(int direction) {
    paused = true;
    // To the next whole key frame in that direction, even from between two.
    constexpr float nearlyOn = 0.001f;
    if (direction > 0) {
        frame = std::min(std::floor(frame + nearlyOn) + 1.0f, animLength);
        forward = true;
    } else {
        frame = std::max(std::ceil(frame - nearlyOn) - 1.0f, 0.0f);
        forward = false;
    }
}

void ViewerSession::handle(const InputEvent& event) {
    if (camera != nullptr && driveCamera(*camera, event, model->radius, camera->fovDegrees)) return;
    const int32_t count = static_cast<int32_t>(modelEntries.size());
    switch (actionFor(event)) {
        case ViewerAction::nextModel: changeModel((position + 1) % count); break;
        case ViewerAction::previousModel: changeModel((position + count - 1) % count); break;
        case ViewerAction::pause: paused = !paused; break;
        case ViewerAction::stepBack: step(-1); break;
        case ViewerAction::stepOn: step(1); break;
        case ViewerAction::toggleWireframe:
            if (renderState.wire) renderState.setSolid();
            else renderState.setWireframe();
            break;
        case ViewerAction::toggleMirror: renderMode.reflection = !renderMode.reflection; break;
        case ViewerAction::toggleOverlay: renderMode.showText = !renderMode.showText; break;
        case ViewerAction::capture: ++capturesWanted_; break;
        case ViewerAction::showKeys: window_.printLine(viewerKeyTable()); break;
        case ViewerAction::close: closing_ = true; break;
        default: break;
    }
}

void ViewerSession::tick() {
    const TimeStamp now = platform_.now();
    const float elapsed = now - lastTick_;
    lastTick_ = now;
    if (!paused && model != nullptr && elapsed > 0.0f) advanceClock(elapsed);

    if (!drawCurrentFrame()) return;
    for (; capturesWanted_ > 0; --capturesWanted_) capture();
    platform_.swapBuffers();
}

bool ViewerSession::drawCurrentFrame() {
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
            drawText(" object '%s' %d/%d%s", entryName(position), position + 1,
                     static_cast<int>(modelEntries.size()), paused ? " paused" : "");
    } else {
        drawBlankFrame(width, height);
    }
    return true;
}

void ViewerSession::changeModel(int32_t newPosition) {
    // Pictures asked for before the change are of the model they were asked on.
    if (capturesWanted_ > 0 && drawCurrentFrame())
        for (; capturesWanted_ > 0; --capturesWanted_) capture();
    showModel(newPosition);
}

void ViewerSession::capture() {
    const int width = clientRect.right - clientRect.left;
    const int height = clientRect.bottom - clientRect.top;
    // The entry name is the archive's to choose: it names the picture, never its folder.
    const std::string base = safeFileName(baseName(entryName(position)));
    // The first free number: earlier pictures are never overwritten.
    std::string path;
    for (int n = 1;; ++n) {
        path = base + "-" + std::to_string(n) + ".png";
        std::error_code error;
        if (!std::filesystem::exists(path, error)) break;
    }
    try {
        writePngFile(path, width, height, readFramePixels(width, height));
    } catch (const std::runtime_error& error) {
        window_.printError("kvss: " + path + ": " + error.what());
        return;
    }
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    window_.printLine(error ? path : absolute.string());
}
