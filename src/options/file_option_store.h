#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "options/settings.h"

// The option store of platforms without a registry: a small text file of
// "name=value" lines (values in decimal), e.g. ~/.config/kvss/settings.
// A '#' at the start of a line or after a blank begins a comment. Writing
// changes only the values of the nine options, in the last line that names
// each (the one reading takes); every other line and every comment is kept.
class FileOptionStore : public OptionStore {
public:
    explicit FileOptionStore(std::string path);

    bool openForReading() override;
    bool readValue(const char* name, void* data, uint32_t size) override;
    bool openForWriting() override;
    void writeValue(const char* name, const void* data, uint32_t size) override;
    bool readText(const char* name, std::string& text) override;
    // An empty text empties the line that holds the value, and adds none.
    void writeText(const char* name, const std::string& text) override;
    void close() override;

    // A text value of the file (such as game_dir), if present.
    std::optional<std::string> text(const std::string& name);
    const std::string& path() const { return path_; }
    // False when the last write could not create, read or write the file.
    bool written() const { return written_; }

private:
    bool readLines();
    // Sets the value in the last line that names it, or adds a line.
    void setLine(const char* name, const std::string& value, bool addMissing);

    std::string path_;
    std::vector<std::string> lines_;
    bool writing_ = false;
    bool written_ = true;
};

// The settings file of the current user: $XDG_CONFIG_HOME/kvss/settings, or
// ~/.config/kvss/settings.
std::string defaultSettingsPath();
