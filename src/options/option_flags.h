#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "options/settings.h"

namespace CLI {
class App;
}

// Options given on a command line, to lay over the ones read from the store.
struct GivenOptions {
    Settings values;
    uint32_t given = 0;  // bit i: optionTable[i] was given

    bool has(const OptionInfo& option) const;
    void set(const OptionInfo& option, int32_t value);
    void setText(const OptionInfo& option, const std::string& text);
    // Copies the given options into `settings`; the others stay as they are.
    void applyTo(Settings& settings) const;
};

// "1, 2, 3, 5, 10 or 20": an index option's words, for help lines and messages.
std::string choiceWords(const OptionInfo& option);
// The index of `word` among the option's choices; -1 when it is none of them.
int choiceIndex(const OptionInfo& option, const std::string& word);

// A word that is none of an option's choices. what() is "--anim-speed: must be
// 1, 2, 3, 5, 10 or 20".
struct ChoiceError : std::runtime_error {
    ChoiceError(const OptionInfo& option, std::string word);
    std::string flag;    // "--anim-speed"
    std::string reason;  // "must be 1, 2, 3, 5, 10 or 20"
    std::string word;    // what was given
};

// The option table's flags on one program's command line: --FLAG WORD for an
// index, --FLAG and --no-FLAG for a flag (the one of them that changes the
// default when `onlyChanges`), with the table's help lines.
class OptionFlags {
public:
    struct Style {
        bool onlyChanges = false;   // a flag's form that differs from its default, alone
        bool showDefaults = false;  // "(default 5)" after an index's help line
    };
    OptionFlags() = default;
    OptionFlags(const OptionFlags&) = delete;  // the parser's callbacks hold its address
    OptionFlags& operator=(const OptionFlags&) = delete;

    // Adds the options that `program` takes; this object must outlive the parse.
    void addTo(CLI::App& app, OptionProgram program, Style style);
    // After the parse: what was given. Throws ChoiceError for a word that is no choice.
    GivenOptions read() const;

private:
    const CLI::App* app_ = nullptr;
    uint32_t added_ = 0;  // bit i: optionTable[i] is on this command line
    std::array<std::string, optionCount> words_;
    GivenOptions flags_;
};
