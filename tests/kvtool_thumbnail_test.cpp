// kvtool thumbnail, as the desktop's thumbnailer runs it: a PNG no larger than
// asked of the archive's first models, and on bad input no file and status 1,
// soon and within the archive's memory budget.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "forge/bitmap_writer.h"
#include "forge/demo_shapes.h"
#include "forge/hog_writer.h"
#include "forge/oof_writer.h"
#include "test_files.h"
#include "test_models.h"
#include "textures/texture.h"

namespace fs = std::filesystem;

namespace {
// The bytes of a model file that is not one.
Bytes notAModel() { return Bytes{'N', 'O', 'P', 'E', 0, 0, 0, 0}; }

class KvtoolThumbnail : public ::testing::Test {
protected:
    // `timeout` guards against a thumbnailer that never ends; its 124 fails the status checks.
    CommandResult thumbnail(const std::string& archive, const std::string& size) {
        return runCommand("timeout 60 " + shellQuote(KVTOOL_PATH) + " thumbnail --size " + size + " " +
                          shellQuote(archive) + " " + shellQuote(output));
    }
    // A failure as file managers expect it: status 1, one line, no file.
    void expectRefused(const CommandResult& result, const std::string& message) {
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err, "kvtool: " + message + "\n");
        EXPECT_FALSE(fs::exists(output)) << "a refused thumbnail leaves no file";
    }
    TempDir dir;
    std::string output = dir.path("thumbnail.png");
};

// The lit pixels of the `cell`-wide square at (left, top), and whether all
// others there are the empty cell's grey.
int litPixels(const Png& png, int left, int top, int cell) {
    int lit = 0;
    for (int y = top; y < top + cell; ++y)
        for (int x = left; x < left + cell; ++x) lit += png.at(x, y)[0] > 30 ? 1 : 0;
    return lit;
}
}  // namespace

TEST_F(KvtoolThumbnail, ShowsTheFirstModelsTwoByTwoInASquareNoLargerThanAsked) {
    const std::string archive =
        dir.write("three.hog", HogWriter().add("a-first.oof", boxModel(250)).add("b-second.oof", boxModel(150))
                                   .add("c-third.oof", boxModel(90)).build());
    const CommandResult result = thumbnail(archive, "101");
    ASSERT_EQ(result.status, 0) << result.err;
    const Png png = readPng(output);
    ASSERT_EQ(png.width, 100) << "two cells of 50: never more than the 101 asked";
    ASSERT_EQ(png.height, 100);
    // The boxes in archive order (by name): left to right, then the next row.
    const int cells[3][2] = {{0, 0}, {50, 0}, {0, 50}};
    for (const auto& cell : cells) EXPECT_GT(litPixels(png, cell[0], cell[1], 50), 200) << cell[0] << "," << cell[1];
    EXPECT_EQ(litPixels(png, 50, 50, 50), 0) << "no fourth model, an empty cell";
    // The brightest red of each cell is its box's.
    int reddest[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i)
        for (int y = cells[i][1]; y < cells[i][1] + 50; ++y)
            for (int x = cells[i][0]; x < cells[i][0] + 50; ++x) reddest[i] = std::max<int>(reddest[i], png.at(x, y)[0]);
    EXPECT_GT(reddest[0], reddest[1]);
    EXPECT_GT(reddest[1], reddest[2]);
}

TEST_F(KvtoolThumbnail, OneModelFillsThePictureAndASizeAboveTheLargestGivesTheLargest) {
    const std::string archive = dir.write("one.hog", HogWriter().add("one.oof", boxModel(250)).build());
    const CommandResult result = thumbnail(archive, "4000");
    ASSERT_EQ(result.status, 0) << result.err;
    const Png png = readPng(output);
    EXPECT_EQ(png.width, 1024);
    EXPECT_EQ(png.height, 1024);
    EXPECT_GT(litPixels(png, 0, 0, 1024), 1024 * 1024 / 20) << "the box is drawn large, not a speck";
}

TEST_F(KvtoolThumbnail, RefusesASizeTooSmallToShowAModel) {
    const std::string archive = dir.write("one.hog", HogWriter().add("one.oof", boxModel(250)).build());
    expectRefused(thumbnail(archive, "8"), "--size: must be at least 16: 8");
}

TEST_F(KvtoolThumbnail, AFileThatIsNoArchiveGivesNoThumbnail) {
    const std::string text = dir.write("notes.hog", Bytes{'h', 'e', 'l', 'l', 'o', '\n'});
    expectRefused(thumbnail(text, "128"), text + ": Not a HOG2 file");
}

TEST_F(KvtoolThumbnail, AnArchiveWithoutModelsGivesNoThumbnail) {
    const std::string archive = dir.write("table.hog", HogWriter().add("readme.txt", Bytes{'h', 'i'}).build());
    expectRefused(thumbnail(archive, "128"), archive + ": The game archive holds no models.");
}

TEST_F(KvtoolThumbnail, AnArchiveCutShortGivesNoThumbnail) {
    Bytes bytes = HogWriter().add("one.oof", boxModel(250)).add("two.oof", boxModel(150)).build();
    bytes.resize(bytes.size() - 10);
    const std::string archive = dir.write("cut.hog", bytes);
    expectRefused(thumbnail(archive, "128"), archive + ": Truncated HOG2 file");
}

TEST_F(KvtoolThumbnail, AnArchiveWhoseModelsCannotBeReadGivesNoThumbnail) {
    const std::string archive = dir.write("broken.hog", HogWriter().add("broken.oof", notAModel()).build());
    expectRefused(thumbnail(archive, "128"), archive + ": no model could be drawn (broken.oof: Not a valid OOF file)");
}

// A model that cannot be read leaves its cell to the next one; past the first
// sixteen the thumbnailer gives up, so a thousand broken models cost sixteen tries.
TEST_F(KvtoolThumbnail, SkipsModelsThatCannotBeReadButGivesUpAfterSixteen) {
    HogWriter early, late;
    early.add("a-broken.oof", notAModel()).add("b-box.oof", boxModel(250));
    for (int i = 0; i < 1000; ++i) late.add("broken" + std::to_string(1000 + i) + ".oof", notAModel());
    late.add("zz-box.oof", boxModel(250));

    const CommandResult skipped = thumbnail(dir.write("early.hog", early.build()), "64");
    ASSERT_EQ(skipped.status, 0) << skipped.err;
    const Png png = readPng(output);
    EXPECT_GT(litPixels(png, 0, 0, 32), 50) << "the box takes the first cell";
    fs::remove(output);

    const std::string archive = dir.write("late.hog", late.build());
    expectRefused(thumbnail(archive, "64"), archive + ": no model could be drawn (broken1000.oof: Not a valid OOF file)");
}

// The bad-input table's heaviest small archive: 40 bitmaps of the largest size
// named by one model would decode to 2.6 GB; the model is refused first.
TEST_F(KvtoolThumbnail, AModelWhoseTexturesWouldTakeTheMachineGivesNoThumbnailWithinTheBudget) {
    HogWriter archive;
    const std::vector<std::string> names = addLargestBitmaps(archive);
    OofSubobject part;
    part.index = 0;
    part.name = "part0";
    part.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    for (int32_t t = 0; t < 40; ++t)
        part.faces.push_back({.textured = true, .textureIndex = t, .corners = {{0, 0, 0}, {1, 1, 0}, {2, 0, 1}}});
    OofWriter heavy;
    heavy.textures(names).header(1, 1.0f, {-1, -1, -1}, {1, 1, 1}).subobject(part);
    archive.add("heavy.oof", heavy.build());
    const std::string path = dir.write("heavy.hog", archive.build());

    const CommandResult result = thumbnail(path, "256");
    expectRefused(result, path + ": no model could be drawn (heavy.oof: Model textures too large)");
    EXPECT_LT(result.peakKilobytes, 512 * 1024) << "the textures' budget is 128 MB, Mesa's own some 100 MB";
}

TEST_F(KvtoolThumbnail, HelpNamesWhatTheThumbnailerFillsIn) {
    const CommandResult help = runKvtool("thumbnail --help");
    EXPECT_EQ(help.status, 0);
    for (const char* part : {"ARCHIVE", "OUT", "--size"}) EXPECT_NE(help.out.find(part), std::string::npos) << part;
}
