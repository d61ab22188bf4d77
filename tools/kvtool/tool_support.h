#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#include <nlohmann/json.hpp>

#include "core/message.h"
#include "show/game_archive.h"
#include "show/opened_game.h"

namespace CLI {
class App;
}
class HogFile;

// A failure the tool reports as "kvtool: <what>: <message>" with exit status 1.
struct ToolError : std::runtime_error {
    ToolError(std::string subject_, std::string message) : std::runtime_error(std::move(message)), subject(std::move(subject_)) {}
    std::string subject;
};

// Ends kvtool with `status` once a command has said all it had to (on standard
// error, model by model).
struct ExitStatus {
    int status;
};

// Runs `body`, turning a message text thrown by the system into a ToolError about `what`.
template <class Body>
void about(const std::string& what, Body&& body) {
    try {
        body();
    } catch (Message message) {
        throw ToolError(what, message);
    }
}

// The ARCHIVE argument every command that reads an archive takes first.
void addArchiveArgument(CLI::App& command, std::string& archive);

// The archive at `path`, or the kv.hog inside `path` when it is a directory,
// for commands that look at its entries, not at the game.
std::unique_ptr<HogFile> openArchive(const std::string& path);
// Opens the archive at `path` (or in it) as the saver opens the game: the one
// archive of the search path, its models listed and its game table read.
const OpenedGame& openGame(const std::string& path);
// The game's models, or a ToolError naming the archive when it holds none.
const OpenedGame& withModels(const OpenedGame& game);

// A float as JSON with its shortest decimal form (0.1f prints as 0.1).
nlohmann::json jsonFloat(float value);
// Prints JSON to standard output, indented, with a final newline.
void printJson(const nlohmann::json& value);
// Writes a file through a temporary name, so a failure never leaves half a file.
void writeFileSafely(const std::string& path, const void* data, size_t size);
// True when standard error is a terminal, where a progress line may go.
bool standardErrorIsTerminal();
// Standard output takes bytes as they are: Windows would turn each 10 into 13 10.
void useBinaryStandardOutput();
// Throws "no such folder" about `path` when the folder it would go in is missing.
void requireOutputFolder(const std::string& path);

// The commands; each adds its subcommand to the tool.
void addListCommand(CLI::App& app);
void addExtractCommand(CLI::App& app);
void addPackCommand(CLI::App& app);
void addTableCommand(CLI::App& app);
void addDemoCommand(CLI::App& app);
void addTextureCommand(CLI::App& app);
void addDumpCommand(CLI::App& app);
void addRenderCommand(CLI::App& app);
void addContactSheetCommand(CLI::App& app);
void addThumbnailCommand(CLI::App& app);
void addExportCommand(CLI::App& app);
void addFindGameCommand(CLI::App& app);
