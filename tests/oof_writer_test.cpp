#include <gtest/gtest.h>

#include <cstring>

#include "forge/oof_writer.h"

namespace {
int32_t s32At(const Bytes& bytes, size_t offset) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | bytes.at(offset + i);
    return static_cast<int32_t>(value);
}
}  // namespace

TEST(OofForge, ChunksFollowTheHeaderInTheOrderGivenWithTheirLengths) {
    const Bytes file = OofWriter(2200)
                           .chunk("ZZZZ", Bytes{1, 2, 3})
                           .chunkWithLength("OHDR", 1000, oof::header(2, 5.0f, {}, {}))
                           .trailing(Bytes{9})
                           .build();
    EXPECT_EQ(std::memcmp(file.data(), "PSPO", 4), 0);
    EXPECT_EQ(s32At(file, 4), 2200);
    EXPECT_EQ(std::memcmp(file.data() + 8, "ZZZZ", 4), 0);
    EXPECT_EQ(s32At(file, 12), 3);
    EXPECT_EQ(std::memcmp(file.data() + 19, "OHDR", 4), 0);
    EXPECT_EQ(s32At(file, 23), 1000);  // the claimed length, not the body's 32
    EXPECT_EQ(s32At(file, 27), 2);
    EXPECT_EQ(file.size(), 19u + 8 + 32 + 1);
}

TEST(OofForge, OnlyVersion2300SubobjectsCarryVertexAlphas) {
    OofSubobject s;
    s.name = "hull";
    s.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    s.faces.push_back({.textured = true, .textureIndex = 0, .corners = {{0, 0, 0}, {1, 1, 0}, {2, 0, 1}}});
    const Bytes older = oof::subobject(s, 2200);
    const Bytes newer = oof::subobject(s, 2300);
    EXPECT_EQ(newer.size(), older.size() + 3 * 4);
    // A fixed part of 100 bytes, the name, three vertices with normals, and one
    // textured triangle of 12 + 4 + 4 + 4 + 3 * 12 + 8 bytes.
    EXPECT_EQ(older.size(), 100u + 4 + 3 * 24 + 68);
}
