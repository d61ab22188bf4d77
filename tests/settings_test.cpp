#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "options/file_option_store.h"
#include "options/settings.h"
#include "memory_store.h"
#include "test_files.h"

TEST(Settings, DefaultsStayWhenTheStoreIsMissing) {
    MemoryStore store;
    store.exists = false;
    Settings settings;
    loadSettings(store, settings);
    EXPECT_EQ(settings.object_time_index, 1);
    EXPECT_EQ(settings.anim_speed_index, 3);
    EXPECT_EQ(settings.bilinear, 1);
    EXPECT_EQ(settings.mipmap, 1);
    EXPECT_EQ(settings.wireframe, 0);
    EXPECT_EQ(settings.mirror, 0);
    EXPECT_EQ(settings.show_fps, 0);
    EXPECT_TRUE(store.readOrder.empty());
    EXPECT_STREQ(objectTimeChoices[settings.object_time_index].label, "15 seconds");
    EXPECT_STREQ(animSpeedChoices[settings.anim_speed_index], "5");
}

TEST(Settings, SaveWritesAllNineValuesWithTheirWidthsAndLoadReadsThemBack) {
    MemoryStore store;
    Settings settings;
    settings.object_time_index = 3;
    settings.anim_speed_index = 5;
    settings.wireframe = 1;
    settings.bilinear = 0;
    settings.monitors = 2;
    settings.game_dir = "D:\\Games\\Korvane";
    saveSettings(store, settings);
    ASSERT_EQ(store.values.size(), 8u);
    EXPECT_EQ(store.texts["game_dir"], "D:\\Games\\Korvane");
    EXPECT_EQ(store.values["monitors"], (std::vector<uint8_t>{2, 0, 0, 0}));
    EXPECT_EQ(store.values["object_time_index"], (std::vector<uint8_t>{3, 0, 0, 0}));
    EXPECT_EQ(store.values["anim_speed_index"], (std::vector<uint8_t>{5, 0, 0, 0}));
    EXPECT_EQ(store.values["bilinear"], (std::vector<uint8_t>{0}));
    EXPECT_EQ(store.values["wireframe"], (std::vector<uint8_t>{1}));
    EXPECT_EQ(store.values["show_fps"], (std::vector<uint8_t>{0}));

    Settings loaded;
    loadSettings(store, loaded);
    EXPECT_EQ(loaded.object_time_index, 3);
    EXPECT_EQ(loaded.anim_speed_index, 5);
    EXPECT_EQ(loaded.bilinear, 0);
    EXPECT_EQ(loaded.wireframe, 1);
    EXPECT_EQ(loaded.monitors, 2);
    EXPECT_EQ(loaded.game_dir, settings.game_dir);
    EXPECT_EQ(store.readOrder, (std::vector<std::string>{"object_time_index", "anim_speed_index", "bilinear", "mipmap",
                                                         "wireframe", "mirror", "show_fps", "monitors", "game_dir"}));
    // Back to finding the game: the value goes.
    settings.game_dir.clear();
    saveSettings(store, settings);
    EXPECT_EQ(store.texts.count("game_dir"), 0u);
}

TEST(Settings, AValueThatDoesNotFitItsWidthKeepsTheDefault) {
    MemoryStore store;
    store.values["mipmap"] = {0, 0, 0, 0};     // a flag stored as a full 4-byte number
    store.values["mirror"] = {1};
    Settings settings;
    loadSettings(store, settings);
    EXPECT_EQ(settings.mipmap, 1);
    EXPECT_EQ(settings.mirror, 1);
}

TEST(Settings, AStoreThatCannotBeWrittenSavesNothing) {
    MemoryStore store;
    store.writable = false;
    saveSettings(store, Settings{});
    EXPECT_TRUE(store.values.empty());
}

TEST(Settings, ChoicesClampAsTheDialogShowsThem) {
    EXPECT_EQ(clampChoice(7, objectTimeChoiceCount), 3);
    EXPECT_EQ(clampChoice(-2, objectTimeChoiceCount), 0);
    EXPECT_EQ(clampChoice(2, animSpeedChoiceCount), 2);
}

TEST(FileStore, WritesReadableLinesAndKeepsOtherLines) {
    TempDir dir;
    const std::string path = dir.path("config/kvss/settings");
    {
        FileOptionStore first(path);
        ASSERT_TRUE(first.openForWriting());
        first.close();
    }
    std::ofstream(path) << "# mine\nfavourite=asteroid\nshow_fps=1\n";
    FileOptionStore store(path);
    Settings settings;
    settings.object_time_index = 2;
    settings.game_dir = "/games/korvane";
    saveSettings(store, settings);
    EXPECT_TRUE(store.written());
    const std::string text = slurp(path);
    EXPECT_NE(text.find("# mine\n"), std::string::npos);
    EXPECT_NE(text.find("favourite=asteroid\n"), std::string::npos);
    EXPECT_NE(text.find("game_dir=/games/korvane\n"), std::string::npos);
    EXPECT_NE(text.find("object_time_index=2\n"), std::string::npos);
    EXPECT_NE(text.find("show_fps=0\n"), std::string::npos);  // replaced in place
    EXPECT_EQ(text.find("show_fps=1"), std::string::npos);

    FileOptionStore reader(path);
    Settings loaded;
    loadSettings(reader, loaded);
    EXPECT_EQ(loaded.object_time_index, 2);
    EXPECT_EQ(loaded.game_dir, "/games/korvane");
}

TEST(FileStore, ValuesOutsideTheirWidthOrMalformedKeepTheDefaults) {
    TempDir dir;
    const std::string path = dir.path("settings");
    std::ofstream(path) << "bilinear=300\nmipmap=-1\nwireframe=yes\nmirror = 1 \nobject_time_index=99999999999\n"
                           "anim_speed_index=-4\n";
    FileOptionStore store(path);
    Settings settings;
    loadSettings(store, settings);
    EXPECT_EQ(settings.bilinear, 1);
    EXPECT_EQ(settings.mipmap, 1);
    EXPECT_EQ(settings.wireframe, 0);
    EXPECT_EQ(settings.mirror, 1);
    EXPECT_EQ(settings.object_time_index, 1);
    EXPECT_EQ(settings.anim_speed_index, -4);  // fits; the saver clamps it when it starts
}

TEST(FileStore, AMissingFileReadsAsNoStoreAndTheDefaultPathFollowsXdg) {
    TempDir dir;
    FileOptionStore store(dir.path("absent"));
    EXPECT_FALSE(store.openForReading());
    const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("XDG_CONFIG_HOME", "/tmp/xdg-test", 1);
    EXPECT_EQ(defaultSettingsPath(), "/tmp/xdg-test/kvss/settings");
    unsetenv("XDG_CONFIG_HOME");
    setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(defaultSettingsPath(), "/home/someone/.config/kvss/settings");
    setenv("HOME", home.c_str(), 1);
}

// kvss --save-settings on the real file, as a user runs it.
namespace {
CommandResult saveSettingsCommand(const std::string& configHome, const std::string& options = "") {
    return runCommand("XDG_CONFIG_HOME=" + shellQuote(configHome) + " " + shellQuote(KVSS_PATH) + " --save-settings " +
                      options);
}

// The example of the README's "The settings file".
const std::string readmeExample =
    "game_dir=/home/me/games/korvane\n"
    "object_time_index=1      # 0: 5 s, 1: 15 s, 2: 30 s, 3: 1 minute\n"
    "anim_speed_index=3       # 0..5: 1, 2, 3, 5, 10, 20 key frames per second\n"
    "bilinear=1\n"
    "mipmap=1\n"
    "wireframe=0\n"
    "mirror=0\n"
    "show_fps=0\n"
    "monitors=0               # 0: each, 1: same, 2: span, 3: primary\n";
}  // namespace

TEST(SaveSettingsCommand, CommentsAfterValuesAreReadAndKeptInTheirColumn) {
    TempDir config;
    const std::string path = config.path("kvss/settings");
    std::filesystem::create_directories(config.path("kvss"));
    writeFileBytes(path, Bytes(readmeExample.begin(), readmeExample.end()));
    ASSERT_EQ(saveSettingsCommand(config.root()).status, 0);
    EXPECT_EQ(slurp(path), readmeExample) << "the example round-trips unchanged";

    const std::string mine = "# my saver\n"
                             "object_time_index=2  # half a minute\n"
                             "  # anim_speed_index=0\n"
                             "game_dir=/games/#1 korvane\n"
                             "show_fps=1\t# on\n";
    writeFileBytes(path, Bytes(mine.begin(), mine.end()));
    FileOptionStore store(path);
    Settings read;
    loadSettings(store, read);
    EXPECT_EQ(read.object_time_index, 2);
    EXPECT_EQ(read.anim_speed_index, 3) << "a commented-out line counts for nothing";
    EXPECT_EQ(read.show_fps, 1);
    EXPECT_EQ(store.text("game_dir").value_or(""), "/games/#1 korvane") << "a '#' inside a value is no comment";

    ASSERT_EQ(saveSettingsCommand(config.root(), "--anim-speed 20 --time-per-object 5 --no-fps").status, 0);
    EXPECT_EQ(slurp(path), "# my saver\n"
                           "object_time_index=0  # half a minute\n"
                           "  # anim_speed_index=0\n"
                           "game_dir=/games/#1 korvane\n"
                           "show_fps=0 # on\n"
                           "anim_speed_index=5\nbilinear=1\nmipmap=1\nwireframe=0\nmirror=0\nmonitors=0\n");
}

TEST(SaveSettingsCommand, OfANameGivenTwiceTheLastLineIsReadAndRewritten) {
    TempDir config;
    const std::string path = config.path("kvss/settings");
    std::filesystem::create_directories(config.path("kvss"));
    const std::string twice = "show_fps=1\nmirror=1\nshow_fps=0\n";
    writeFileBytes(path, Bytes(twice.begin(), twice.end()));
    FileOptionStore store(path);
    Settings read;
    loadSettings(store, read);
    EXPECT_EQ(read.show_fps, 0);

    ASSERT_EQ(saveSettingsCommand(config.root(), "--fps").status, 0);
    const std::string text = slurp(path);
    EXPECT_EQ(text.substr(0, text.find("anim_speed_index")), "show_fps=1\nmirror=1\nshow_fps=1\nobject_time_index=1\n");
    FileOptionStore again(path);
    Settings reread;
    loadSettings(again, reread);
    EXPECT_EQ(reread.show_fps, 1);
    EXPECT_EQ(reread.mirror, 1);
}

TEST(SaveSettingsCommand, AFolderThatCannotBeMadeOrWrittenEndsWithOneLineAndStatusOne) {
    TempDir config;
    // A file where the settings folder would go: not even root can make the folder.
    writeFileBytes(config.path("blocked"), Bytes{'x'});
    const CommandResult noFolder = saveSettingsCommand(config.path("blocked"), "--fps");
    EXPECT_EQ(noFolder.status, 1);
    EXPECT_EQ(noFolder.err, "kvss: " + config.path("blocked") + "/kvss/settings: cannot write the settings file\n");

    // A folder where the settings file would go: it cannot be replaced.
    std::filesystem::create_directories(config.path("kvss/settings"));
    const CommandResult noFile = saveSettingsCommand(config.root(), "--fps");
    EXPECT_EQ(noFile.status, 1);
    EXPECT_EQ(noFile.err, "kvss: " + config.path("kvss/settings") + ": cannot write the settings file\n");
    EXPECT_FALSE(std::filesystem::exists(config.path("kvss/settings.new")));
}
