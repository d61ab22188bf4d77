#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "options/command_line.h"

namespace {
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
    EXPECT_EQ(parse({"--game", "/opt/korvane"}).gameDirectory, "/opt/korvane");
}

TEST(KvssOptions, HelpIsShownWithoutRunning) {
    std::string help;
    const char* args[] = {"kvss", "--help"};
    const KvssOptions options = parseKvssOptions(2, args, nullptr, help);
    EXPECT_TRUE(options.helpShown);
    EXPECT_NE(help.find("--time-per-object"), std::string::npos);
    EXPECT_NE(help.find("--window-id"), std::string::npos);
}
