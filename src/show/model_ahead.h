#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "textures/texture.h"

class HogFile;
class PolyModel;

// One model read ahead of its turn on a thread of its own, textures decoded,
// mip levels and face arrays made, while the model before it stays on screen.
// The thread touches no OpenGL: the thread that draws uploads its textures, a
// few a tick once the read is done (uploadSome), and whatever is left when the
// model is first drawn. Its textures go through the one cache, so a bitmap that
// the model on screen also shows is decoded once. While a read is under way
// the thread that draws must let go of no model (take or stop first): the
// reader's handles are then never a texture's last, and no texture with an
// OpenGL name dies on it.
class ModelAhead {
public:
    ModelAhead() = default;
    ~ModelAhead();
    ModelAhead(const ModelAhead&) = delete;
    ModelAhead& operator=(const ModelAhead&) = delete;

    // How the model will be drawn: mip levels made ahead when `mipmaps`, and
    // the face arrays for smooth or flat shading.
    struct Drawing {
        bool mipmaps = true;
        bool smoothShading = false;
    };

    // Starts reading the archive's entry `entryName` (the archive's own table
    // holds the name, so it outlives the read). What was read ahead before goes first.
    void start(HogFile& archive, const char* entryName, Drawing drawing);
    // Waits for the read under way, if any, to end.
    void finish();
    // The model of `entryName` when it was read ahead whole; otherwise null,
    // and the caller reads it itself: a broken model then fails in its turn
    // with the message it always had. Finishes the read first.
    std::unique_ptr<PolyModel> take(const char* entryName);
    // Tells the reader to stop where it is, waits for it, and lets go of what it read.
    void stop();

    // On the thread that draws, without waiting: once the read is done,
    // uploads the next textures of the model read ahead, each whole, until
    // `pixels` went up or none is left.
    void uploadSome(TextureFilters filters, int64_t pixels);
    // After finish: whether some of its textures are still to go up.
    bool uploadPending() const { return model_ != nullptr && uploaded_ < textures_.size(); }

    // After finish: the model read ahead and its name (null when none).
    const PolyModel* model() const { return model_.get(); }
    const char* name() const { return name_; }
    // Whether the last read was told to stop before it was done.
    bool stoppedPartWay() const { return stoppedPartWay_; }

private:
    void read(HogFile& archive, Drawing drawing);

    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> done_{false};  // the reader has nothing left to write
    const char* name_ = nullptr;
    // Written by the reader; read here only once it is joined.
    bool stoppedPartWay_ = false;
    std::unique_ptr<PolyModel> model_;
    std::vector<Texture*> textures_;  // the model's, held by it, in order of first draw
    size_t uploaded_ = 0;             // how many of them went up ahead
};
