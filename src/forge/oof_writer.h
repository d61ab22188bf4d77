#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "forge/byte_writer.h"

// Writes OOF polygon models. Chunk bodies are built by the free functions in
// `oof`; OofWriter lays out the header and whatever chunks it is given, in the
// order given, so a file can repeat a chunk, put chunks out of order, carry
// unknown ones, or claim a length its body does not have.

struct OofCorner {
    int32_t vertex = 0;
    float u = 0.0f;
    float v = 0.0f;
};

struct OofFace {
    Vector normal{0.0f, 0.0f, 1.0f};
    bool textured = false;
    int32_t textureIndex = 0;
    std::array<uint8_t, 3> colour{255, 255, 255};
    std::vector<OofCorner> corners;
    // Written instead of corners.size() when set (for files that lie about it).
    std::optional<int32_t> cornerCount;
};

struct OofSubobject {
    int32_t index = 0;
    int32_t parentIndex = -1;
    Vector restPosition;
    float radius = 1.0f;
    Vector center;
    std::string name;
    std::string property;
    std::vector<int32_t> ignoredWords;  // the counted block the reader skips
    std::vector<Vector> vertices;
    std::vector<Vector> normals;        // padded with (0, 0, 1) to the vertex count
    std::vector<float> alphas;          // version 2300 only; padded with 1
    std::vector<OofFace> faces;
};

struct OofPositionKey {
    int32_t frame = 0;
    Vector offset;  // from the rest position
};

struct OofRotationKey {
    int32_t frame = 0;
    Vector axis{0.0f, 0.0f, 1.0f};
    int32_t angle = 0;  // 65536ths of a full turn, relative to the key before
};

struct OofPoint {
    int32_t subobject = 0;
    Vector position;
    Vector normal{0.0f, 0.0f, 1.0f};
};

struct OofBattery {
    std::vector<int32_t> guns;     // positions in the model's gun points
    std::vector<int32_t> turrets;  // subobject indices
};

namespace oof {
constexpr int32_t version2200 = 2200;  // no vertex alphas
constexpr int32_t version2300 = 2300;

Bytes textures(const std::vector<std::string>& names);
Bytes header(int32_t subobjectCount, float radius, const Vector& boundsMin, const Vector& boundsMax);
Bytes subobject(const OofSubobject& subobject, int32_t version);
// One block per subobject, in subobject order.
Bytes positionKeys(const std::vector<std::vector<OofPositionKey>>& perSubobject);
Bytes rotationKeys(const std::vector<std::vector<OofRotationKey>>& perSubobject);
// GPNT, GRND and ATCH share one layout.
Bytes points(const std::vector<OofPoint>& points);
// NATH: one up hint per attach point.
Bytes attachUps(const std::vector<Vector>& hints);
Bytes batteries(const std::vector<OofBattery>& batteries);
}  // namespace oof

class OofWriter {
public:
    explicit OofWriter(int32_t version = oof::version2300) : version_(version) {}

    // Replaces the "PSPO" magic (for files that are not models).
    OofWriter& magic(std::string_view fourBytes);
    // Any chunk, its length the body's.
    OofWriter& chunk(std::string_view id, const Bytes& body);
    // A chunk whose length field says `length`, whatever the body holds.
    OofWriter& chunkWithLength(std::string_view id, int32_t length, const Bytes& body);
    // Bytes after the chunks, not framed as a chunk.
    OofWriter& trailing(const Bytes& bytes);

    OofWriter& textures(const std::vector<std::string>& names) { return chunk("TXTR", oof::textures(names)); }
    OofWriter& header(int32_t count, float radius, const Vector& boundsMin, const Vector& boundsMax) {
        return chunk("OHDR", oof::header(count, radius, boundsMin, boundsMax));
    }
    OofWriter& subobject(const OofSubobject& s) { return chunk("SOBJ", oof::subobject(s, version_)); }
    OofWriter& positionKeys(const std::vector<std::vector<OofPositionKey>>& keys) {
        return chunk("PANI", oof::positionKeys(keys));
    }
    OofWriter& rotationKeys(const std::vector<std::vector<OofRotationKey>>& keys) {
        return chunk("RANI", oof::rotationKeys(keys));
    }
    OofWriter& gunPoints(const std::vector<OofPoint>& p) { return chunk("GPNT", oof::points(p)); }
    OofWriter& groundPoints(const std::vector<OofPoint>& p) { return chunk("GRND", oof::points(p)); }
    OofWriter& attachPoints(const std::vector<OofPoint>& p) { return chunk("ATCH", oof::points(p)); }
    OofWriter& attachUps(const std::vector<Vector>& hints) { return chunk("NATH", oof::attachUps(hints)); }
    OofWriter& batteries(const std::vector<OofBattery>& b) { return chunk("WBAT", oof::batteries(b)); }

    int32_t version() const { return version_; }
    // Where the next chunk will start, counted from the start of the file.
    size_t size() const { return 8 + body_.size(); }
    Bytes build() const;
    void write(const std::string& path) const { writeFileBytes(path, build()); }

private:
    int32_t version_;
    std::string magic_ = "PSPO";
    ByteWriter body_;
};
