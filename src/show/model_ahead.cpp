#include "show/model_ahead.h"

#include <cstring>

#include "core/message.h"
#include "model/poly_model.h"
#include "render/face_arrays.h"
#include "show/game_archive.h"

ModelAhead::~ModelAhead() { stop(); }

void ModelAhead::start(HogFile& archive, const char* entryName, Drawing drawing) {
    stop();
    stop_ = false;
    done_ = false;
    stoppedPartWay_ = false;
    name_ = entryName;
    thread_ = std::thread([this, &archive, drawing] { read(archive, drawing); });
}

void ModelAhead::read(HogFile& archive, Drawing drawing) {
    try {
        const TexturesAhead ahead(drawing.mipmaps, stop_);
        std::unique_ptr<PolyModel> model(readModelEntry(archive, name_));
        textures_ = makeFaceArrays(*model, drawing.smoothShading);
        model_ = std::move(model);
    } catch (Message message) {
        // Stopped, or a broken model: it is read again in its turn, and fails there.
        stoppedPartWay_ = std::strcmp(message, readingStoppedMessage) == 0;
    } catch (...) {
        // Out of memory, say: the same in its turn.
    }
    done_.store(true, std::memory_order_release);
}

void ModelAhead::finish() {
    if (thread_.joinable()) thread_.join();
}

void ModelAhead::uploadSome(TextureFilters filters, int64_t pixels) {
    if (thread_.joinable()) {
        if (!done_.load(std::memory_order_acquire)) return;
        finish();  // the reader is past its last write: no wait
    }
    int64_t sent = 0;
    while (uploadPending() && sent < pixels) sent += textures_[uploaded_++]->uploadFrames(filters);
}

std::unique_ptr<PolyModel> ModelAhead::take(const char* entryName) {
    finish();
    std::unique_ptr<PolyModel> taken = std::move(model_);
    const bool same = name_ != nullptr && std::strcmp(name_, entryName) == 0;
    name_ = nullptr;
    textures_.clear();
    uploaded_ = 0;
    if (!same) taken.reset();
    return taken;
}

void ModelAhead::stop() {
    stop_ = true;
    finish();
    model_.reset();
    textures_.clear();
    uploaded_ = 0;
    name_ = nullptr;
}
