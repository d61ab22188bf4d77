// The OpenGL calls and draws of one steady frame, counted with apitrace
// through kvtool render (scripts/gl-calls.sh): the game-scale carrier and the
// demo models must stay within their counts.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>

#include "forge/demo_archive.h"
#include "forge/game_scale_archive.h"
#include "test_files.h"

namespace {
struct Counts {
    long calls = -1;
    long draws = -1;
};

class GlCalls : public ::testing::Test {
protected:
    // Counts one steady frame of `model`; skips the test without apitrace.
    Counts count(const std::string& archive, const std::string& model, const std::string& options = "") {
        const CommandResult run = runCommand(shellQuote(GL_CALLS_SCRIPT) + " " + shellQuote(KVTOOL_PATH) + " " +
                                             shellQuote(archive) + " " + model + " --seconds 2 " + options);
        if (run.status == 2) {
            skipped = true;
            return {};
        }
        EXPECT_EQ(run.status, 0) << run.err;
        Counts counts;
        EXPECT_EQ(std::sscanf(run.out.c_str(), "calls %ld draws %ld", &counts.calls, &counts.draws), 2) << run.out;
        return counts;
    }
    TempDir dir;
    bool skipped = false;
};

TEST_F(GlCalls, TheGameScaleCarrierDrawsItsFacesInFewCallsInEveryMode) {
    const std::string archive = dir.write("kv.hog", gameScaleArchive().build());
    for (const char* mode : {"", "--wireframe", "--mirror"}) {
        const Counts counts = count(archive, gameScaleModelName, mode);
        if (skipped) GTEST_SKIP() << "apitrace is not installed (scripts/setup.sh installs it)";
        // Face by face, a solid frame took 201,639 calls and 8,000 draws.
        EXPECT_LE(counts.calls, 20000) << mode;
        EXPECT_LE(counts.draws, 500) << mode;
        EXPECT_GT(counts.draws, 0) << mode;
    }
}

TEST_F(GlCalls, EachDemoModelNeedsAQuarterOfTheCallsItsFacesTookOneByOne) {
    const std::string archive = dir.write("kv.hog", demoArchive().build());
    // One steady solid frame each, drawn face by face.
    const std::map<std::string, long> faceByFace = {{"asteroid.oof", 8686}, {"harvester.oof", 3568},
                                                    {"lance.oof", 1847},    {"lighthouse.oof", 3442},
                                                    {"relay.oof", 11611},   {"vanguard.oof", 6631}};
    for (const auto& [model, calls] : faceByFace) {
        const Counts counts = count(archive, model);
        if (skipped) GTEST_SKIP() << "apitrace is not installed (scripts/setup.sh installs it)";
        EXPECT_LE(counts.calls, calls / 4) << model;
        EXPECT_GT(counts.draws, 0) << model;
    }
}
}  // namespace
