#include "show/model_ahead.h"

#include <cstring>

#include "core/message.h"
#include "model/poly_model.h"
#include "show/game_archive.h"
#include "textures/texture.h"

ModelAhead::~ModelAhead() { stop(); }

void ModelAhead::start(HogFile& archive, const char* entryName, bool mipmaps) {
    stop();
    stop_ = false;
    stoppedPartWay_ = false;
    name_ = entryName;
    thread_ = std::thread([this, &archive, mipmaps] { read(archive, mipmaps); });
}

void ModelAhead::read(HogFile& archive, bool mipmaps) {
    try {
        const TexturesAhead ahead(mipmaps, stop_);
        model_.reset(readModelEntry(archive, name_));
    } catch (Message message) {
        // Stopped, or a broken model: it is read again in its turn, and fails there.
        stoppedPartWay_ = std::strcmp(message, readingStoppedMessage) == 0;
    } catch (...) {
        // Out of memory, say: the same in its turn.
    }
}

void ModelAhead::finish() {
    if (thread_.joinable()) thread_.join();
}

std::unique_ptr<PolyModel> ModelAhead::take(const char* entryName) {
    finish();
    std::unique_ptr<PolyModel> taken = std::move(model_);
    const bool same = name_ != nullptr && std::strcmp(name_, entryName) == 0;
    name_ = nullptr;
    if (!same) taken.reset();
    return taken;
}

void ModelAhead::stop() {
    stop_ = true;
    finish();
    model_.reset();
    name_ = nullptr;
}
