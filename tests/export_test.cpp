// The exporters as a second reader of the model: glTF geometry and motion,
// kvtool export's handling of bad input, and animated GIFs.
#include <gtest/gtest.h>
#include <gif_lib.h>
#include <tiny_gltf.h>

#include <cmath>
#include <filesystem>
#include <set>

#include "data/in_file.h"
#include "export/colour_quantizer.h"
#include "export/gif_writer.h"
#include "export/gltf_writer.h"
#include "export/track_samples.h"
#include "forge/bitmap_writer.h"
#include "forge/demo_archive.h"
#include "forge/demo_shapes.h"
#include "forge/hog_writer.h"
#include "forge/oof_writer.h"
#include "model/poly_model.h"
#include "test_files.h"

namespace fs = std::filesystem;

namespace {
std::unique_ptr<PolyModel> load(const TempDir& dir, const DemoModel& demo) {
    const std::string path = dir.write("m.oof", demo.build());
    StdioInFile in(path.c_str());
    return std::make_unique<PolyModel>(in);
}

Subobject* sub(const PolyModel& model, const char* name) {
    for (RefNode<Subobject>* ref : model.allSubobjects->as<RefNode<Subobject>>())
        if (std::string(ref->target->name) == name) return ref->target;
    return nullptr;
}

template <class T>
const T* accessorData(const tinygltf::Model& g, int accessor) {
    const tinygltf::Accessor& a = g.accessors[accessor];
    const tinygltf::BufferView& v = g.bufferViews[a.bufferView];
    return reinterpret_cast<const T*>(g.buffers[v.buffer].data.data() + v.byteOffset + a.byteOffset);
}

TEST(GltfExport, TrianglesTurnCounterClockwiseAboutTheirNormalsWhereTheModelPutsThem) {
    TempDir dir;
    DemoModel demo({"missing"});
    MeshBuilder shape;
    shape.box({1, 2, 3}, {2, 4, 7}, coloured(200, 100, 50));
    shape.polygon({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0.5f, 1.5f, 0}, {0, 1, 0}}, {}, textured(0), {0, 0, 1});
    demo.add(shape, -1, "shape", "", {});
    const std::unique_ptr<PolyModel> model = load(dir, demo);
    const std::string glb = gltfFile(*model, {});

    tinygltf::Model g;
    std::string error, warning;
    ASSERT_TRUE(tinygltf::TinyGLTF().LoadBinaryFromMemory(&g, &error, &warning, reinterpret_cast<const unsigned char*>(glb.data()),
                                                          static_cast<unsigned>(glb.size())))
        << error;
    ASSERT_EQ(g.nodes.size(), 1u);
    ASSERT_EQ(g.meshes.size(), 1u);
    EXPECT_EQ(g.images.size(), 1u) << "the missing bitmap's NO FILE image";
    size_t triangles = 0;
    Vector lo(1e9f, 1e9f, 1e9f), hi(-1e9f, -1e9f, -1e9f);
    for (const tinygltf::Primitive& p : g.meshes[0].primitives) {
        const int positionAccessor = p.attributes.at("POSITION");
        const auto* positions = accessorData<Vector>(g, positionAccessor);
        const auto* normals = accessorData<Vector>(g, p.attributes.at("NORMAL"));
        const size_t count = g.accessors[positionAccessor].count;
        for (size_t i = 0; i < count; i += 3) {
            const Vector turn = (positions[i + 1] - positions[i]).cross(positions[i + 2] - positions[i]);
            EXPECT_GT(turn.dot(normals[i]), 0.0f) << "triangle " << i / 3;
            ++triangles;
        }
        for (size_t i = 0; i < count; ++i) {
            lo = {std::min(lo.x, positions[i].x), std::min(lo.y, positions[i].y), std::min(lo.z, positions[i].z)};
            hi = {std::max(hi.x, positions[i].x), std::max(hi.y, positions[i].y), std::max(hi.z, positions[i].z)};
        }
    }
    EXPECT_EQ(triangles, 6u * 2 + 3) << "quads in two, the pentagon in three";
    EXPECT_EQ(lo, model->boundsMin);
    EXPECT_EQ(hi, model->boundsMax);
}

float angleBetween(const Quaternion& a, const Quaternion& b) {
    const float dot = std::fabs(a.w * b.w + a.v.dot(b.v));
    return 2.0f * std::acos(std::min(1.0f, dot));
}

TEST(GltfExport, RotationSamplesFollowAKeyTheLongWayRoundInStepsOfAtMostAnEighthTurn) {
    TempDir dir;
    DemoModel demo({});
    MeshBuilder box;
    box.box({-1, -1, -1}, {1, 1, 1}, coloured(1, 2, 3));
    const int32_t s = demo.add(box, -1, "turning", "", {});
    demo.rotationKey(s, 0, {0, 0, 1}, 0);
    demo.rotationKey(s, 10, {0, 0, 1}, 270);
    const std::unique_ptr<PolyModel> model = load(dir, demo);
    const RotationSamples samples = sampleRotationTrack(*sub(*model, "turning"), 5.0f);
    ASSERT_GE(samples.values.size(), 7u);
    EXPECT_FLOAT_EQ(samples.seconds.back(), 2.0f);
    for (size_t i = 1; i < samples.values.size(); ++i) {
        const Quaternion& a = samples.values[i - 1];
        const Quaternion& b = samples.values[i];
        EXPECT_GE(a.w * b.w + a.v.dot(b.v), 0.0f) << "neighbours on one side";
        EXPECT_LE(angleBetween(a, b), 3.14159265f / 4 + 1e-4f);
    }
    // Halfway, at 1 s, the subobject has turned 135 degrees forwards, not 45 back.
    for (size_t i = 0; i < samples.seconds.size(); ++i)
        if (std::fabs(samples.seconds[i] - 1.0f) < 1e-5f) {
            EXPECT_LT(angleBetween(samples.values[i], Quaternion::fromAxisAngle({0, 0, 1}, 2.35619449f)), 1e-3f);
        }
}

TEST(GltfExport, SpinnersTurnOnceAPeriodAndTurretsDoNotTurn) {
    TempDir dir;
    DemoModel demo({});
    MeshBuilder box;
    box.box({-1, -1, -1}, {1, 1, 1}, coloured(1, 2, 3));
    const int32_t spinner = demo.add(box, -1, "spinner", "$rotate=4", {});
    demo.rotationKey(spinner, 0, {0, 1, 0}, 0);
    demo.rotationKey(spinner, 1, {0, 1, 0}, 30);
    const int32_t turret = demo.add(box, spinner, "turret", "$fov=90,4,1", {0, 2, 0});
    demo.rotationKey(turret, 0, {0, 1, 0}, 0);
    demo.rotationKey(turret, 10, {0, 1, 0}, 60);
    const std::unique_ptr<PolyModel> model = load(dir, demo);

    EXPECT_TRUE(sampleRotationTrack(*sub(*model, "spinner"), 5.0f).values.empty()) << "its keys give only the axis";
    EXPECT_TRUE(sampleRotationTrack(*sub(*model, "turret"), 5.0f).values.empty());
    const RotationSamples spin = sampleSpin(*sub(*model, "spinner"));
    ASSERT_FALSE(spin.values.empty());
    EXPECT_FLOAT_EQ(spin.seconds.front(), 0.0f);
    EXPECT_FLOAT_EQ(spin.seconds.back(), 4.0f);
    EXPECT_FLOAT_EQ(spin.values.back().w, -1.0f) << "a whole turn on";
    const Quaternion quarter = spin.values[spin.values.size() / 4];
    EXPECT_NEAR(quarter.v.y, std::sin(3.14159265f / 4), 1e-5f) << "a quarter turn about +y at a quarter period";
}

// Game files are not bound to UTF-8, glTF's JSON is: a name that is not
// UTF-8 is read as Latin-1, one that is stays as it is.
TEST(GltfExport, NamesComeOutAsUtf8) {
    TempDir dir;
    DemoModel demo({"ros\xe9"});
    MeshBuilder box;
    box.box({-1, -1, -1}, {1, 1, 1}, textured(0));
    demo.add(box, -1, "caf\xe9", "", {});
    demo.add(box, -1, "\xc3\x96l", "", {});
    const std::string glb = gltfFile(*load(dir, demo), {});

    tinygltf::Model g;
    std::string error, warning;
    ASSERT_TRUE(tinygltf::TinyGLTF().LoadBinaryFromMemory(&g, &error, &warning, reinterpret_cast<const unsigned char*>(glb.data()),
                                                          static_cast<unsigned>(glb.size())))
        << error;
    ASSERT_EQ(g.nodes.size(), 2u);
    EXPECT_EQ(g.nodes[0].name, "caf\xc3\xa9");
    EXPECT_EQ(g.nodes[1].name, "\xc3\x96l");
    ASSERT_EQ(g.materials.size(), 1u);
    EXPECT_EQ(g.materials[0].name, "ros\xc3\xa9");
}

TEST(KvtoolExport, AModelThatCannotBeReadLeavesNoFileBehind) {
    TempDir dir;
    const Bytes broken = OofWriter(1234).build();
    const std::string archive = dir.write("kv.hog", HogWriter().add("bad.oof", broken).build());
    for (const char* name : {"out.glb", "out.gltf", "out.obj"}) {
        const CommandResult run = runKvtool("export " + shellQuote(archive) + " bad.oof -o " + shellQuote(dir.path(name)));
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "kvtool: bad.oof: Unsupported OOF version\n");
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.root()), fs::directory_iterator()), 1) << "only kv.hog";
}

TEST(KvtoolExport, AMissingFolderOrAnUnknownKindOfFileIsOneLine) {
    TempDir dir;
    ASSERT_EQ(runKvtool("demo " + shellQuote(dir.root())).status, 0);
    const std::string out = dir.path("nowhere/lance.glb");
    CommandResult run = runKvtool("export " + shellQuote(dir.root()) + " lance.oof -o " + shellQuote(out));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "kvtool: " + out + ": no such folder: " + dir.path("nowhere") + "\n");
    run = runKvtool("export " + shellQuote(dir.root()) + " lance.oof -o " + shellQuote(dir.path("lance.fbx")));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("expected a .glb, .gltf or .obj file name"), std::string::npos) << run.err;
    run = runKvtool("render " + shellQuote(dir.root()) + " --frames 2 -o " + shellQuote(dir.path("nowhere/x.gif")));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("no such folder"), std::string::npos) << run.err;
}

// Entry names are the archive's to choose: every file lands in the folder asked
// for, names that come out alike stay apart, and a broken model is named and
// skipped while the rest are written.
TEST(KvtoolExport, AllWritesEveryModelInsideTheFolderAndNamesTheOnesItCannot) {
    TempDir dir;
    fs::create_directory(dir.path("game"));
    Bytes model;
    for (const HogWriter::Entry& entry : demoArchive().ordered())
        if (entry.name == "lance.oof") model = entry.data;
    const std::string absolute = "/kvss-export-test/abs.oof";  // an entry name holds at most 35 characters
    HogWriter()
        .add("table.gam", Bytes{})
        .add("../up.oof", model)
        .add("Up.oof", model)
        .add(absolute, model)
        .add("broken.oof", Bytes{'N', 'O', 'P', 'E', 0, 0, 0, 0})
        .write(dir.path("game/kv.hog"));
    const CommandResult run =
        runKvtool("export " + shellQuote(dir.path("game")) + " --all -o " + shellQuote(dir.path("out/models")));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "3 exported, 1 could not be read\n");
    EXPECT_EQ(run.err, "kvtool: broken.oof: Not a valid OOF file\n");
    std::set<std::string> written;
    for (const auto& file : fs::recursive_directory_iterator(dir.path("out"))) written.insert(fs::relative(file.path(), dir.path("out")).string());
    EXPECT_EQ(written, (std::set<std::string>{"models", "models/abs.glb", "models/up.glb", "models/Up_2.glb"}));
    EXPECT_FALSE(fs::exists("/kvss-export-test")) << "nothing where an entry's name points";
    EXPECT_FALSE(fs::exists(dir.path("up.glb")));

    const CommandResult both = runKvtool("export " + shellQuote(dir.path("game")) + " up.oof --all -o x");
    EXPECT_EQ(both.status, 1);
    EXPECT_EQ(both.err, "kvtool: export: give MODEL or --all, not both\n");
}

// Tiny models that all name one large bitmap would each embed it again: the
// whole run stops at its size bound, and says so.
TEST(KvtoolExport, AllStopsOnceTheExportsHoldTheSizeAllowed) {
    TempDir dir;
    std::vector<uint16_t> noise(512 * 512);
    uint32_t seed = 1;
    for (uint16_t& pixel : noise) {
        seed = seed * 1664525u + 1013904223u;
        pixel = static_cast<uint16_t>(0xF000 | (seed >> 20));
    }
    OofSubobject part{.name = "part", .vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}};
    part.faces.push_back({.textured = true, .corners = {{0, 0, 0}, {1, 1, 0}, {2, 0, 1}}});
    OofWriter model;
    model.textures({"noise"}).header(1, 1.0f, {-1, -1, -1}, {1, 1, 1}).subobject(part);
    HogWriter archive;
    archive.add("noise.ogf", OgfImage::fromPixels(512, 512, ogfArgb4444, noise).bytes());
    for (const char* name : {"a.oof", "b.oof", "c.oof"}) archive.add(name, model.build());
    archive.write(dir.path("kv.hog"));

    // Each export embeds the noise as a PNG of some 0.8 MB: two pass 1 MB.
    const CommandResult run =
        runKvtool("export " + shellQuote(dir.path("kv.hog")) + " --all --max-size 1 -o " + shellQuote(dir.path("out")));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "2 exported, 1 left out\n");
    EXPECT_EQ(run.err, "kvtool: export: stopped at 1 MB, the most this archive may write (--max-size)\n");
    EXPECT_TRUE(fs::exists(dir.path("out/b.glb")));
    EXPECT_FALSE(fs::exists(dir.path("out/c.glb")));

    const CommandResult single = runKvtool("export " + shellQuote(dir.path("kv.hog")) + " a.oof --max-size 1 -o x.glb");
    EXPECT_EQ(single.status, 1);
    EXPECT_EQ(single.err, "kvtool: --max-size: goes with --all\n");
}

TEST(ColourQuantizer, APictureOfFewColoursKeepsThemExactly) {
    std::vector<uint8_t> samples;
    for (int i = 0; i < 100; ++i) samples.insert(samples.end(), {10, 200, 30, 250, 250, 250, 0, 0, 0});
    ColourQuantizer quantizer(samples);
    ASSERT_EQ(quantizer.palette().size(), 3u);
    for (const auto& colour : {std::array<uint8_t, 3>{10, 200, 30}, {250, 250, 250}, {0, 0, 0}})
        EXPECT_EQ(quantizer.palette()[quantizer.nearest(colour[0], colour[1], colour[2])], colour);
}

struct Gif {
    int width = 0, height = 0, frames = 0;
    std::vector<int> delays;
    std::vector<uint8_t> firstFrame;  // RGB
};

Gif readGif(const std::string& path) {
    Gif out;
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
    if (gif == nullptr || DGifSlurp(gif) != GIF_OK) {
        ADD_FAILURE() << "cannot read " << path;
        return out;
    }
    out.width = gif->SWidth, out.height = gif->SHeight, out.frames = gif->ImageCount;
    for (int i = 0; i < gif->ImageCount; ++i) {
        GraphicsControlBlock control;
        DGifSavedExtensionToGCB(gif, i, &control);
        out.delays.push_back(control.DelayTime);
    }
    const ColorMapObject* map = gif->SColorMap;
    for (int i = 0; i < out.width * out.height; ++i) {
        const GifColorType c = map->Colors[gif->SavedImages[0].RasterBits[i]];
        out.firstFrame.insert(out.firstFrame.end(), {c.Red, c.Green, c.Blue});
    }
    DGifCloseFile(gif, &error);
    return out;
}

// Noise of a few far-apart colours: thousands of distinct index strings, so the
// LZW table fills and starts again many times and the codes grow to 12 bits.
TEST(GifAnimation, NoisyFramesComeBackExactlyThroughGiflib) {
    constexpr int width = 300, height = 200;
    auto colourOf = [](uint32_t n) { return std::array<uint8_t, 3>{uint8_t(n % 4 * 80), uint8_t(n / 4 % 4 * 80), uint8_t(n / 16 % 4 * 80)}; };
    GifAnimation animation(width, height, 3);
    std::vector<std::vector<uint8_t>> frames;
    uint32_t state = 12345;
    for (int f = 0; f < 2; ++f) {
        std::vector<uint8_t> rgba;
        for (int i = 0; i < width * height; ++i) {
            state = state * 1664525u + 1013904223u;
            const auto c = colourOf(state >> 24);
            rgba.insert(rgba.end(), {c[0], c[1], c[2], 255});
        }
        animation.addFrame(rgba);
        frames.push_back(std::move(rgba));
    }
    TempDir dir;
    writeFileBytes(dir.path("noise.gif"), animation.encode());

    int error = 0;
    GifFileType* gif = DGifOpenFileName(dir.path("noise.gif").c_str(), &error);
    ASSERT_NE(gif, nullptr);
    ASSERT_EQ(DGifSlurp(gif), GIF_OK) << GifErrorString(gif->Error);
    ASSERT_EQ(gif->ImageCount, 2);
    // The second frame differs all over, so it is stored whole too.
    for (int f = 0; f < 2; ++f) {
        const SavedImage& image = gif->SavedImages[f];
        ASSERT_EQ(image.ImageDesc.Width * image.ImageDesc.Height, width * height);
        int wrong = 0;
        for (int i = 0; i < width * height; ++i) {
            const GifColorType c = gif->SColorMap->Colors[image.RasterBits[i]];
            wrong += c.Red != frames[f][i * 4] || c.Green != frames[f][i * 4 + 1] || c.Blue != frames[f][i * 4 + 2];
        }
        EXPECT_EQ(wrong, 0) << "frame " << f;
    }
    DGifCloseFile(gif, &error);
}

TEST(KvtoolRenderGif, FramesBecomeOneLoopingGifAtTheSaversTickThatLooksLikeThePng) {
    TempDir dir;
    ASSERT_EQ(runKvtool("demo " + shellQuote(dir.root())).status, 0);
    const std::string common = "render " + shellQuote(dir.root()) + " --model relay.oof --size 64x48 ";
    ASSERT_EQ(runKvtool(common + "--frames 6 -o " + shellQuote(dir.path("relay.gif"))).status, 0);
    ASSERT_EQ(runKvtool(common + "--frames 6 --every 2 -o " + shellQuote(dir.path("half.gif"))).status, 0);
    ASSERT_EQ(runKvtool(common + "-o " + shellQuote(dir.path("relay.png"))).status, 0);

    const Gif gif = readGif(dir.path("relay.gif"));
    EXPECT_EQ(gif.width, 64);
    EXPECT_EQ(gif.height, 48);
    EXPECT_EQ(gif.frames, 6);
    EXPECT_EQ(gif.delays, std::vector<int>(6, 1)) << "10 ms a frame";
    const Gif half = readGif(dir.path("half.gif"));
    EXPECT_EQ(half.delays, std::vector<int>(3, 2));

    const Png png = readPng(dir.path("relay.png"));
    double difference = 0;
    int lit = 0;
    for (int i = 0; i < 64 * 48; ++i)
        for (int c = 0; c < 3; ++c) {
            difference += std::abs(int(png.rgba[i * 4 + c]) - int(gif.firstFrame[i * 3 + c]));
            lit += png.rgba[i * 4 + c] > 40;
        }
    EXPECT_GT(lit, 100);
    EXPECT_LT(difference / (64 * 48 * 3), 4.0) << "the palette fits the picture";
}
}  // namespace
