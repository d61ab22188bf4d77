#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "data/in_file.h"
#include "forge/oof_writer.h"
#include "model/poly_model.h"
#include "test_files.h"
#include "textures/texture.h"

namespace {
constexpr float pi = 3.14159265358979f;

// A triangle subobject with one untextured face.
OofSubobject part(int32_t index, int32_t parent = -1, const std::string& property = "") {
    OofSubobject s;
    s.index = index;
    s.parentIndex = parent;
    s.name = "part" + std::to_string(index);
    s.property = property;
    s.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    s.faces.push_back({.colour = {10, 20, 30}, .corners = {{0, 0, 0}, {1, 1, 0}, {2, 0, 1}}});
    return s;
}

// Header and subobjects 0 .. count-1, all roots.
OofWriter withParts(int32_t count, int32_t version = oof::version2300) {
    OofWriter file(version);
    file.header(count, 10.0f, {-1, -2, -3}, {1, 2, 3});
    for (int32_t i = 0; i < count; ++i) file.subobject(part(i));
    return file;
}

class OofReading : public ::testing::Test {
protected:
    // The model read from `bytes` through a file on disk, or null with `error` set.
    std::unique_ptr<PolyModel> read(const Bytes& bytes) {
        error.clear();
        const std::string path = dir.write("model.oof", bytes);
        StdioInFile file(path.c_str());
        try {
            return std::make_unique<PolyModel>(file);
        } catch (Message m) {
            error = m;
            return nullptr;
        }
    }
    std::unique_ptr<PolyModel> read(const OofWriter& file) { return read(file.build()); }
    std::string failure(const OofWriter& file) {
        EXPECT_EQ(read(file), nullptr) << "the file was accepted";
        return error;
    }

    static Subobject* sub(const PolyModel& model, int32_t index) {
        for (RefNode<Subobject>* ref : model.allSubobjects->as<RefNode<Subobject>>()) {
            if (ref->target->index == index) return ref->target;
        }
        return nullptr;
    }
    template <class T>
    static std::vector<T*> items(const List& list) {
        std::vector<T*> out;
        for (T* item : list.as<T>()) out.push_back(item);
        return out;
    }
    template <class T>
    static std::vector<T*> targets(const List& list) {
        std::vector<T*> out;
        for (RefNode<T>* ref : list.as<RefNode<T>>()) out.push_back(ref->target);
        return out;
    }

    TempDir dir;
    std::string error;
};
}  // namespace

TEST_F(OofReading, TheHeaderAloneIsAnEmptyCompleteModel) {
    const auto model = read(OofWriter(2200));
    ASSERT_NE(model, nullptr) << error;
    EXPECT_TRUE(model->rootSubobjects.empty());
    EXPECT_EQ(model->allSubobjects->count, 0);
    EXPECT_EQ(model->keyFrameExtent(), 0);
    EXPECT_NE(read(OofWriter().header(0, 1, {}, {})), nullptr);  // a count of 0 is no subobjects too

    EXPECT_EQ(failure(OofWriter().magic("PSPX")), "Not a valid OOF file");
    EXPECT_EQ(read(Bytes{'P', 'S'}), nullptr);
    EXPECT_EQ(error, "Not a valid OOF file");
    EXPECT_EQ(failure(OofWriter(2100)), "Unsupported OOF version");
}

TEST_F(OofReading, ChunksAreFramedByTheirLengthsWhateverTheirHandlersRead) {
    // OHDR carries 40 bytes more than it reads; they look like an SOBJ chunk
    // that would fail if it were read. An unknown chunk sits in between.
    Bytes header = oof::header(1, 4.0f, {-1, -1, -1}, {1, 1, 1});
    const Bytes decoy = OofWriter().chunk("SOBJ", Bytes(32, 0xFF)).build();
    header.insert(header.end(), decoy.begin() + 8, decoy.end());
    const auto model = read(OofWriter()
                                .chunk("OHDR", header)
                                .chunk("NEWS", Bytes(13, 0xEE))
                                .subobject(part(0))
                                .chunkWithLength("ZZZZ", 1 << 30, Bytes(5, 0)));  // claims more than is there
    ASSERT_NE(model, nullptr) << error;
    EXPECT_EQ(model->radius, 4.0f);
    EXPECT_EQ(model->boundsMax, Vector(1, 1, 1));
    ASSERT_EQ(model->allSubobjects->count, 1);

    EXPECT_EQ(failure(withParts(1).chunkWithLength("TXTR", -4, {})), "Tried to read past limit");
    // Reading past a chunk's own body is the window's error.
    EXPECT_EQ(failure(OofWriter().chunk("OHDR", Bytes(8, 0))), "Tried to read past limit");
}

TEST_F(OofReading, RepeatedChunksAfterTheFirstAreIgnored) {
    OofWriter file;
    file.textures({"first"}).textures({"second", "other"});
    file.header(0, 1, {}, {}).header(2, 7, {}, {}).header(3, 9, {}, {});  // a count of 0 does not count
    OofSubobject textured = part(0);
    textured.faces[0].textured = true;
    textured.faces[0].textureIndex = 1;  // only in the ignored list
    file.subobject(textured).subobject(part(1));
    file.positionKeys({{{0, {1, 0, 0}}}, {}}).positionKeys({{{1, {5, 0, 0}}}, {}});
    file.rotationKeys({{{3, {0, 0, 1}, 100}}, {}}).rotationKeys({{{4, {0, 0, 1}, 100}}, {}});
    for (const char* id : {"GPNT", "GRND", "ATCH"}) {
        file.chunk(id, oof::points({{0, {1, 0, 0}, {0, 0, 1}}}));
        file.chunk(id, oof::points({{1, {2, 0, 0}, {0, 0, 1}}, {1, {3, 0, 0}, {0, 0, 1}}}));
    }
    file.attachUps({{1, 0, 0}}).attachUps({{0, 1, 0}});
    file.batteries({{{0}, {1}}}).batteries({{}, {}});

    const auto model = read(file);
    ASSERT_NE(model, nullptr) << error;
    EXPECT_EQ(model->radius, 7.0f);
    EXPECT_EQ(model->allSubobjects->count, 2);
    const Subobject* s = sub(*model, 0);
    EXPECT_STREQ(items<Face>(s->faces)[0]->texture->texture->name, "bad texture index");
    EXPECT_EQ(s->positionTrack.keys.count, 1);
    EXPECT_EQ(s->positionTrack.positionAt(0), Vector(1, 0, 0));
    EXPECT_EQ(s->rotationTrack.keys.count, 1);
    for (FunctionalPointKind kind = 0; kind < functionalPointKindCount; ++kind) {
        EXPECT_EQ(model->pointList(kind)->count, 1) << functionalPointKinds[kind].chunkId;
    }
    EXPECT_EQ(targets<FunctionalPoint>(*model->attachPoints)[0]->up, Vector(1, 0, 0));
    ASSERT_EQ(model->weaponBatteries->count, 1);
}

TEST_F(OofReading, SubobjectsCarryTheirFieldsAndFaces) {
    OofSubobject s = part(0, -1, "engine $rotate=3");
    s.restPosition = {1, 2, 3};
    s.radius = 2.5f;
    s.center = {0.5f, 0.5f, 0};
    s.ignoredWords = {7, 8, 9};
    s.normals = {{0, 0, 1}, {0, 1, 0}, {1, 0, 0}};
    s.alphas = {0.25f, 0.5f, 0.75f};
    s.faces.push_back({.normal = {0, 0, -1}, .textured = true, .textureIndex = 1, .corners = {{2, 0.5f, 0.25f}}});
    s.faces.push_back({.textured = true, .textureIndex = -1, .corners = {}});
    s.faces.push_back({.textured = true, .textureIndex = 2, .corners = {}});
    const auto model = read(OofWriter().textures({"Hull", "Glass"}).header(1, 1, {}, {}).subobject(s));
    ASSERT_NE(model, nullptr) << error;
    const Subobject* got = sub(*model, 0);
    EXPECT_STREQ(got->name, "part0");
    EXPECT_EQ(got->property->kind(), SubobjectProperty::rotate);
    EXPECT_EQ(got->positionTrack.defaultPosition, Vector(1, 2, 3));
    EXPECT_EQ(got->radius, 2.5f);
    EXPECT_EQ(got->center, Vector(0.5f, 0.5f, 0));
    EXPECT_EQ(got->model, model.get());
    ASSERT_EQ(got->vertexCount, 3);
    EXPECT_EQ(got->vertices[1], Vector(1, 0, 0));
    EXPECT_EQ(got->normals[2], Vector(1, 0, 0));
    EXPECT_EQ(got->alphas[2], 0.75f);

    const std::vector<Face*> faces = items<Face>(got->faces);
    ASSERT_EQ(faces.size(), 4u);
    EXPECT_EQ(faces[0]->textured, 0);
    EXPECT_EQ(faces[0]->colour[0], 10);
    EXPECT_EQ(faces[0]->colour[2], 30);
    EXPECT_EQ(faces[0]->vertexCount, 3);
    EXPECT_EQ(faces[1]->normal, Vector(0, 0, -1));
    EXPECT_STREQ(faces[1]->texture->texture->name, "Glass");
    EXPECT_EQ(faces[1]->corners[0].vertex, 2);
    EXPECT_EQ(faces[1]->corners[0].u, 0.5f);
    EXPECT_EQ(faces[1]->corners[0].v, 0.25f);
    // Index -1 and index == count both name the same stand-in.
    EXPECT_STREQ(faces[2]->texture->texture->name, "bad texture index");
    EXPECT_EQ(faces[3]->texture->texture, faces[2]->texture->texture);
}

TEST_F(OofReading, OnlyVersion2300FilesHoldVertexAlphas) {
    // A 2200 subobject with one vertex and no faces, then four zero bytes: a
    // 2200 reader stops before them, a 2300 reader takes the face count for an
    // alpha and them for the face count.
    OofSubobject s;
    s.vertices = {{1, 1, 1}};
    Bytes body = oof::subobject(s, 2200);
    body.insert(body.end(), 4, 0);
    const auto older = read(OofWriter(2200).header(1, 1, {}, {}).chunk("SOBJ", body));
    ASSERT_NE(older, nullptr) << error;
    EXPECT_EQ(sub(*older, 0)->alphas[0], 1.0f);
    const auto newer = read(OofWriter(2300).header(1, 1, {}, {}).chunk("SOBJ", body));
    ASSERT_NE(newer, nullptr) << error;
    EXPECT_EQ(sub(*newer, 0)->alphas[0], 0.0f);
}

TEST_F(OofReading, TheTreeIsLinkedInIndexOrderWhateverTheChunkOrder) {
    const auto model = read(OofWriter()
                                .header(5, 1, {}, {})
                                .subobject(part(4, 0))
                                .subobject(part(2, -1))
                                .subobject(part(3, 0))
                                .subobject(part(0, -5))
                                .subobject(part(1, 3)));
    ASSERT_NE(model, nullptr) << error;
    const auto roots = items<Subobject>(model->rootSubobjects);
    ASSERT_EQ(roots.size(), 2u);
    EXPECT_EQ(roots[0]->index, 0);
    EXPECT_EQ(roots[1]->index, 2);
    EXPECT_EQ(roots[0]->parent, nullptr);
    const auto children = items<Subobject>(roots[0]->children);
    ASSERT_EQ(children.size(), 2u);
    EXPECT_EQ(children[0]->index, 3);
    EXPECT_EQ(children[1]->index, 4);
    EXPECT_EQ(children[1]->parent, roots[0]);
    EXPECT_EQ(items<Subobject>(children[0]->children)[0]->index, 1);
    int32_t expected = 0;
    for (const Subobject* s : targets<Subobject>(*model->allSubobjects)) EXPECT_EQ(s->index, expected++);
}

TEST_F(OofReading, BrokenSubobjectTablesAndTreesAreRefused) {
    EXPECT_EQ(failure(OofWriter().subobject(part(0))), "No OHDR before SOBJ");
    EXPECT_EQ(failure(withParts(2).subobject(part(2))), "Subobject index out of range");
    EXPECT_EQ(failure(withParts(2).subobject(part(-1))), "Subobject index out of range");
    EXPECT_EQ(failure(withParts(2).subobject(part(1))), "Duplicate subobject number");
    EXPECT_EQ(failure(OofWriter().header(3, 1, {}, {}).subobject(part(0)).subobject(part(2))), "Missing subobject");
    EXPECT_EQ(failure(OofWriter().header(1, 1, {}, {}).subobject(part(0, 1))), "Parent subobject index out of range");
    EXPECT_EQ(failure(OofWriter().header(1, 1, {}, {}).subobject(part(0, 0))), "Subobject parent chain has no root");
    const OofWriter loop =
        OofWriter().header(3, 1, {}, {}).subobject(part(0)).subobject(part(1, 2)).subobject(part(2, 1));
    EXPECT_EQ(failure(loop), "Subobject parent chain has no root");

    OofSubobject badCorner = part(0);
    badCorner.faces[0].corners[2].vertex = 3;
    EXPECT_EQ(failure(OofWriter().header(1, 1, {}, {}).subobject(badCorner)), "Face vertex index out of range");
    badCorner.faces[0].corners[2].vertex = -1;
    EXPECT_EQ(failure(OofWriter().header(1, 1, {}, {}).subobject(badCorner)), "Face vertex index out of range");

    // A chain as deep as allowed is read; one deeper is not.
    for (int32_t depth : {maxSubobjectDepth, maxSubobjectDepth + 1}) {
        OofWriter chain;
        chain.header(depth, 1, {}, {});
        for (int32_t i = 0; i < depth; ++i) chain.subobject(part(i, i - 1));
        EXPECT_EQ(read(chain) != nullptr, depth == maxSubobjectDepth) << depth;
    }
    EXPECT_EQ(error, "Subobject tree too deep");
}

TEST_F(OofReading, CountsThatTheChunkCannotHoldAreRefusedBeforeAllocating) {
    const auto refused = [&](const OofSubobject& s) { return failure(OofWriter().header(1, 1, {}, {}).subobject(s)); };
    for (int32_t count : {-1, 1 << 28, INT32_MAX}) {
        SCOPED_TRACE(count);
        OofSubobject lyingCorners = part(0);
        lyingCorners.faces[0].cornerCount = count;
        EXPECT_EQ(refused(lyingCorners), "Tried to read past limit");

        // Each count patched into an otherwise sound chunk body.
        const Bytes sound = oof::subobject(part(0), 2300);
        const size_t nameAt = 4 + 4 + 28 + 12 + 4 + 8 + 12;
        const size_t ignoredAt = nameAt + 4 + 5 + 4 + 8;
        for (size_t offset : {nameAt, nameAt + 4 + 5, ignoredAt, ignoredAt + 4, ignoredAt + 8 + 3 * 28}) {
            Bytes body = sound;
            for (int i = 0; i < 4; ++i) body[offset + i] = static_cast<uint8_t>(static_cast<uint32_t>(count) >> 8 * i);
            EXPECT_EQ(failure(OofWriter().header(1, 1, {}, {}).chunk("SOBJ", body)), "Tried to read past limit")
                << "count at " << offset;
        }
        for (const char* id : {"TXTR", "GPNT", "WBAT"}) {
            EXPECT_EQ(failure(withParts(1).chunk(id, ByteWriter().s32(count).bytes())), "Tried to read past limit");
        }
        for (const char* id : {"PANI", "RANI"}) {
            const Bytes block = ByteWriter().s32(count).zeros(8).bytes();
            EXPECT_EQ(failure(withParts(1).chunk(id, block)), "Tried to read past limit");
        }
        const Bytes battery = ByteWriter().s32(1).s32(0).s32(count).bytes();
        EXPECT_EQ(failure(withParts(1).chunk("WBAT", battery)), "Tried to read past limit");
    }
}

TEST_F(OofReading, PositionKeysAreOffsetsFromTheRestPositionAndDuplicatesAreDropped) {
    OofSubobject moved = part(1);
    moved.restPosition = {10, 0, 0};
    const auto model = read(OofWriter()
                                .header(2, 1, {}, {})
                                .subobject(part(0))
                                .subobject(moved)
                                .positionKeys({{}, {{5, {0, 0, 0}}, {0, {1, 0, 0}}, {5, {9, 9, 9}}, {8, {0, 2, 0}}}}));
    ASSERT_NE(model, nullptr) << error;
    const PositionTrack& track = sub(*model, 1)->positionTrack;
    EXPECT_EQ(track.keys.count, 3);
    EXPECT_EQ(track.positionAt(0), Vector(11, 0, 0));
    EXPECT_EQ(track.positionAt(5), Vector(10, 0, 0));  // the first key for frame 5 stays
    EXPECT_EQ(track.positionAt(8), Vector(10, 2, 0));
    EXPECT_EQ(model->keyFrameExtent(), 8);

    EXPECT_EQ(failure(OofWriter().positionKeys({})), "No OHDR before PANI");
    EXPECT_EQ(failure(OofWriter().header(2, 1, {}, {}).subobject(part(1)).positionKeys({{}, {}})),
              "Missing subobject before PANI");
}

TEST_F(OofReading, RotationKeysComposeEachOnTheOneBefore) {
    const auto model = read(withParts(2).rotationKeys({
        {{0, {0, 0, 2}, 16384}, {10, {0, 0, 1}, 16384}, {10, {1, 0, 0}, 16384}, {20, {0, 0, 0}, 16384}},
        {{-4, {0, 0, 1}, 0}},
    }));
    ASSERT_NE(model, nullptr) << error;
    const auto keys = items<RotationKeyNode>(sub(*model, 0)->rotationTrack.keys);
    ASSERT_EQ(keys.size(), 3u);  // the second key for frame 10 is dropped
    const auto turn = [](float angle) { return Quaternion::fromAxisAngle({0, 0, 1}, angle); };
    const auto expectTurn = [](const Quaternion& a, const Quaternion& b) {
        EXPECT_NEAR(a.w, b.w, 1e-6f);
        EXPECT_NEAR(a.v.x, b.v.x, 1e-6f);
        EXPECT_NEAR(a.v.y, b.v.y, 1e-6f);
        EXPECT_NEAR(a.v.z, b.v.z, 1e-6f);
    };
    expectTurn(keys[0]->key.orientation, turn(pi / 2));
    expectTurn(keys[1]->key.orientation, turn(pi));
    EXPECT_EQ(keys[0]->key.axis, Vector(0, 0, 1));  // normalised
    EXPECT_FLOAT_EQ(keys[1]->key.angle, pi / 2);
    EXPECT_EQ(keys[1]->key.previous, keys[0]->key.orientation);
    // The dropped key still turned the running orientation (a quarter about x),
    // and an axis of (0, 0, 0) stands for (0, 0, 1).
    EXPECT_EQ(keys[2]->key.axis, Vector(0, 0, 1));
    const Quaternion dropped = Quaternion::fromAxisAngle({1, 0, 0}, pi / 2) * keys[1]->key.orientation;
    expectTurn(keys[2]->key.orientation, turn(pi / 2) * dropped);
    expectTurn(sub(*model, 0)->rotationTrack.rotationAt(5), turn(3 * pi / 4));
    EXPECT_EQ(model->keyFrameExtent(), 20);

    EXPECT_EQ(failure(OofWriter().rotationKeys({})), "No OHDR before RANI");
    EXPECT_EQ(failure(OofWriter().header(2, 1, {}, {}).subobject(part(0)).rotationKeys({{}, {}})),
              "Missing subobject before RANI");
}

TEST_F(OofReading, PointsAreNumberedPerKindAcrossTheModelAndNeedTheirSubobject) {
    const auto model = read(OofWriter()
                                .gunPoints({{0, {9, 9, 9}, {0, 0, 1}}})  // before OHDR: names nothing
                                .header(3, 1, {}, {})
                                .subobject(part(0))
                                .subobject(part(1))
                                .groundPoints({{2, {}, {}}})  // before SOBJ 2
                                .subobject(part(2))
                                .attachPoints({{1, {1, 0, 0}, {0, 0, 1}},
                                               {7, {}, {}},  // no such subobject
                                               {-1, {}, {}},
                                               {0, {2, 0, 0}, {0, 1, 0}}}));
    ASSERT_NE(model, nullptr) << error;
    EXPECT_EQ(model->gunPoints->count, 0);
    EXPECT_EQ(model->groundPoints->count, 0);
    const auto attach = targets<FunctionalPoint>(*model->attachPoints);
    ASSERT_EQ(attach.size(), 2u);
    EXPECT_EQ(attach[0]->number, 0);
    EXPECT_EQ(attach[1]->number, 1);
    EXPECT_EQ(attach[1]->subobject, sub(*model, 0));
    EXPECT_EQ(items<FunctionalPoint>(sub(*model, 0)->points[attachPointKind])[0], attach[1]);
    EXPECT_EQ(attach[0]->up, Vector(0, 1, 0));  // the hint (0, 1, 0) made perpendicular
    EXPECT_EQ(attach[1]->up, Vector(1, 0, 0));  // parallel to the hint: the fallback

    // Numbers count within a kind: the first attach point is 0 after guns.
    const auto mixed = read(withParts(2)
                                .gunPoints({{1, {}, {0, 0, 1}}, {0, {}, {0, 0, 1}}})
                                .attachPoints({{1, {}, {0, 0, 1}}}));
    ASSERT_NE(mixed, nullptr) << error;
    EXPECT_EQ(targets<FunctionalPoint>(*mixed->gunPoints)[1]->number, 1);
    EXPECT_EQ(targets<FunctionalPoint>(*mixed->attachPoints)[0]->number, 0);
}

TEST_F(OofReading, AttachUpsUpdateAsManyPointsAsBothHaveAndNeedAttachPointsFirst) {
    const std::vector<OofPoint> points = {{0, {}, {0, 0, 1}}, {0, {}, {0, 0, 1}}};
    const auto more = read(withParts(1).attachPoints(points).attachUps({{1, 0, 0}, {1, 1, 0}, {0, 0, 5}}));
    ASSERT_NE(more, nullptr) << error;
    EXPECT_TRUE(more->attachUpsRead);
    const auto ups = targets<FunctionalPoint>(*more->attachPoints);
    EXPECT_EQ(ups[0]->up, Vector(1, 0, 0));
    EXPECT_NEAR(ups[1]->up.x, std::sqrt(0.5f), 1e-6f);

    const auto fewer = read(withParts(1).attachPoints(points).attachUps({{1, 0, 0}}));
    ASSERT_NE(fewer, nullptr) << error;
    EXPECT_EQ(targets<FunctionalPoint>(*fewer->attachPoints)[1]->up, Vector(0, 1, 0));

    // Before ATCH it is ignored, and a later one is still taken.
    const auto early = read(withParts(1).attachUps({{1, 0, 0}}).attachPoints(points).attachUps({{-1, 0, 0}}));
    ASSERT_NE(early, nullptr) << error;
    EXPECT_EQ(targets<FunctionalPoint>(*early->attachPoints)[0]->up, Vector(-1, 0, 0));
}

TEST_F(OofReading, BatteriesFindGunsByPositionAndTurretsBySubobject) {
    const auto model = read(withParts(2)
                                .gunPoints({{0, {1, 0, 0}, {0, 0, 1}}, {1, {2, 0, 0}, {0, 0, 1}}})
                                .batteries({{{1, 2, -3, 0}, {1, 5, -1, 0}}, {}}));
    ASSERT_NE(model, nullptr) << error;
    const auto batteries = items<WeaponBattery>(*model->weaponBatteries);
    ASSERT_EQ(batteries.size(), 2u);
    const auto guns = targets<FunctionalPoint>(*batteries[0]->guns);
    ASSERT_EQ(guns.size(), 3u);  // index 2 == the gun count finds nothing
    EXPECT_EQ(guns[0]->number, 1);
    EXPECT_EQ(guns[1]->number, 0);  // no step at all for a negative index
    EXPECT_EQ(guns[2]->number, 0);
    const auto turrets = targets<Subobject>(*batteries[0]->turrets);
    ASSERT_EQ(turrets.size(), 2u);
    EXPECT_EQ(turrets[0]->index, 1);
    EXPECT_EQ(turrets[1]->index, 0);
    EXPECT_TRUE(batteries[1]->guns->empty());
}

TEST_F(OofReading, AFailureReleasesEverythingReadSoFar) {
    // Subobjects, faces with textures, keys, points and batteries, then an
    // error at the very end; the sanitizer build reports anything left behind.
    OofSubobject textured = part(0);
    textured.faces[0].textured = true;
    OofWriter file = OofWriter().textures({"Hull"}).header(3, 1, {}, {}).subobject(textured).subobject(part(1, 0));
    file.gunPoints({{1, {}, {}}}).attachPoints({{0, {}, {}}}).batteries({{{0}, {0, 1}}});
    EXPECT_EQ(failure(file), "Missing subobject");
    EXPECT_EQ(findTexture("Hull"), nullptr);  // its last handle went with the face
}

TEST_F(OofReading, ThousandsOfFacesInOneSubobjectAreReleased) {
    OofSubobject big = part(0);
    big.faces.assign(50000, big.faces[0]);
    const auto model = read(OofWriter().header(1, 1, {}, {}).subobject(big));
    ASSERT_NE(model, nullptr) << error;
    EXPECT_EQ(sub(*model, 0)->faces.count, 50000);
}

TEST_F(OofReading, KeyFrameExtentIsTheLatestKeyReachableFromTheRoots) {
    const auto model = read(OofWriter()
                                .header(3, 1, {}, {})
                                .subobject(part(0))
                                .subobject(part(1, 0))
                                .subobject(part(2, 1))
                                .positionKeys({{{4, {}}}, {}, {{-2, {}}, {9, {}}}})
                                .rotationKeys({{}, {{30, {}, 0}, {11, {}, 0}}, {}}));
    ASSERT_NE(model, nullptr) << error;
    EXPECT_EQ(model->keyFrameExtent(), 30);
    const auto negative = read(withParts(1).positionKeys({{{-7, {}}, {-3, {}}}}));
    ASSERT_NE(negative, nullptr) << error;
    EXPECT_EQ(negative->keyFrameExtent(), 0);  // every key negative: the clock still runs from 0
}
