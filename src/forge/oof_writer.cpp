#include "forge/oof_writer.h"

#include <stdexcept>

namespace {
int32_t count(size_t n) { return static_cast<int32_t>(n); }
}  // namespace

namespace oof {

Bytes textures(const std::vector<std::string>& names) {
    ByteWriter out;
    out.s32(count(names.size()));
    for (const std::string& name : names) out.lstring(name);
    return out.take();
}

Bytes header(int32_t subobjectCount, float radius, const Vector& boundsMin, const Vector& boundsMax) {
    ByteWriter out;
    out.s32(subobjectCount).f32(radius).vec(boundsMin).vec(boundsMax);
    return out.take();
}

Bytes subobject(const OofSubobject& s, int32_t version) {
    ByteWriter out;
    out.s32(s.index).s32(s.parentIndex);
    out.zeros(28);
    out.vec(s.restPosition).f32(s.radius);
    out.zeros(8);
    out.vec(s.center).lstring(s.name).lstring(s.property);
    out.zeros(8);
    out.s32(count(s.ignoredWords.size()));
    for (int32_t word : s.ignoredWords) out.s32(word);

    const size_t vertices = s.vertices.size();
    out.s32(count(vertices));
    for (const Vector& v : s.vertices) out.vec(v);
    for (size_t i = 0; i < vertices; ++i) out.vec(i < s.normals.size() ? s.normals[i] : Vector(0, 0, 1));
    if (version >= version2300) {
        for (size_t i = 0; i < vertices; ++i) out.f32(i < s.alphas.size() ? s.alphas[i] : 1.0f);
    }

    out.s32(count(s.faces.size()));
    for (const OofFace& face : s.faces) {
        out.vec(face.normal);
        out.s32(face.cornerCount.value_or(count(face.corners.size())));
        out.s32(face.textured ? 1 : 0);
        if (face.textured) out.s32(face.textureIndex);
        else out.u8(face.colour[0]).u8(face.colour[1]).u8(face.colour[2]);
        for (const OofCorner& corner : face.corners) out.s32(corner.vertex).f32(corner.u).f32(corner.v);
        out.zeros(8);
    }
    return out.take();
}

Bytes positionKeys(const std::vector<std::vector<OofPositionKey>>& perSubobject) {
    ByteWriter out;
    for (const auto& keys : perSubobject) {
        out.s32(count(keys.size())).zeros(8);
        for (const OofPositionKey& key : keys) out.s32(key.frame).vec(key.offset);
    }
    return out.take();
}

Bytes rotationKeys(const std::vector<std::vector<OofRotationKey>>& perSubobject) {
    ByteWriter out;
    for (const auto& keys : perSubobject) {
        out.s32(count(keys.size())).zeros(8);
        for (const OofRotationKey& key : keys) out.s32(key.frame).vec(key.axis).s32(key.angle);
    }
    return out.take();
}

Bytes points(const std::vector<OofPoint>& points) {
    ByteWriter out;
    out.s32(count(points.size()));
    for (const OofPoint& point : points) out.s32(point.subobject).vec(point.position).vec(point.normal);
    return out.take();
}

Bytes attachUps(const std::vector<Vector>& hints) {
    ByteWriter out;
    out.s32(count(hints.size()));
    for (const Vector& hint : hints) out.zeros(16).vec(hint);
    return out.take();
}

Bytes batteries(const std::vector<OofBattery>& batteries) {
    ByteWriter out;
    out.s32(count(batteries.size()));
    for (const OofBattery& battery : batteries) {
        out.s32(count(battery.guns.size()));
        for (int32_t gun : battery.guns) out.s32(gun);
        out.s32(count(battery.turrets.size()));
        for (int32_t turret : battery.turrets) out.s32(turret);
    }
    return out.take();
}

}  // namespace oof

OofWriter& OofWriter::magic(std::string_view fourBytes) {
    if (fourBytes.size() != 4) throw std::invalid_argument("an OOF magic is four bytes");
    magic_ = fourBytes;
    return *this;
}

OofWriter& OofWriter::chunk(std::string_view id, const Bytes& body) {
    return chunkWithLength(id, count(body.size()), body);
}

OofWriter& OofWriter::chunkWithLength(std::string_view id, int32_t length, const Bytes& body) {
    if (id.size() != 4) throw std::invalid_argument("a chunk id is four bytes");
    body_.raw(id).s32(length).raw(body);
    return *this;
}

OofWriter& OofWriter::trailing(const Bytes& bytes) {
    body_.raw(bytes);
    return *this;
}

Bytes OofWriter::build() const {
    ByteWriter out;
    out.raw(magic_).s32(version_).raw(body_.bytes());
    return out.take();
}
