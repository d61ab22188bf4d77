#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "options/settings.h"
#include "seam/saver_platform.h"
#include "show/model_ahead.h"
#include "show/model_show.h"
#include "show/opened_game.h"
#include "render/draw_frame.h"

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

// Each drift rate is (r / 32767 - 0.5) * scale / timePerObject, in the order of DriftRate.
inline constexpr double driftScales[driftRateCount] = {0.1, 0.001, 0.01, 0.01, 0.05, 0.1};

// The saver: reads the options, finds the game, and on every 10 ms tick shows
// the current model, changing it at random when its time is up. One copy of this
// logic serves every platform; the platform delivers create, timer and destroy.
// On a window over several monitors the `monitors` option chooses what each
// shows; with one monitor every choice draws the same frames.
class Saver {
public:
    explicit Saver(SaverPlatform& platform);
    Saver(const Saver&) = delete;
    Saver& operator=(const Saver&) = delete;

    // The three window messages the saver handles itself.
    void onCreate();   // options, GL context, start-up, the 10 ms timer
    void onTimer();    // one tick, then present the frame
    void onDestroy();  // stop the timer, release the GL context

    // Before onCreate: these options instead of the platform's store (the
    // command line, kvtool, the tests).
    void useSettings(const Settings& settings);
    // Before onCreate, for kvtool: every model change shows this archive entry
    // (the random number for the choice is still drawn, so the rest of the
    // sequence is unchanged), and with the wireframe option every model is a wireframe.
    void pinModel(const std::string& entryName) { pinnedModels_ = {entryName}; }
    // The same for the bench with several entries, shown in turn.
    void pinModels(std::vector<std::string> entryNames) { pinnedModels_ = std::move(entryNames); }
    void forceWireframe() { alwaysWireframe_ = true; }

    // The window's client area is now `area` (a window of its own, resized by
    // its user); create takes it from the platform.
    void setClientRect(const ClientRect& area);
    // False: ticks run the clocks and the camera's drift but draw nothing
    // (offscreen runs skip the frames they do not keep).
    void setDrawing(bool drawing) { drawing_ = drawing; }
    // Stands in for the clock's seconds as the generator's seed (offscreen runs).
    void seedRandom(uint32_t seed) { random_.seed(seed); }
    // Moves the current model's time on screen back by `seconds` (forward when
    // negative): the bench keeps a model up, or ends its time, without waiting.
    void shiftModelStart(int32_t seconds) {
        for (Screen& screen : screens_) screen.show->shiftStart(seconds);
    }
    // Before onCreate, for the bench: false reads every model in its turn, as
    // when nothing was read ahead.
    void setReadAhead(bool on) { readAhead_ = on; }
    // Waits until the next model is read ahead; then the model and its entry
    // name (null when none is ahead).
    const ModelAhead& finishReadingAhead() {
        ahead_.finish();
        return ahead_;
    }

    // The show of the first monitor, or of the only one.
    const ModelShow& show() const { return *screens_.front().show; }
    // One per monitor with `each`, else one.
    int32_t showCount() const { return static_cast<int32_t>(screens_.size()); }
    const ModelShow& show(int32_t index) const { return *screens_[index].show; }
    const std::vector<Monitor>& monitors() const { return monitors_; }
    const OpenedGame& game() const { return game_; }
    const Settings& settings() const { return settings_; }
    float timePerObject() const { return timePerObject_; }
    int32_t modelChanges() const { return modelChanges_; }
    uint32_t randomState() const { return random_.state(); }

private:
    void startSaver();
    void tick();
    void putNewModel(ModelShow& show);
    // Starts reading the model of the next change: the generator's next number
    // names it, as random numbers are drawn only when a model changes. With
    // `each` the next change is still the next number, whichever monitor takes it.
    void readNextAhead();
    // The entry name of change `change` (counted from 0) for random number
    // `r`; null when a pinned entry is missing.
    const char* modelNameFor(int32_t change, int32_t r) const;
    // Draws the shows into their monitors.
    void draw();
    bool oneMonitor() const { return monitors_.size() == 1 && monitors_[0].area == clientRect_; }

    SaverPlatform& platform_;
    Settings settings_;
    bool loadSettingsFromStore_ = true;
    std::vector<std::string> pinnedModels_;  // none, or empty names: chosen at random
    bool alwaysWireframe_ = false;
    bool drawing_ = true;

    ClientRect clientRect_;         // taken once, at create
    std::vector<Monitor> monitors_;  // likewise
    bool monitorsApart_ = true;      // no two of them overlap
    MonitorChoice choice_ = MonitorChoice::each;
    OpenedGame game_;
    // One model on screen and its cycle: with `each` one for every monitor,
    // else one, drawn on the monitors the choice names.
    struct Screen {
        std::unique_ptr<ModelShow> show = std::make_unique<ModelShow>();
        // Seconds its model stays up: the first ones on several monitors
        // longer, so that their changes come one after another.
        float term = 0.0f;
        float seconds = 0.0f;  // its model's time on screen at this tick
    };
    std::vector<Screen> screens_;
    // Each monitor's own frame rate on the overlay, on several: with `same`
    // one screen is drawn on every monitor, and each counts its own frames.
    std::vector<FpsCounter> rates_;
    float timePerObject_ = 15.0f;
    SaverRandom random_;
    int32_t modelChanges_ = 0;
    bool readAhead_ = true;
    bool readNextDue_ = false;  // a model went up this tick
    // Last, so that it stops before any show lets its model go.
    ModelAhead ahead_;
};
