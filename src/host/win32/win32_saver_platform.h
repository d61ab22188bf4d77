#pragma once

#include <windows.h>

#include "seam/saver_platform.h"

// The saver's platform on Windows: WGL on the saver window, the timer, the
// clock, the registry the game finder reads and the error message box.
class Win32SaverPlatform : public SaverPlatform {
public:
    explicit Win32SaverPlatform(OptionStore& store) : store_(store) {}

    // The window the saver draws into, from its create message on.
    void attach(HWND window) { window_ = window; }
    // The model viewer's archive when it was given one, taken as given.
    void useArchive(const std::string& path) { archive_ = path; }
    // The folder the model viewer was told the game is in (its --game and the
    // stored game_dir); the saver takes game_dir from the store.
    void chooseGameFolder(const std::string& folder) {
        chosenFolder_ = folder;
        chooses_ = true;
    }
    // The model viewer asks for a depth buffer; the saver asks for nothing but colour.
    void askForDepth(int bits) { depthBits_ = bits; }

    OptionStore& optionStore() override { return store_; }
    ClientRect clientRect() override;
    // The monitors the window covers, as GetMonitorInfo gives them.
    std::vector<Monitor> monitors() override;
    void createGlContext(bool buildFont) override;
    void destroyGlContext() override;
    void* glProcAddress(const char* name) override;
    void swapBuffers() override;
    void startTimer(int milliseconds) override;
    void stopTimer() override;
    TimeStamp now() override;
    std::optional<std::string> gameArchivePath() override;
    // Shows the message box, then ends the process with status 1 through the
    // framework's guard, so the window and the password verifier are let go first.
    [[noreturn]] void fatal(const char* message) override;

private:
    OptionStore& store_;
    HWND window_ = nullptr;
    HDC deviceContext_ = nullptr;
    HGLRC glContext_ = nullptr;
    std::string archive_;
    std::string chosenFolder_;
    bool chooses_ = false;
    int depthBits_ = 0;
};

// The double-buffered RGBA format the saver asks for: nothing but 24 colour bits
// (and, for the model viewer, `depthBits`).
PIXELFORMATDESCRIPTOR saverPixelFormat(int depthBits = 0);
