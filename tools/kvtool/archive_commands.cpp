// kvtool ls, extract and pack: the archive itself.
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <set>
#include <vector>

#include <CLI/CLI.hpp>

#include "data/hog_file.h"
#include "forge/hog_writer.h"
#include "tool_support.h"

namespace fs = std::filesystem;

void addListCommand(CLI::App& app) {
    struct Options {
        std::string archive;
        bool json = false;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand("ls", "List every entry of an archive: data position, length and name");
    addArchiveArgument(*command, options->archive);
    command->add_flag("--json", options->json, "Print a JSON array of {name, offset, length}");
    command->callback([options] {
        const std::unique_ptr<HogFile> hog = openArchive(options->archive);
        if (options->json) {
            nlohmann::json list = nlohmann::json::array();
            for (int32_t i = 0; i < hog->entryCount; ++i) {
                const HogEntry& entry = hog->entries[i];
                list.push_back({{"name", entry.name}, {"offset", entry.offset}, {"length", entry.length}});
            }
            printJson(list);
            return;
        }
        std::printf("%10s %10s  %s\n", "offset", "length", "name");
        for (int32_t i = 0; i < hog->entryCount; ++i) {
            const HogEntry& entry = hog->entries[i];
            std::printf("%10d %10d  %s\n", entry.offset, entry.length, entry.name);
        }
    });
}

void addExtractCommand(CLI::App& app) {
    struct Options {
        std::string archive;
        std::string name;
        std::string output;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand("extract", "Copy one entry's bytes out of an archive");
    addArchiveArgument(*command, options->archive);
    command->add_option("NAME", options->name, "Entry name (letter case does not matter)")->required();
    command->add_option("-o,--output", options->output, "File to write (default: standard output)");
    command->callback([options] {
        const std::unique_ptr<HogFile> hog = openArchive(options->archive);
        std::vector<char> data;
        about(options->name, [&] {
            std::unique_ptr<InFile> entry(hog->open(options->name.c_str()));
            data.resize(static_cast<size_t>(entry->size()));
            entry->read(data.data(), static_cast<int32_t>(data.size()));
        });
        if (options->output.empty()) {
            useBinaryStandardOutput();
            std::fwrite(data.data(), 1, data.size(), stdout);
            if (std::fflush(stdout) != 0) throw ToolError("standard output", "write failed");
        } else {
            writeFileSafely(options->output, data.data(), data.size());
        }
    });
}

void addPackCommand(CLI::App& app) {
    struct Options {
        std::string output;
        std::vector<std::string> files;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command =
        app.add_subcommand("pack", "Write a HOG2 archive of the given files (entry names are their base names)");
    command->add_option("OUT", options->output, "Archive to write")->required();
    command->add_option("FILE", options->files, "Files to put in the archive")->required();
    command->callback([options] {
        HogWriter writer;
        std::set<std::string> seen;
        for (const std::string& file : options->files) {
            const std::string name = fs::path(file).filename().string();
            if (name.size() > 35) throw ToolError(file, "entry names hold at most 35 characters");
            if (!seen.insert(foldedName(name.c_str())).second) throw ToolError(file, "another file has the same entry name");
            Bytes data;
            try {
                data = readFileBytes(file);
            } catch (const std::exception&) {
                throw ToolError(file, "cannot read file");
            }
            if (data.size() > 0x7FFFFFFFu) throw ToolError(file, "too large for a HOG2 archive");
            writer.add(name, std::move(data));
        }
        const Bytes archive = writer.build();
        writeFileSafely(options->output, archive.data(), archive.size());
    });
}
