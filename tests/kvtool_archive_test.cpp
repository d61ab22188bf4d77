#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "forge/byte_writer.h"
#include "forge/hog_writer.h"
#include "forge/table_writer.h"
#include "test_files.h"

namespace {
Bytes textBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

class Kvtool : public ::testing::Test {
protected:
    std::string archive() {
        TableWriter table;
        table.record(4, 2, Bytes(9, 0));
        table.texture({.name = "Rock", .fileName = "rock.ogf", .alphaFactor = 0.1f, .frameTime = 2.5f, .flags = 7});
        return dir.write("kv.hog", HogWriter()
                                       .add("Ship.oof", textBytes("SHIPDATA"))
                                       .add("table.gam", table.bytes())
                                       .add("a.ogf", textBytes("AB"))
                                       .build());
    }
    TempDir dir;
};
}  // namespace

TEST_F(Kvtool, LsListsEntriesInTableOrderWithPositions) {
    const std::string path = archive();
    const CommandResult result = runKvtool("ls --json " + shellQuote(path));
    ASSERT_EQ(result.status, 0) << result.err;
    const auto list = nlohmann::json::parse(result.out);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0]["name"], "a.ogf");
    EXPECT_EQ(list[0]["offset"], 68 + 3 * 48);
    EXPECT_EQ(list[0]["length"], 2);
    EXPECT_EQ(list[1]["name"], "Ship.oof");
    EXPECT_EQ(list[1]["offset"], 68 + 3 * 48 + 2);
    EXPECT_EQ(list[2]["name"], "table.gam");

    const CommandResult text = runKvtool("ls " + shellQuote(dir.root()));  // a directory holding kv.hog
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("Ship.oof"), std::string::npos);
}

TEST_F(Kvtool, ExtractFindsNamesWithoutRegardToCase) {
    const std::string path = archive();
    const CommandResult out = runKvtool("extract " + shellQuote(path) + " SHIP.OOF");
    ASSERT_EQ(out.status, 0) << out.err;
    EXPECT_EQ(out.out, "SHIPDATA");

    const std::string target = dir.path("ship.bin");
    ASSERT_EQ(runKvtool("extract " + shellQuote(path) + " ship.oof -o " + shellQuote(target)).status, 0);
    EXPECT_EQ(readFileBytes(target), textBytes("SHIPDATA"));

    const CommandResult missing = runKvtool("extract " + shellQuote(path) + " nothing.oof");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "kvtool: nothing.oof: File not found\n");
}

TEST_F(Kvtool, TableListsTextureRecords) {
    const CommandResult result = runKvtool("table --json " + shellQuote(archive()));
    ASSERT_EQ(result.status, 0) << result.err;
    const auto list = nlohmann::json::parse(result.out);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]["name"], "Rock");
    EXPECT_EQ(list[0]["fileName"], "rock.ogf");
    EXPECT_EQ(list[0]["alphaFactor"].get<double>(), 0.1);  // printed as the float's shortest form
    EXPECT_EQ(list[0]["frameTime"].get<double>(), 2.5);
    EXPECT_EQ(list[0]["slideU"].get<double>(), 0.0);
    EXPECT_EQ(list[0]["flags"], 7);
}

TEST_F(Kvtool, PackWritesAnArchiveThatListsAndExtracts) {
    const std::string a = dir.write("Zeta.oof", textBytes("zzz"));
    const std::string b = dir.write("alpha.ogf", textBytes("aaaa"));
    const std::string out = dir.path("packed.hog");
    const CommandResult packed = runKvtool("pack " + shellQuote(out) + " " + shellQuote(a) + " " + shellQuote(b));
    ASSERT_EQ(packed.status, 0) << packed.err;
    const auto list = nlohmann::json::parse(runKvtool("ls --json " + shellQuote(out)).out);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]["name"], "alpha.ogf");
    EXPECT_EQ(list[1]["name"], "Zeta.oof");
    EXPECT_EQ(runKvtool("extract " + shellQuote(out) + " zeta.OOF").out, "zzz");
    // Same bytes as the forge writes.
    EXPECT_EQ(readFileBytes(out),
              HogWriter().add("Zeta.oof", textBytes("zzz")).add("alpha.ogf", textBytes("aaaa")).build());
}

TEST_F(Kvtool, PackRefusesClashingAndOverlongNamesAndKeepsTheOldArchive) {
    const std::string out = dir.write("keep.hog", textBytes("old"));
    const std::string a = dir.write("same.oof", textBytes("1"));
    TempDir other;
    const std::string b = other.write("SAME.OOF", textBytes("2"));
    const CommandResult clash = runKvtool("pack " + shellQuote(out) + " " + shellQuote(a) + " " + shellQuote(b));
    EXPECT_EQ(clash.status, 1);
    EXPECT_NE(clash.err.find("same entry name"), std::string::npos);
    const std::string longName = dir.write(std::string(36, 'n'), textBytes("x"));
    EXPECT_EQ(runKvtool("pack " + shellQuote(out) + " " + shellQuote(longName)).status, 1);
    EXPECT_EQ(runKvtool("pack " + shellQuote(out) + " " + shellQuote(dir.path("absent"))).status, 1);
    EXPECT_EQ(readFileBytes(out), textBytes("old"));
}

TEST_F(Kvtool, BrokenArchivesFailWithOneLine) {
    const std::string bad = dir.write("bad.hog", textBytes("HOG1 and more bytes"));
    const CommandResult result = runKvtool("ls " + shellQuote(bad));
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "kvtool: " + bad + ": Not a HOG2 file\n");
    EXPECT_EQ(result.out, "");

    const CommandResult absent = runKvtool("table " + shellQuote(dir.path("absent.hog")));
    EXPECT_EQ(absent.status, 1);
    EXPECT_EQ(absent.err, "kvtool: " + dir.path("absent.hog") + ": Couldn't open file\n");
}

TEST_F(Kvtool, EveryCommandHasHelp) {
    for (const char* command : {"", "ls", "extract", "table", "pack", "demo"}) {
        const CommandResult result = runKvtool(std::string(command) + " --help");
        EXPECT_EQ(result.status, 0) << command;
        EXPECT_NE(result.out.find("Usage"), std::string::npos) << command;
    }
    EXPECT_EQ(runKvtool("frobnicate").status, 1);
    EXPECT_EQ(runKvtool("").status, 1);
}
