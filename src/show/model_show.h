#pragma once

#include <cstdint>

#include "core/client_rect.h"
#include "core/time_stamp.h"
#include "show/animation_clock.h"

class HogFile;
class PolyModel;
class ModelViewer;
struct FpsCounter;

// Camera drift per tick, in this order.
enum DriftRate { dolly, roll, yaw, pitch, orbitVertical, orbitHorizontal, driftRateCount };

// One model on screen: the archive entry it came from, the model and its
// camera, its time on screen and animation clock, the camera's drift and its
// solid or wireframe drawing, drawn into a rectangle of the window. The saver
// cycles one through the archive; the viewer drives one by hand.
class ModelShow {
public:
    ModelShow() = default;
    ~ModelShow();
    ModelShow(const ModelShow&) = delete;
    ModelShow& operator=(const ModelShow&) = delete;

    // Reads the archive entry `entryName` and makes its camera, drawn solid and
    // still; the model shown before goes first, so one show never holds two.
    // Throws the reader's message text and then shows nothing, but keeps the
    // name, to say which model failed. `entryName` must outlive the show's use
    // of it (the archive's own entry table does).
    void put(HogFile& archive, const char* entryName);
    // The same with a model already read (read ahead), which the show now owns.
    void put(const char* entryName, PolyModel* model);
    void release();

    // Starts the model's time on screen at `now`, and its animation at frame 0, going up.
    void startClock(const TimeStamp& now);
    // Runs the animation clock to `now`; returns the frame, in key frames.
    float animate(const TimeStamp& now, float keyFramesPerSecond);
    // Holds the animation at `frame` (key frames), to go on `forward` or back from there.
    void holdFrame(float frame, bool forward);
    // Goes on from the held frame at `now`.
    void resume(const TimeStamp& now);

    // Amounts per tick, in the order of DriftRate: a fraction of the eye's
    // distance for the dolly, radians for the rest.
    void setDrift(const float (&rates)[driftRateCount]);
    // Nudges the camera once by every rate.
    void drift();

    void setWireframe(bool wireframe) { wireframe_ = wireframe; }
    // Moves the start of the model's time on screen `seconds` earlier (later when negative).
    void shiftStart(int32_t seconds) { start_.seconds -= seconds; }

    // Draws the frame into `area` of `window` (its client rectangle): the
    // viewport, the aspect, the clear and the overlay line are the area's. `seconds` on
    // screen drive spinners and animated textures. With the overlay on, the
    // line ends with " object '<name>'" and `overlaySuffix`, and its frame rate
    // is counted in `rate` (null: the process's one counter). A model that
    // could not be read leaves the area blank.
    void draw(const ClientRect& area, const ClientRect& window, float seconds, const char* overlaySuffix = "",
              FpsCounter* rate = nullptr) const;

    bool hasModel() const { return model_ != nullptr; }
    PolyModel* model() const { return model_; }
    ModelViewer* camera() const { return camera_; }
    const char* name() const { return name_; }
    const TimeStamp& start() const { return start_; }
    const AnimationClock& animation() const { return animation_; }
    float frame() const { return frame_; }  // key frames, as last animated or held
    float driftRate(DriftRate rate) const { return driftRates_[rate]; }
    bool wireframe() const { return wireframe_; }

private:
    // Lets the model go and starts the next one's record: name, still, solid.
    void startPut(const char* entryName);

    PolyModel* model_ = nullptr;
    ModelViewer* camera_ = nullptr;
    const char* name_ = nullptr;
    TimeStamp start_;  // (0, 0) until the first model: its time is up at once
    AnimationClock animation_;
    float frame_ = 0.0f;
    float driftRates_[driftRateCount] = {};
    bool wireframe_ = false;
};
