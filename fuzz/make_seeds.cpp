// Writes the seed corpora of the fuzz targets: valid files of every kind and
// version the readers know, made by the forge. Usage: make_seeds DIRECTORY
#include <cstdio>
#include <filesystem>
#include <string>

#include "forge/byte_writer.h"

#include "data/game_table.h"
#include "forge/bitmap_writer.h"
#include "forge/demo_archive.h"
#include "forge/hog_writer.h"
#include "forge/oof_writer.h"
#include "forge/table_writer.h"

namespace fs = std::filesystem;

static void put(const fs::path& directory, const std::string& name, const Bytes& bytes) {
    fs::create_directories(directory);
    writeFileBytes((directory / name).string(), bytes);
}

static OofSubobject square(int32_t index, int32_t parent, const std::string& property) {
    OofSubobject s;
    s.index = index;
    s.parentIndex = parent;
    s.name = "part" + std::to_string(index);
    s.property = property;
    s.vertices = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}};
    s.alphas = {1.0f, 0.5f, 0.25f, 1.0f};
    OofFace face;
    face.textured = true;
    face.textureIndex = 0;
    face.corners = {{0, 0, 0}, {1, 1, 0}, {2, 1, 1}, {3, 0, 1}};
    s.faces.push_back(face);
    OofFace flat;
    flat.colour = {200, 40, 40};
    flat.corners = {{2, 0, 0}, {1, 0, 0}, {0, 0, 0}};
    s.faces.push_back(flat);
    return s;
}

// A model with every chunk kind, in the given file version.
static Bytes everyChunk(int32_t version) {
    OofWriter w(version);
    w.textures({"hullplate", "engineglow"})
        .header(2, 2.0f, {-1, -1, -1}, {1, 1, 1})
        .subobject(square(0, -1, ""))
        .subobject(square(1, 0, "$rotate=10"))
        .positionKeys({{{0, {0, 0, 0}}, {10, {0, 1, 0}}}, {}})
        .rotationKeys({{}, {{0, {0, 0, 1}, 0}, {10, {0, 0, 1}, 16384}}})
        .gunPoints({{1, {0, 0, 1}, {0, 0, 1}}})
        .groundPoints({{0, {0, -1, 0}, {0, -1, 0}}})
        .attachPoints({{0, {1, 0, 0}, {1, 0, 0}}})
        .attachUps({{0, 1, 0}})
        .batteries({{{0}, {1}}});
    return w.build();
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds DIRECTORY\n");
        return 2;
    }
    const fs::path root = argv[1];
    const HogWriter demo = demoArchive();
    put(root / "hog", "demo.hog", demo.build());
    put(root / "hog", "small.hog", HogWriter().add("a.ogf", {1, 2, 3}).add("B.oof", {}).build());
    for (const HogWriter::Entry& entry : demo.ordered()) {
        const std::string& name = entry.name;
        const std::string extension = name.size() > 4 ? name.substr(name.size() - 4) : "";
        if (name == gameTableName) put(root / "table", name, entry.data);
        else if (extension == ".oof") put(root / "oof", name, entry.data);
        else if (extension == ".ogf" || extension == ".oaf") put(root / "bitmap", name, entry.data);
    }

    TextureRecord record;
    record.name = "hullplate";
    record.fileName = "hullplate.ogf";
    record.thirdText = "third";
    put(root / "table", "one.gam", TableWriter().texture(record).record(2, 3, {1, 2, 3, 4}).bytes());

    put(root / "oof", "every2200.oof", everyChunk(oof::version2200));
    put(root / "oof", "every2300.oof", everyChunk(oof::version2300));

    // The exporters start from every model the reader starts from, and from
    // what multiplies when exported: keys that turn thousands of times, a
    // face of many corners, names that are not UTF-8 or not file names.
    fs::create_directories(root / "export");
    for (const fs::directory_entry& model : fs::directory_iterator(root / "oof"))
        fs::copy_file(model.path(), root / "export" / model.path().filename());
    OofSubobject turning = square(0, -1, "");
    turning.name = "caf\xe9 \x01";
    turning.faces[0].corners.clear();
    for (int32_t i = 0; i < 40; ++i) turning.faces[0].corners.push_back({i % 4, 0.1f * i, 0.0f});
    OofWriter fast;
    fast.textures({"../up/and/away", "con:\x7f*?"})
        .header(1, 1.0f, {-1, -1, -1}, {1, 1, 1})
        .subobject(turning)
        .rotationKeys({{{0, {0, 0, 1}, 0}, {10, {0, 1, 0}, 0x7FFFFF00}, {20, {1, 0, 0}, -0x7FFFFF00}}});
    put(root / "export", "fast.oof", fast.build());

    const std::vector<uint16_t> pixels{0xf00f, 0x0f0f, 0x00ff, 0xffff, 0xf00f, 0xf00f, 0x1234, 0x8000};
    const OgfImage a = OgfImage::fromPixels(4, 2, ogfArgb4444, pixels);
    const OgfImage b = OgfImage::fromPixels(4, 2, ogfArgb1555, pixels);
    put(root / "bitmap", "4444.ogf", a.bytes());
    put(root / "bitmap", "1555.ogf", b.bytes());
    OgfImage levels = OgfImage::fromPixels(4, 2, ogfArgb4444, pixels);
    levels.storeLevels(3);
    put(root / "bitmap", "levels.ogf", levels.bytes());
    OafAnimation counted;
    counted.frames = {a, b};
    put(root / "bitmap", "counted.oaf", counted.bytes());
    OafAnimation marked;
    marked.header = OafAnimation::Header::marked;
    marked.frames = {b, a, b};
    put(root / "bitmap", "marked.oaf", marked.bytes());

    // Steam's three layouts of libraryfolders.vdf, and a Wine prefix's registry.
    const auto text = [](const std::string& content) { return Bytes(content.begin(), content.end()); };
    put(root / "vdf", "2019.vdf",
        text("\"LibraryFolders\"\n{\n\t\"TimeNextStatsReport\"\t\t\"1561832478\"\n\t\"ContentStatsID\"\t\t\"-1\"\n"
             "\t\"1\"\t\t\"D:\\\\SteamLibrary\"\n}\n"));
    put(root / "vdf", "2021.vdf",
        text("\"libraryfolders\"\n{\n\t\"contentstatsid\"\t\t\"-7\"\n\t\"1\"\n\t{\n\t\t\"path\"\t\t\"/mnt/games\"\n"
             "\t\t\"label\"\t\t\"\"\n\t\t\"mounted\"\t\t\"1\"\n\t}\n}\n"));
    put(root / "vdf", "today.vdf",
        text("\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"/home/me/.local/share/Steam\"\n"
             "\t\t\"apps\"\n\t\t{\n\t\t\t\"228980\"\t\t\"1024\" [$WIN32]\n\t\t}\n\t}\n}\n// end\n"));
    put(root / "wine_registry", "system.reg",
        text("WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n"
             "[Software\\\\Wow6432Node\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\App Paths\\\\Korvane.Exe] 1700000000\n"
             "#time=1d9a5c2b3e4f000\n\"Blob\"=hex:00,01,02,\\\n  03,04\n"
             "\"Path\"=str(2):\"D:\\\\Games\\\\K\\x00f6rvane \\\"Gold\\\"\"\n@=\"x\"\n\"n\"=dword:00000001\n\n"
             "[Software\\\\Wow6432Node\\\\GOG.com\\\\Games\\\\1207658930] 1700000001\n"
             "\"path\"=\"C:\\\\GOG Games\\\\Korvane\"\n"));
    return 0;
}
