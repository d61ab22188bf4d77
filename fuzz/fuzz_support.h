#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "data/game_table.h"
#include "data/hog_file.h"
#include "data/kv_path.h"
#include "forge/byte_writer.h"
#include "forge/demo_archive.h"

// A private scratch directory for this fuzzing process, made at first use and
// removed when the fuzzer exits normally (run.sh also gives each run a TMPDIR
// of its own and removes it, for runs that end in a crash).
inline const std::string& scratchDirectory() {
    static const std::string directory = [] {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/kvss-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data())) std::abort();
        return pattern;
    }();
    static const bool cleanupRegistered = [] {
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(directory, ignored);
        });
        return true;
    }();
    (void)cleanupRegistered;
    return directory;
}

inline std::string scratchPath(const char* leaf) { return scratchDirectory() + "/" + leaf; }

inline void writeScratch(const std::string& path, const uint8_t* data, size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) std::abort();
    if (size && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);
}

// Makes the archive at `path` the one archive of the search path.
inline void useArchive(const std::string& path) {
    searchPath.reset(1);
    searchPath.add(new HogFile(path.c_str()));
}

// The demo archive, written to the scratch directory, as the one archive of
// the search path with its game table: the textures a fuzzed model names.
inline void useDemoArchive() {
    const std::string archive = scratchPath("demo.hog");
    demoArchive().write(archive);
    useArchive(archive);
    loadGameTable(gameTableName);
}
