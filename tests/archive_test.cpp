#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "data/hog_file.h"
#include "data/kv_path.h"
#include "forge/hog_writer.h"
#include "test_files.h"

namespace {
Bytes filled(size_t n, uint8_t value) { return Bytes(n, value); }

std::string readAll(InFile& in) {
    std::string text(static_cast<size_t>(in.size() - in.tell()), '\0');
    in.read(text.data(), static_cast<int32_t>(text.size()));
    return text;
}

Bytes textBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

// Puts one byte at `offset` of a built archive.
Bytes patched(Bytes bytes, size_t offset, uint8_t value) {
    bytes.at(offset) = value;
    return bytes;
}

Bytes patchedS32(Bytes bytes, size_t offset, int32_t value) {
    for (int i = 0; i < 4; ++i) bytes.at(offset + i) = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
    return bytes;
}

// An archive that holds nothing and reports its own destruction.
class WatchedArchive : public Archive {
public:
    explicit WatchedArchive(bool& destroyed_) : destroyed(destroyed_) {}
    ~WatchedArchive() override { destroyed = true; }
    InFile* open(const char*) override { fail("File not found"); }
    bool& destroyed;
};

class Archives : public ::testing::Test {
protected:
    void TearDown() override { searchPath.reset(0); }
    TempDir dir;
};
}  // namespace

TEST_F(Archives, EntriesAreFoundWithoutRegardToLetterCase) {
    const std::string path = dir.write("kv.hog", HogWriter()
                                                     .add("table.gam", textBytes("TABLEDATA"))
                                                     .add("Ship.oof", textBytes("model"))
                                                     .add("rock.ogf", textBytes("pixels"))
                                                     .build());
    HogFile hog(path.c_str());
    ASSERT_EQ(hog.entryCount, 3);
    // The writer sorts the table in lookup order.
    EXPECT_STREQ(hog.entries[0].name, "rock.ogf");
    EXPECT_STREQ(hog.entries[1].name, "Ship.oof");
    EXPECT_STREQ(hog.entries[2].name, "table.gam");

    std::unique_ptr<InFile> table(hog.open("TABLE.GAM"));
    EXPECT_EQ(table->tell(), 0);
    EXPECT_EQ(table->size(), 9);
    EXPECT_EQ(std::string(table->name()), "[" + path + "]TABLE.GAM");
    char buffer[10];
    expectMessage("Tried to read past limit", [&] { table->read(buffer, 10); });
    EXPECT_EQ(std::string(buffer, 9), "TABLEDATA");

    std::unique_ptr<InFile> ship(hog.open("sHiP.OoF"));
    EXPECT_EQ(readAll(*ship), "model");
    expectMessage("File not found", [&] { hog.open("ship.oo"); });
    expectMessage("File not found", [&] { hog.open("ship.ooff"); });
}

TEST_F(Archives, DataPositionsFollowTheDataOffsetBackToBack) {
    const std::string path = dir.write("kv.hog", HogWriter()
                                                     .add("a", filled(10, 'a'))
                                                     .add("b", filled(20, 'b'))
                                                     .add("c", filled(30, 'c'))
                                                     .dataOffset(1000)
                                                     .build());
    HogFile hog(path.c_str());
    EXPECT_EQ(hog.entries[0].offset, 1000);
    EXPECT_EQ(hog.entries[1].offset, 1010);
    EXPECT_EQ(hog.entries[2].offset, 1030);
    std::unique_ptr<InFile> c(hog.open("c"));
    EXPECT_EQ(readAll(*c), std::string(30, 'c'));
}

TEST_F(Archives, TwoOpenEntriesReadIndependently) {
    const std::string path =
        dir.write("kv.hog", HogWriter().add("one", textBytes("111111")).add("two", textBytes("222222")).build());
    HogFile hog(path.c_str());
    std::unique_ptr<InFile> one(hog.open("one"));
    std::unique_ptr<InFile> two(hog.open("two"));
    EXPECT_EQ(readU8(*one), '1');
    EXPECT_EQ(readU8(*two), '2');
    EXPECT_EQ(readU8(*one), '1');
    EXPECT_EQ(one->tell(), 2);
    EXPECT_EQ(two->tell(), 1);
}

TEST_F(Archives, AnEmptyArchiveOpensAndFindsNothing) {
    const std::string path = dir.write("kv.hog", HogWriter().build());
    HogFile hog(path.c_str());
    EXPECT_EQ(hog.entryCount, 0);
    expectMessage("File not found", [&] { hog.open("table.gam"); });
}

TEST_F(Archives, BrokenArchivesAreRefusedWithAClearMessage) {
    const Bytes good = HogWriter().add("a.oof", filled(10, 1)).add("b.oof", filled(10, 2)).build();
    auto refuse = [&](const char* message, const Bytes& bytes) {
        const std::string path = dir.write("broken.hog", bytes);
        expectMessage(message, [&] { HogFile hog(path.c_str()); });
    };
    refuse("Not a HOG2 file", patched(good, 3, '1'));
    refuse("Not a HOG2 file", patched(good, 0, 'h'));
    refuse("Not a HOG2 file", Bytes{'H', 'O'});
    refuse("Not a HOG2 file", Bytes{});
    refuse("Truncated HOG2 file", Bytes(good.begin(), good.begin() + 40));            // header cut short
    refuse("Truncated HOG2 file", Bytes(good.begin(), good.begin() + 68 + 60));       // entry table cut short
    refuse("Truncated HOG2 file", Bytes(good.begin(), good.end() - 1));               // data cut short
    refuse("Truncated HOG2 file", patchedS32(good, 4, 0x7FFFFFFF));                   // impossible count
    refuse("Bad HOG2 entry count", patchedS32(good, 4, -1));
    refuse("Truncated HOG2 file", patchedS32(good, 8, -5));                           // data before the file
    refuse("Truncated HOG2 file", patchedS32(good, 68 + 40, -10));                    // negative length
    refuse("Truncated HOG2 file", patchedS32(good, 68 + 40, 0x7FFFFFF0));             // length past the file
    Bytes noNul = good;
    for (int i = 0; i < 36; ++i) noNul[68 + i] = 'x';
    refuse("Bad HOG2 entry name", noNul);
    expectMessage("Couldn't open file", [&] { HogFile hog(dir.path("absent.hog").c_str()); });
}

TEST_F(Archives, SearchPathReadsDiskPathsAndSwallowsArchiveFailures) {
    const std::string path = dir.write("kv.hog", HogWriter().add("note.txt", textBytes("in archive")).build());
    dir.write("note.txt", textBytes("on disk"));
    searchPath.reset(1);
    searchPath.add(new HogFile(path.c_str()));
    std::unique_ptr<InFile> fromArchive(searchPath.open("NOTE.TXT"));
    EXPECT_EQ(readAll(*fromArchive), "in archive");
    std::unique_ptr<InFile> fromDisk(searchPath.open(dir.path("note.txt").c_str()));
    EXPECT_EQ(readAll(*fromDisk), "on disk");
    expectMessage("Couldn't open file", [&] { searchPath.open((dir.root() + "/absent").c_str()); });
    expectMessage("Couldn't open file", [&] { searchPath.open("no\\such"); });
    expectMessage("File not found", [&] { searchPath.open("absent"); });

    // The archive vanishes: its "Couldn't open file" is absorbed.
    std::remove(path.c_str());
    expectMessage("File not found", [&] { searchPath.open("note.txt"); });
}

TEST_F(Archives, SearchPathHoldsOnlyAsManyArchivesAsItsCapacity) {
    const std::string path = dir.write("kv.hog", HogWriter().add("x", textBytes("1")).build());
    searchPath.reset(1);
    searchPath.add(new HogFile(path.c_str()));
    // A refused archive stays the caller's: alive after the throw, freed once, by the caller.
    bool refusedDestroyed = false;
    auto refused = std::make_unique<WatchedArchive>(refusedDestroyed);
    expectMessage("KVPath is full", [&] { searchPath.add(refused.get()); });
    EXPECT_EQ(searchPath.count, 1);
    if (refusedDestroyed) {
        refused.release();
        FAIL() << "add destroyed the archive it refused";
    }
    refused.reset();

    const std::string second = dir.write("b.hog", HogWriter().add("y", textBytes("2")).build());
    searchPath.reset(2);
    searchPath.add(new HogFile(second.c_str()));
    searchPath.add(new HogFile(path.c_str()));
    std::unique_ptr<InFile> x(searchPath.open("x"));
    EXPECT_EQ(readAll(*x), "1");  // found in the second archive after the first said no
}

TEST_F(Archives, SuffixAndNameComparisonsFoldOnlyAsciiLetters) {
    EXPECT_TRUE(endsWithIgnoringCase("SHIP.OOF", ".oof"));
    EXPECT_TRUE(endsWithIgnoringCase(".oof", ".oof"));
    EXPECT_FALSE(endsWithIgnoringCase("oof", ".oof"));
    EXPECT_FALSE(endsWithIgnoringCase("rock.ogf", ".oof"));
    EXPECT_EQ(compareNames("ABC", "abc"), 0);
    EXPECT_LT(compareNames("a_b", "aAb"), 0);   // '_' (95) sorts before 'a' (97)
    EXPECT_GT(compareNames("\xC9", "\xE9"), -1000);
    EXPECT_NE(compareNames("\xC9", "\xE9"), 0);  // no folding beyond ASCII
}
