// Finding the game when it is in the last place looked: a home with three
// Steam roots, six libraries of 300 games each, and five Wine prefixes whose
// registries are as large as a used prefix's, the game in the last of them;
// beside it, the saver's own start.
#include <GL/gl.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "bench_common.h"
#include "game_finder/game_finder.h"

namespace bench {
namespace {
namespace fs = std::filesystem;

constexpr int librariesPerRoot = 2;
constexpr int gamesPerLibrary = 300;
constexpr int filesPerGame = 8;
constexpr int prefixes = 5;
constexpr int registryKeys = 20000;  // about 2 MB of system.reg, as in a prefix in use

void writeText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// A system.reg of many keys the finder has no use for, then, in the last
// prefix, the game's App Paths entry.
std::string systemRegistry(bool withGame) {
    std::string text = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n";
    for (int i = 0; i < registryKeys; ++i)
        text += "[Software\\\\Classes\\\\CLSID\\\\{" + std::to_string(100000 + i) + "}] 1700000000\n#time=1d9a\n"
                "@=\"Some component\"\n\"Data\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,\\\n  10,11\n\n";
    if (withGame)
        text += "[Software\\\\Wow6432Node\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\App Paths\\\\Korvane.Exe] 1\n"
                "\"Path\"=\"C:\\\\Games\\\\Korvane\"\n";
    return text;
}

const fs::path& layoutHome() {
    static const fs::path home = [] {
        const fs::path root = scratchDir() / "finder-home";
        const char* steamRoots[] = {".local/share/Steam", ".var/app/com.valvesoftware.Steam/.local/share/Steam",
                                    "snap/steam/common/.local/share/Steam"};
        int library = 0;
        for (const char* steamRoot : steamRoots) {
            std::string vdf = "\"libraryfolders\"\n{\n";
            for (int l = 0; l < librariesPerRoot; ++l, ++library) {
                const fs::path folder = root / ("library" + std::to_string(library));
                vdf += "\t\"" + std::to_string(l + 1) + "\"\n\t{\n\t\t\"path\"\t\t\"" + folder.string() + "\"\n\t}\n";
                for (int g = 0; g < gamesPerLibrary; ++g)
                    for (int f = 0; f < filesPerGame; ++f)
                        writeText(folder / "steamapps/common" / ("Game " + std::to_string(g)) / ("file" + std::to_string(f)), "x");
            }
            writeText(root / steamRoot / "steamapps/libraryfolders.vdf", vdf + "}\n");
        }
        for (int p = 0; p < prefixes; ++p) {
            const fs::path prefix = root / ".local/share/bottles/bottles" / ("bottle" + std::to_string(p));
            fs::create_directories(prefix / "drive_c");
            writeText(prefix / "system.reg", systemRegistry(p == prefixes - 1));
        }
        const fs::path game = root / ".local/share/bottles/bottles/bottle4/drive_c/Games/Korvane";
        fs::create_directories(game);
        fs::copy_file(demoPath(), game / "kv.hog");
        return root;
    }();
    return home;
}

void BM_FindGame(benchmark::State& state) {
    const std::string home = layoutHome().string();
    GameSearch search;
    search.platform = FinderPlatform::linux;
    search.environment = [home](const std::string& name) -> std::optional<std::string> {
        if (name == "HOME") return home;
        return std::nullopt;
    };
    size_t looked = 0;
    for (auto _ : state) {
        const GameSearchResult result = findGame(search);
        if (result.found.empty()) state.SkipWithError("the game was not found");
        looked = result.looked.size();
    }
    state.counters["places"] = static_cast<double>(looked);
}

// What the finder's time is set beside: the saver's own start, from the
// create message (GL context, archive, models, table) to its first frame.
void BM_SaverStartUp(benchmark::State& state) {
    for (auto _ : state) {
        OffscreenSaver::Options options;
        options.archivePath = demoPath();
        options.width = frameWidth;
        options.height = frameHeight;
        OffscreenSaver saver(options);
        saver.start();
        saver.tickOnce();
        glFinish();
    }
}

}  // namespace

void registerFinderBenchmark() {
    benchmark::RegisterBenchmark("BM_FindGame/last of 1800 folders and 5 prefixes", BM_FindGame)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_SaverStartUp/demo, to its first frame", BM_SaverStartUp)->Unit(benchmark::kMillisecond);
}

}  // namespace bench
