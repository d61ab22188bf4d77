#pragma once

#include <cstdint>
#include <string>
#include <vector>

class HogFile;
class PolyModel;

// What every program that shows the game's models does the same way: the
// saver, the model viewer, kvtool and the benchmarks.

inline constexpr const char* notInstalledMessage = "Korvane is not installed.";
inline constexpr const char* noModelsMessage = "The game archive holds no models.";

// The archive that `path` names: the file itself, or the kv.hog inside it when
// it is a folder (in any letter case on Linux).
std::string archivePathFor(const std::string& path);

// Opens the HOG2 archive at `path` and makes it the one archive of the search
// path, which owns it from then on. Throws the archive's message text.
HogFile& useGameArchive(const char* path);

// The archive that useGameArchive made the search path's one archive.
HogFile& gameArchive();

// The archive's models: the indices of the entries whose name ends in ".oof"
// (any letter case), in table order.
std::vector<int32_t> listModels(const HogFile& archive);

// Where the model entry `name` (any letter case) stands in `models`; -1 when
// none has that name.
int32_t findModel(const HogFile& archive, const std::vector<int32_t>& models, const char* name);

// Reads the model of the archive's entry `entryName`, textures and all; throws
// the reader's message text. The caller owns the model.
PolyModel* readModelEntry(HogFile& archive, const char* entryName);

// "asteroid.oof" -> "asteroid"
std::string modelBaseName(const char* entryName);
