// kvtool texture: the resolved texture as JSON, as text, and as a PNG read
// back through libpng.
#include <gtest/gtest.h>
#include <png.h>

#include <array>
#include <fstream>

#include <nlohmann/json.hpp>

#include "forge/bitmap_writer.h"
#include "forge/hog_writer.h"
#include "forge/table_writer.h"
#include "test_files.h"

namespace {
class KvtoolTexture : public ::testing::Test {
protected:
    // "Engine Glow": two frames of different sizes in Glow.oaf.
    std::string archive() {
        OafAnimation glow;
        glow.frames = {OgfImage::fromPixels(2, 2, ogfArgb4444, {0xFF00, 0xF0F0, 0xF00F, 0x8FFF}),
                       OgfImage::fromPixels(3, 1, ogfArgb1555, {0xFC00, 0x83E0, 0x801F})};
        OgfImage broken = OgfImage::fromPixels(1, 1, 125, {0});
        TableWriter table;
        table.texture({.name = "Engine Glow",
                       .fileName = "glow.oaf",
                       .alphaFactor = 0.5f,
                       .frameTime = 0.5f,
                       .slideU = 4.0f,
                       .flags = 0x00640040});
        return dir.write("kv.hog", HogWriter()
                                       .add("table.gam", table.bytes())
                                       .add("Glow.oaf", glow.bytes())
                                       .add("broken.ogf", broken.bytes())
                                       .build());
    }
    TempDir dir;
};
}  // namespace

TEST_F(KvtoolTexture, JsonAndPngShowTheDecodedAnimation) {
    const std::string path = archive();
    const std::string png = dir.path("glow.png");
    const CommandResult result =
        runKvtool("texture --json " + shellQuote(path) + " 'engine glow' --png " + shellQuote(png));
    ASSERT_EQ(result.status, 0) << result.err;
    const auto json = nlohmann::json::parse(result.out);
    EXPECT_EQ(json["name"], "engine glow");
    EXPECT_EQ(json["source"], "Glow.oaf");  // as the archive spells it
    EXPECT_EQ(json["frameCount"], 2);
    EXPECT_EQ(json["alphaFactor"].get<double>(), 0.5);
    EXPECT_EQ(json["frameRate"].get<double>(), 2.0);
    EXPECT_EQ(json["slideRateU"].get<double>(), 0.25);
    EXPECT_EQ(json["slideRateV"].get<double>(), 0.0);
    EXPECT_EQ(json["flags"], 0x00640040);
    EXPECT_EQ(json["frames"], nlohmann::json::parse(R"([{"width":2,"height":2},{"width":3,"height":1}])"));

    // Frames side by side, top-aligned; below the shorter frame, transparent black.
    const Png image = readPng(png);
    ASSERT_EQ(image.width, 5);
    ASSERT_EQ(image.height, 2);
    EXPECT_EQ(image.at(0, 0), (Rgba{255, 0, 0, 127}));
    EXPECT_EQ(image.at(1, 1), (Rgba{255, 255, 255, 68}));  // alpha 136 halved
    EXPECT_EQ(image.at(2, 0), (Rgba{255, 0, 0, 127}));
    EXPECT_EQ(image.at(4, 0), (Rgba{0, 0, 255, 127}));
    EXPECT_EQ(image.at(3, 1), (Rgba{0, 0, 0, 0}));
}

TEST_F(KvtoolTexture, AMissingBitmapIsTheBuiltInImage) {
    const std::string path = archive();
    const std::string png = dir.path("none.png");
    const CommandResult json = runKvtool("texture " + shellQuote(path) + " Nothing --json --png " + shellQuote(png));
    ASSERT_EQ(json.status, 0) << json.err;
    const auto value = nlohmann::json::parse(json.out);
    EXPECT_TRUE(value["source"].is_null());
    EXPECT_EQ(value["frameCount"], 1);
    EXPECT_EQ(value["flags"], 0x00400040);
    const Png image = readPng(png);
    ASSERT_EQ(image.width, 16);
    ASSERT_EQ(image.height, 16);
    EXPECT_EQ(image.at(0, 0), (Rgba{180, 180, 180, 255}));
    EXPECT_EQ(image.at(2, 2), (Rgba{0, 0, 0, 255}));

    const CommandResult text = runKvtool("texture " + shellQuote(path) + " Nothing");
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("built-in NO FILE image"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("16x16"), std::string::npos) << text.out;
}

TEST_F(KvtoolTexture, ABadBitmapFailsWithItsMessage) {
    const std::string path = archive();
    const std::string png = dir.path("broken.png");
    const CommandResult result = runKvtool("texture " + shellQuote(path) + " broken --png " + shellQuote(png));
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "kvtool: broken: Incorrect OGF header\n");
    EXPECT_FALSE(std::ifstream(png).good());

    const CommandResult help = runKvtool("texture --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--png"), std::string::npos);
}

// 2 KB of animation: one tall frame beside 254 wide ones would be a strip of
// a million by 4096 pixels, 17 GB.
TEST_F(KvtoolTexture, AStripOfFramesTooUnlikeToLaySideBySideIsRefused) {
    OafAnimation unlike;
    OgfImage tall;
    tall.width = 1;
    tall.height = 4096;
    tall.runs.assign(17, {255, 0xFFFF});
    OgfImage wide = tall;
    std::swap(wide.width, wide.height);
    unlike.frames.assign(254, wide);
    unlike.frames.push_back(tall);
    const std::string path = dir.write("kv.hog", HogWriter().add("unlike.oaf", unlike.bytes()).build());
    const std::string png = dir.path("unlike.png");
    const CommandResult result = runKvtool("texture " + shellQuote(path) + " unlike.oaf --png " + shellQuote(png));
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "kvtool: unlike.oaf: its frames, side by side, would make a picture of 1040385x4096 pixels\n");
    EXPECT_LT(result.peakKilobytes, 256 * 1024);
    EXPECT_FALSE(std::ifstream(png).good());
}
