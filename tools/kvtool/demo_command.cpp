// kvtool demo: writes the built-in demo archive, or the game-scale one.
#include <filesystem>
#include <iostream>
#include <memory>

#include <CLI/CLI.hpp>

#include "forge/demo_archive.h"
#include "forge/game_scale_archive.h"
#include "game_finder/game_finder.h"
#include "tool_support.h"

namespace fs = std::filesystem;

void addDemoCommand(CLI::App& app) {
    auto outputDirectory = std::make_shared<std::string>();
    auto gameScale = std::make_shared<bool>(false);
    CLI::App* command = app.add_subcommand("demo", std::string("Write the built-in demo archive as OUTDIR/") + archiveFileName);
    command->add_option("OUTDIR", *outputDirectory, std::string("Directory to write ") + archiveFileName + " into (created if needed)")->required();
    command->add_flag("--game-scale", *gameScale,
                      "Write instead the archive with one model of the game's own size, " + gameScaleModelName);
    command->callback([outputDirectory, gameScale] {
        std::error_code error;
        fs::create_directories(*outputDirectory, error);
        if (error) throw ToolError(*outputDirectory, "cannot create directory: " + error.message());
        const Bytes archive = (*gameScale ? gameScaleArchive() : demoArchive()).build();
        const std::string path = (fs::path(*outputDirectory) / archiveFileName).string();
        writeFileSafely(path, archive.data(), archive.size());
    });
}
