// kvtool render and contact-sheet: PNG files read back through libpng.
#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "forge/demo_shapes.h"
#include "forge/hog_writer.h"
#include "options/settings.h"
#include "test_files.h"
#include "test_models.h"

namespace {
std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class KvtoolRender : public ::testing::Test {
protected:
    KvtoolRender() {
        archive = dir.write("kv.hog", HogWriter().add("one.oof", boxModel(250)).add("two.oof", boxModel(150))
                                          .add("three.oof", boxModel(50)).build());
    }
    CommandResult render(const std::string& arguments) {
        return runKvtool("render " + shellQuote(archive) + " " + arguments);
    }
    TempDir dir;
    std::string archive;
};

TEST_F(KvtoolRender, WritesAPictureOfTheRequestedSizeTheSameForTheSameSeed) {
    const std::string first = dir.path("first.png"), second = dir.path("second.png");
    ASSERT_EQ(render("--model one.oof --seed 7 --size 48x32 -o " + shellQuote(first)).status, 0);
    ASSERT_EQ(render("--model one.oof --seed 7 --size 48x32 -o " + shellQuote(second)).status, 0);
    const Png png = readPng(first);
    EXPECT_EQ(png.width, 48);
    EXPECT_EQ(png.height, 32);
    int drawn = 0;
    for (int y = 0; y < png.height; ++y)
        for (int x = 0; x < png.width; ++x) {
            drawn += png.at(x, y)[0] > 30 ? 1 : 0;
            EXPECT_EQ(png.at(x, y)[3], 255);
        }
    EXPECT_GT(drawn, 50) << "the box is in the picture";
    EXPECT_EQ(fileBytes(first), fileBytes(second));
}

TEST_F(KvtoolRender, FramesWritesOneFileATick) {
    const std::string folder = dir.path("frames");
    ASSERT_EQ(render("--model two.oof --size 16x16 --frames 3 -o " + shellQuote(folder)).status, 0);
    for (const char* name : {"frame_0000.png", "frame_0001.png", "frame_0002.png"})
        EXPECT_EQ(readPng(folder + "/" + name).width, 16) << name;
    EXPECT_FALSE(std::filesystem::exists(folder + "/frame_0003.png"));
}

TEST_F(KvtoolRender, TheOverlayLineKeepsItsSpaces) {
    const std::string out = dir.path("overlay.png");
    ASSERT_EQ(render("--model one.oof --fps --size 400x60 -o " + shellQuote(out)).status, 0);
    const Png png = readPng(out);
    // The line is drawn in the text colour, 0.8 grey, along the bottom rows;
    // the box's faces are never grey.
    std::vector<bool> textColumns(png.width, false);
    for (int y = png.height - 12; y < png.height; ++y)
        for (int x = 0; x < png.width; ++x) {
            const Rgba p = png.at(x, y);
            if (p[0] == 204 && p[1] == 204 && p[2] == 204) textColumns[x] = true;
        }
    // "Frame 10.00 (100.00 fps) object 'one.oof'", one 6-pixel cell a character.
    EXPECT_EQ(wordGaps(textColumns, 6), 5);
}

TEST_F(KvtoolRender, RefusesSizesItCannotRenderInOneLine) {
    for (const char* size : {"0x10", "-5x5", "100000x100000", "12"}) {
        const std::string out = dir.path("refused.png");
        const CommandResult result = render(std::string("--size=") + size + " -o " + shellQuote(out));
        EXPECT_EQ(result.status, 1) << size;
        EXPECT_EQ(result.err.rfind("kvtool: --size: ", 0), 0u) << result.err;
        EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << result.err;
        EXPECT_FALSE(std::filesystem::exists(out));
    }
}

// render takes the saver's options from the option table, each in the one form
// that changes its default (--no-bilinear, --mirror), and its own --wireframe.
TEST_F(KvtoolRender, TakesTheTablesOptionsInTheFormThatChangesTheirDefault) {
    const std::string help = runKvtool("render --help").out;
    for (const OptionInfo& option : optionTable) {
        if ((option.programs & inRender) == 0) {
            // Its own --wireframe draws every model; its own --monitors is the layout to draw.
            const bool ownFlag = option.flagName == std::string("wireframe") || option.flagName == std::string("monitors");
            EXPECT_EQ(help.find(std::string("--") + option.flagName) == std::string::npos, !ownFlag) << option.name;
            continue;
        }
        const std::string on = std::string("--") + option.flagName + " ", off = "--no-" + std::string(option.flagName) + " ";
        const bool isFlag = option.choices.empty(), onByDefault = optionDefault(option) != 0;
        EXPECT_NE(help.find(isFlag && onByDefault ? off : on), std::string::npos) << option.name;
        if (isFlag) {
            EXPECT_EQ(help.find(onByDefault ? on : off), std::string::npos) << option.name;
        }
    }
    EXPECT_NE(help.find("1, 2, 3, 5, 10 or 20 (default 5)"), std::string::npos);
    const std::string out = dir.path("speed.png");
    const CommandResult wrong = render("--anim-speed 4 -o " + shellQuote(out));
    EXPECT_EQ(wrong.status, 1);
    EXPECT_EQ(wrong.err, "kvtool: --anim-speed: must be 1, 2, 3, 5, 10 or 20: 4\n");
    EXPECT_EQ(render("--model one.oof --size 16x16 --anim-speed 20 --no-bilinear --no-mipmap --mirror --fps -o " +
                     shellQuote(out)).status, 0);
    EXPECT_TRUE(std::filesystem::exists(out));
}

// How many models a sheet shows is the archive's to say; how many frames a GIF
// keeps is the user's: past their budgets both are one line before any drawing.
TEST_F(KvtoolRender, SheetsOfThousandsOfModelsAndOverlongGifsAreRefusedBeforeAnythingIsDrawn) {
    HogWriter many;
    for (int i = 0; i < 1500; ++i) many.add("m" + std::to_string(i) + ".oof", Bytes{});
    const std::string crowded = dir.write("crowded.hog", many.build());
    const CommandResult sheet = runKvtool("contact-sheet " + shellQuote(crowded) + " -o " + shellQuote(dir.path("s.png")));
    EXPECT_EQ(sheet.status, 1);
    EXPECT_EQ(sheet.err, "kvtool: --size: 1500 models at 240x180 make a sheet of 67 Mpixel, more than 64: "
                         "give a smaller --size\n");

    const CommandResult gif = render("--frames 500 --size 1280x720 -o " + shellQuote(dir.path("long.gif")));
    EXPECT_EQ(gif.status, 1);
    EXPECT_EQ(gif.err, "kvtool: --frames: a GIF of these frames would hold 1318 MB of pixels, more than 1024: "
                       "fewer --frames, a larger --every or a smaller --size\n");
    EXPECT_FALSE(std::filesystem::exists(dir.path("long.gif")));
    EXPECT_EQ(render("--frames 500 --every 2 --size 64x48 -o " + shellQuote(dir.path("fine.gif"))).status, 0);

    // Frames that would outlast the model on screen are named as the cause.
    const CommandResult frames = render("--seconds 59 --frames 200 --size 16x16 -o " + shellQuote(dir.path("late")));
    EXPECT_EQ(frames.status, 1);
    EXPECT_EQ(frames.err, "kvtool: --frames: the last of 200 frames would come after the 60 seconds a model stays on "
                          "screen\n");
    EXPECT_FALSE(std::filesystem::exists(dir.path("late")));
}

TEST_F(KvtoolRender, ContactSheetLabelsEveryModelInItsCell) {
    const std::string sheet = dir.path("sheet.png");
    const CommandResult result =
        runKvtool("contact-sheet " + shellQuote(archive) + " --size 40x30 --columns 2 -o " + shellQuote(sheet));
    ASSERT_EQ(result.status, 0) << result.err;
    const Png png = readPng(sheet);
    const int cellHeight = 30 + 16;
    EXPECT_EQ(png.width, 80);
    EXPECT_EQ(png.height, 2 * cellHeight);
    // Label text is drawn in 235 under each thumbnail; the fourth cell is empty.
    auto labelPixels = [&](int column, int row) {
        int n = 0;
        for (int y = row * cellHeight + 30; y < (row + 1) * cellHeight; ++y)
            for (int x = column * 40; x < (column + 1) * 40; ++x) n += png.at(x, y)[0] == 235 ? 1 : 0;
        return n;
    };
    EXPECT_GT(labelPixels(0, 0), 20);
    EXPECT_GT(labelPixels(1, 0), 20);
    EXPECT_GT(labelPixels(0, 1), 20);
    EXPECT_EQ(labelPixels(1, 1), 0);
    // Each thumbnail shows its own model: the box's red differs from cell to cell.
    auto reddest = [&](int column, int row) {
        int best = 0;
        for (int y = row * cellHeight; y < row * cellHeight + 30; ++y)
            for (int x = column * 40; x < (column + 1) * 40; ++x) best = std::max<int>(best, png.at(x, y)[0]);
        return best;
    };
    EXPECT_GT(reddest(0, 0), reddest(1, 0));
}
}  // namespace
