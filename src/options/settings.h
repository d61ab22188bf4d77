#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "seam/option_store.h"

// The saver's nine options, with their defaults, as the user's store holds them.
struct Settings {
    int32_t object_time_index = 1;  // into objectTimeChoices: 15 seconds
    int32_t anim_speed_index = 3;   // into animSpeedChoices: "5" key frames per second
    uint8_t bilinear = 1;
    uint8_t mipmap = 1;
    uint8_t wireframe = 0;          // about one model in ten drawn as a wireframe
    uint8_t mirror = 0;             // reflection layer
    uint8_t show_fps = 0;           // overlay line
    int32_t monitors = 0;           // into monitorChoices: each monitor its own model
    std::string game_dir;           // the game's folder as the user chose it; empty: found where the stores put it
};

// What a window over several monitors shows, in the order of their index.
enum class MonitorChoice : int32_t {
    each,     // each monitor its own model, camera and time
    same,     // one model, each monitor its own camera's view of it
    span,     // one picture across the whole window
    primary,  // the primary monitor only; the others black
};
inline constexpr int monitorChoiceCount = 4;

// One choice of an index option: as the dialog shows it, and the word that the
// command line and kvss.xml give for it.
struct OptionChoice {
    const char* label;
    const char* word;
};

// What the saver makes of the two indices' choices (views of the option table's lists).
struct ObjectTimeChoice {
    const char* label;
    int seconds;
};
inline constexpr int objectTimeChoiceCount = 4;
extern const std::array<ObjectTimeChoice, objectTimeChoiceCount> objectTimeChoices;
// Key frames per second, as text: the saver reads the label as a float.
inline constexpr int animSpeedChoiceCount = 6;
extern const std::array<const char*, animSpeedChoiceCount> animSpeedChoices;

// The command lines that take an option.
enum OptionProgram : uint8_t { inKvss = 1, inViewer = 2, inRender = 4 };

// One row of the option table: everything that the stores, the command lines,
// kvss.xml and the Windows dialog need to know of an option. Its default is
// the one Settings starts with.
struct OptionInfo {
    const char* name;                       // store value name, e.g. "object_time_index"
    uint32_t width;                         // stored data length in bytes: 4 for indices, 1 for flags, 0 for a text
    const char* label;                      // as the dialog shows it
    std::span<const OptionChoice> choices;  // empty for a flag
    int32_t Settings::*index = nullptr;     // the member, for an index
    uint8_t Settings::*flag = nullptr;      // the member, for a flag
    std::string Settings::*text = nullptr;  // the member, for a text
    // --FLAG WORD for an index; --FLAG and --no-FLAG for a flag; --FLAG TEXT for a text.
    const char* flagName = nullptr;
    const char* help = nullptr;             // an index's words are added to it
    uint8_t programs = 0;                   // OptionProgram bits
    int control = 0;                        // its control in the configure dialog, 0 for none
    const char* xmlChoiceLabel = nullptr;   // kvss.xml's label of a choice, '%' the dialog's; null: "LABEL: %"
};
inline constexpr int optionCount = 9;
extern const OptionInfo optionTable[optionCount];

inline bool isFlag(const OptionInfo& option) { return option.flag != nullptr; }
inline bool isText(const OptionInfo& option) { return option.text != nullptr; }

// The option of that store name, or null.
const OptionInfo* findOption(std::string_view name);
// An index's or a flag's value in `settings`, widened to 32 bits (0 for a text).
int32_t optionValue(const OptionInfo& option, const Settings& settings);
// Sets an index's or a flag's value in `settings`; a flag keeps the low byte.
void setOptionValue(const OptionInfo& option, Settings& settings, int32_t value);
// The value a fresh Settings holds.
int32_t optionDefault(const OptionInfo& option);

// Clamps an index into 0..count-1, as the dialog does when it shows it.
int32_t clampChoice(int32_t index, int count);

// Reads each option in table order into `settings`; missing values and values
// that do not fit keep what `settings` held. A store that cannot be opened changes nothing.
void loadSettings(OptionStore& store, Settings& settings);
// Writes all nine values in table order with their widths; silently does nothing
// when the store cannot be opened for writing.
void saveSettings(OptionStore& store, const Settings& settings);
