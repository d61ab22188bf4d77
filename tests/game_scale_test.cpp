// The forge's game-scale archive, read back through the saver's own readers:
// the benchmarks measure this model, so it must be what it claims to be.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <utility>

#include "data/in_file.h"
#include "forge/game_scale_archive.h"
#include "model/poly_model.h"
#include "texture_fixture.h"

namespace {
class GameScaleModel : public TextureArchiveTest {
protected:
    std::unique_ptr<PolyModel> read() {
        std::unique_ptr<InFile> stream(searchPath.open(gameScaleModelName.c_str()));
        return std::make_unique<PolyModel>(*stream);
    }
};

// The carrier the README's figures speak of: 8,000 faces, most of them textured,
// in one tree of parts that all move.
TEST_F(GameScaleModel, HasTheGamesSizeOfTreeFacesAndKeys) {
    useArchive(gameScaleArchive());
    const auto model = read();
    EXPECT_GT(model->allSubobjects->count, 1);
    EXPECT_EQ(model->rootSubobjects.count, 1);
    int faces = 0, textured = 0;
    for (const auto* ref : model->allSubobjects->as<RefNode<Subobject>>()) {
        const Subobject* s = ref->target;
        EXPECT_GT(s->positionTrack.keys.count, 1) << s->name;
        EXPECT_GT(s->rotationTrack.keys.count, 1) << s->name;
        for (const Face* face : s->faces.as<Face>()) {
            ++faces;
            EXPECT_EQ(face->vertexCount, 4);
            if (face->textured) ++textured;
        }
    }
    EXPECT_EQ(faces, 8000);
    EXPECT_GT(textured, faces / 2);
    EXPECT_GT(model->keyFrameExtent(), 0);
}

TEST_F(GameScaleModel, ItsTexturesAreDecodedFromTheirOwnFilesInBothSizes) {
    useArchive(gameScaleArchive());
    const auto model = read();
    ASSERT_EQ(textureCache.count, 32);
    std::set<std::pair<int, int>> stills;
    int animations = 0;
    for (const Texture* texture : textureCache.as<Texture>()) {
        EXPECT_NE(texture->frames[0].pixels, fallbackImage.data()) << texture->name << " shows NO FILE";
        if (texture->frameCount > 1) ++animations;
        stills.insert({texture->frames[0].width, texture->frames[0].height});
    }
    EXPECT_GT(animations, 0);
    EXPECT_EQ(stills, (std::set<std::pair<int, int>>{{128, 128}, {256, 256}}));
}

// The faces' handles live in their subobjects' arenas: each still counts, and
// deleting the model lets go of every texture.
TEST_F(GameScaleModel, EveryFaceHoldsItsTextureUntilTheModelGoes) {
    useArchive(gameScaleArchive());
    auto model = read();
    int textured = 0, held = 0;
    for (const auto* ref : model->allSubobjects->as<RefNode<Subobject>>())
        for (const Face* face : ref->target->faces.as<Face>()) textured += face->textured ? 1 : 0;
    for (const Texture* texture : textureCache.as<Texture>()) held += texture->refCount;
    EXPECT_EQ(held, textured);
    model.reset();
    EXPECT_TRUE(textureCache.empty());
}
}  // namespace
