#include "framework/configure_dialog.h"

#include <vector>

#include "framework/framework.h"

void fillChoiceBox(DialogControls& dialog, int control, const char* const* texts, int count, int32_t index) {
    index = clampChoice(index, count);
    for (int i = 0; i < count; ++i) dialog.addChoice(control, texts[i]);
    dialog.selectChoice(control, index);
}

int32_t readChoiceBox(DialogControls& dialog, int control) {
    const int selected = dialog.selectedChoice(control);
    return selected < 0 ? 0 : selected;
}

void setCheckBox(DialogControls& dialog, int control, uint8_t flag) { dialog.setChecked(control, flag != 0); }

uint8_t readCheckBox(DialogControls& dialog, int control) { return dialog.checkState(control) == 1 ? 1 : 0; }

namespace {
// A row's control: a choice box for an index, a check box for a flag.
void showOption(DialogControls& dialog, const OptionInfo& option, int32_t value) {
    if (option.choices.empty()) {
        setCheckBox(dialog, option.control, static_cast<uint8_t>(value));
        return;
    }
    std::vector<const char*> labels;
    for (const OptionChoice& choice : option.choices) labels.push_back(choice.label);
    fillChoiceBox(dialog, option.control, labels.data(), static_cast<int>(labels.size()), value);
}

int32_t readOption(DialogControls& dialog, const OptionInfo& option) {
    return option.choices.empty() ? readCheckBox(dialog, option.control) : readChoiceBox(dialog, option.control);
}
}  // namespace

bool configureDialogProc(DialogControls& dialog, OptionStore& store, Settings& settings, uint32_t message,
                         uintptr_t wParam) {
    if (message == wm::initDialog) {
        loadSettings(store, settings);
        for (const OptionInfo& option : optionTable)
            if (option.control != 0 && !isText(option)) showOption(dialog, option, optionValue(option, settings));
        return true;
    }
    if (message != wm::command) return false;
    switch (wParam & 0xFFFF) {
        case control::ok:
            for (const OptionInfo& option : optionTable)
                if (option.control != 0 && !isText(option)) setOptionValue(option, settings, readOption(dialog, option));
            saveSettings(store, settings);
            dialog.endDialog(1);
            return true;
        case control::cancel:
            dialog.endDialog(0);
            return true;
        default:
            return false;
    }
}
