#include "options/settings.h"

#include <cstring>

#include "options/control_ids.h"

namespace {
constexpr OptionChoice objectTimeList[] = {{"5 seconds", "5"}, {"15 seconds", "15"}, {"30 seconds", "30"}, {"1 minute", "60"}};
constexpr OptionChoice animSpeedList[] = {{"1", "1"}, {"2", "2"}, {"3", "3"}, {"5", "5"}, {"10", "10"}, {"20", "20"}};
// In the order of MonitorChoice.
constexpr OptionChoice monitorsList[] = {{"Each its own model", "each"},
                                         {"One model on each", "same"},
                                         {"One picture across all", "span"},
                                         {"The primary only", "primary"}};
static_assert(std::size(monitorsList) == monitorChoiceCount);

constexpr int numberOf(const char* word) {
    int number = 0;
    for (; *word != 0; ++word) number = number * 10 + (*word - '0');
    return number;
}
}  // namespace

constexpr std::array<ObjectTimeChoice, objectTimeChoiceCount> objectTimeChoices = [] {
    static_assert(std::size(objectTimeList) == objectTimeChoiceCount);
    std::array<ObjectTimeChoice, objectTimeChoiceCount> choices{};
    for (int i = 0; i < objectTimeChoiceCount; ++i) choices[i] = {objectTimeList[i].label, numberOf(objectTimeList[i].word)};
    return choices;
}();

constexpr std::array<const char*, animSpeedChoiceCount> animSpeedChoices = [] {
    static_assert(std::size(animSpeedList) == animSpeedChoiceCount);
    std::array<const char*, animSpeedChoiceCount> choices{};
    for (int i = 0; i < animSpeedChoiceCount; ++i) choices[i] = animSpeedList[i].label;
    return choices;
}();

// Table order is the stores' order and the dialog's. A new option is a row here
// (and a member of Settings); with a control, also one in the dialog resource.
constexpr OptionInfo optionTable[optionCount] = {
    {.name = "object_time_index", .width = 4, .label = "Time per object", .choices = objectTimeList,
     .index = &Settings::object_time_index, .flagName = "time-per-object", .help = "Seconds each model stays on screen",
     .programs = inKvss, .control = IDC_OBJECT_TIME, .xmlChoiceLabel = "% per model"},
    {.name = "anim_speed_index", .width = 4, .label = "Animation speed", .choices = animSpeedList,
     .index = &Settings::anim_speed_index, .flagName = "anim-speed", .help = "Animation speed in key frames per second",
     .programs = inKvss | inViewer | inRender, .control = IDC_ANIM_SPEED, .xmlChoiceLabel = "Animation speed %"},
    {.name = "bilinear", .width = 1, .label = "Bilinear filtering", .flag = &Settings::bilinear, .flagName = "bilinear",
     .help = "Bilinear texture filtering", .programs = inKvss | inViewer | inRender, .control = IDC_BILINEAR},
    {.name = "mipmap", .width = 1, .label = "Mipmapping", .flag = &Settings::mipmap, .flagName = "mipmap",
     .help = "Mipmapped textures", .programs = inKvss | inViewer | inRender, .control = IDC_MIPMAP},
    // kvtool render's --wireframe is its own: every model, not about one in ten.
    {.name = "wireframe", .width = 1, .label = "Wireframe rendering (random)", .flag = &Settings::wireframe,
     .flagName = "wireframe", .help = "Draw about one model in ten as a wireframe", .programs = inKvss, .control = IDC_WIREFRAME},
    {.name = "mirror", .width = 1, .label = "Mirror rendering", .flag = &Settings::mirror, .flagName = "mirror",
     .help = "Layer a reflection over the models' faces", .programs = inKvss | inViewer | inRender, .control = IDC_MIRROR},
    {.name = "show_fps", .width = 1, .label = "Show frame rate", .flag = &Settings::show_fps, .flagName = "fps",
     .help = "Show the frame, frame rate and model name", .programs = inKvss | inViewer | inRender, .control = IDC_SHOW_FPS},
    // kvtool render's --monitors is the layout to draw; it takes the choice as --monitor-choice.
    {.name = "monitors", .width = 4, .label = "Monitors", .choices = monitorsList, .index = &Settings::monitors,
     .flagName = "monitors", .help = "What each monitor of a full-screen window shows", .programs = inKvss,
     .control = IDC_MONITORS, .xmlChoiceLabel = "Monitors: %"},
    {.name = "game_dir", .width = 0, .label = "Game folder", .text = &Settings::game_dir, .flagName = "game",
     .help = "The game's folder, holding kv.hog (else found in Steam, GOG and Wine prefixes)",
     .programs = inKvss | inViewer, .control = IDC_GAME_DIR},
};
static_assert(optionTable[optionCount - 1].name != nullptr, "optionCount counts the rows");

const OptionInfo* findOption(std::string_view name) {
    for (const OptionInfo& option : optionTable)
        if (name == option.name) return &option;
    return nullptr;
}

int32_t optionValue(const OptionInfo& option, const Settings& settings) {
    if (option.index != nullptr) return settings.*option.index;
    return isFlag(option) ? settings.*option.flag : 0;
}

void setOptionValue(const OptionInfo& option, Settings& settings, int32_t value) {
    if (option.index != nullptr)
        settings.*option.index = value;
    else if (isFlag(option))
        settings.*option.flag = static_cast<uint8_t>(value);
}

int32_t optionDefault(const OptionInfo& option) { return optionValue(option, Settings{}); }

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
    for (const OptionInfo& option : optionTable) {
        if (isText(option)) {
            std::string text;
            if (store.readText(option.name, text)) settings.*option.text = text;
            continue;
        }
        store.readValue(option.name, memberAddress(option, settings), option.width);
    }
    store.close();
}

void saveSettings(OptionStore& store, const Settings& settings) {
    if (!store.openForWriting()) return;
    Settings copy = settings;
    for (const OptionInfo& option : optionTable) {
        if (isText(option)) store.writeText(option.name, settings.*option.text);
        else store.writeValue(option.name, memberAddress(option, copy), option.width);
    }
    store.close();
}
