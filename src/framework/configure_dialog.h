#pragma once

#include <cstdint>

#include "options/settings.h"

// The configuration dialog (resource 2003): its controls and its procedure,
// written against DialogControls so that it runs under a fake as well as on Windows.

inline constexpr int configureDialogId = 2003;
// The buttons; each option's control is its row's in the option table.
namespace control {
inline constexpr int ok = 1;
inline constexpr int cancel = 2;
}  // namespace control

// What the dialog procedure does to the dialog's controls.
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
    virtual void endDialog(intptr_t result) = 0;
};

// Appends the `count` texts and selects `index`, clamped into the list.
void fillChoiceBox(DialogControls& dialog, int control, const char* const* texts, int count, int32_t index);
// The selected index; 0 when nothing is selected.
int32_t readChoiceBox(DialogControls& dialog, int control);
void setCheckBox(DialogControls& dialog, int control, uint8_t flag);
// 1 only for a ticked box; clear and indeterminate both give 0.
uint8_t readCheckBox(DialogControls& dialog, int control);

// True when the message was handled. OK reads the controls into `settings` and
// saves them; Cancel saves nothing.
bool configureDialogProc(DialogControls& dialog, OptionStore& store, Settings& settings, uint32_t message,
                         uintptr_t wParam);
