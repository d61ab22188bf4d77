// kvtool: looks inside Korvane game archives.
#include <cstdio>
#include <iostream>

#include <CLI/CLI.hpp>

#include "tool_support.h"

int main(int argc, char** argv) {
    CLI::App app{"kvtool: look inside Korvane game archives (HOG2), their table and models"};
    app.name("kvtool");
    app.require_subcommand(1);
    app.fallthrough(false);
    addListCommand(app);
    addExtractCommand(app);
    addTableCommand(app);
    addTextureCommand(app);
    addPackCommand(app);
    addDemoCommand(app);
    addDumpCommand(app);
    addRenderCommand(app);
    addContactSheetCommand(app);
    addThumbnailCommand(app);
    addExportCommand(app);
    addFindGameCommand(app);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return app.exit(error) == 0 ? 0 : 1;
    } catch (const ExitStatus& exit) {
        std::cout.flush();
        return exit.status;
    } catch (const ToolError& error) {
        std::cerr << "kvtool: " << error.subject << ": " << error.what() << "\n";
        return 1;
    } catch (Message message) {
        std::cerr << "kvtool: " << message << '\n';
        return 1;
    } catch (const std::exception& error) {
        std::cerr << "kvtool: " << error.what() << '\n';
        return 1;
    }
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "kvtool: standard output: write failed\n";
        return 1;
    }
    return 0;
}
