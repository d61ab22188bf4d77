#include "viewer/inspector.h"

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
#include "export/gltf_writer.h"
#include "image/output_file.h"
#include "image/png_writer.h"
#include "model/poly_model.h"
#include "render/draw_frame.h"
#include "render/frame_pixels.h"
#include "render/render_mode.h"
#include "show/game_archive.h"
#include "show/show_options.h"
#include "textures/texture.h"
#include "camera/viewer.h"

namespace fs = std::filesystem;

namespace {
// How long a line about a picture or an export stays in the title, in milliseconds.
constexpr int32_t noticeMilliseconds = 4000;
}  // namespace

Inspector::Inspector(SaverPlatform& platform, InspectorWindow& window, const Settings& settings)
    : platform_(platform), window_(window), settings_(settings) {}

void Inspector::openArchive(const std::string& firstModel) {
    try {
        game_.open(platform_);
    } catch (Message message) {
        throw std::runtime_error(game_.path() + ": " + message);
    }
    position_ = 0;
    if (firstModel.empty()) return;
    position_ = game_.find(firstModel.c_str());
    if (position_ < 0) throw std::runtime_error("no model " + firstModel + " in " + game_.path());
}

void Inspector::start() {
    applyShowOptions(settings_);
    // The font and the reflection layer are always made ready: o and m turn
    // them on at any time.
    platform_.createGlContext(true);
    contextMade_ = true;
    OpenedGame::findMultitexture(platform_, true);
    game_.readTable();
    try {
        game_.nameReflection();
    } catch (Message message) {
        window_.reportError(std::string("kvss: ") + reflectionTextureName + ": " + message);
    }
    lastTick_ = platform_.now();
    showModel(position_);
}

void Inspector::switchArchive(const std::string& path) {
    const std::string archivePath = archivePathFor(path);
    try {
        // Checked on its own first: a file that is no archive, or one without
        // models, leaves the archive on screen as it was.
        const HogFile candidate(archivePath.c_str());
        if (listModels(candidate).empty()) {
            notice(archivePath + ": " + noModelsMessage, true);
            return;
        }
    } catch (Message message) {
        notice(archivePath + ": " + message, true);
        return;
    }
    show_.release();
    // The textures of the old archive go with its models; the reflection
    // texture is found again in the new one.
    reflectionTexture.clear();
    try {
        game_.use(archivePath);
        game_.readTable();
        game_.nameReflection();
    } catch (Message message) {
        window_.reportError(std::string("kvss: ") + archivePath + ": " + message);
    }
    showModel(0);
}

void Inspector::stop() {
    if (!contextMade_) return;
    platform_.destroyGlContext();
    contextMade_ = false;
}

void Inspector::showModel(int32_t newPosition) {
    position_ = newPosition;
    seconds_ = 0.0f;
    failure_.clear();
    noticeShown_ = false;  // a line about the last model goes with it
    const char* name = game_.modelName(position_);
    try {
        show_.put(game_.archive(), name);
    } catch (Message message) {
        failure_ = message;
        window_.reportError(std::string("kvss: ") + name + ": " + failure_);
    }
    updateTitle();
    // As in the saver, the time spent reading does not count against the model.
    lastTick_ = platform_.now();
    show_.startClock(lastTick_);
}

void Inspector::changeModel(int32_t newPosition) {
    // Pictures asked for before the change are of the model they were asked on.
    if (capturesWanted_ > 0 && drawCurrentFrame())
        for (; capturesWanted_ > 0; --capturesWanted_) capture();
    showModel(newPosition);
}

void Inspector::updateTitle() {
    std::string title = std::string("kvss - ") + game_.modelName(position_);
    if (!failure_.empty()) title += ": " + failure_;
    if (noticeShown_) title += " - " + notice_;
    window_.setTitle(title);
}

void Inspector::notice(const std::string& line, bool isError) {
    if (isError) window_.reportError("kvss: " + line);
    else window_.report(line);
    notice_ = line;
    noticeUntil_ = platform_.now() + noticeMilliseconds;
    noticeShown_ = true;
    updateTitle();
}

void Inspector::setPaused(bool pause) {
    // The clock goes on from the frame it was held at.
    if (paused_ && !pause) show_.resume(platform_.now());
    paused_ = pause;
}

void Inspector::step(int direction) {
    setPaused(true);
    // To the next whole key frame in that direction, even from between two.
    constexpr float nearlyOn = 0.001f;
    const float frame = show_.frame();
    if (direction > 0) show_.holdFrame(std::min(std::floor(frame + nearlyOn) + 1.0f, show_.animation().length), true);
    else show_.holdFrame(std::max(std::ceil(frame - nearlyOn) - 1.0f, 0.0f), false);
}

int Inspector::tickMilliseconds() const { return tickPeriodMilliseconds; }

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
        case WindowEvent::Kind::resized: clientRect_ = {0, 0, event.x, event.y}; break;
        case WindowEvent::Kind::closeRequested: closing_ = true; break;
        case WindowEvent::Kind::fileDropped: switchArchive(event.path); break;
    }
}

void Inspector::handle(const InputEvent& event) {
    ModelViewer* camera = show_.camera();
    if (camera != nullptr && driveCamera(*camera, event, show_.model()->radius, camera->fovDegrees)) return;
    const int32_t count = game_.modelCount();
    switch (actionFor(event)) {
        case InspectorAction::nextModel: changeModel((position_ + 1) % count); break;
        case InspectorAction::previousModel: changeModel((position_ + count - 1) % count); break;
        case InspectorAction::pause: setPaused(!paused_); break;
        case InspectorAction::stepBack: step(-1); break;
        case InspectorAction::stepOn: step(1); break;
        case InspectorAction::toggleWireframe: show_.setWireframe(!show_.wireframe()); break;
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
    if (!paused_ && show_.hasModel()) {
        if (elapsed > 0.0f) seconds_ += elapsed;
        show_.animate(now, renderMode.animationSpeed);
    }
    if (noticeShown_ && !(now < noticeUntil_)) {
        noticeShown_ = false;
        updateTitle();
    }
    if (!drawCurrentFrame()) return;
    for (; capturesWanted_ > 0; --capturesWanted_) capture();
    platform_.swapBuffers();
}

bool Inspector::drawCurrentFrame() {
    if (clientRect_.width() < 1 || clientRect_.height() < 1) {
        capturesWanted_ = 0;  // a window of no size has no picture to save
        return false;
    }
    // Where the model stands in the archive, after its name on the overlay line.
    char place[48] = "";
    if (renderMode.showText)
        std::snprintf(place, sizeof place, " %d/%d%s", position_ + 1, game_.modelCount(), paused_ ? " paused" : "");
    show_.draw(clientRect_, clientRect_, seconds_, place);
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
    const int width = clientRect_.width();
    const int height = clientRect_.height();
    // The entry name is the archive's to choose: it names the picture, never its folder.
    const std::string path = freePath(safeFileName(modelBaseName(game_.modelName(position_))), ".png", true);
    try {
        writePngFile(path, width, height, readFramePixels(width, height));
    } catch (const std::runtime_error& error) {
        notice(path + ": " + error.what(), true);
        return;
    }
    noticeWritten(path);
}

void Inspector::exportModel() {
    const char* name = game_.modelName(position_);
    if (!show_.hasModel()) {
        notice(std::string(name) + ": " + failure_, true);
        return;
    }
    const std::string path = freePath(safeFileName(modelBaseName(name)), ".glb", false);
    try {
        GltfOptions options;
        options.keyFramesPerSecond = renderMode.animationSpeed;  // as the model plays here
        const std::string bytes = gltfFile(*show_.model(), options);
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
