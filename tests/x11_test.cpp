// kvss end to end on a real X server (Xvfb), with the demo archive.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "forge/demo_shapes.h"
#include "forge/hog_writer.h"
#include "test_files.h"
#include "x_server.h"

namespace {
const std::string kvss = KVSS_PATH;

using KvssOnX = XServerTest;

::testing::AssertionResult showsAPicture(const Picture& picture) {
    return saw(picture.lit(), picture.pixels.empty() ? "no picture" : "every pixel black");
}
}  // namespace

TEST_F(KvssOnX, DrawsTheDemoIntoAWindowGivenByIdOrByXscreensaver) {
    const Window byOption = makeWindow(320, 240);
    EXPECT_FALSE(picture(byOption).lit());
    pid_t pid = start({kvss, "-window-id", std::to_string(byOption), "--game", game.root()}, {}, work.path("kvss.log"));
    EXPECT_TRUE(eventually([&] { return showsAPicture(picture(byOption)); }));
    stopProcess(pid);

    const Window byEnvironment = makeWindow(320, 240);
    char hex[32];
    std::snprintf(hex, sizeof hex, "0x%lx", byEnvironment);
    pid = start({kvss, "-root", "--game", game.root()}, {std::string("XSCREENSAVER_WINDOW=") + hex},
                work.path("kvss.log"));
    EXPECT_TRUE(eventually([&] { return showsAPicture(picture(byEnvironment)); }));
    stopProcess(pid);
}

TEST_F(KvssOnX, FullscreenClosesOnAKeyAndOnALargeMouseMoveButNotOnASmallOne) {
    if (!onPath("xdotool")) GTEST_SKIP() << "xdotool is not available";
    Window saver = 0;
    auto launch = [&] {
        xdotool("mousemove 400 300");
        const pid_t pid = start({kvss, "--fullscreen", "--game", game.root()}, {}, work.path("kvss.log"));
        saver = findWindow("^Screen Saver$");
        // Its first frames: its loop runs, and reads its input from here on.
        EXPECT_TRUE(eventually([&] { return showsAPicture(picture(saver)); }));
        return pid;
    };

    pid_t pid = launch();
    xdotool("mousemove_relative -- 3 1");  // 4 pixels: stays
    // The server has moved the pointer, so the saver has the motion to read;
    // frames drawn after it show that it read it and carried on.
    EXPECT_TRUE(eventually([&] { return sawEqual(pointer(), std::make_pair(403, 301)); }));
    EXPECT_TRUE(drawsOn(saver, 3));
    EXPECT_TRUE(stillRuns(pid)) << "a move of 4 pixels closed it";
    xdotool("mousemove_relative -- 1 0");  // adds up to 5 from where it started: closes
    EXPECT_TRUE(exitsWith(pid, 0));

    pid = launch();
    xdotool("key a");
    EXPECT_TRUE(exitsWith(pid, 0));

    pid = launch();
    xdotool("mousemove_relative -- 40 30");
    EXPECT_TRUE(exitsWith(pid, 0));
}

TEST_F(KvssOnX, AMissingGameGivesTheMessageAndStatusOne) {
    const CommandResult noGame = runOnDisplay(shellQuote(kvss));
    EXPECT_EQ(noGame.status, 1);
    // Without a dialog, the message says how to tell kvss where the game is, and how to find out why.
    EXPECT_EQ(noGame.err.rfind("Korvane is not installed.\n", 0), 0u) << noGame.err;
    EXPECT_NE(noGame.err.find("game_dir=DIR in " + work.root() + "/kvss/settings"), std::string::npos) << noGame.err;
    EXPECT_NE(noGame.err.find("--game DIR"), std::string::npos) << noGame.err;
    EXPECT_NE(noGame.err.find("kvtool find-game --verbose"), std::string::npos) << noGame.err;
    const CommandResult wrongPlace = runOnDisplay(shellQuote(kvss) + " --game " + shellQuote(work.root()));
    EXPECT_EQ(wrongPlace.status, 1);
    EXPECT_EQ(wrongPlace.err, noGame.err);
}

TEST_F(KvssOnX, SaveSettingsWritesTheOptionsGivenAndTheFileIsUsed) {
    const CommandResult saved = runCommand("XDG_CONFIG_HOME=" + shellQuote(work.root()) + " " + shellQuote(kvss) +
                                           " --save-settings --time-per-object 60 --anim-speed 20 --no-mipmap --fps --monitors span"
                                           " --game /opt/korvane");
    ASSERT_EQ(saved.status, 0) << saved.err;
    const Bytes text = readFileBytes(work.path("kvss/settings"));
    const std::string settings(text.begin(), text.end());
    EXPECT_EQ(settings, "object_time_index=3\nanim_speed_index=5\nbilinear=1\nmipmap=0\nwireframe=0\nmirror=0\nshow_fps=1\n"
                        "monitors=2\ngame_dir=/opt/korvane\n");
}

TEST_F(KvssOnX, FindsTheGameInASteamLibraryOfItsHome) {
    const std::string library = work.path(".local/share/Steam/steamapps/common/Korvane");
    std::filesystem::create_directories(library);
    std::filesystem::copy_file(game.root() + "/kv.hog", library + "/KV.HOG");
    const Window w = makeWindow(320, 240);
    const pid_t pid = start({kvss, "-window-id", std::to_string(w)}, {}, work.path("kvss.log"));
    EXPECT_TRUE(eventually([&] { return showsAPicture(picture(w)); }));
    stopProcess(pid);
}

TEST_F(KvssOnX, TheOverlayLineKeepsItsSpaces) {
    // One box whose faces are never grey, so that every 0.8-grey pixel is text.
    DemoModel model({});
    MeshBuilder box;
    box.box({-1, -1, -1}, {1, 1, 1}, coloured(220, 90, 40));
    model.add(box, -1, "box", "", {});
    TempDir boxGame;
    boxGame.write("kv.hog", HogWriter().add("box.oof", model.build()).build());

    const int width = 400, height = 100, textRows = 16;
    const Window w = makeWindow(width, height);
    start({kvss, "-window-id", std::to_string(w), "--fps", "--game", boxGame.root()}, {}, work.path("kvss.log"));
    std::vector<bool> textColumns;
    ASSERT_TRUE(eventually([&] {
        const Picture rows = picture(w, 0, height - textRows, width, textRows);
        std::vector<bool> columns(width, false);
        bool any = false;
        for (int py = 0; py < rows.height; ++py)
            for (int px = 0; px < rows.width; ++px)
                if (rows.at(px, py) == 0xCCCCCC) columns[px] = any = true;
        if (any) textColumns = columns;
        return saw(any, "no overlay line");
    }));

    // kvss draws with the server's "fixed" font; its space is one cell wide.
    XFontStruct* font = XLoadQueryFont(x, "fixed");
    ASSERT_NE(font, nullptr);
    const int spaceAdvance = font->per_char != nullptr ? font->per_char[' ' - font->min_char_or_byte2].width
                                                       : font->max_bounds.width;
    XFreeFont(x, font);
    // "Frame 0.00 (0.00 fps) object 'box.oof'": the first gap parts "Frame" from the number.
    EXPECT_EQ(wordGaps(textColumns, spaceAdvance), 5);
}

TEST_F(KvssOnX, AWindowThatDoesNotExistEndsWithOneLine) {
    for (const char* option : {"-window-id 0x7fffff0", "-root"}) {
        const CommandResult result = runOnDisplay("XSCREENSAVER_WINDOW=0x7fffff0 " + shellQuote(kvss) + " " + option +
                                                  " --game " + shellQuote(game.root()));
        EXPECT_EQ(result.status, 1) << option;
        EXPECT_EQ(result.err, "kvss: no window 0x7fffff0 on display " + display + "\n") << option;
    }
}
