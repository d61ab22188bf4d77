#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "framework/configure_dialog.h"
#include "framework/framework.h"
#include "memory_store.h"

namespace {
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
    int selectedChoice(int control) override { return selections.count(control) ? selections[control] : -1; }
    void setChecked(int control, bool checked) override { checks[control] = checked ? 1 : 0; }
    int checkState(int control) override { return checks[control]; }
    void endDialog(intptr_t value) override { result = value; }

    std::string selectedText(int control) { return entries[control].at(selections.at(control)); }
};

class ConfigureDialogTest : public ::testing::Test {
protected:
    FakeDialog dialog;
    MemoryStore store;
    Settings settings;

    bool open() { return configureDialogProc(dialog, store, settings, wm::initDialog, 0); }
    bool press(int button) { return configureDialogProc(dialog, store, settings, wm::command, button); }
    void storeIndex(const char* name, int32_t value) {
        const auto* bytes = reinterpret_cast<const uint8_t*>(&value);
        store.values[name] = std::vector<uint8_t>(bytes, bytes + 4);
    }
};
}  // namespace

TEST_F(ConfigureDialogTest, WithNoStoredOptionsTheDialogShowsTheDefaults) {
    store.exists = false;
    EXPECT_TRUE(open());
    EXPECT_EQ(dialog.entries[control::objectTime],
              (std::vector<std::string>{"5 seconds", "15 seconds", "30 seconds", "1 minute"}));
    EXPECT_EQ(dialog.entries[control::animSpeed], (std::vector<std::string>{"1", "2", "3", "5", "10", "20"}));
    EXPECT_EQ(dialog.selectedText(control::objectTime), "15 seconds");
    EXPECT_EQ(dialog.selectedText(control::animSpeed), "5");
    EXPECT_EQ(dialog.checks, (std::map<int, int>{{control::bilinear, 1}, {control::mipmap, 1}, {control::wireframe, 0},
                                                 {control::mirror, 0}, {control::showFps, 0}}));
    EXPECT_EQ(dialog.result, -7);
}

TEST_F(ConfigureDialogTest, StoredIndicesOutsideTheirListsShowTheNearestEntry) {
    storeIndex("object_time_index", 7);
    storeIndex("anim_speed_index", -2);
    store.values["show_fps"] = {1};
    store.values["bilinear"] = {0, 0, 0, 0};  // too wide for a flag: the default stays
    open();
    EXPECT_EQ(dialog.selectedText(control::objectTime), "1 minute");
    EXPECT_EQ(dialog.selectedText(control::animSpeed), "1");
    EXPECT_EQ(dialog.checks[control::showFps], 1);
    EXPECT_EQ(dialog.checks[control::bilinear], 1);
}

TEST_F(ConfigureDialogTest, OkStoresEveryControlWithItsWidthAndEndsWithOne) {
    store.exists = false;
    open();
    dialog.selections[control::objectTime] = 3;
    dialog.selections[control::animSpeed] = 5;
    dialog.checks = {{control::bilinear, 0}, {control::mipmap, 1}, {control::wireframe, 1}, {control::mirror, 2},
                     {control::showFps, 1}};
    EXPECT_TRUE(press(control::ok));
    EXPECT_EQ(dialog.result, 1);
    EXPECT_EQ(store.values, (std::map<std::string, std::vector<uint8_t>>{{"object_time_index", {3, 0, 0, 0}},
                                                                        {"anim_speed_index", {5, 0, 0, 0}},
                                                                        {"bilinear", {0}},
                                                                        {"mipmap", {1}},
                                                                        {"wireframe", {1}},
                                                                        {"mirror", {0}},  // indeterminate is not ticked
                                                                        {"show_fps", {1}}}));
}

TEST_F(ConfigureDialogTest, TextTypedIntoAChoiceBoxStoresTheFirstEntry) {
    open();
    dialog.selections[control::animSpeed] = -1;
    press(control::ok);
    EXPECT_EQ(store.values["anim_speed_index"], (std::vector<uint8_t>{0, 0, 0, 0}));
    EXPECT_EQ(store.values["object_time_index"], (std::vector<uint8_t>{1, 0, 0, 0}));
}

TEST_F(ConfigureDialogTest, CancelChangesNothingAndOtherMessagesAreNotHandled) {
    store.exists = false;
    open();
    dialog.selections[control::objectTime] = 0;
    dialog.checks[control::mirror] = 1;
    EXPECT_FALSE(press(control::bilinear));  // a box's own click
    EXPECT_FALSE(configureDialogProc(dialog, store, settings, wm::paint, 0));
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
    EXPECT_TRUE(configureDialogProc(dialog, store, settings, wm::command, (5u << 16) | control::ok));
    EXPECT_EQ(dialog.result, 1);
    EXPECT_TRUE(store.values.empty());
}
