#include "options/option_flags.h"

#include <CLI/CLI.hpp>

static_assert(optionCount <= 32, "GivenOptions keeps one bit a row");

namespace {
int rowOf(const OptionInfo& option) { return static_cast<int>(&option - optionTable); }
uint32_t bitOf(const OptionInfo& option) { return uint32_t{1} << rowOf(option); }
std::string flagOf(const OptionInfo& option) { return std::string("--") + option.flagName; }
}  // namespace

bool GivenOptions::has(const OptionInfo& option) const { return (given & bitOf(option)) != 0; }

void GivenOptions::set(const OptionInfo& option, int32_t value) {
    setOptionValue(option, values, value);
    given |= bitOf(option);
}

void GivenOptions::setText(const OptionInfo& option, const std::string& text) {
    values.*option.text = text;
    given |= bitOf(option);
}

void GivenOptions::applyTo(Settings& settings) const {
    for (const OptionInfo& option : optionTable) {
        if (!has(option)) continue;
        if (isText(option)) settings.*option.text = values.*option.text;
        else setOptionValue(option, settings, optionValue(option, values));
    }
}

std::string choiceWords(const OptionInfo& option) {
    std::string text;
    for (size_t i = 0; i < option.choices.size(); ++i) {
        if (i > 0) text += i + 1 == option.choices.size() ? " or " : ", ";
        text += option.choices[i].word;
    }
    return text;
}

int choiceIndex(const OptionInfo& option, const std::string& word) {
    for (size_t i = 0; i < option.choices.size(); ++i)
        if (word == option.choices[i].word) return static_cast<int>(i);
    return -1;
}

ChoiceError::ChoiceError(const OptionInfo& option, std::string word_)
    : std::runtime_error(flagOf(option) + ": must be " + choiceWords(option)),
      flag(flagOf(option)),
      reason("must be " + choiceWords(option)),
      word(std::move(word_)) {}

void OptionFlags::addTo(CLI::App& app, OptionProgram program, Style style) {
    app_ = &app;
    for (const OptionInfo& option : optionTable) {
        if ((option.programs & program) == 0) continue;
        added_ |= bitOf(option);
        if (isText(option)) {
            app.add_option(flagOf(option), words_[rowOf(option)], option.help)->type_name("DIR");
            continue;
        }
        if (!option.choices.empty()) {
            std::string help = std::string(option.help) + ": " + choiceWords(option);
            if (style.showDefaults) help += std::string(" (default ") + option.choices[optionDefault(option)].word + ")";
            app.add_option(flagOf(option), words_[rowOf(option)], help);
            continue;
        }
        // CLI11 runs flag callbacks in the order they are defined: given both, --no-X wins.
        const OptionInfo* row = &option;
        const bool onByDefault = optionDefault(option) != 0;
        if (!style.onlyChanges || !onByDefault)
            app.add_flag_callback(flagOf(option), [this, row] { flags_.set(*row, 1); }, option.help);
        if (!style.onlyChanges || onByDefault)
            app.add_flag_callback("--no-" + std::string(option.flagName), [this, row] { flags_.set(*row, 0); },
                                  std::string("Turn off: ") + option.help);
    }
}

GivenOptions OptionFlags::read() const {
    GivenOptions given = flags_;
    for (const OptionInfo& option : optionTable) {
        if ((added_ & bitOf(option)) == 0 || isFlag(option) || app_->count(flagOf(option)) == 0) continue;
        const std::string& word = words_[rowOf(option)];
        if (isText(option)) {
            given.setText(option, word);
            continue;
        }
        const int index = choiceIndex(option, word);
        if (index < 0) throw ChoiceError(option, word);
        given.set(option, index);
    }
    return given;
}
