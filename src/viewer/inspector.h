#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "seam/loop_client.h"
#include "options/settings.h"
#include "seam/saver_platform.h"
#include "viewer/bindings.h"
#include "show/model_show.h"
#include "show/opened_game.h"
#include "seam/viewer_window.h"


// The model viewer: one model at a time, chosen by hand in archive order, with
// a camera driven by input and an animation clock that can be paused and
// stepped. It opens the game as the saver does and shows its model the way a
// saver's show is drawn, but never runs the saver's cycle. Written once; each
// platform's loop delivers its window's events and ticks it every 10 ms.
class Inspector : public LoopClient {
public:
    Inspector(SaverPlatform& platform, InspectorWindow& window, const Settings& settings);
    Inspector(const Inspector&) = delete;
    Inspector& operator=(const Inspector&) = delete;

    // Finds the game, opens its archive and lists its models, starting at
    // `firstModel` (an entry name, any case; empty: the first). Needs no window.
    // Throws std::runtime_error with one line for the user, or a message text.
    void openArchive(const std::string& firstModel);
    // With the window open: the GL context, the game table, the first model.
    void start();
    // Shows another archive (a file dropped on the window); when it cannot be
    // read or holds no models, says so and keeps the one on screen.
    void switchArchive(const std::string& path);
    // Releases the model and the GL context.
    void stop();

    // LoopClient: draws and presents a frame; turns window events into drags,
    // keys and wheel turns for the table.
    int tickMilliseconds() const override;
    void tick() override;
    void handle(const WindowEvent& event) override;
    // Asked to close, and every picture asked for is written.
    bool closing() const override { return closing_ && capturesWanted_ == 0; }

    void handle(const InputEvent& event);

    // The window's client area, before the first tick; resize events keep it up to date.
    void setClientRect(const ClientRect& area) { clientRect_ = area; }

    // The model on screen (no model when it could not be read: failure() says why).
    const ModelShow& show() const { return show_; }
    const std::string& failure() const { return failure_; }
    int32_t position() const { return position_; }  // in the archive's model list
    int32_t modelCount() const { return game_.modelCount(); }
    // Seconds the model has been on screen, not counting pauses.
    float seconds() const { return seconds_; }
    bool paused() const { return paused_; }

private:
    void showModel(int32_t newPosition);
    void changeModel(int32_t newPosition);
    void setPaused(bool pause);
    void step(int direction);
    // Draws the frame of the moment (not presented); false for a window of no size.
    bool drawCurrentFrame();
    void capture();
    void exportModel();
    // A line shown in the title for a few seconds, and reported.
    void notice(const std::string& line, bool isError);
    // Says where a file went, by its full path.
    void noticeWritten(const std::string& path);
    void updateTitle();
    // `stem` + suffix in the output folder, the first name not yet taken.
    std::string freePath(const std::string& stem, const std::string& extension, bool numberFirst);

    SaverPlatform& platform_;
    InspectorWindow& window_;
    Settings settings_;
    OpenedGame game_;
    ModelShow show_;
    ClientRect clientRect_;
    int32_t position_ = 0;
    std::string failure_;  // why the model on screen could not be read
    float seconds_ = 0.0f;
    bool paused_ = false;
    TimeStamp lastTick_;
    int capturesWanted_ = 0;  // one per key press, written at the next tick
    bool contextMade_ = false;
    bool closing_ = false;
    // A drag: the button held and where the pointer was last.
    bool dragging_ = false;
    PointerButton dragButton_ = PointerButton::left;
    int dragX_ = 0;
    int dragY_ = 0;
    std::string notice_;
    TimeStamp noticeUntil_;
    bool noticeShown_ = false;
};
