#pragma once

#include <cstdint>
#include <string>

#include "forge/byte_writer.h"

// The properties of a texture record of the game table.
struct TextureRecord {
    std::string name;
    std::string fileName;
    std::string thirdText;       // not kept by the reader
    float alphaFactor = 1.0f;
    float frameTime = 1.0f;      // seconds per animation sweep
    float slideU = 0.0f;
    float slideV = 0.0f;
    uint32_t flags = 0x00400040;
    Bytes tail;                  // extra body bytes after the fields the reader uses
};

// Builds table.gam files: texture records (type 1, kind 7) and records of any
// other type and kind, in the order they are added.
class TableWriter {
public:
    TableWriter& texture(const TextureRecord& record);
    // A record with its length field computed from the body.
    TableWriter& record(int8_t type, int16_t kind, const Bytes& body);
    // A record whose length field says whatever the caller wants.
    TableWriter& recordWithLength(int8_t type, int32_t length, int16_t kind, const Bytes& body);
    TableWriter& raw(const Bytes& bytes);

    // The body of a texture record, as the record would hold it.
    static Bytes textureBody(const TextureRecord& record);

    const Bytes& bytes() const { return out_.bytes(); }
    void write(const std::string& path) const { writeFileBytes(path, out_.bytes()); }

private:
    ByteWriter out_;
};
