// Small hostile files that would make the reader or an exporter work without
// bound: each is refused with one message before the memory is taken, while
// models of a real game's size go through.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <set>

#include "export/export_budget.h"
#include "export/gltf_writer.h"
#include "export/track_samples.h"
#include "forge/demo_shapes.h"
#include "forge/oof_writer.h"
#include "model/poly_model.h"
#include "test_models.h"
#include "texture_fixture.h"

namespace fs = std::filesystem;

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
    HogWriter archive;
    const std::vector<std::string> names = addLargestBitmaps(archive);
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

// Every texture costs an OpenGL object once drawn, NO FILE image or not: a
// model's faces may name 1024 different ones, and names repeated in another
// letter case are one texture.
TEST_F(HostileArchives, AModelNamingMoreTexturesThanTheBudgetIsRefused) {
    std::vector<std::string> names;
    for (int32_t i = 0; i < maxModelTextures; ++i) names.push_back("missing" + std::to_string(i));
    std::vector<std::string> shouted = names;
    for (std::string& name : shouted) name[0] = 'M';
    std::vector<std::string> repeated = names;
    repeated.insert(repeated.end(), shouted.begin(), shouted.end());
    std::vector<std::string> oneMore = names;
    oneMore.push_back("missing-last");
    useArchive(HogWriter()
                   .add("most.oof", oneSubobjectModel(repeated, 2 * maxModelTextures).build())
                   .add("more.oof", oneSubobjectModel(oneMore, maxModelTextures + 1).build()));

    EXPECT_EQ(read("most.oof")->allSubobjects->count, 1);
    EXPECT_EQ(textureCache.count, 0);
    expectMessage("Model has too many textures", [&] { read("more.oof"); });
    EXPECT_EQ(textureCache.count, 0) << "the textures made before the refusal went with the model";

    const CommandResult dump = runKvtool("dump " + shellQuote(dir.path("kv.hog")) + " more.oof");
    EXPECT_EQ(dump.status, 1);
    EXPECT_EQ(dump.err, "kvtool: more.oof: Model has too many textures\n");
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

// Thirty subobjects whose keys turn thousands of times: each of the issue's
// 10 KB model asks for half a million samples, each of the other's for
// 65 536, which a track alone may have, but not thirty of them.
OofWriter turningModel(int32_t angle, int32_t keysAfterFirst) {
    OofWriter model;
    model.header(30, 1.0f, {-1, -1, -1}, {1, 1, 1});
    std::vector<std::vector<OofRotationKey>> keys(30);
    for (int32_t i = 0; i < 30; ++i) {
        model.subobject(texturedPart(i, 0, 0));
        keys[i].push_back({0, {0, 0, 1}, 0});
        for (int32_t k = 1; k <= keysAfterFirst; ++k) keys[i].push_back({10 * k, {0, k % 2 ? 1.0f : 0.0f, 1}, k % 2 ? angle : -angle});
    }
    model.rotationKeys(keys);
    return model;
}

TEST_F(HostileArchives, KeysThatTurnThousandsOfTimesAreRefusedForTheWholeModelWithNothingWritten) {
    useArchive(HogWriter().add("spin.oof", turningModel(0x7FFFFF00, 2).build()).add("spins.oof", turningModel(0x20000000, 1).build()));
    for (const char* out : {"spin.glb", "spin.gltf"}) {
        const CommandResult run = runKvtool("export " + shellQuote(dir.path("kv.hog")) + " spin.oof -o " + shellQuote(dir.path(out)));
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "kvtool: spin.oof: Rotation keys turn too far to export\n");
        EXPECT_LT(run.peakKilobytes, 256 * 1024);
    }
    EXPECT_FALSE(fs::exists(dir.path("spin.glb")) || fs::exists(dir.path("spin.gltf")));
    // At rest nothing turns: the OBJ is written.
    EXPECT_EQ(runKvtool("export " + shellQuote(dir.path("kv.hog")) + " spin.oof -o " + shellQuote(dir.path("spin.obj"))).status, 0);

    const std::unique_ptr<PolyModel> spins = read("spins.oof");
    const Subobject& first = *static_cast<RefNode<Subobject>*>(spins->allSubobjects->first)->target;
    EXPECT_GT(sampleRotationTrack(first, 5.0f).values.size(), 65536u) << "one track alone is sampled, eight a turn";
    expectMessage("Rotation keys turn too far to export", [&] { gltfFile(*spins, {}); });

    // What a game model does: 40 animated subobjects, 100 keys each turning three times.
    DemoModel game({});
    MeshBuilder box;
    box.box({-1, -1, -1}, {1, 1, 1}, coloured(1, 2, 3));
    for (int32_t i = 0; i < 40; ++i) {
        const int32_t s = game.add(box, -1, "part" + std::to_string(i), "", {});
        for (int32_t k = 0; k <= 100; ++k) game.rotationKey(s, 10 * k, {0, 1, 0}, k == 0 ? 0.0f : 1080.0f);
    }
    useArchive(HogWriter().add("game.oof", game.build()));
    EXPECT_GT(gltfFile(*read("game.oof"), {}).size(), size_t{40 * 100 * 24 * 20}) << "24 samples a key";
}

// 1 MB: one face of 85 000 corners, cut into triangles, is 255 000 corners
// of text in an OBJ.
TEST_F(HostileArchives, AnExportThatWouldWriteTooMuchIsRefusedAndAModelOfAMegabyteStaysWithinBounds) {
    OofSubobject fan;
    fan.name = "fan";
    for (int i = 0; i < 1000; ++i) fan.vertices.push_back({static_cast<float>(i), static_cast<float>(i % 7), 0.5f});
    OofFace face;
    for (int i = 0; i < 85000; ++i) face.corners.push_back({i % 1000, 0.001f * static_cast<float>(i), 0.5f});
    fan.faces.push_back(face);
    OofWriter model;
    model.header(1, 1.0f, {-1, -1, -1}, {1, 1, 1}).subobject(fan);
    ASSERT_LE(model.build().size(), size_t{1} << 20);
    useArchive(HogWriter().add("fan.oof", model.build()));
    const std::string archive = shellQuote(dir.path("kv.hog"));

    const CommandResult obj = runKvtool("export " + archive + " fan.oof -o " + shellQuote(dir.path("fan.obj")));
    EXPECT_EQ(obj.status, 1);
    EXPECT_EQ(obj.err, "kvtool: fan.oof: Model too large to export\n");
    EXPECT_FALSE(fs::exists(dir.path("fan.obj")) || fs::exists(dir.path("fan.mtl")));
    for (const char* out : {"fan.glb", "fan.gltf"}) {
        const CommandResult run = runKvtool("export " + archive + " fan.oof -o " + shellQuote(dir.path(out)));
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_LT(fs::file_size(dir.path(out)), maxExportBytes);
        EXPECT_LT(run.peakKilobytes, 256 * 1024);
    }
}

// Texture names become the OBJ's image file names: whatever they hold, the
// files land beside the .obj, under names every file system takes, one for
// each texture even where two names differ only in what is taken out or in
// letter case.
TEST_F(HostileArchives, TextureNamesMakePlainImageFileNamesBesideTheObj) {
    const std::vector<std::string> names = {"../../escaped", "/abs/olute", "C:\\win\\con", "a:b*c?d", "A*B:C|D", ".hidden"};
    useArchive(HogWriter().add("names.oof", oneSubobjectModel(names, static_cast<int32_t>(names.size())).build()));
    fs::create_directory(dir.path("out"));
    const CommandResult run =
        runKvtool("export " + shellQuote(dir.path("kv.hog")) + " names.oof -o " + shellQuote(dir.path("out/names.obj")));
    ASSERT_EQ(run.status, 0) << run.err;

    std::set<std::string> images;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(dir.root())) {
        if (entry.path().extension() != ".png") continue;
        EXPECT_EQ(entry.path().parent_path(), fs::path(dir.path("out"))) << entry.path();
        images.insert(entry.path().filename().string());
    }
    EXPECT_EQ(images, (std::set<std::string>{"names__.._escaped.png", "names__abs_olute.png", "names_C__win_con.png",
                                             "names_a_b_c_d.png", "names_A_B_C_D_2.png", "names_hidden.png"}));
}
