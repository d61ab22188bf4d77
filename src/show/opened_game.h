#pragma once

#include <cstdint>
#include <string>
#include <vector>

class HogFile;
class SaverPlatform;

// The game as a process opens it once to show its models: the archive found
// through the platform, made the search path's one archive, with its list of
// models; then, with a GL context current, the multitexture entry point, the
// game table and the reflection texture's name. The saver and the viewer both
// start this way; the archive, the table and the texture slot stay process-wide.
class OpenedGame {
public:
    // Finds the game's archive and opens it. The game not installed, or an
    // archive without models, is the one line the platform shows before it ends
    // the process; an archive that cannot be read throws its message text.
    void open(SaverPlatform& platform);
    // Opens the archive at `archivePath` in place of the one open before (the
    // caller has checked it).
    void use(const std::string& archivePath);

    // With the context current: the "glActiveTextureARB" entry point that the
    // reflection layer needs, looked up only when it is `wanted`.
    static void findMultitexture(SaverPlatform& platform, bool wanted);
    // Reads the game table of the archive.
    void readTable() const;
    // Names the texture that the mirror option layers over every filled face.
    void nameReflection() const;

    HogFile& archive() const;
    const std::string& path() const { return path_; }
    int32_t modelCount() const { return static_cast<int32_t>(models_.size()); }
    // The archive entry name of model `position` (0 .. modelCount - 1), in table order.
    const char* modelName(int32_t position) const;
    // Where the model `name` (any letter case) stands in the list; -1 when none has it.
    int32_t find(const char* name) const;

private:
    std::string path_;
    std::vector<int32_t> models_;  // archive entry indices of the .oof entries
};
