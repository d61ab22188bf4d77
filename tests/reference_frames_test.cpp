// The saver's frames against the reference frames committed beside their
// script: every demo model and the game-scale carrier in every drawing mode,
// rendered again by the same script through kvtool render and compared pixel
// for pixel. The references were rendered with faces drawn one by one; any
// way of drawing them must give the same bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "test_files.h"

namespace fs = std::filesystem;

namespace {
std::vector<std::string> pngNames(const fs::path& folder) {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == ".png") names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(ReferenceFrames, EveryModelInEveryModeDrawsTheReferencePixels) {
    const fs::path references = REFERENCE_FRAMES_DIR;
    TempDir dir;
    const CommandResult run = runCommand(shellQuote((references / "render.sh").string()) + " " +
                                         shellQuote(KVTOOL_PATH) + " " + shellQuote(dir.root()));
    ASSERT_EQ(run.status, 0) << run.err;

    const std::vector<std::string> names = pngNames(references);
    ASSERT_EQ(names, pngNames(dir.root())) << "the script renders exactly the frames kept";
    ASSERT_GE(names.size(), 7u * 6u) << "each model in each mode";
    for (const std::string& name : names) {
        const Png expected = readPng((references / name).string());
        const Png drawn = readPng(dir.path(name));
        ASSERT_EQ(drawn.width, expected.width) << name;
        ASSERT_EQ(drawn.height, expected.height) << name;
        size_t differing = 0, first = 0;
        for (size_t i = 0; i < expected.rgba.size(); i += 4)
            if (!std::equal(&expected.rgba[i], &expected.rgba[i] + 4, &drawn.rgba[i]) && differing++ == 0) first = i / 4;
        EXPECT_EQ(differing, 0u) << name << ": first at x " << first % static_cast<size_t>(expected.width) << ", y "
                                 << first / static_cast<size_t>(expected.width);
    }
}
}  // namespace
