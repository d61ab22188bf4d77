#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "data/game_table.h"
#include "data/kv_path.h"
#include "forge/hog_writer.h"
#include "forge/table_writer.h"
#include "test_files.h"

namespace {
class GameTable : public ::testing::Test {
protected:
    void SetUp() override { clearGameTable(); }
    void TearDown() override {
        clearGameTable();
        searchPath.reset(0);
    }

    // Makes an archive of the given files the one archive of the search path.
    void useArchive(HogWriter writer) {
        const std::string path = dir.write("kv.hog", writer.build());
        searchPath.reset(1);
        searchPath.add(new HogFile(path.c_str()));
    }

    std::vector<std::string> names() const {
        std::vector<std::string> result;
        for (const TextureEntry* entry : textureTable.as<TextureEntry>()) result.push_back(entry->name);
        return result;
    }

    TempDir dir;
};
}  // namespace

TEST_F(GameTable, TextureRecordsAreKeptWithTheirFiveProperties) {
    TableWriter table;
    table.texture({.name = "Rock",
                   .fileName = "rock1.ogf",
                   .thirdText = "ignored",
                   .alphaFactor = 0.5f,
                   .frameTime = 2.0f,
                   .slideU = 0.25f,
                   .slideV = -4.0f,
                   .flags = 0x00640040});
    useArchive(HogWriter().add("table.gam", table.bytes()));
    loadGameTable("table.gam");
    ASSERT_EQ(textureTable.count, 1);
    const TextureEntry* rock = static_cast<TextureEntry*>(textureTable.first);
    EXPECT_STREQ(rock->name, "Rock");
    EXPECT_STREQ(rock->fileName, "rock1.ogf");
    EXPECT_EQ(rock->alphaFactor(), 0.5f);
    EXPECT_EQ(rock->frameTime(), 2.0f);
    EXPECT_EQ(rock->slideU(), 0.25f);
    EXPECT_EQ(rock->slideV(), -4.0f);
    EXPECT_EQ(rock->flags(), 0x00640040u);
}

TEST_F(GameTable, OtherRecordsAndLongBodiesAreSkippedToTheirEnd) {
    TableWriter table;
    table.record(1, 6, Bytes(30, 0xEE));   // right type, other kind
    table.record(2, 7, Bytes(17, 0xDD));   // other type, right kind
    table.texture({.name = "First", .fileName = "first.ogf", .tail = Bytes(50, 0xCC)});
    table.record(5, 0, Bytes{});           // empty body
    table.texture({.name = "Second", .fileName = "second.ogf"});
    table.raw(Bytes{1});                   // ends after a type byte
    useArchive(HogWriter().add("table.gam", table.bytes()));
    loadGameTable("table.gam");
    EXPECT_EQ(names(), (std::vector<std::string>{"First", "Second"}));
}

TEST_F(GameTable, OnlyOtherRecordsGiveAnEmptyTable) {
    TableWriter table;
    table.record(3, 7, Bytes(8, 0)).record(1, 8, Bytes(3, 0));
    useArchive(HogWriter().add("table.gam", table.bytes()));
    loadGameTable("table.gam");
    EXPECT_EQ(textureTable.count, 0);
    EXPECT_EQ(findTextureEntry("anything"), nullptr);
}

TEST_F(GameTable, LookupTriesOgfFileThenOafFileThenTheTextureName) {
    TableWriter table;
    table.texture({.name = "Rock", .fileName = "rock1.ogf"});
    table.texture({.name = "Anim", .fileName = "a.oaf"});
    table.texture({.name = "Still", .fileName = "a.ogf"});
    table.texture({.name = "rock1", .fileName = "other.ogf"});
    useArchive(HogWriter().add("table.gam", table.bytes()));
    loadGameTable("table.gam");
    EXPECT_STREQ(findTextureEntry("ROCK1")->name, "Rock");   // file-name pass beats the later name match
    EXPECT_STREQ(findTextureEntry("rock")->name, "Rock");    // name pass
    EXPECT_STREQ(findTextureEntry("a")->name, "Still");      // .ogf pass runs before .oaf
    EXPECT_EQ(findTextureEntry("rock1.ogf"), nullptr);
    EXPECT_EQ(findTextureEntry("nothing"), nullptr);
}

TEST_F(GameTable, AMissingTableGivesAnEmptyTable) {
    useArchive(HogWriter().add("other.gam", Bytes(10, 0)));
    loadGameTable("table.gam");
    EXPECT_EQ(textureTable.count, 0);
    EXPECT_EQ(findTextureEntry("rock"), nullptr);
    searchPath.reset(0);
    loadGameTable("second.gam");
    EXPECT_EQ(textureTable.count, 0);
}

TEST_F(GameTable, TheSameNamesLoadOnceAndOtherNamesRebuildInOrder) {
    TableWriter first;
    first.texture({.name = "One", .fileName = "one.ogf"});
    TableWriter second;
    second.texture({.name = "Two", .fileName = "two.ogf"});
    useArchive(HogWriter().add("table.gam", first.bytes()).add("extra.gam", second.bytes()));
    loadGameTable("table.gam");
    const ListNode* firstEntry = textureTable.first;
    loadGameTable("table.gam");
    EXPECT_EQ(textureTable.first, firstEntry);  // not read again
    EXPECT_EQ(textureTable.count, 1);

    loadGameTable("table.gam;;extra.gam");
    EXPECT_EQ(names(), (std::vector<std::string>{"One", "Two"}));
    loadGameTable("TABLE.GAM");  // different bytes: read again
    EXPECT_EQ(names(), (std::vector<std::string>{"One"}));
}

TEST_F(GameTable, ARecordRunningPastItsBodyFailsAndKeepsWhatCameBefore) {
    TableWriter table;
    table.texture({.name = "Good", .fileName = "good.ogf"});
    Bytes shortBody = TableWriter::textureBody({.name = "Cut", .fileName = "cut.ogf"});
    shortBody.resize(shortBody.size() - 3);
    table.record(1, 7, shortBody);
    useArchive(HogWriter().add("table.gam", table.bytes()));
    expectMessage("Tried to read past limit", [] { loadGameTable("table.gam"); });
    EXPECT_EQ(names(), (std::vector<std::string>{"Good"}));
}

TEST_F(GameTable, ARecordHeaderCutShortFails) {
    TableWriter table;
    table.texture({.name = "Good", .fileName = "good.ogf"});
    table.raw(Bytes{1, 40, 0});
    useArchive(HogWriter().add("table.gam", table.bytes()));
    expectMessage("Tried to read past limit", [] { loadGameTable("table.gam"); });
}

TEST_F(GameTable, ARecordLengthBelowItsHeaderIsRefused) {
    for (int32_t length : {5, 0, -100}) {
        clearGameTable();
        TableWriter table;
        table.recordWithLength(2, length, 0, Bytes(20, 0));
        useArchive(HogWriter().add("table.gam", table.bytes()));
        expectMessage("Bad game table record length", [] { loadGameTable("table.gam"); });
    }
}

TEST_F(GameTable, ARecordLengthPastTheEndOfTheFileIsRefused) {
    TextureRecord record;
    record.name = "hullplate";
    record.fileName = "hullplate.ogf";
    // The largest lengths overflowed the position of the next record.
    for (int32_t length : {0x7fffffff, 0x7ffffff9, 1000}) {
        clearGameTable();
        TableWriter table;
        table.texture(record).recordWithLength(63, length, 5, Bytes(4, 0));
        useArchive(HogWriter().add("table.gam", table.bytes()));
        expectMessage("Tried to seek past limit", [] { loadGameTable("table.gam"); });
    }
}

TEST_F(GameTable, ATextureRecordClaimingNearlyTwoGigabytesIsReadAndEndsTheTable) {
    TextureRecord record;
    record.name = "hullplate";
    record.fileName = "hullplate.ogf";
    // Skipping the rest of its body overflowed the position of the next record.
    for (int32_t length : {0x7fffffff, 0x7ffffff0}) {
        clearGameTable();
        TableWriter table;
        table.recordWithLength(1, length, 7, TableWriter::textureBody(record));
        useArchive(HogWriter().add("table.gam", table.bytes()));
        loadGameTable("table.gam");
        EXPECT_NE(findTextureEntry("hullplate"), nullptr);
        EXPECT_EQ(textureTable.count, 1);
    }
}
