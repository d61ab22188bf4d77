#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "windows_framework/configure_dialog.h"
#include "windows_framework/framework.h"
#include "memory_store.h"

namespace {
int controlOf(const char* option) { return findOption(option)->control; }

// The dialog's controls in memory: combo boxes with their entries and
// selection, check boxes with their state.
class FakeDialog : public DialogControls {
public:
    std::map<int, std::vector<std::string>> entries;
    std::map<int, int> selections;
    std::map<int, int> checks;
    intptr_t result = -7;  // not ended

    void addChoice(int control, const char* text) override { entries[control].push_back(text); }
    void selectChoice(int control, int index) override { selections[control] = index; }
    int selectedChoice(int control) override {
        read.insert(control);
        return selections.count(control) ? selections[control] : -1;
    }
    void setChecked(int control, bool checked) override { checks[control] = checked ? 1 : 0; }
    int checkState(int control) override {
        read.insert(control);
        return checks[control];
    }
    std::set<int> read;  // the controls whose state was asked for
    std::map<int, std::string> texts;
    void setText(int control, const std::string& text) override { texts[control] = text; }
    std::optional<std::string> picked;  // what the folder picker answers; nothing: cancelled
    std::string pickerStart;
    std::optional<std::string> chooseFolder(const std::string& start) override {
        pickerStart = start;
        return picked;
    }
    std::vector<std::string> messages;
    void showMessage(const std::string& text) override { messages.push_back(text); }
    void endDialog(intptr_t value) override { result = value; }

    std::string selectedText(int control) { return entries[control].at(selections.at(control)); }
};

// The finder's answers: the folders that hold the archive, and where the stores put the game.
class FakeGame : public GameLookup {
public:
    std::set<std::string> games;
    std::optional<FoundGame> inStores;
    std::optional<FoundGame> find(const std::string& chosen) override {
        if (games.count(chosen)) return FoundGame{chosen, chosen + "/kv.hog", GameSource::chosen, "chosen"};
        return inStores;
    }
    LookOutcome check(const std::string& folder) override {
        return games.count(folder) ? LookOutcome::found : LookOutcome::noArchive;
    }
};

class ConfigureDialogTest : public ::testing::Test {
protected:
    FakeDialog dialog;
    FakeGame game;
    MemoryStore store;
    Settings settings;

    bool open() { return configureDialogProc(dialog, game, store, settings, wm::initDialog, 0); }
    bool press(int button) { return configureDialogProc(dialog, game, store, settings, wm::command, button); }
    std::string gameRow() { return dialog.texts[controlOf("game_dir")] + " | " + dialog.texts[control::gameSource]; }
    void storeIndex(const char* name, int32_t value) {
        const auto* bytes = reinterpret_cast<const uint8_t*>(&value);
        store.values[name] = std::vector<uint8_t>(bytes, bytes + 4);
    }
};
}  // namespace

TEST_F(ConfigureDialogTest, WithNoStoredOptionsTheDialogShowsTheDefaults) {
    store.exists = false;
    EXPECT_TRUE(open());
    EXPECT_EQ(dialog.entries[controlOf("object_time_index")],
              (std::vector<std::string>{"5 seconds", "15 seconds", "30 seconds", "1 minute"}));
    EXPECT_EQ(dialog.entries[controlOf("anim_speed_index")], (std::vector<std::string>{"1", "2", "3", "5", "10", "20"}));
    EXPECT_EQ(dialog.selectedText(controlOf("object_time_index")), "15 seconds");
    EXPECT_EQ(dialog.selectedText(controlOf("anim_speed_index")), "5");
    EXPECT_EQ(dialog.checks, (std::map<int, int>{{controlOf("bilinear"), 1}, {controlOf("mipmap"), 1}, {controlOf("wireframe"), 0},
                                                 {controlOf("mirror"), 0}, {controlOf("show_fps"), 0}}));
    EXPECT_EQ(dialog.result, -7);
}

TEST_F(ConfigureDialogTest, StoredIndicesOutsideTheirListsShowTheNearestEntry) {
    storeIndex("object_time_index", 7);
    storeIndex("anim_speed_index", -2);
    store.values["show_fps"] = {1};
    store.values["bilinear"] = {0, 0, 0, 0};  // too wide for a flag: the default stays
    open();
    EXPECT_EQ(dialog.selectedText(controlOf("object_time_index")), "1 minute");
    EXPECT_EQ(dialog.selectedText(controlOf("anim_speed_index")), "1");
    EXPECT_EQ(dialog.checks[controlOf("show_fps")], 1);
    EXPECT_EQ(dialog.checks[controlOf("bilinear")], 1);
}

TEST_F(ConfigureDialogTest, OkStoresEveryControlWithItsWidthAndEndsWithOne) {
    store.exists = false;
    open();
    dialog.selections[controlOf("object_time_index")] = 3;
    dialog.selections[controlOf("anim_speed_index")] = 5;
    dialog.selections[controlOf("monitors")] = 3;
    dialog.checks = {{controlOf("bilinear"), 0}, {controlOf("mipmap"), 1}, {controlOf("wireframe"), 1}, {controlOf("mirror"), 2},
                     {controlOf("show_fps"), 1}};
    EXPECT_TRUE(press(control::ok));
    EXPECT_EQ(dialog.result, 1);
    EXPECT_EQ(store.values, (std::map<std::string, std::vector<uint8_t>>{{"object_time_index", {3, 0, 0, 0}},
                                                                        {"anim_speed_index", {5, 0, 0, 0}},
                                                                        {"bilinear", {0}},
                                                                        {"mipmap", {1}},
                                                                        {"wireframe", {1}},
                                                                        {"mirror", {0}},  // indeterminate is not ticked
                                                                        {"show_fps", {1}},
                                                                        {"monitors", {3, 0, 0, 0}}}));
}

TEST_F(ConfigureDialogTest, TextTypedIntoAChoiceBoxStoresTheFirstEntry) {
    open();
    dialog.selections[controlOf("anim_speed_index")] = -1;
    press(control::ok);
    EXPECT_EQ(store.values["anim_speed_index"], (std::vector<uint8_t>{0, 0, 0, 0}));
    EXPECT_EQ(store.values["object_time_index"], (std::vector<uint8_t>{1, 0, 0, 0}));
}

TEST_F(ConfigureDialogTest, CancelChangesNothingAndOtherMessagesAreNotHandled) {
    store.exists = false;
    open();
    dialog.selections[controlOf("object_time_index")] = 0;
    dialog.checks[controlOf("mirror")] = 1;
    EXPECT_FALSE(press(controlOf("bilinear")));  // a box's own click
    EXPECT_FALSE(configureDialogProc(dialog, game, store, settings, wm::paint, 0));
    EXPECT_EQ(dialog.result, -7);
    EXPECT_TRUE(press(control::cancel));
    EXPECT_EQ(dialog.result, 0);
    EXPECT_TRUE(store.values.empty());
}

TEST_F(ConfigureDialogTest, OkWithAStoreThatCannotBeWrittenStillEndsWithOne) {
    store.writable = false;
    open();
    // The notification code in the high half of wParam does not matter.
    EXPECT_TRUE(press((0 << 16) | control::ok));
    EXPECT_TRUE(configureDialogProc(dialog, game, store, settings, wm::command, (5u << 16) | control::ok));
    EXPECT_EQ(dialog.result, 1);
    EXPECT_TRUE(store.values.empty());
}

TEST_F(ConfigureDialogTest, OpeningFillsExactlyTheTablesControlsWithItsChoicesAndDefaults) {
    store.exists = false;
    open();
    std::set<int> tableControls, filled;
    for (const OptionInfo& option : optionTable) {
        if (option.control == 0 || isText(option)) continue;
        tableControls.insert(option.control);
        if (option.choices.empty()) {
            EXPECT_EQ(dialog.checks.at(option.control), optionDefault(option)) << option.name;
            continue;
        }
        std::vector<std::string> labels;
        for (const OptionChoice& choice : option.choices) labels.push_back(choice.label);
        EXPECT_EQ(dialog.entries[option.control], labels) << option.name;
        EXPECT_EQ(dialog.selections.at(option.control), optionDefault(option)) << option.name;
    }
    for (const auto& [id, texts] : dialog.entries) filled.insert(id);
    for (const auto& [id, index] : dialog.selections) filled.insert(id);
    for (const auto& [id, state] : dialog.checks) filled.insert(id);
    EXPECT_EQ(filled, tableControls);
}

TEST_F(ConfigureDialogTest, OkReadsExactlyTheTablesControlsIntoTheirStoredValues) {
    store.exists = false;
    open();
    // Every control away from its default: the last choice, the other state of a box.
    for (const OptionInfo& option : optionTable) {
        if (option.control == 0 || isText(option)) continue;
        if (option.choices.empty())
            dialog.checks[option.control] = optionDefault(option) != 0 ? 0 : 1;
        else
            dialog.selections[option.control] = static_cast<int>(option.choices.size()) - 1;
    }
    press(control::ok);
    std::set<int> tableControls;
    for (const OptionInfo& option : optionTable) {
        if (option.control == 0 || isText(option)) continue;
        tableControls.insert(option.control);
        const int32_t expected = option.choices.empty() ? (optionDefault(option) != 0 ? 0 : 1)
                                                        : static_cast<int32_t>(option.choices.size()) - 1;
        std::vector<uint8_t> bytes(option.width, 0);
        bytes[0] = static_cast<uint8_t>(expected);
        EXPECT_EQ(store.values[option.name], bytes) << option.name;
    }
    EXPECT_EQ(dialog.read, tableControls);
}

TEST_F(ConfigureDialogTest, TheGameRowShowsTheFolderInUseAndHowItWasFound) {
    open();
    EXPECT_EQ(gameRow(), " | Not found");

    game.inStores = FoundGame{"D:\\Steam\\steamapps\\common\\Korvane", "", GameSource::steam, "Steam library D:\\Steam"};
    open();
    EXPECT_EQ(gameRow(), "D:\\Steam\\steamapps\\common\\Korvane | Found through Steam");

    game.games = {"E:\\Games\\Korvane"};
    store.texts["game_dir"] = "E:\\Games\\Korvane";
    open();
    EXPECT_EQ(gameRow(), "E:\\Games\\Korvane | Your choice");
}

TEST_F(ConfigureDialogTest, AFolderPickedWithTheArchiveIsShownAndStoredByOk) {
    game.inStores = FoundGame{"C:\\GOG Games\\Korvane", "", GameSource::gog, "GOG"};
    game.games = {"E:\\Korvane"};
    open();
    dialog.picked = "E:\\Korvane";
    EXPECT_TRUE(press(control::browseGame));
    EXPECT_EQ(dialog.pickerStart, "C:\\GOG Games\\Korvane");  // the picker opens where the game is now
    EXPECT_EQ(gameRow(), "E:\\Korvane | Your choice");
    EXPECT_TRUE(store.texts.empty());
    press(control::ok);
    EXPECT_EQ(store.texts["game_dir"], "E:\\Korvane");
}

TEST_F(ConfigureDialogTest, AFolderWithoutTheArchiveIsRefusedWithAMessageAndNothingIsStored) {
    game.games = {"E:\\Korvane"};
    store.texts["game_dir"] = "E:\\Korvane";
    open();
    dialog.picked = "E:\\Music";
    press(control::browseGame);
    EXPECT_EQ(dialog.messages,
              (std::vector<std::string>{"E:\\Music holds no kv.hog: choose the folder the game is installed in."}));
    EXPECT_EQ(gameRow(), "E:\\Korvane | Your choice");
    press(control::ok);
    EXPECT_EQ(store.texts["game_dir"], "E:\\Korvane");
}

TEST_F(ConfigureDialogTest, FindAutomaticallyDropsTheChoiceAndAPickerCancelledKeepsIt) {
    game.games = {"E:\\Korvane"};
    game.inStores = FoundGame{"C:\\Steam\\steamapps\\common\\Korvane", "", GameSource::steam, "Steam"};
    store.texts["game_dir"] = "E:\\Korvane";
    open();
    press(control::browseGame);  // dialog.picked is empty: cancelled
    EXPECT_EQ(dialog.pickerStart, "E:\\Korvane");
    EXPECT_EQ(gameRow(), "E:\\Korvane | Your choice");
    EXPECT_TRUE(press(control::findGame));
    EXPECT_EQ(gameRow(), "C:\\Steam\\steamapps\\common\\Korvane | Found through Steam");
    press(control::ok);
    EXPECT_EQ(store.texts.count("game_dir"), 0u);
}
