#include "windows_framework/configure_dialog.h"

#include <vector>

#include "windows_framework/framework.h"

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

int gameFolderControl() { return findOption("game_dir")->control; }

// The folder the saver would use, and how it came to it.
void showGameRow(DialogControls& dialog, GameLookup& game, const std::string& chosen) {
    const std::optional<FoundGame> found = game.find(chosen);
    if (!found) {
        dialog.setText(gameFolderControl(), "");
        dialog.setText(control::gameSource, "Not found");
        return;
    }
    dialog.setText(gameFolderControl(), found->folder);
    dialog.setText(control::gameSource, found->source == GameSource::chosen
                                            ? std::string("Your choice")
                                            : std::string("Found through ") + gameSourceName(found->source));
}

// A folder the user picked: kept when it holds the archive, refused with a message otherwise.
void browseForGame(DialogControls& dialog, GameLookup& game, Settings& settings) {
    std::string start = settings.game_dir;
    if (start.empty())
        if (const std::optional<FoundGame> found = game.find("")) start = found->folder;
    const std::optional<std::string> folder = dialog.chooseFolder(start);
    if (!folder) return;
    const LookOutcome outcome = game.check(*folder);
    if (outcome != LookOutcome::found) {
        dialog.showMessage(refusalText(*folder, outcome));
        return;
    }
    settings.game_dir = *folder;
    showGameRow(dialog, game, settings.game_dir);
}
}  // namespace

std::optional<FoundGame> FinderGameLookup::find(const std::string& chosen) {
    GameSearch search;
    search.registry = registry_;
    search.chosen = chosen;
    GameSearchResult result = findGame(search);
    if (result.found.empty()) return std::nullopt;
    return std::move(result.found.front());
}

LookOutcome FinderGameLookup::check(const std::string& folder) { return checkGameFolder(folder).outcome; }

std::string refusalText(const std::string& folder, LookOutcome outcome) {
    const std::string advice = ": choose the folder the game is installed in.";
    const std::string archive = archiveFileName;
    switch (outcome) {
        case LookOutcome::notArchive: return "The " + archive + " in " + folder + " is not the game's archive" + advice;
        case LookOutcome::unreadable: return "The " + archive + " in " + folder + " cannot be read" + advice;
        default: return folder + " holds no " + archive + advice;
    }
}

bool configureDialogProc(DialogControls& dialog, GameLookup& game, OptionStore& store, Settings& settings,
                         uint32_t message, uintptr_t wParam) {
    if (message == wm::initDialog) {
        loadSettings(store, settings);
        for (const OptionInfo& option : optionTable)
            if (option.control != 0 && !isText(option)) showOption(dialog, option, optionValue(option, settings));
        showGameRow(dialog, game, settings.game_dir);
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
        case control::browseGame:
            browseForGame(dialog, game, settings);
            return true;
        case control::findGame:
            settings.game_dir.clear();
            showGameRow(dialog, game, settings.game_dir);
            return true;
        default:
            return false;
    }
}
