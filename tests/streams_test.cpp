#include <gtest/gtest.h>

#include <dirent.h>

#include <cstring>
#include <memory>
#include <string>

#include "data/in_file.h"
#include "test_files.h"

namespace {
Bytes counting(size_t n) {
    Bytes bytes(n);
    for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>(i);
    return bytes;
}

int openDescriptorCount() {
    int n = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir) != nullptr) ++n;
        closedir(dir);
    }
    return n;
}

class Streams : public ::testing::Test {
protected:
    TempDir dir;
    std::string file = dir.write("data.bin", counting(2000));
};
}  // namespace

TEST_F(Streams, StdioFileReadsSeeksAndReportsItsEndOnlyAfterAShortRead) {
    StdioInFile in(file.c_str());
    EXPECT_STREQ(in.name(), file.c_str());
    EXPECT_EQ(in.size(), 2000);
    in.seek(1999);
    EXPECT_EQ(readU8(in), 1999 % 256);
    EXPECT_EQ(in.tell(), 2000);
    EXPECT_FALSE(in.atEnd());  // at the end, but no read has run into it yet
    uint8_t byte = 77;
    EXPECT_EQ(in.read(&byte, 1), 0);
    EXPECT_EQ(byte, 77);  // a short read leaves the buffer alone
    EXPECT_TRUE(in.atEnd());
    EXPECT_EQ(in.size(), 2000);
}

TEST_F(Streams, StdioFileSeekRulesAndRefusedWrites) {
    StdioInFile in(file.c_str());
    in.seek(5000);  // past the end is accepted
    EXPECT_EQ(in.tell(), 5000);
    expectMessage("Tried to seek to invalid index", [&] { in.seek(-1); });
    expectMessage("Can't write to StdioInFile", [&] { in.write("x", 1); });
    expectMessage("Can't write to StdioInFile", [&] { in.write("", 0); });
}

// The stream reads ahead a block at a time: reads that straddle blocks, seeks
// back out of a block and reads larger than a block must all deliver the file.
TEST_F(Streams, StdioFileDeliversTheSameBytesAcrossItsReadAheadBlocks) {
    const int32_t length = StdioInFile::blockSize * 3 + 123;
    const Bytes original = counting(static_cast<size_t>(length));
    const std::string big = dir.write("big.bin", original);
    StdioInFile in(big.c_str());
    Bytes seen(original.size(), 0);
    const int32_t straddle = StdioInFile::blockSize - 2;
    EXPECT_EQ(in.read(seen.data(), straddle), straddle);
    EXPECT_EQ(in.read(seen.data() + straddle, 7), 7);  // across the first block's end
    in.seek(1);                                          // back out of the current block
    EXPECT_EQ(readU8(in), 1);
    in.seek(straddle + 7);
    const int32_t rest = length - straddle - 7;
    EXPECT_EQ(in.read(seen.data() + straddle + 7, rest + 10), rest);  // larger than a block, past the end
    EXPECT_TRUE(in.atEnd());
    EXPECT_EQ(seen, original);
    in.seek(length - 1);  // a seek clears the end, as stdio's does
    EXPECT_FALSE(in.atEnd());
    EXPECT_EQ(readU8(in), (length - 1) % 256);
}

TEST_F(Streams, StdioFileRefusesMissingFilesAndDirectories) {
    expectMessage("Couldn't open file", [&] { StdioInFile in(dir.path("absent").c_str()); });
    expectMessage("Couldn't open file", [&] { StdioInFile in(dir.root().c_str()); });
}

TEST_F(Streams, LittleEndianReadersAssembleFields) {
    TempDir local;
    ByteWriter w;
    w.u8(0xFE).u16(0xBEEF).s16(-2).s32(-123456).u32(0xDEADBEEF).f32(1.5f).vec({1, -2, 3});
    const std::string path = local.write("fields.bin", w.bytes());
    StdioInFile in(path.c_str());
    EXPECT_EQ(readS8(in), -2);
    EXPECT_EQ(readU16(in), 0xBEEF);
    EXPECT_EQ(readS16(in), -2);
    EXPECT_EQ(readS32(in), -123456);
    EXPECT_EQ(readU32(in), 0xDEADBEEFu);
    EXPECT_EQ(readFloat(in), 1.5f);
    EXPECT_EQ(readVector(in), Vector(1, -2, 3));
    EXPECT_EQ(readS32(in), 0);  // past the end of a disk file: zero, never stale bytes
}

TEST_F(Streams, WindowReadsUpToItsLimitAndThenThrows) {
    StdioInFile in(file.c_str());
    {
        LimitedInFile window(in, 100);
        uint8_t buffer[100];
        window.read(buffer, 100);
        EXPECT_EQ(buffer[99], 99);
        EXPECT_TRUE(window.atEnd());
    }
    in.seek(0);
    LimitedInFile window(in, 100);
    uint8_t buffer[101] = {};
    buffer[100] = 0xAA;
    expectMessage("Tried to read past limit", [&] { window.read(buffer, 101); });
    EXPECT_EQ(buffer[99], 99);      // everything up to the end arrived
    EXPECT_EQ(buffer[100], 0xAA);   // and nothing beyond it
    EXPECT_EQ(window.tell(), 100);
    EXPECT_TRUE(window.atEnd());
}

TEST_F(Streams, WindowPositionsAreRelativeToWhereItStarted) {
    StdioInFile in(file.c_str());
    in.seek(1000);
    LimitedInFile window(in, 50);
    EXPECT_EQ(window.tell(), 0);
    EXPECT_EQ(window.size(), 50);
    window.seek(10);
    EXPECT_EQ(in.tell(), 1010);
    EXPECT_EQ(readU8(window), 1010 % 256);
    EXPECT_EQ(window.size(), 50);
    EXPECT_STREQ(window.name(), file.c_str());

    expectMessage("Tried to seek past beginning", [&] { window.seek(-1); });
    EXPECT_EQ(window.tell(), 0);
    expectMessage("Tried to seek past limit", [&] { window.seek(51); });
    EXPECT_EQ(window.tell(), 50);
    window.seek(50);
    EXPECT_TRUE(window.atEnd());
    window.seek(3);  // back inside: the window's end does not move
    EXPECT_FALSE(window.atEnd());
    EXPECT_EQ(window.size(), 50);
}

TEST_F(Streams, WindowWritesPassThroughUntilTheLimit) {
    StdioInFile in(file.c_str());
    LimitedInFile window(in, 4);
    // The inner file refuses every write; the window's own limit comes first.
    expectMessage("Can't write to StdioInFile", [&] { window.write("ab", 2); });
    LimitedInFile empty(in, 0);
    expectMessage("Tried to write past limit", [&] { empty.write("ab", 2); });
}

TEST_F(Streams, DestroyingAWindowSkipsItsUnreadRest) {
    StdioInFile in(file.c_str());
    {
        LimitedInFile window(in, 100);
        readU32(window);
    }
    EXPECT_EQ(in.tell(), 100);
    {
        LimitedInFile window(in, 100);
        uint8_t buffer[100];
        window.read(buffer, 100);
    }
    EXPECT_EQ(in.tell(), 200);
}

TEST_F(Streams, WindowsNest) {
    StdioInFile in(file.c_str());
    in.seek(500);
    LimitedInFile outer(in, 100);
    outer.seek(20);
    {
        LimitedInFile inner(outer, 30);
        EXPECT_EQ(readU8(inner), 520 % 256);
        expectMessage("Tried to seek past limit", [&] { inner.seek(31); });
    }
    EXPECT_EQ(outer.tell(), 50);
    EXPECT_EQ(in.tell(), 550);
    // A window longer than what its outer window still holds fails at the outer
    // limit, and destroying it does not throw.
    {
        LimitedInFile tooLong(outer, 80);
        uint8_t buffer[80];
        expectMessage("Tried to read past limit", [&] { tooLong.read(buffer, 80); });
    }
    EXPECT_TRUE(outer.atEnd());
}

TEST_F(Streams, ANegativeWindowLengthIsRefused) {
    StdioInFile in(file.c_str());
    in.seek(10);
    expectMessage("Tried to read past limit", [&] { LimitedInFile window(in, -8); });
    EXPECT_EQ(in.tell(), 10);
}

TEST_F(Streams, SkipStringStepsOverOneTextAndCopyStringCopies) {
    TempDir local;
    ByteWriter w;
    w.cstring("hello").u8(42);
    const std::string path = local.write("text.bin", w.bytes());
    StdioInFile in(path.c_str());
    skipString(in);
    EXPECT_EQ(in.tell(), 6);
    EXPECT_EQ(readU8(in), 42);
    skipString(in);  // a disk file that ends without the 0 byte stops at its end
    EXPECT_TRUE(in.atEnd());

    std::unique_ptr<char[]> copy(copyString("abc"));
    EXPECT_STREQ(copy.get(), "abc");
}

TEST_F(Streams, HogEntryFileOwnsItsHandleAndNamesItself) {
    const int before = openDescriptorCount();
    {
        auto* archiveFile = new StdioInFile(file.c_str());
        archiveFile->seek(300);
        HogEntryFile entry(archiveFile, 10, "C:\\Games\\kv.hog", "table.gam");
        EXPECT_STREQ(entry.name(), "[C:\\Games\\kv.hog]table.gam");
        EXPECT_EQ(entry.size(), 10);
        EXPECT_EQ(readU8(entry), 300 % 256);
        EXPECT_EQ(openDescriptorCount(), before + 1);
    }
    EXPECT_EQ(openDescriptorCount(), before);
}
