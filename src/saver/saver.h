#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "options/settings.h"
#include "seam/saver_platform.h"
#include "show/animation_clock.h"

class PolyModel;
class Viewer;

// The one 15-bit random generator of the saver (state * 214013 + 2531011).
class SaverRandom {
public:
    void seed(uint32_t value) { state_ = value; }
    // 0..32767
    int32_t next() {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int32_t>((state_ >> 16) & 0x7FFF);
    }
    uint32_t state() const { return state_; }

private:
    uint32_t state_ = 1;
};

// Camera drift per tick, in this order.
enum DriftRate { dolly, roll, yaw, pitch, orbitVertical, orbitHorizontal, driftRateCount };
// Each rate is (r / 32767 - 0.5) * scale / timePerObject.
inline constexpr double driftScales[driftRateCount] = {0.1, 0.001, 0.01, 0.01, 0.05, 0.1};

inline constexpr const char* notInstalledMessage = "Korvane is not installed.";
inline constexpr int tickMilliseconds = 10;

// The saver: reads the options, finds the game, and on every 10 ms tick shows
// the current model, changing it at random when its time is up. One copy of this
// logic serves every platform; the platform delivers create, timer and destroy.
class Saver {
public:
    explicit Saver(SaverPlatform& platform);
    ~Saver();
    Saver(const Saver&) = delete;
    Saver& operator=(const Saver&) = delete;

    // The three window messages the saver handles itself.
    void onCreate();   // options, GL context, start-up, the 10 ms timer
    void onTimer();    // one tick, then present the frame
    void onDestroy();  // stop the timer, release the GL context

    void startSaver();
    void tick();

    // Options as loaded; set them before onCreate to skip the store (kvtool does).
    Settings settings;
    bool loadSettingsFromStore = true;
    // When set, every model change shows this archive entry (the random number
    // for the choice is still drawn, so the rest of the sequence is unchanged).
    std::string pinnedModel;
    // With the wireframe option: force every model to a wireframe (kvtool).
    bool alwaysWireframe = false;
    // False: a tick runs the clocks and the camera's drift but draws nothing
    // (offscreen runs skip the frames they do not keep).
    bool drawing = true;

    float timePerObject = 15.0f;
    TimeStamp objectStart;
    AnimationClock animation;  // from 0 to the model's last key frame and back
    float frame = 0.0f;        // the animation clock at the last tick, key frames
    PolyModel* currentModel = nullptr;
    Viewer* currentViewer = nullptr;
    const char* currentName = nullptr;
    std::vector<int32_t> modelEntries;
    int32_t modelCount = 0;
    float driftRates[driftRateCount] = {};
    ClientRect clientRect;
    SaverRandom random;
    int32_t modelChanges = 0;

private:
    void putNewModel();
    void releaseModel();

    SaverPlatform& platform_;
};
