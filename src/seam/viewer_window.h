#pragma once

#include <string>

// What the model viewer needs of its window and its platform beyond the
// saver's seam: the Inspector calls it as the user acts (a picture saved, an
// export written, the h key); X11InspectorWindow prints to the terminal,
// the Windows viewer uses its title bar and message boxes.
class InspectorWindow {
public:
    virtual ~InspectorWindow() = default;
    virtual void setTitle(const std::string& title) = 0;
    // A line for the user: where a picture or an export went (standard output
    // where there is one).
    virtual void report(const std::string& line) = 0;
    // A line about something that went wrong (standard error where there is one).
    virtual void reportError(const std::string& line) = 0;
    // The key table, for the h key.
    virtual void showKeys(const std::string& table) = 0;
    // Where pictures and exports go: "" for the current folder, or a folder
    // made on demand.
    virtual std::string outputFolder() = 0;
};
