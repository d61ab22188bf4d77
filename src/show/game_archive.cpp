#include "show/game_archive.h"

#include <filesystem>
#include <memory>

#include "data/hog_file.h"
#include "data/kv_path.h"
#include "game_finder/folder_access.h"
#include "game_finder/game_finder.h"
#include "model/poly_model.h"

std::string archivePathFor(const std::string& path) {
    if (!isFolder(path)) return path;
    return entryNamed(path, archiveFileName, thisPlatform() == FinderPlatform::linux).value_or(joinPath(path, archiveFileName));
}

HogFile& useGameArchive(const char* path) {
    searchPath.reset(1);
    std::unique_ptr<HogFile> owned(new HogFile(path));
    searchPath.add(owned.get());  // a refused archive stays ours, and goes with `owned`
    return *owned.release();
}

HogFile& gameArchive() { return *static_cast<HogFile*>(searchPath.archives[0]); }

std::vector<int32_t> listModels(const HogFile& archive) {
    std::vector<int32_t> models;
    for (int32_t i = 0; i < archive.entryCount; ++i)
        if (endsWithIgnoringCase(archive.entries[i].name, ".oof")) models.push_back(i);
    return models;
}

int32_t findModel(const HogFile& archive, const std::vector<int32_t>& models, const char* name) {
    for (size_t i = 0; i < models.size(); ++i)
        if (compareNames(archive.entries[models[i]].name, name) == 0) return static_cast<int32_t>(i);
    return -1;
}

PolyModel* readModelEntry(HogFile& archive, const char* entryName) {
    // The name came from the archive's own table: read that entry's bytes, never
    // a disk file or a share that a "/" or "\" in the name would point at.
    const std::unique_ptr<InFile> stream(archive.open(entryName));
    return new PolyModel(*stream);
}

std::string modelBaseName(const char* entryName) {
    std::string name = entryName;
    if (endsWithIgnoringCase(name.c_str(), ".oof")) name.resize(name.size() - 4);
    return name;
}
