#pragma once

#include <cstdint>
#include <optional>
#include <string>

// What the settings dialog's procedure (configureDialogProc) does to the
// dialog's controls while the dialog is open, from its first message to OK or
// Cancel: the Windows dialog box makes the calls for real, the tests fake them.
class DialogControls {
public:
    virtual ~DialogControls() = default;
    virtual void addChoice(int control, const char* text) = 0;
    virtual void selectChoice(int control, int index) = 0;
    // The selected entry's index, or -1 when none is (after typing into the edit field).
    virtual int selectedChoice(int control) = 0;
    virtual void setChecked(int control, bool checked) = 0;
    // 0 clear, 1 ticked, 2 indeterminate.
    virtual int checkState(int control) = 0;
    virtual void setText(int control, const std::string& text) = 0;
    // The system's folder picker, opened at `start`: the folder picked, or nothing when cancelled.
    virtual std::optional<std::string> chooseFolder(const std::string& start) = 0;
    // A message box over the dialog, which waits for the user.
    virtual void showMessage(const std::string& text) = 0;
    virtual void endDialog(intptr_t result) = 0;
};
