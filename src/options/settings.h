#pragma once

#include <cstdint>

// The saver's seven options, with their defaults, as the user's store holds them.
struct Settings {
    int32_t object_time_index = 1;  // into objectTimeChoices: 15 seconds
    int32_t anim_speed_index = 3;   // into animSpeedChoices: "5" key frames per second
    uint8_t bilinear = 1;
    uint8_t mipmap = 1;
    uint8_t wireframe = 0;          // about one model in ten drawn as a wireframe
    uint8_t mirror = 0;             // reflection layer
    uint8_t show_fps = 0;           // overlay line
    int32_t monitors = 0;           // into monitorChoices: each monitor its own model
};

// What a window over several monitors shows, in the order of their index.
enum class MonitorChoice : int32_t {
    each,     // each monitor its own model, camera and time
    same,     // one model, each monitor its own camera's view of it
    span,     // one picture across the whole window
    primary,  // the primary monitor only; the others black
};
inline constexpr int monitorChoiceCount = 4;

struct ObjectTimeChoice {
    const char* label;
    int seconds;
};
inline constexpr int objectTimeChoiceCount = 4;
extern const ObjectTimeChoice objectTimeChoices[objectTimeChoiceCount];

// Key frames per second, as text: the saver reads the label as a float.
inline constexpr int animSpeedChoiceCount = 6;
extern const char* const animSpeedChoices[animSpeedChoiceCount];

// One row of the option table: everything that the stores, the Linux flags, the
// xscreensaver description and the Windows dialog need to know of an option.
struct OptionInfo {
    const char* name;         // store value name, e.g. "object_time_index"
    uint32_t width;           // stored data length in bytes: 4 for indices, 1 for flags
    const char* label;        // as the dialog shows it
    int choiceCount;          // 0 for a flag
    int32_t Settings::*index; // the member, for the two indices
    uint8_t Settings::*flag;  // the member, for the five flags
};
inline constexpr int optionCount = 7;
extern const OptionInfo optionTable[optionCount];

// Clamps an index into 0..count-1, as the dialog does when it shows it.
int32_t clampChoice(int32_t index, int count);

// A per-user store of option values with the registry's rules: a read asks for
// at most `size` bytes and succeeds only when the stored data fits.
class OptionStore {
public:
    virtual ~OptionStore() = default;
    // False when there is nothing to read (the key or file does not exist).
    virtual bool openForReading() = 0;
    // Copies the value's data into `data` and returns true when it exists and
    // its data is at most `size` bytes; otherwise leaves `data` alone.
    virtual bool readValue(const char* name, void* data, uint32_t size) = 0;
    // False when the store cannot be created or opened for writing.
    virtual bool openForWriting() = 0;
    // Stores `size` bytes as a 32-bit number value (the data length is kept).
    virtual void writeValue(const char* name, const void* data, uint32_t size) = 0;
    // Ends a read or a write; a write is committed here.
    virtual void close() = 0;
};

// A store that holds nothing and takes nothing: for runs whose options come
// from the caller (offscreen rendering, tests).
class NullOptionStore : public OptionStore {
public:
    bool openForReading() override { return false; }
    bool readValue(const char*, void*, uint32_t) override { return false; }
    bool openForWriting() override { return false; }
    void writeValue(const char*, const void*, uint32_t) override {}
    void close() override {}
};

// Reads each option in table order into `settings`; missing values and values
// that do not fit keep what `settings` held. A store that cannot be opened changes nothing.
void loadSettings(OptionStore& store, Settings& settings);
// Writes all seven values in table order with their widths; silently does nothing
// when the store cannot be opened for writing.
void saveSettings(OptionStore& store, const Settings& settings);
