#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include <nlohmann/json.hpp>

#include "forge/hog_writer.h"
#include "forge/oof_writer.h"
#include "forge/table_writer.h"
#include "test_files.h"

namespace {
// A ship: a hull with a spinning child and a turret, textured faces, keys,
// points of every kind and one battery.
Bytes shipModel() {
    OofSubobject hull;
    hull.index = 0;
    hull.name = "hull";
    hull.radius = 3.0f;
    hull.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    hull.faces.push_back({.textured = true, .textureIndex = 1, .corners = {{0, 0, 0}, {1, 1, 0}, {2, 0, 1}}});
    hull.faces.push_back({.corners = {{0, 0, 0}, {2, 0, 0}, {1, 0, 0}}});
    hull.faces.push_back({.textured = true, .textureIndex = 0, .corners = {{0, 0, 0}, {1, 1, 0}, {2, 0, 1}}});
    hull.faces.push_back({.textured = true, .textureIndex = 1, .corners = {{2, 0, 0}, {1, 1, 0}, {0, 0, 1}}});
    OofSubobject spinner = hull;
    spinner.index = 2;
    spinner.parentIndex = 0;
    spinner.name = "spinner";
    spinner.property = "$rotate=4";
    spinner.restPosition = {0, 2, 0};
    spinner.faces.clear();
    OofSubobject turret = spinner;
    turret.index = 1;
    turret.name = "turret";
    turret.property = "$fov=90,4,1";
    return OofWriter()
        .textures({"Hull", "Glass"})
        .header(3, 5.5f, {-1, -2, -3}, {1, 2, 3})
        .subobject(hull)
        .subobject(spinner)
        .subobject(turret)
        .positionKeys({{}, {}, {{0, {0, 0, 0}}, {10, {4, 0, 0}}}})
        .rotationKeys({{}, {}, {{0, {0, 0, 1}, 0}, {10, {0, 0, 1}, 16384}}})
        .gunPoints({{1, {0, 1, 0}, {0, 0, 1}}, {0, {1, 1, 0}, {0, 0, 1}}})
        .groundPoints({{0, {0, -1, 0}, {0, -1, 0}}})
        .attachPoints({{2, {}, {0, 0, 1}}})
        .attachUps({{1, 0, 0}})
        .batteries({{{1, 0}, {1}}})
        .build();
}

// A subobject whose name is Latin-1, not UTF-8.
Bytes latinModel() {
    OofSubobject s;
    s.name = "caf\xE9";
    return OofWriter().header(1, 1, {}, {}).subobject(s).build();
}

class KvtoolDump : public ::testing::Test {
protected:
    std::string archive() {
        TableWriter table;
        table.texture({.name = "Hull", .fileName = "hull.ogf"});
        return dir.write("kv.hog", HogWriter()
                                       .add("table.gam", table.bytes())
                                       .add("Ship.oof", shipModel())
                                       .add("Broken.oof", Bytes{'P', 'S', 'P', 'X'})
                                       .add("Latin.oof", latinModel())
                                       .build());
    }
    TempDir dir;
};

constexpr double pi = std::numbers::pi;

std::vector<double> numbers(const nlohmann::json& array) { return array.get<std::vector<double>>(); }
}  // namespace

TEST_F(KvtoolDump, JsonDescribesTheModelAsRead) {
    const CommandResult result = runKvtool("dump --json --frame 5 " + shellQuote(archive()) + " ship.oof");
    ASSERT_EQ(result.status, 0) << result.err;
    const auto model = nlohmann::json::parse(result.out);
    EXPECT_EQ(model["radius"], 5.5);
    EXPECT_EQ(numbers(model["boundsMin"]), (std::vector<double>{-1, -2, -3}));
    EXPECT_EQ(model["keyFrameExtent"], 10);

    const auto& subobjects = model["subobjects"];
    ASSERT_EQ(subobjects.size(), 3u);
    EXPECT_EQ(subobjects[0]["name"], "hull");
    EXPECT_EQ(subobjects[0]["parentIndex"], -1);
    EXPECT_EQ(subobjects[0]["faceCount"], 4);
    EXPECT_EQ(subobjects[0]["vertexCount"], 3);
    EXPECT_EQ(subobjects[0]["textures"], (nlohmann::json{"Glass", "Hull"})) << "each once, in order of first use";
    EXPECT_EQ(subobjects[1]["name"], "turret");  // index order, not file order
    EXPECT_EQ(subobjects[1]["property"]["kind"], 5);
    EXPECT_EQ(numbers(subobjects[1]["property"]["parameters"]), (std::vector<double>{90, 4, 1, 0}));

    const auto& spinner = subobjects[2];
    EXPECT_EQ(spinner["parentIndex"], 0);
    ASSERT_EQ(spinner["positionKeys"].size(), 2u);
    EXPECT_EQ(spinner["positionKeys"][1]["frame"], 10);
    EXPECT_EQ(numbers(spinner["positionKeys"][1]["position"]), (std::vector<double>{4, 2, 0}));
    EXPECT_EQ(numbers(spinner["positionAt"]), (std::vector<double>{2, 2, 0}));
    const auto& quarter = spinner["rotationKeys"][1];
    EXPECT_EQ(numbers(quarter["axis"]), (std::vector<double>{0, 0, 1}));
    EXPECT_NEAR(quarter["angle"].get<double>(), pi / 2, 1e-6);
    EXPECT_NEAR(quarter["orientation"][0].get<double>(), std::sqrt(0.5), 1e-6);
    const auto halfway = numbers(spinner["rotationAt"]);  // an eighth turn about z, [w, x, y, z]
    EXPECT_NEAR(halfway[0], std::cos(pi / 8), 1e-6);
    EXPECT_NEAR(halfway[3], std::sin(pi / 8), 1e-6);

    ASSERT_EQ(model["gunPoints"].size(), 2u);
    EXPECT_EQ(model["gunPoints"][1]["subobject"], 0);
    EXPECT_EQ(model["gunPoints"][1]["number"], 1);
    EXPECT_EQ(numbers(model["gunPoints"][0]["up"]), (std::vector<double>{0, 1, 0}));
    EXPECT_EQ(model["groundPoints"][0]["number"], 0);
    EXPECT_EQ(numbers(model["attachPoints"][0]["up"]), (std::vector<double>{1, 0, 0}));
    EXPECT_EQ(model["weaponBatteries"], (nlohmann::json::parse(R"([{"guns": [1, 0], "turrets": [1]}])")));
}

TEST_F(KvtoolDump, TheTreeShowsChildrenUnderTheirParents) {
    archive();
    const CommandResult tree = runKvtool("dump " + shellQuote(dir.root()) + " Ship.oof");
    ASSERT_EQ(tree.status, 0) << tree.err;
    EXPECT_NE(tree.out.find("[0] hull\n"), std::string::npos) << tree.out;
    EXPECT_NE(tree.out.find("\n  [1] turret  Turret 90, 4, 1, 0\n"), std::string::npos) << tree.out;
    EXPECT_NE(tree.out.find("\n  [2] spinner  Rotate 4\n"), std::string::npos) << tree.out;
    EXPECT_NE(tree.out.find("textures: Glass, Hull"), std::string::npos);
    EXPECT_NE(tree.out.find("Weapon battery #0: guns 1 0; turrets [1]"), std::string::npos);
}

TEST_F(KvtoolDump, ModelsThatCannotBeReadAreReportedByName) {
    const std::string path = archive();
    const CommandResult broken = runKvtool("dump " + shellQuote(path) + " Broken.oof");
    EXPECT_EQ(broken.status, 1);
    EXPECT_EQ(broken.err, "kvtool: Broken.oof: Not a valid OOF file\n");
    const CommandResult missing = runKvtool("dump --json " + shellQuote(path) + " nothing.oof");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "kvtool: nothing.oof: File not found\n");
    EXPECT_EQ(missing.out, "");

    const CommandResult latin = runKvtool("dump --json " + shellQuote(path) + " Latin.oof");
    ASSERT_EQ(latin.status, 0) << latin.err;
    EXPECT_EQ(nlohmann::json::parse(latin.out)["subobjects"][0]["name"], "caf\uFFFD");
}
