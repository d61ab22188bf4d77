#include "options/settings.h"

const ObjectTimeChoice objectTimeChoices[objectTimeChoiceCount] = {
    {"5 seconds", 5}, {"15 seconds", 15}, {"30 seconds", 30}, {"1 minute", 60}};

const char* const animSpeedChoices[animSpeedChoiceCount] = {"1", "2", "3", "5", "10", "20"};

const OptionInfo optionTable[optionCount] = {
    {"object_time_index", 4, "Time per object", objectTimeChoiceCount, &Settings::object_time_index, nullptr},
    {"anim_speed_index", 4, "Animation speed", animSpeedChoiceCount, &Settings::anim_speed_index, nullptr},
    {"bilinear", 1, "Bilinear filtering", 0, nullptr, &Settings::bilinear},
    {"mipmap", 1, "Mipmapping", 0, nullptr, &Settings::mipmap},
    {"wireframe", 1, "Wireframe rendering (random)", 0, nullptr, &Settings::wireframe},
    {"mirror", 1, "Mirror rendering", 0, nullptr, &Settings::mirror},
    {"show_fps", 1, "Show frame rate", 0, nullptr, &Settings::show_fps},
};

int32_t clampChoice(int32_t index, int count) {
    if (index < 0) return 0;
    if (index >= count) return count - 1;
    return index;
}

namespace {
void* memberAddress(const OptionInfo& option, Settings& settings) {
    if (option.index != nullptr) return &(settings.*option.index);
    return &(settings.*option.flag);
}
}  // namespace

void loadSettings(OptionStore& store, Settings& settings) {
    if (!store.openForReading()) return;
    for (const OptionInfo& option : optionTable) store.readValue(option.name, memberAddress(option, settings), option.width);
    store.close();
}

void saveSettings(OptionStore& store, const Settings& settings) {
    if (!store.openForWriting()) return;
    Settings copy = settings;
    for (const OptionInfo& option : optionTable) store.writeValue(option.name, memberAddress(option, copy), option.width);
    store.close();
}
