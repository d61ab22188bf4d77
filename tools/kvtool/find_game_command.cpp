// kvtool find-game: where the saver finds the game, and why it looked past
// every other place.
#include <cstdio>
#include <memory>
#include <string>

#include <CLI/CLI.hpp>

#include "game_finder/game_finder.h"
#include "seam/user_stores.h"
#include "tool_support.h"

namespace {
void printLooked(FILE* out, const GameSearchResult& result) {
    for (const PlaceLooked& look : result.looked) {
        std::fprintf(out, "  %s: %s: %s", look.origin.c_str(), look.place.c_str(), describe(look.outcome));
        if (!look.detail.empty()) std::fprintf(out, " (%s)", look.detail.c_str());
        std::fputc('\n', out);
    }
}
}  // namespace

void addFindGameCommand(CLI::App& app) {
    struct Options {
        std::string game;
        bool all = false;
        bool verbose = false;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand(
        "find-game", "Print the game's folder as the saver finds it: the one chosen (--game, or game_dir in the "
                     "settings), App Paths, Steam's libraries, GOG, then Wine and Proton prefixes");
    command->add_option("--game", options->game, "A folder to try first, as kvss --game does")->type_name("DIR");
    command->add_flag("--all", options->all, "Every folder that holds the archive, one a line: FOLDER<tab>WHERE FROM");
    command->add_flag("--verbose", options->verbose, "Then every place looked, and why each was passed over");
    command->callback([options] {
        UserStores stores = openUserStores();
        Settings settings;
        loadSettings(*stores.options, settings);
        GameSearch search;
        search.chosen = options->game.empty() ? settings.game_dir : options->game;
        search.registry = stores.registry.get();
        search.all = options->all;
        const GameSearchResult result = findGame(search);
        if (result.found.empty()) {
            std::fprintf(stderr, "kvtool: the game was not found (no %s in any of these places):\n", archiveFileName);
            printLooked(stderr, result);
            throw ExitStatus{1};
        }
        for (const FoundGame& found : result.found) {
            if (options->all) std::printf("%s\t%s\n", found.folder.c_str(), found.origin.c_str());
            else std::printf("%s\n", found.folder.c_str());
        }
        if (options->verbose) printLooked(stdout, result);
    });
}
