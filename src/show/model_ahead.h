#pragma once

#include <atomic>
#include <memory>
#include <thread>

class HogFile;
class PolyModel;

// One model read ahead of its turn on a thread of its own, textures decoded
// and mip levels made, while the model before it stays on screen. The thread
// touches no OpenGL: what it made is uploaded when the model is first drawn.
// Its textures go through the one cache, so a bitmap that the model on screen
// also shows is decoded once. While a read is under way the thread that draws
// must let go of no model (take or stop first): the reader's handles are then
// never a texture's last, and no texture with an OpenGL name dies on it.
class ModelAhead {
public:
    ModelAhead() = default;
    ~ModelAhead();
    ModelAhead(const ModelAhead&) = delete;
    ModelAhead& operator=(const ModelAhead&) = delete;

    // Starts reading the archive's entry `entryName` (the archive's own table
    // holds the name, so it outlives the read), with mip levels when
    // `mipmaps`. What was read ahead before goes first.
    void start(HogFile& archive, const char* entryName, bool mipmaps);
    // Waits for the read under way, if any, to end.
    void finish();
    // The model of `entryName` when it was read ahead whole; otherwise null,
    // and the caller reads it itself: a broken model then fails in its turn
    // with the message it always had. Finishes the read first.
    std::unique_ptr<PolyModel> take(const char* entryName);
    // Tells the reader to stop where it is, waits for it, and lets go of what it read.
    void stop();

    // After finish: the model read ahead and its name (null when none).
    const PolyModel* model() const { return model_.get(); }
    const char* name() const { return name_; }
    // Whether the last read was told to stop before it was done.
    bool stoppedPartWay() const { return stoppedPartWay_; }

private:
    void read(HogFile& archive, bool mipmaps);

    std::thread thread_;
    std::atomic<bool> stop_{false};
    const char* name_ = nullptr;
    bool stoppedPartWay_ = false;  // likewise
    // Written by the reader; read here only once it is joined.
    std::unique_ptr<PolyModel> model_;
};
