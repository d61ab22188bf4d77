// The game finder over homes laid out as Steam, GOG, Heroic, Lutris, Bottles
// and Wine lay them out, built in a temporary folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "forge/hog_writer.h"
#include "game_finder/game_finder.h"
#include "game_finder/launcher_files.h"
#include "game_finder/registry_places.h"
#include "game_finder/vdf.h"
#include "game_finder/wine_registry.h"
#include "test_files.h"

namespace fs = std::filesystem;

namespace {
// A home folder, and the environment that points at it.
class Layout {
public:
    Layout() { variables["HOME"] = dir.root(); }

    std::string path(const std::string& name) const { return dir.path(name); }
    std::string folder(const std::string& name) const {
        fs::create_directories(path(name));
        return path(name);
    }
    std::string text(const std::string& name, const std::string& content) const {
        fs::create_directories(fs::path(path(name)).parent_path());
        std::ofstream(path(name), std::ios::binary) << content;
        return path(name);
    }
    // A folder holding a HOG2 archive named `file`.
    std::string game(const std::string& name, const std::string& file = "kv.hog") const {
        HogWriter().add("one.oof", Bytes{1, 2, 3}).write(folder(name) + "/" + file);
        return path(name);
    }
    void link(const std::string& target, const std::string& name) const {
        fs::create_directories(fs::path(path(name)).parent_path());
        fs::create_directory_symlink(target, path(name));
    }
    // A Wine prefix whose system.reg holds `registry` after its header.
    std::string prefix(const std::string& name, const std::string& registry) const {
        folder(name + "/drive_c");
        text(name + "/system.reg", "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n" + registry);
        return path(name);
    }

    GameSearchResult find(const std::string& chosen = {}, RegistryReader* registry = nullptr,
                          FinderPlatform platform = FinderPlatform::linux) const {
        GameSearch search;
        search.platform = platform;
        search.chosen = chosen;
        search.registry = registry;
        search.all = true;
        search.environment = [this](const std::string& name) -> std::optional<std::string> {
            const auto found = variables.find(name);
            if (found == variables.end()) return std::nullopt;
            return found->second;
        };
        return findGame(search);
    }

    TempDir dir;
    std::map<std::string, std::string> variables;
};

std::vector<std::string> foundFolders(const GameSearchResult& result) {
    std::vector<std::string> folders;
    for (const FoundGame& found : result.found) folders.push_back(found.folder);
    return folders;
}

// The outcome noted for `place`, or "not looked at".
std::string outcomeAt(const GameSearchResult& result, const std::string& place) {
    std::string outcome = "not looked at";
    for (const PlaceLooked& look : result.looked)
        if (look.place == place) outcome = describe(look.outcome);
    return outcome;
}

std::string vdfLibrary(int number, const std::string& path) {
    return "\t\"" + std::to_string(number) + "\"\n\t{\n\t\t\"path\"\t\t\"" + path + "\"\n\t\t\"label\"\t\t\"\"\n\t}\n";
}

// A registry of Windows' own, in memory: key and value names in any case.
class FakeRegistry : public RegistryReader {
public:
    std::map<std::string, std::string> values;  // "hive|view|key|name" folded -> data
    void set(RegistryHive hive, RegistryView view, const std::string& key, const std::string& name, const std::string& data) {
        values[id(hive, view, key + "|" + name)] = data;
    }
    std::optional<std::string> text(RegistryHive hive, const std::string& key, const std::string& name,
                                    RegistryView view) override {
        const auto found = values.find(id(hive, view, key + "|" + name));
        if (found == values.end()) return std::nullopt;
        return found->second;
    }
    std::vector<std::string> subkeys(RegistryHive hive, const std::string& key, RegistryView view) override {
        std::vector<std::string> names;
        const std::string parent = id(hive, view, key + "\\");
        for (const auto& [stored, data] : values)
            if (stored.rfind(parent, 0) == 0) names.push_back(stored.substr(parent.size(), stored.find('|', parent.size()) - parent.size()));
        return names;
    }

private:
    static std::string id(RegistryHive hive, RegistryView view, const std::string& rest) {
        std::string folded = std::to_string(static_cast<int>(hive)) + std::to_string(static_cast<int>(view)) + "|" + rest;
        for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return folded;
    }
};
}  // namespace

TEST(SteamLibraryFolders, EachLayoutSteamHasWrittenGivesItsLibraries) {
    // Before 2021: plain entries beside two numbers that are no libraries, Windows paths escaped.
    EXPECT_EQ(steamLibraryFolders("\"LibraryFolders\"\n{\n\t\"TimeNextStatsReport\"\t\t\"1690000000\"\n"
                                  "\t\"ContentStatsID\"\t\t\"-4\"\n\t\"1\"\t\t\"D:\\\\SteamLibrary\"\n}\n"),
              (std::vector<std::string>{"D:\\SteamLibrary"}));
    // 2021: numbered blocks beside a plain contentstatsid.
    EXPECT_EQ(steamLibraryFolders("\"libraryfolders\"\n{\n\t\"contentstatsid\"\t\t\"-7\"\n" + vdfLibrary(1, "/mnt/games") +
                                  "}\n"),
              (std::vector<std::string>{"/mnt/games"}));
    // Today's, the root's name in any case, a block of apps inside and a comment.
    EXPECT_EQ(steamLibraryFolders("// written by Steam\n\"LIBRARYFOLDERS\" {\n\t\"0\" { \"path\" \"/home/me/.steam\" "
                                  "\"apps\" { \"228980\" \"1024\" } }\n" +
                                  vdfLibrary(1, "E:\\\\Games\\\\Steam") + "}\n"),
              (std::vector<std::string>{"/home/me/.steam", "E:\\Games\\Steam"}));
    for (const char* malformed : {"\"libraryfolders\" { \"0\" \"/a", "\"libraryfolders\" { \"0\" { \"path\" \"/a\" }",
                                  "\"libraryfolders\" }", "\"other\" { \"0\" \"/a\" }", "\"libraryfolders\""})
        EXPECT_EQ(steamLibraryFolders(malformed), std::nullopt) << malformed;
    // Nesting past any Steam file is refused, not followed down the stack.
    EXPECT_EQ(parseVdf(std::string(100000, '{')), std::nullopt);
}

TEST(WineRegistryFile, ReadsWantedKeysWithEscapesAndSkipsDataItDoesNotNeed) {
    WineRegistry registry(RegistryHive::localMachine, machineKeysRead());
    const std::string lines[] = {
        "WINE REGISTRY Version 2",
        ";; All keys relative to \\\\Machine",
        "#arch=win64",
        "[Software\\\\Classes\\\\Other] 1700000000",
        "\"Path\"=\"C:\\\\Elsewhere\"",
        "[SOFTWARE\\\\Wow6432Node\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\App Paths\\\\KORVANE.EXE] 1700000001",
        "#time=1d9a5c2b3e4f000",
        "\"Blob\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\",
        "  22,50,61,74,68,22,3d,22,43,3a,5c,5c,57,72,6f,6e,67,22",
        "\"PATH\"=str(2):\"D:\\\\Games\\\\K\\x00f6rvane \\\"Gold\\\"\\\\\"",
        "@=\"C:\\\\ignored.exe\"",
        "\"Count\"=dword:00000001",
        "[Software\\\\Wow6432Node\\\\GOG.com\\\\Games\\\\1207658930] 1700000002",
        "\"path\"=\"C:\\\\GOG Games\\\\Korvane\"",
        "[Software\\\\Wow6432Node\\\\GOG.com\\\\Games\\\\1207658931\\\\Support] 1700000003",
    };
    for (const std::string& line : lines) ASSERT_TRUE(registry.addLine(line + "\r")) << line;

    EXPECT_EQ(registry.text(RegistryHive::localMachine, appPathsKey, "Path", RegistryView::wow32),
              "D:\\Games\\K\xC3\xB6rvane \"Gold\"\\");
    EXPECT_EQ(registry.text(RegistryHive::localMachine, appPathsKey, "Path", RegistryView::native), std::nullopt);
    EXPECT_EQ(registry.text(RegistryHive::localMachine, appPathsKey, "Count", RegistryView::wow32), std::nullopt);
    EXPECT_EQ(registry.text(RegistryHive::currentUser, appPathsKey, "Path", RegistryView::wow32), std::nullopt);
    EXPECT_EQ(registry.text(RegistryHive::localMachine, "Software\\Classes\\Other", "Path", RegistryView::native),
              std::nullopt);
    EXPECT_EQ(registry.subkeys(RegistryHive::localMachine, "Software\\GOG.com\\Games", RegistryView::wow32),
              (std::vector<std::string>{"1207658930", "1207658931"}));
    EXPECT_EQ(gogFolders(registry), (std::vector<std::string>{"C:\\GOG Games\\Korvane"}));

    WineRegistry notWine(RegistryHive::localMachine, machineKeysRead());
    EXPECT_FALSE(notWine.addLine("REGEDIT4"));

    // Read whole, the keys passed over are skipped to the next line that begins
    // with "[": one inside a value begins no key.
    WineRegistry whole(RegistryHive::localMachine, machineKeysRead());
    ASSERT_TRUE(whole.read("WINE REGISTRY Version 2\n[Software\\\\Classes\\\\X] 1\n"
                           "\"A\"=\"[Software\\\\GOG.com\\\\Games\\\\1] 1\"\n\"path\"=\"C:\\\\Wrong\"\n"
                           "[Software\\\\GOG.com\\\\Games\\\\2] 1\n\"path\"=\"C:\\\\Right\"\n"));
    EXPECT_EQ(gogFolders(whole), (std::vector<std::string>{"C:\\Right"}));
}

TEST(GameFinder, SteamLibrariesAreLookedAtInOrderOnceEachPastWhatIsBrokenOrUnplugged) {
    Layout home;
    const std::string steam = home.folder(".local/share/Steam");
    home.folder(".local/share/Steam/steamapps/common/Other");
    home.text(".local/share/Steam/steamapps/common/Broken/kv.hog", "HOG1 and then some");
    const std::string library = home.folder("drive2/Library");
    const std::string game = home.game("drive2/Library/SteamApps/common/Korvane", "KV.HOG");
    // The unplugged drive first; the library listed again by the other file.
    home.text(".local/share/Steam/steamapps/libraryfolders.vdf",
              "\"libraryfolders\"\n{\n" + vdfLibrary(0, steam) + vdfLibrary(1, "/media/unplugged/Library") +
                  vdfLibrary(2, library) + "}\n");
    home.text(".local/share/Steam/config/libraryfolders.vdf", "\"LibraryFolders\"\n{\n\t\"1\"\t\t\"" + library + "\"\n}\n");
    home.link(steam, ".steam/steam");
    // The Flatpak's Steam, whose list is broken: its own folder is still a library.
    const std::string flatpak = ".var/app/com.valvesoftware.Steam/.local/share/Steam";
    home.text(flatpak + "/steamapps/libraryfolders.vdf", "\"libraryfolders\" { \"0\" { \"path\" \"/x");
    const std::string second = home.game(flatpak + "/steamapps/common/Korvane Gold");

    const GameSearchResult result = home.find();
    EXPECT_EQ(foundFolders(result), (std::vector<std::string>{game, second}));
    EXPECT_EQ(result.found[0].source, GameSource::steam);
    EXPECT_EQ(result.found[0].archive, game + "/KV.HOG");
    EXPECT_EQ(result.found[0].origin, "Steam library ~/drive2/Library");
    EXPECT_EQ(outcomeAt(result, "/media/unplugged/Library"), "no such folder");
    EXPECT_EQ(outcomeAt(result, steam + "/steamapps/common/Other"), "no archive");
    EXPECT_EQ(outcomeAt(result, steam + "/steamapps/common/Broken"), "not an archive");
    EXPECT_EQ(outcomeAt(result, home.path(flatpak + "/steamapps/libraryfolders.vdf")), "malformed file");
    EXPECT_EQ(outcomeAt(result, home.path(".steam/steam")), "skipped as a duplicate");
    EXPECT_EQ(outcomeAt(result, library), "skipped as a duplicate") << "a library listed twice is looked in once";
}

TEST(GameFinder, WineAndProtonPrefixesNameTheGameInTheirRegistryOnTheirDrives) {
    Layout home;
    // ~/.wine: App Paths in the 32-bit view as an expandable string, on d:, a link out of the prefix.
    home.prefix(".wine", "[Software\\\\Wow6432Node\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\App Paths\\\\Korvane.Exe] 1\n"
                         "\"Path\"=str(2):\"D:\\\\GAMES\\\\Korvane\"\n");
    home.game("disk/games/korvane");
    home.link(home.path("disk"), ".wine/dosdevices/d:");
    // A Proton prefix of a Steam library: a GOG install on c:, which has no dosdevices link.
    home.folder(".local/share/Steam");
    const std::string proton = ".local/share/Steam/steamapps/compatdata/1207658930/pfx";
    home.prefix(proton, "[Software\\\\Wow6432Node\\\\GOG.com\\\\Games\\\\1207658930] 1\n"
                        "\"path\"=\"C:\\\\GOG Games\\\\Korvane\"\n");
    const std::string onC = home.game(proton + "/drive_c/GOG Games/Korvane");
    // $WINEPREFIX, looked at first, is no prefix at all.
    home.variables["WINEPREFIX"] = home.folder("not-a-prefix");

    const GameSearchResult result = home.find();
    EXPECT_EQ(foundFolders(result), (std::vector<std::string>{fs::canonical(home.path("disk")).string() + "/games/korvane", onC}));
    EXPECT_EQ(result.found[0].source, GameSource::wine);
    EXPECT_EQ(result.found[0].origin, "Wine prefix ~/.wine, App Paths D:\\GAMES\\Korvane");
    EXPECT_EQ(outcomeAt(result, home.path("not-a-prefix")), "not a Wine prefix");
}

TEST(GameFinder, HeroicAndLutrisInstallsNativeAndFlatpakComeAfterSteam) {
    Layout home;
    const std::string steamGame = home.game(".local/share/Steam/steamapps/common/Korvane");
    const std::string gog = home.game("Games/Heroic/Korvane");
    home.text(".config/heroic/gog_store/installed.json",
              R"({"installed":[{"platform":"windows","install_path":")" + gog + R"(","appName":"1207658930"}]})");
    const std::string gogFlatpak = home.game("Games/Heroic/Korvane Flatpak");
    home.text(".var/app/com.heroicgameslauncher.hgl/config/heroic/gog_store/installed.json",
              R"({"installed":[{"install_path":")" + gogFlatpak + R"("}]})");
    const std::string lutris = home.game("Games/korvane/drive_c/Korvane");
    home.text(".config/lutris/games/korvane-1700000000.yml",
              "game:\n  exe: '" + lutris + "/Korvane.exe'\n  prefix: " + home.path("Games/korvane") +
                  "\nsystem:\n  exe: /usr/bin/elsewhere\n");
    const std::string lutrisFlatpak = home.game("Games/k2/drive_c/Korvane");
    home.text(".var/app/net.lutris.Lutris/data/lutris/games/k2.yml",
              "game:\n  exe: \"drive_c/Korvane/Korvane.exe\"  \n  prefix: \"" + home.path("Games/k2") + "\"\n");
    home.text(".config/heroic/GamesConfig/deep.json", std::string(5000, '[') + std::string(5000, ']'));

    const GameSearchResult result = home.find();
    EXPECT_EQ(foundFolders(result), (std::vector<std::string>{steamGame, gog, gogFlatpak, lutris, lutrisFlatpak}));
    EXPECT_EQ(result.found[1].source, GameSource::gog);
    EXPECT_EQ(result.found[3].origin, "Lutris game ~/.config/lutris/games/korvane-1700000000.yml");
    EXPECT_EQ(outcomeAt(result, home.path(".config/heroic/GamesConfig/deep.json")), "malformed file");
}

TEST(GameFinder, OnWindowsTheChoiceThenAppPathsThenSteamThenGog) {
    Layout home;
    FakeRegistry registry;
    const std::string appPaths = home.folder("Program Files/Korvane");  // the installer's entry, its archive gone
    registry.set(RegistryHive::localMachine, RegistryView::wow32, appPathsKey, "Path", appPaths + std::string(1, '\0'));
    const std::string steam = home.folder("Steam");
    registry.set(RegistryHive::currentUser, RegistryView::native, "Software\\Valve\\Steam", "SteamPath", steam);
    const std::string steamGame = home.game("Steam/steamapps/common/Korvane");
    const std::string gog = home.game("GOG Games/Korvane");
    registry.set(RegistryHive::localMachine, RegistryView::wow32, "Software\\GOG.com\\Games\\1207658930", "path", gog);
    home.variables["ProgramFiles(x86)"] = home.folder("Program Files (x86)");

    GameSearchResult result = home.find({}, &registry, FinderPlatform::windows);
    EXPECT_EQ(foundFolders(result), (std::vector<std::string>{steamGame, gog}));
    EXPECT_EQ(outcomeAt(result, appPaths), "no archive");
    EXPECT_EQ(outcomeAt(result, home.path("Program Files (x86)/Steam")), "no such folder");

    const std::string chosen = home.game("Chosen");
    HogWriter().add("one.oof", Bytes{1}).write(appPaths + "/kv.hog");
    result = home.find(chosen, &registry, FinderPlatform::windows);
    EXPECT_EQ(foundFolders(result), (std::vector<std::string>{chosen, appPaths, steamGame, gog}));
    EXPECT_EQ(result.found[1].source, GameSource::appPaths);
    // The first only, when not all are asked for: the saver's start stops there.
    GameSearch first;
    first.platform = FinderPlatform::windows;
    first.chosen = chosen;
    first.registry = &registry;
    EXPECT_EQ(foundFolders(findGame(first)), (std::vector<std::string>{chosen}));
}

TEST(GameFinder, HostileStoresAreBoundedAndNamesAreKeptAsBytes) {
    Layout home;
    home.text(".local/share/Steam/steamapps/libraryfolders.vdf", std::string((4 << 20) + 1, ' '));
    const std::string common = home.folder(".local/share/Steam/steamapps/common");
    home.link(common, ".local/share/Steam/steamapps/common/loop");
    home.link(home.path("nowhere/a"), "nowhere/b");
    home.link(home.path("nowhere/b"), "nowhere/a");
    home.variables["WINEPREFIX"] = home.path("nowhere/a");
    home.prefix(".wine", "");
    home.text(".wine/system.reg", "not a registry\n");
    const std::string game = home.game(".local/share/Steam/steamapps/common/K\xF6rvane");

    const GameSearchResult result = home.find();
    EXPECT_EQ(foundFolders(result), (std::vector<std::string>{game}));
    EXPECT_EQ(outcomeAt(result, home.path(".local/share/Steam/steamapps/libraryfolders.vdf")), "file too large");
    EXPECT_EQ(outcomeAt(result, home.path(".wine/system.reg")), "malformed file");
    EXPECT_EQ(outcomeAt(result, home.path("nowhere/a")), "no such folder");
}

TEST(FindGameCommand, PrintsTheFolderFirstEveryFolderWithAllAndEveryPlaceWhenNoneHoldsTheGame) {
    Layout home;
    const std::string steam = home.game(".local/share/Steam/steamapps/common/Korvane");
    const std::string env = "env -i HOME=" + shellQuote(home.dir.root()) + " " + shellQuote(KVTOOL_PATH) + " find-game ";

    CommandResult found = runCommand(env + "--verbose");
    EXPECT_EQ(found.status, 0) << found.err;
    EXPECT_EQ(found.out.substr(0, found.out.find('\n')), steam);
    EXPECT_NE(found.out.find("Steam: " + home.path(".steam/root") + ": no such folder\n"), std::string::npos) << found.out;

    const std::string chosen = home.game("chosen");
    found = runCommand(env + "--all --game " + shellQuote(chosen));
    EXPECT_EQ(found.out, chosen + "\tchosen\n" + steam + "\tSteam library ~/.local/share/Steam\n");

    fs::remove_all(home.path(".local"));
    const CommandResult missing = runCommand(env);
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_NE(missing.err.find("Steam: " + home.path(".local/share/Steam") + ": no such folder"), std::string::npos)
        << missing.err;
}
