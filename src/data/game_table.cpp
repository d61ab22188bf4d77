#include "data/game_table.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>

#include "data/hog_file.h"
#include "data/kv_path.h"

List textureTable;

namespace {
std::string loadedTableNames;

// findTextureEntry's indexes: the first record of each bitmap file name and of
// each texture name, folded. A model may name tens of thousands of textures
// and a table hold as many records: a scan per name would be quadratic.
std::unordered_map<std::string, TextureEntry*> entryByFileName;
std::unordered_map<std::string, TextureEntry*> entryByName;

void forgetTable() {
    textureTable.clear();
    entryByFileName.clear();
    entryByName.clear();
}

constexpr int8_t textureRecordType = 1;
constexpr int16_t textureRecordKind = 7;
// Type byte aside, a record header holds its 4-byte length and 2-byte kind,
// and the length counts both.
constexpr int32_t recordHeaderLength = 6;

float asFloat(uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

char* readText(InFile& stream) {
    std::string text;
    for (;;) {
        const uint8_t byte = readU8(stream);
        if (byte == 0) break;
        text.push_back(static_cast<char>(byte));
    }
    return copyString(text.c_str());
}

TextureEntry* readTextureEntry(InFile& body) {
    std::unique_ptr<TextureEntry> entry(new TextureEntry);
    entry->name = readText(body);
    entry->fileName = readText(body);
    skipString(body);
    body.seek(body.tell() + 12);
    for (int i = 0; i < 4; ++i) entry->properties[i] = readU32(body);
    body.seek(body.tell() + 9);
    entry->properties[4] = readU32(body);
    return entry.release();
}

void loadOneTable(const char* fileName) {
    std::unique_ptr<InFile> stream;
    try {
        stream.reset(searchPath.open(fileName));
    } catch (Message) {
        return;  // a missing table is not an error
    }
    while (!stream->atEnd()) {
        const int8_t type = readS8(*stream);
        if (stream->atEnd()) break;
        const int32_t length = readS32(*stream);
        const int16_t kind = readS16(*stream);
        if (length < recordHeaderLength) fail("Bad game table record length");
        const int32_t bodyLength = length - recordHeaderLength;
        if (type == textureRecordType && kind == textureRecordKind) {
            LimitedInFile body(*stream, bodyLength);
            TextureEntry* entry = readTextureEntry(body);
            textureTable.append(entry);
            entryByFileName.emplace(foldedName(entry->fileName), entry);
            entryByName.emplace(foldedName(entry->name), entry);
        } else {
            // 64-bit: a hostile length must not overflow; the stream refuses
            // a position past its end with its own message.
            const int64_t next = int64_t{stream->tell()} + bodyLength;
            stream->seek(static_cast<int32_t>(std::min<int64_t>(next, INT32_MAX)));
        }
    }
}

}  // namespace

TextureEntry::~TextureEntry() {
    delete[] name;
    delete[] fileName;
}

float TextureEntry::alphaFactor() const { return asFloat(properties[0]); }
float TextureEntry::frameTime() const { return asFloat(properties[1]); }
float TextureEntry::slideU() const { return asFloat(properties[2]); }
float TextureEntry::slideV() const { return asFloat(properties[3]); }

void loadGameTable(const char* names) {
    if (loadedTableNames == names) return;
    forgetTable();
    loadedTableNames = names;
    std::string pieces = names;
    size_t start = 0;
    while (start <= pieces.size()) {
        size_t end = pieces.find(';', start);
        if (end == std::string::npos) end = pieces.size();
        if (end > start) loadOneTable(pieces.substr(start, end - start).c_str());
        start = end + 1;
    }
}

void clearGameTable() {
    forgetTable();
    loadedTableNames.clear();
}

TextureEntry* findTextureEntry(const char* name) {
    const std::string folded = foldedName(name);
    for (const char* extension : {".ogf", ".oaf"})
        if (const auto found = entryByFileName.find(folded + extension); found != entryByFileName.end())
            return found->second;
    const auto found = entryByName.find(folded);
    return found != entryByName.end() ? found->second : nullptr;
}
