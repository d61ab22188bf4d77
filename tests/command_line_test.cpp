#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "options/command_line.h"

namespace {
KvssOptions parseViewer(std::vector<const char*> args) {
    args.insert(args.begin(), "kvss-viewer");
    std::string help;
    return parseViewerOptions(static_cast<int>(args.size()), args.data(), help);
}

std::string errorOf(std::vector<const char*> args) {
    args.insert(args.begin(), "kvss");
    std::string help;
    try {
        parseKvssOptions(static_cast<int>(args.size()), args.data(), nullptr, help);
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "";
}

KvssOptions parse(std::vector<const char*> args, const char* environmentWindow = nullptr) {
    args.insert(args.begin(), "kvss");
    std::string help;
    return parseKvssOptions(static_cast<int>(args.size()), args.data(), environmentWindow, help);
}
}  // namespace

TEST(KvssOptions, WindowChoiceFollowsXscreensaverConventions) {
    EXPECT_EQ(parse({}).mode, WindowMode::ownWindow);
    EXPECT_EQ(parse({"-root"}).mode, WindowMode::root);
    EXPECT_EQ(parse({"--root"}).mode, WindowMode::root);
    EXPECT_EQ(parse({"--fullscreen"}).mode, WindowMode::fullscreen);

    const KvssOptions byId = parse({"-window-id", "0x2a"});
    EXPECT_EQ(byId.mode, WindowMode::windowId);
    EXPECT_EQ(byId.windowId, 42u);
    EXPECT_EQ(parse({"--window-id", "1234"}).windowId, 1234u);

    const KvssOptions fromEnvironment = parse({"-root"}, "0x400007");
    EXPECT_EQ(fromEnvironment.mode, WindowMode::windowId);
    EXPECT_EQ(fromEnvironment.windowId, 0x400007u);
    EXPECT_EQ(parse({"--window-id", "5"}, "0x400007").windowId, 5u);  // the option wins

    EXPECT_THROW(parse({"--window-id", "abc"}), std::runtime_error);
    EXPECT_THROW(parse({"--window-id", "0"}), std::runtime_error);
    EXPECT_THROW(parse({}, "junk"), std::runtime_error);
}

TEST(KvssOptions, GeometryDefaultsAndValidates) {
    const KvssOptions plain = parse({});
    EXPECT_EQ(plain.width, 1024);
    EXPECT_EQ(plain.height, 768);
    const KvssOptions sized = parse({"--geometry", "640x480"});
    EXPECT_EQ(sized.width, 640);
    EXPECT_EQ(sized.height, 480);
    for (const char* bad : {"640", "0x480", "640x", "x480", "-5x5", "640x480junk"})
        EXPECT_THROW(parse({"--geometry", bad}), std::runtime_error) << bad;
}

TEST(KvssOptions, OptionFlagsOverrideTheSettingsForOneRun) {
    const KvssOptions options =
        parse({"--time-per-object", "60", "--anim-speed", "20", "--no-bilinear", "--wireframe", "--mirror", "-fps"});
    Settings settings;
    options.applyTo(settings);
    EXPECT_EQ(settings.object_time_index, 3);
    EXPECT_EQ(settings.anim_speed_index, 5);
    EXPECT_EQ(settings.bilinear, 0);
    EXPECT_EQ(settings.mipmap, 1);  // not given: left as the file had it
    EXPECT_EQ(settings.wireframe, 1);
    EXPECT_EQ(settings.mirror, 1);
    EXPECT_EQ(settings.show_fps, 1);

    Settings untouched;
    untouched.mirror = 1;
    parse({"--no-mirror"}).applyTo(untouched);
    EXPECT_EQ(untouched.mirror, 0);

    EXPECT_THROW(parse({"--time-per-object", "10"}), std::runtime_error);
    EXPECT_THROW(parse({"--anim-speed", "4"}), std::runtime_error);
    EXPECT_THROW(parse({"--frobnicate"}), std::runtime_error);
    EXPECT_TRUE(parse({"--save-settings"}).saveSettings);
    EXPECT_EQ(parse({"--game", "/opt/korvane"}).gameFolder(), "/opt/korvane");
}

TEST(KvssOptions, HelpIsShownWithoutRunning) {
    std::string help;
    const char* args[] = {"kvss", "--help"};
    const KvssOptions options = parseKvssOptions(2, args, nullptr, help);
    EXPECT_TRUE(options.helpShown);
    EXPECT_NE(help.find("--time-per-object"), std::string::npos);
    EXPECT_NE(help.find("--window-id"), std::string::npos);
}

TEST(KvssOptions, AWrongWordNamesTheTablesChoices) {
    // Both messages are documented; a word that is no number is no choice either.
    EXPECT_EQ(errorOf({"--anim-speed", "4"}), "--anim-speed: must be 1, 2, 3, 5, 10 or 20");
    EXPECT_EQ(errorOf({"--time-per-object", "10"}), "--time-per-object: must be 5, 15, 30 or 60");
    EXPECT_EQ(errorOf({"--time-per-object", "abc"}), "--time-per-object: must be 5, 15, 30 or 60");
    EXPECT_EQ(choiceWords(*findOption("anim_speed_index")), "1, 2, 3, 5, 10 or 20");
    EXPECT_EQ(choiceIndex(*findOption("object_time_index"), "30"), 2);
    EXPECT_EQ(choiceIndex(*findOption("object_time_index"), "30 seconds"), -1);
}

TEST(KvssOptions, EveryOptionOfTheTableIsAFlagOfKvssWithItsHelp) {
    std::string help;
    const char* args[] = {"kvss", "--help"};
    parseKvssOptions(2, args, nullptr, help);
    for (const OptionInfo& option : optionTable) {
        ASSERT_NE(option.programs & inKvss, 0) << option.name;
        const std::string flag = std::string("--") + option.flagName;
        SCOPED_TRACE(flag);
        if (isText(option)) {
            EXPECT_NE(help.find(flag + " "), std::string::npos);
            EXPECT_NE(help.find(option.help), std::string::npos);
            EXPECT_EQ(parse({flag.c_str(), "/opt/korvane"}).given.values.*option.text, "/opt/korvane");
            continue;
        }
        if (option.choices.empty()) {
            EXPECT_NE(help.find(flag + " "), std::string::npos);
            EXPECT_NE(help.find("--no-" + std::string(option.flagName) + " "), std::string::npos);
            EXPECT_NE(help.find(option.help), std::string::npos);
            EXPECT_EQ(parse({flag.c_str()}).given.values.*option.flag, 1);
            EXPECT_EQ(parse({("--no-" + std::string(option.flagName)).c_str()}).given.values.*option.flag, 0);
            continue;
        }
        EXPECT_NE(help.find(std::string(option.help) + ": " + choiceWords(option)), std::string::npos);
        for (size_t i = 0; i < option.choices.size(); ++i) {
            Settings settings;
            parse({flag.c_str(), option.choices[i].word}).applyTo(settings);
            EXPECT_EQ(optionValue(option, settings), static_cast<int32_t>(i)) << option.choices[i].word;
        }
    }
}

TEST(KvssOptions, OnlyTheOptionsGivenAreLaidOverTheSettings) {
    Settings stored;
    stored.anim_speed_index = 0;
    stored.mipmap = 0;
    stored.show_fps = 1;
    Settings settings = stored;
    parse({"--wireframe"}).applyTo(settings);
    EXPECT_EQ(settings.wireframe, 1);
    for (const OptionInfo& option : optionTable) {
        if (option.flag == &Settings::wireframe) continue;
        EXPECT_EQ(optionValue(option, settings), optionValue(option, stored)) << option.name << " was not given";
    }
}

TEST(ViewerOptions, TakeTheTablesOptionsForTheViewerOnly) {
    Settings settings;
    parseViewer({"--anim-speed", "2", "--no-mipmap", "--mirror"}).applyTo(settings);
    EXPECT_EQ(settings.anim_speed_index, 1);
    EXPECT_EQ(settings.mipmap, 0);
    EXPECT_EQ(settings.mirror, 1);
    // The viewer has its own w key and no time limit.
    EXPECT_THROW(parseViewer({"--wireframe"}), std::runtime_error);
    EXPECT_THROW(parseViewer({"--time-per-object", "5"}), std::runtime_error);
}
