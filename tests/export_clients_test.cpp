// The exports as other tools read them: every demo model through assimp and
// f3d. A test whose tool is not installed is skipped, saying which is missing.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <map>
#include <sstream>

#include "forge/demo_shapes.h"
#include "forge/hog_writer.h"
#include "test_files.h"

namespace {
const char* const demoModels[] = {"asteroid", "harvester", "lance", "lighthouse", "relay", "vanguard"};

bool installed(const std::string& tool) { return runCommand("command -v " + tool).status == 0; }

#define REQUIRE_TOOL(tool) \
    if (!installed(tool)) GTEST_SKIP() << tool " is not installed (scripts/setup.sh installs it)"

struct Node {
    std::string name;
    int parent = -1;  // index into the list
};

struct AssimpInfo {
    std::map<std::string, std::string> fields;  // "Nodes" -> "16"
    std::vector<Node> nodes;                     // in the order printed, depth first
    double min[3] = {0, 0, 0}, max[3] = {0, 0, 0};
    int number(const std::string& field) const {
        auto at = fields.find(field);
        return at == fields.end() ? -1 : std::stoi(at->second);
    }
};

// Reads `assimp info`'s summary and its drawn node tree ("├╴name (mesh 1)").
AssimpInfo assimpInfo(const std::string& file) {
    const CommandResult run = runCommand("assimp info " + shellQuote(file));
    EXPECT_EQ(run.status, 0) << run.err;
    AssimpInfo info;
    std::istringstream in(run.out);
    std::string line;
    bool tree = false;
    std::vector<int> open;  // the node last seen at each depth
    while (std::getline(in, line)) {
        if (line.rfind("Node hierarchy:", 0) == 0) {
            tree = true;
            continue;
        }
        if (!tree) {
            const size_t colon = line.find(':');
            if (colon != std::string::npos && line[0] != ' ') {
                std::string value = line.substr(colon + 1);
                value.erase(0, value.find_first_not_of(' '));
                info.fields[line.substr(0, colon)] = value;
            }
            if (line.rfind("Minimum point", 0) == 0) std::sscanf(line.c_str(), "Minimum point (%lf %lf %lf", &info.min[0], &info.min[1], &info.min[2]);
            if (line.rfind("Maximum point", 0) == 0) std::sscanf(line.c_str(), "Maximum point (%lf %lf %lf", &info.max[0], &info.max[1], &info.max[2]);
            continue;
        }
        if (line.empty()) break;
        // Each level of the drawing is two characters wide: "│ ", "  ", "├╴", "└╴".
        size_t at = 0, columns = 0;
        while (at < line.size()) {
            const unsigned char c = static_cast<unsigned char>(line[at]);
            if (c == ' ') at += 1;
            else if (c == 0xE2) at += 3;  // the box-drawing characters are three bytes in UTF-8
            else break;
            ++columns;
        }
        const size_t depth = columns / 2;
        std::string name = line.substr(at);
        const size_t mesh = name.find(" (mesh");
        if (mesh != std::string::npos) name.erase(mesh);
        Node node{name, depth == 0 ? -1 : open[depth - 1]};
        open.resize(depth);
        open.push_back(static_cast<int>(info.nodes.size()));
        info.nodes.push_back(node);
    }
    return info;
}

class ExportClients : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new TempDir;
        ASSERT_EQ(runKvtool("demo " + shellQuote(dir->root())).status, 0);
    }
    static void TearDownTestSuite() {
        delete dir;
        dir = nullptr;
    }
    static std::string exported(const std::string& model, const std::string& extension) {
        const std::string out = dir->path(model + extension);
        const std::string format = extension == ".obj" ? " --format obj" : "";
        const CommandResult run =
            runKvtool("export " + shellQuote(dir->root()) + " " + model + ".oof -o " + shellQuote(out) + format);
        EXPECT_EQ(run.status, 0) << run.err;
        return out;
    }
    static nlohmann::json dump(const std::string& model) {
        const CommandResult run = runKvtool("dump " + shellQuote(dir->root()) + " " + model + ".oof --json");
        EXPECT_EQ(run.status, 0) << run.err;
        return nlohmann::json::parse(run.out);
    }
    static TempDir* dir;
};
TempDir* ExportClients::dir = nullptr;

// What the saver moves: position keys, and rotation keys unless on a $fov
// turret (a $rotate spinner takes its axis from them).
bool animated(const nlohmann::json& model) {
    constexpr int fov = 5;
    for (const auto& s : model["subobjects"]) {
        if (!s["positionKeys"].empty()) return true;
        if (!s["rotationKeys"].empty() && s["property"]["kind"] != fov) return true;
    }
    return false;
}

bool textured(const nlohmann::json& model) {
    for (const auto& s : model["subobjects"])
        if (!s["textures"].empty()) return true;
    return false;
}

void expectBoundsNear(const AssimpInfo& info, const nlohmann::json& model, const std::string& file) {
    double size = 0;
    for (int i = 0; i < 3; ++i) size = std::max(size, double(model["boundsMax"][i]) - double(model["boundsMin"][i]));
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(info.min[i], double(model["boundsMin"][i]), 0.01 * size) << file << " axis " << i;
        EXPECT_NEAR(info.max[i], double(model["boundsMax"][i]), 0.01 * size) << file << " axis " << i;
    }
}

TEST_F(ExportClients, AssimpReadsEveryDemoModelWithItsSubobjectTreeBoundsAnimationsAndImages) {
    REQUIRE_TOOL("assimp");
    for (const char* name : demoModels) {
        const nlohmann::json model = dump(name);
        const auto& subobjects = model["subobjects"];
        for (const char* extension : {".glb", ".gltf"}) {
            const std::string file = exported(name, extension);
            const AssimpInfo info = assimpInfo(file);
            SCOPED_TRACE(file);
            // The subobjects' nodes, their parents named as the subobjects' parents.
            std::multiset<std::pair<std::string, std::string>> expected, found;
            for (const auto& s : subobjects) {
                const int parent = s["parentIndex"];
                expected.insert({s["name"], parent < 0 ? "" : std::string(subobjects[parent]["name"])});
            }
            int points = 0;
            for (const char* kind : {"gunPoints", "groundPoints", "attachPoints"}) points += int(model[kind].size());
            int pointNodes = 0;
            for (const Node& node : info.nodes) {
                const bool point = node.name.rfind("gun ", 0) == 0 || node.name.rfind("ground ", 0) == 0 ||
                                   node.name.rfind("attach ", 0) == 0;
                if (point) {
                    ++pointNodes;
                    continue;
                }
                found.insert({node.name, node.parent < 0 ? "" : info.nodes[node.parent].name});
            }
            EXPECT_EQ(found, expected);
            EXPECT_EQ(pointNodes, points);
            EXPECT_EQ(info.number("Nodes"), int(subobjects.size()) + points);
            expectBoundsNear(info, model, file);
            EXPECT_EQ(info.number("Animation Channels") > 0, animated(model));
            EXPECT_EQ(info.number("Textures (embed.)") > 0, textured(model));
        }
        const std::string obj = exported(name, ".obj");
        const AssimpInfo info = assimpInfo(obj);
        EXPECT_GT(info.number("Vertices"), 0) << obj;
        expectBoundsNear(info, model, obj);
    }
}

// f3d draws through VTK on an X display: a private Xvfb for each run.
CommandResult f3d(const std::string& arguments) {
    return runCommand("xvfb-run -a -s '-screen 0 1024x768x24' f3d --quiet " + arguments);
}

TEST_F(ExportClients, F3dDrawsEveryDemoModelLit) {
    REQUIRE_TOOL("f3d");
    REQUIRE_TOOL("xvfb-run");
    for (const char* name : demoModels) {
        const std::string file = exported(name, ".glb"), picture = dir->path(std::string(name) + "-f3d.png");
        const CommandResult run = f3d("--no-background --resolution 160,120 --output " + shellQuote(picture) + " " +
                                      shellQuote(file));
        ASSERT_EQ(run.status, 0) << run.err;
        const Png png = readPng(picture);
        ASSERT_EQ(png.width, 160);
        int covered = 0, darkest = 255, brightest = 0;
        for (int y = 0; y < png.height; ++y)
            for (int x = 0; x < png.width; ++x) {
                const Rgba p = png.at(x, y);
                if (p[3] == 0) continue;
                ++covered;
                const int grey = (p[0] + p[1] + p[2]) / 3;
                darkest = std::min(darkest, grey), brightest = std::max(brightest, grey);
            }
        EXPECT_GT(covered, png.width * png.height / 100) << name << ": the model fills part of the picture";
        EXPECT_GT(brightest, 60) << name << ": something is lit";
        EXPECT_GT(brightest - darkest, 30) << name << ": faces turned differently are shaded differently";
    }
}

// Seen from the saver's starting point, f3d's picture of an export is the
// saver's picture mirrored left to right: the mirror is the saver's camera,
// not the model. A wrong axis or a flip in the export would break this.
TEST_F(ExportClients, F3dShowsTheSaversPictureMirroredFromTheSaversCamera) {
    REQUIRE_TOOL("f3d");
    REQUIRE_TOOL("xvfb-run");
    // An L: a post with a long arm along +x, a short one along +y.
    DemoModel model({});
    MeshBuilder shape;
    shape.box({-1.5f, -1.5f, -1.5f}, {1.5f, 1.5f, 1.5f}, coloured(220, 200, 180));
    shape.box({1.5f, -1, -1}, {6, 1, 1}, coloured(220, 200, 180));
    shape.box({-1, 1.5f, -1}, {1, 3.5f, 1}, coloured(220, 200, 180));
    model.add(shape, -1, "ell", "", {});
    const std::string archive = dir->write("ell.hog", HogWriter().add("ell.oof", model.build()).build());
    const std::string glb = dir->path("ell.glb"), saver = dir->path("ell-saver.png"), viewer = dir->path("ell-f3d.png");
    ASSERT_EQ(runKvtool("export " + shellQuote(archive) + " ell.oof -o " + shellQuote(glb)).status, 0);
    ASSERT_EQ(runKvtool("render " + shellQuote(archive) + " --seconds 0 --size 320x240 -o " + shellQuote(saver)).status, 0);
    const nlohmann::json dumped = nlohmann::json::parse(runKvtool("dump " + shellQuote(archive) + " ell.oof --json").out);
    // The saver's camera at the start: on +z at five radii, up +y, 54 degrees high.
    const double distance = std::max(3.0, 5.0 * double(dumped["radius"]));
    const CommandResult run = f3d("--no-background --resolution 320,240 --camera-position 0,0," + std::to_string(distance) +
                                  " --camera-focal-point 0,0,0 --camera-view-up 0,1,0 --camera-view-angle 54 --output " +
                                  shellQuote(viewer) + " " + shellQuote(glb));
    ASSERT_EQ(run.status, 0) << run.err;
    const Png a = readPng(saver), b = readPng(viewer);
    ASSERT_EQ(a.width, b.width);
    int mirroredOverlap = 0, straightOverlap = 0, either = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            const Rgba p = a.at(x, y);
            const bool inSaver = p[0] + p[1] + p[2] > 0;
            const bool inMirror = b.at(a.width - 1 - x, y)[3] != 0, inStraight = b.at(x, y)[3] != 0;
            either += inSaver || inMirror;
            mirroredOverlap += inSaver && inMirror;
            straightOverlap += inSaver && inStraight;
        }
    ASSERT_GT(either, 1000);
    EXPECT_GT(mirroredOverlap, either * 8 / 10) << "the silhouettes agree once mirrored";
    EXPECT_LT(straightOverlap, either * 6 / 10) << "and not without the mirror";
}
}  // namespace

TEST_F(ExportClients, AssimpReadsEveryModelThatExportAllWrites) {
    REQUIRE_TOOL("assimp");
    const std::string out = dir->path("all of them");
    const CommandResult run = runKvtool("export " + shellQuote(dir->root()) + " --all -o " + shellQuote(out));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "6 exported\n");
    for (const char* name : demoModels) {
        const AssimpInfo info = assimpInfo(out + "/" + name + ".glb");
        EXPECT_EQ(info.number("Nodes"), int(dump(name)["subobjects"].size()) + [&] {
            int points = 0;
            const nlohmann::json model = dump(name);
            for (const char* kind : {"gunPoints", "groundPoints", "attachPoints"}) points += int(model[kind].size());
            return points;
        }()) << name;
    }
}
