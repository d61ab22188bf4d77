// kvtool table: the texture records of an archive's game table.
#include <cstdio>
#include <memory>

#include <CLI/CLI.hpp>

#include "data/game_table.h"
#include "data/hog_file.h"
#include "data/kv_path.h"
#include "tool_support.h"

void addTableCommand(CLI::App& app) {
    struct Options {
        std::string archive;
        bool json = false;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand("table", "List the texture records of the archive's table.gam");
    addArchiveArgument(*command, options->archive);
    command->add_flag("--json", options->json,
                      "Print a JSON array of {name, fileName, alphaFactor, frameTime, slideU, slideV, flags}");
    command->callback([options] {
        const OpenedGame& game = openGame(options->archive);
        // A missing table reads as an empty one for the saver; asked for by name, it is an error.
        if (game.archive().find(gameTableName) == nullptr) throw ToolError(game.path(), std::string("no ") + gameTableName);

        if (options->json) {
            nlohmann::json list = nlohmann::json::array();
            for (const TextureEntry* entry : textureTable.as<TextureEntry>()) {
                list.push_back({{"name", entry->name},
                                {"fileName", entry->fileName},
                                {"alphaFactor", jsonFloat(entry->alphaFactor())},
                                {"frameTime", jsonFloat(entry->frameTime())},
                                {"slideU", jsonFloat(entry->slideU())},
                                {"slideV", jsonFloat(entry->slideV())},
                                {"flags", entry->flags()}});
            }
            printJson(list);
            return;
        }
        std::printf("%-24s %-24s %8s %8s %8s %8s %10s\n", "name", "file", "alpha", "frame s", "slide u", "slide v",
                    "flags");
        for (const TextureEntry* entry : textureTable.as<TextureEntry>()) {
            std::printf("%-24s %-24s %8g %8g %8g %8g 0x%08x\n", entry->name, entry->fileName, entry->alphaFactor(),
                        entry->frameTime(), entry->slideU(), entry->slideV(), entry->flags());
        }
    });
}
