// kvtool demo: writes the built-in demo archive.
#include <filesystem>
#include <iostream>
#include <memory>

#include <CLI/CLI.hpp>

#include "forge/demo_archive.h"
#include "tool_support.h"

namespace fs = std::filesystem;

void addDemoCommand(CLI::App& app) {
    auto outputDirectory = std::make_shared<std::string>();
    CLI::App* command = app.add_subcommand("demo", "Write the built-in demo archive as OUTDIR/kv.hog");
    command->add_option("OUTDIR", *outputDirectory, "Directory to write kv.hog into (created if needed)")->required();
    command->callback([outputDirectory] {
        std::error_code error;
        fs::create_directories(*outputDirectory, error);
        if (error) throw ToolError(*outputDirectory, "cannot create directory: " + error.message());
        const Bytes archive = demoArchive().build();
        const std::string path = (fs::path(*outputDirectory) / "kv.hog").string();
        writeFileSafely(path, archive.data(), archive.size());
    });
}
