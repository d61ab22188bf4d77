// Small hostile files that would make the reader work without bound: each is
// refused with one message before the memory is taken, while models of a real
// game's size go through.
#include <gtest/gtest.h>

#include <memory>

#include "forge/oof_writer.h"
#include "model/poly_model.h"
#include "texture_fixture.h"

namespace {
// A triangle subobject whose faces name the textures `first` .. `first + count - 1`.
OofSubobject texturedPart(int32_t index, int32_t first, int32_t count) {
    OofSubobject s;
    s.index = index;
    s.name = "part" + std::to_string(index);
    s.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    for (int32_t t = first; t < first + count; ++t)
        s.faces.push_back({.textured = true, .textureIndex = t, .corners = {{0, 0, 0}, {1, 1, 0}, {2, 0, 1}}});
    if (s.faces.empty()) s.faces.push_back({.corners = {{0, 0, 0}, {1, 1, 0}, {2, 0, 1}}});
    return s;
}

OofWriter oneSubobjectModel(const std::vector<std::string>& textures, int32_t faces) {
    OofWriter model;
    model.textures(textures).header(1, 1.0f, {-1, -1, -1}, {1, 1, 1}).subobject(texturedPart(0, 0, faces));
    return model;
}

class HostileArchives : public TextureArchiveTest {
protected:
    std::unique_ptr<PolyModel> read(const char* name) {
        const std::unique_ptr<InFile> stream(searchPath.open(name));
        return std::make_unique<PolyModel>(*stream);
    }
};
}  // namespace

// 8 MB of archive: 40 bitmaps of 4096 x 4096 pixels in runs of 255 would
// decode to 40 x 64 MB. Two of them are as much as one model may hold.
TEST_F(HostileArchives, AModelWhoseBitmapsTogetherHoldTooManyPixelsIsRefusedBeforeTheyAreDecoded) {
    OgfImage largest;
    largest.width = maxTextureSide;
    largest.height = maxTextureSide;
    largest.runs.assign(maxTextureSide * maxTextureSide / 255 + 1, {255, 0xF0F0});
    const Bytes bitmap = largest.bytes();
    HogWriter archive;
    std::vector<std::string> names;
    for (int i = 0; i < 40; ++i) {
        names.push_back("big" + std::to_string(i) + ".ogf");
        archive.add(names.back(), bitmap);
    }
    archive.add("heavy.oof", oneSubobjectModel(names, 40).build());
    archive.add("pair.oof", oneSubobjectModel(names, 2).build());
    useArchive(archive);
    static_assert(maxModelTexturePixels == 2 * maxTextureSide * maxTextureSide);

    EXPECT_EQ(read("pair.oof")->allSubobjects->count, 1);
    expectMessage("Model textures too large", [&] { read("heavy.oof"); });
    EXPECT_EQ(textureCache.count, 0) << "the textures decoded before the refusal went with the model";

    const CommandResult dump = runKvtool("dump " + shellQuote(dir.path("kv.hog")) + " heavy.oof");
    EXPECT_EQ(dump.status, 1);
    EXPECT_EQ(dump.err, "kvtool: heavy.oof: Model textures too large\n");
    EXPECT_LT(dump.peakKilobytes, 512 * 1024) << "all 40 decoded would be 2.6 GB";
}

// A name of 600 KB that 12 000 faces repeat would be 7 GB in kvtool dump.
TEST_F(HostileArchives, ATextureNameLongerThanAnyFileNameIsRefused) {
    const std::string longest(maxTextureNameLength, 'x');
    useArchive(HogWriter()
                   .add("long.oof", oneSubobjectModel({longest + "x"}, 1).build())
                   .add("longest.oof", oneSubobjectModel({longest}, 1).build()));
    expectMessage("Texture name too long", [&] { read("long.oof"); });
    const std::unique_ptr<PolyModel> model = read("longest.oof");
    const auto* face = static_cast<Face*>(static_cast<Subobject*>(model->rootSubobjects.first)->faces.first);
    EXPECT_EQ(face->texture->texture->name, longest) << "shown as the NO FILE image";
}
