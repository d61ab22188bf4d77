#pragma once

#include <string>
#include <vector>

#include "forge/byte_writer.h"

// Builds HOG2 archives: entries sorted in the lookup's case-insensitive order,
// their data back to back after the entry table.
class HogWriter {
public:
    HogWriter& add(std::string name, Bytes data);
    // Entries keep the order they were added in (for tests of unsorted tables).
    HogWriter& keepOrder(bool keep = true);
    // The data offset written in the header; by default the end of the entry table.
    HogWriter& dataOffset(int32_t offset);

    Bytes build() const;
    void write(const std::string& path) const { writeFileBytes(path, build()); }

    struct Entry {
        std::string name;
        Bytes data;
    };
    // The entries in the order they will be written.
    std::vector<Entry> ordered() const;

private:
    std::vector<Entry> entries_;
    bool keepOrder_ = false;
    int32_t dataOffset_ = -1;
};
