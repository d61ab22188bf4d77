#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/saver_platform.h"
#include "host/settings.h"
#include "host/viewer_bindings.h"

class PolyModel;
class ModelViewer;

// What the hand-driven viewer needs of its window beyond the saver's seam.
class ViewerWindow {
public:
    virtual ~ViewerWindow() = default;
    virtual void setTitle(const std::string& title) = 0;
    // A line for the user (standard output where there is one).
    virtual void printLine(const std::string& line) = 0;
    // A line about something that went wrong (standard error).
    virtual void printError(const std::string& line) = 0;
};

// Reads the archive entry's model as the saver does; throws its message.
PolyModel* readModelEntry(const char* entryName);

// The viewer: one model at a time, chosen by hand in archive order, with a
// camera driven by input and an animation clock that can be paused and stepped.
// It uses the saver's platform for the window's GL context, the clock and the
// game, and never runs the saver's cycle. Written once; each host turns its own
// events into InputEvents and calls tick every 10 ms.
class ViewerSession {
public:
    ViewerSession(SaverPlatform& platform, ViewerWindow& window, const Settings& settings);
    ~ViewerSession();
    ViewerSession(const ViewerSession&) = delete;
    ViewerSession& operator=(const ViewerSession&) = delete;

    // Finds the game, opens its archive and lists its models, starting at
    // `firstModel` (an entry name, any case; empty: the first). Needs no window.
    // Throws std::runtime_error with one line for the user, or a message text.
    void openArchive(const std::string& firstModel);
    // With the window open: the GL context, the game table, the first model.
    void start();
    // Draws and presents one frame.
    void tick();
    void handle(const InputEvent& event);
    // Releases the model and the GL context.
    void stop();

    // Asked to close, and every picture asked for is written.
    bool closing() const { return closing_ && capturesWanted_ == 0; }
    void close() { closing_ = true; }

    // The window's client area, kept up to date by the host.
    ClientRect clientRect;

    // The model on screen (null when it could not be read) and where it is.
    PolyModel* model = nullptr;
    ModelViewer* camera = nullptr;
    int32_t position = 0;             // in modelEntries
    std::vector<int32_t> modelEntries;  // archive entry indices of the .oof entries, in table order
    std::string failure;              // why the model on screen could not be read

    // The animation clock: key frames and seconds, both held while paused.
    float frame = 0.0f;
    float seconds = 0.0f;
    bool forward = true;
    bool paused = false;
    float animLength = 0.0f;

private:
    const char* entryName(int32_t position) const;
    void showModel(int32_t newPosition);
    void changeModel(int32_t newPosition);
    // Draws the frame of the moment (not presented); false for a window of no size.
    bool drawCurrentFrame();
    void releaseModel();
    void advanceClock(float elapsed);
    void step(int direction);
    void capture();

    SaverPlatform& platform_;
    ViewerWindow& window_;
    Settings settings_;
    TimeStamp lastTick_;
    int capturesWanted_ = 0;  // one per key press, written at the next tick
    bool contextMade_ = false;
    bool closing_ = false;
};
