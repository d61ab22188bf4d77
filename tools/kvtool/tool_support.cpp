#include "tool_support.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include <CLI/CLI.hpp>

#include "data/game_table.h"
#include "data/hog_file.h"
#include "game_finder/game_finder.h"
#include "data/kv_path.h"
#include "image/output_file.h"
#include "show/game_archive.h"

namespace fs = std::filesystem;

void addArchiveArgument(CLI::App& command, std::string& archive) {
    command.add_option("ARCHIVE", archive, std::string("HOG2 archive, or a directory holding ") + archiveFileName)->required();
}

std::unique_ptr<HogFile> openArchive(const std::string& path) {
    const std::string archive = archivePathFor(path);
    std::unique_ptr<HogFile> hog;
    about(archive, [&] { hog.reset(new HogFile(archive.c_str())); });
    return hog;
}

const OpenedGame& openGame(const std::string& path) {
    static OpenedGame game;
    const std::string archive = archivePathFor(path);
    about(archive, [&] { game.use(archive); });
    about(gameTableName, [] { game.readTable(); });
    return game;
}

const OpenedGame& withModels(const OpenedGame& game) {
    if (game.modelCount() == 0) throw ToolError(game.path(), noModelsMessage);
    return game;
}

nlohmann::json jsonFloat(float value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value);
    *result.ptr = 0;
    return std::strtod(text, nullptr);
}

// Names come from game files and need not be UTF-8: such bytes print as U+FFFD
// rather than failing the whole output.
void printJson(const nlohmann::json& value) {
    std::cout << value.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

void writeFileSafely(const std::string& path, const void* data, size_t size) {
    try {
        writeFileWhole(path, data, size);
    } catch (const std::runtime_error& error) {
        throw ToolError(path, error.what());
    }
}

bool standardErrorIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}

void useBinaryStandardOutput() {
#ifdef _WIN32
    std::fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
}

void requireOutputFolder(const std::string& path) {
    const fs::path folder = fs::path(path).parent_path();
    std::error_code error;
    if (!folder.empty() && !fs::is_directory(folder, error))
        throw ToolError(path, "no such folder: " + folder.string());
}
