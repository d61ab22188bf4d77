#pragma once

#include <cstdint>

#include "core/list.h"

// A texture record of the game table: maps a texture name to its bitmap file
// and carries five property words, copied unchanged into textures made from it.
struct TextureEntry : ListNode {
    ~TextureEntry() override;

    // In record order: alpha factor (float), frame time (float, seconds),
    // slide u and slide v (floats), flags (unsigned).
    uint32_t properties[5] = {0, 0, 0, 0, 0};
    char* name = nullptr;
    char* fileName = nullptr;

    float alphaFactor() const;
    float frameTime() const;
    float slideU() const;
    float slideV() const;
    uint32_t flags() const { return properties[4]; }
};

// Every texture record read, in file order.
extern List textureTable;

// The game table's file in the game's archive.
inline constexpr const char* gameTableName = "table.gam";

// Reads the texture records of one table file, or of several joined by ";".
// Does nothing when called again with the same names. A missing file is skipped.
void loadGameTable(const char* names);

// The entry for a texture name: first by bitmap file "<name>.ogf", then
// "<name>.oaf", then by the texture's own name (ASCII case ignored); or null.
TextureEntry* findTextureEntry(const char* name);

// Forgets the loaded table (the next loadGameTable reads again).
void clearGameTable();
