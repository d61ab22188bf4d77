#include "framework/configure_dialog.h"

#include "framework/framework.h"

namespace {
struct FlagControl {
    int control;
    uint8_t Settings::*flag;
};
constexpr FlagControl flagControls[] = {
    {control::bilinear, &Settings::bilinear}, {control::mipmap, &Settings::mipmap},
    {control::wireframe, &Settings::wireframe}, {control::mirror, &Settings::mirror},
    {control::showFps, &Settings::show_fps},
};
}  // namespace

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

bool configureDialogProc(DialogControls& dialog, OptionStore& store, Settings& settings, uint32_t message,
                         uintptr_t wParam) {
    if (message == wm::initDialog) {
        loadSettings(store, settings);
        const char* objectTimeLabels[objectTimeChoiceCount];
        for (int i = 0; i < objectTimeChoiceCount; ++i) objectTimeLabels[i] = objectTimeChoices[i].label;
        fillChoiceBox(dialog, control::objectTime, objectTimeLabels, objectTimeChoiceCount, settings.object_time_index);
        fillChoiceBox(dialog, control::animSpeed, animSpeedChoices, animSpeedChoiceCount, settings.anim_speed_index);
        for (const FlagControl& box : flagControls) setCheckBox(dialog, box.control, settings.*box.flag);
        return true;
    }
    if (message != wm::command) return false;
    switch (wParam & 0xFFFF) {
        case control::ok:
            settings.object_time_index = readChoiceBox(dialog, control::objectTime);
            settings.anim_speed_index = readChoiceBox(dialog, control::animSpeed);
            for (const FlagControl& box : flagControls) settings.*box.flag = readCheckBox(dialog, box.control);
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
