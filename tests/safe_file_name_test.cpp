#include <gtest/gtest.h>

#include "data/safe_file_name.h"

TEST(SafeFileName, FolderPartsAreDroppedSoANameLeadsNowhereButTheFolderItIsWrittenIn) {
    EXPECT_EQ(safeFileName("../escaped.oof"), "escaped.oof");
    EXPECT_EQ(safeFileName("/some/absolute/path/abs.oof"), "abs.oof");
    EXPECT_EQ(safeFileName("..\\..\\Windows\\win.oof"), "win.oof");
    EXPECT_EQ(safeFileName("C:\\ships\\lance.oof"), "lance.oof");
    EXPECT_EQ(safeFileName("ships/lance/.."), "lance");
    EXPECT_EQ(safeFileName("\\\\server\\share\\"), "share");
}

TEST(SafeFileName, BytesThatAFileSystemRefusesBecomeUnderscores) {
    EXPECT_EQ(safeFileName("C:lance.oof"), "C_lance.oof");
    EXPECT_EQ(safeFileName("a<b>c\"d|e?f*g.oof"), "a_b_c_d_e_f_g.oof");
    EXPECT_EQ(safeFileName(std::string("tab\there\nnul", 12) + std::string(1, '\0') + "\x7f\xe9.oof"),
              "tab_here_nul___.oof");
    EXPECT_EQ(safeFileName("Harvester Mk 2.oof"), "Harvester Mk 2.oof");
}

TEST(SafeFileName, IsNeverEmptyHiddenOrADeviceAndKeepsWindowsFromTrimmingIt) {
    for (const char* nothing : {"", "/", "..", "../..", ".", "...", " . "}) EXPECT_EQ(safeFileName(nothing), "unnamed") << nothing;
    EXPECT_EQ(safeFileName(".hidden.oof"), "hidden.oof");
    EXPECT_EQ(safeFileName("trailing. . "), "trailing");
    EXPECT_EQ(safeFileName("con"), "_con");
    EXPECT_EQ(safeFileName("NUL.oof"), "_NUL.oof");
    EXPECT_EQ(safeFileName("lpt1 .glb"), "_lpt1 .glb");
    EXPECT_EQ(safeFileName("com10.oof"), "com10.oof");
    EXPECT_EQ(safeFileName("conout$.oof"), "_conout$.oof");
    EXPECT_EQ(safeFileName("console.oof"), "console.oof");
}

TEST(SafeFileName, ALongNameIsCutSoThatASuffixStillFits) {
    const std::string safe = safeFileName(std::string(300, 'x') + ".oof");
    EXPECT_EQ(safe, std::string(maxSafeFileNameLength, 'x'));
    EXPECT_EQ(safeFileName("CON." + std::string(200, 'y')).size(), maxSafeFileNameLength);
}

TEST(UniqueNames, AlikeNamesAreNumberedAndFileNamesIgnoreLetterCase) {
    UniqueNames files(true);
    EXPECT_EQ(files.take("hull"), "hull");
    EXPECT_EQ(files.take("HULL"), "HULL_2");
    EXPECT_EQ(files.take("hull_3"), "hull_3");
    EXPECT_EQ(files.take("Hull"), "Hull_4") << "hull_3 is taken";
    UniqueNames inFile(false);
    EXPECT_EQ(inFile.take("hull"), "hull");
    EXPECT_EQ(inFile.take("HULL"), "HULL");
    EXPECT_EQ(inFile.take("hull"), "hull_2");
}
