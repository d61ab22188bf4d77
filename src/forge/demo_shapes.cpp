#include "forge/demo_shapes.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr float pi = 3.14159265358979f;

Vector unit(Vector v) {
    v.normalize();
    return v;
}

// The normal of a polygon by Newell's method: robust for any planar polygon.
Vector newellNormal(const std::vector<Vector>& points) {
    Vector n;
    for (size_t i = 0; i < points.size(); ++i) {
        const Vector& a = points[i];
        const Vector& b = points[(i + 1) % points.size()];
        n.x += (a.y - b.y) * (a.z + b.z);
        n.y += (a.z - b.z) * (a.x + b.x);
        n.z += (a.x - b.x) * (a.y + b.y);
    }
    return unit(n);
}

Vector centroid(const std::vector<Vector>& points) {
    Vector c;
    for (const Vector& p : points) c += p;
    return c * (1.0f / static_cast<float>(points.size()));
}
}  // namespace

int32_t MeshBuilder::vertex(const Vector& position, const Vector& normal, float alpha) {
    vertices_.push_back(position);
    normals_.push_back(unit(normal));
    alphas_.push_back(alpha);
    return static_cast<int32_t>(vertices_.size() - 1);
}

void MeshBuilder::face(std::vector<int32_t> corners, std::vector<std::pair<float, float>> uvs, const Material& material,
                       const Vector& outward) {
    std::vector<Vector> points;
    for (int32_t c : corners) points.push_back(vertices_[c]);
    Vector normal = newellNormal(points);
    if (normal.dot(outward) < 0.0f) {
        std::reverse(corners.begin(), corners.end());
        std::reverse(uvs.begin(), uvs.end());
        normal = -normal;
    }
    OofFace f;
    f.normal = normal;
    f.textured = material.textured;
    f.textureIndex = material.texture;
    f.colour = material.colour;
    for (size_t i = 0; i < corners.size(); ++i) {
        const auto uv = i < uvs.size() ? uvs[i] : std::pair<float, float>{0.0f, 0.0f};
        f.corners.push_back({corners[i], uv.first * material.uvScale, uv.second * material.uvScale});
    }
    faces_.push_back(std::move(f));
}

void MeshBuilder::polygon(const std::vector<Vector>& points, const std::vector<std::pair<float, float>>& uvs,
                          const Material& material, const Vector& outward) {
    Vector normal = newellNormal(points);
    if (normal.dot(outward) < 0.0f) normal = -normal;
    std::vector<int32_t> corners;
    for (const Vector& p : points) corners.push_back(vertex(p, normal, material.alpha));
    face(corners, uvs, material, outward);
}

void MeshBuilder::twoSided(const std::vector<Vector>& points, const std::vector<std::pair<float, float>>& uvs,
                           const Material& material, const Vector& outward) {
    polygon(points, uvs, material, outward);
    polygon(points, uvs, material, -outward);
}

void MeshBuilder::box(const Vector& lo, const Vector& hi, const Material& m) {
    const Vector c = (lo + hi) * 0.5f;
    const std::vector<std::pair<float, float>> uv = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    const float x[2] = {lo.x, hi.x}, y[2] = {lo.y, hi.y}, z[2] = {lo.z, hi.z};
    for (int axis = 0; axis < 3; ++axis) {
        for (int side = 0; side < 2; ++side) {
            std::vector<Vector> quad;
            for (int k = 0; k < 4; ++k) {
                const int a = (k == 1 || k == 2) ? 1 : 0;
                const int b = (k >= 2) ? 1 : 0;
                Vector p;
                if (axis == 0) p = {x[side], y[a], z[b]};
                if (axis == 1) p = {x[a], y[side], z[b]};
                if (axis == 2) p = {x[a], y[b], z[side]};
                quad.push_back(p);
            }
            polygon(quad, uv, m, centroid(quad) - c);
        }
    }
}

void MeshBuilder::lathe(const std::vector<std::pair<float, float>>& profile, int sides, const Material& m, float sx,
                        float sy, const Vector& offset, bool caps) {
    const int rings = static_cast<int>(profile.size());
    std::vector<std::vector<int32_t>> grid(rings);
    for (int i = 0; i < rings; ++i) {
        const float r = profile[i].first;
        const float z = profile[i].second;
        const int prev = std::max(i - 1, 0), next = std::min(i + 1, rings - 1);
        const float dr = profile[next].first - profile[prev].first;
        const float dz = profile[next].second - profile[prev].second;
        for (int j = 0; j < sides; ++j) {
            const float t = 2.0f * pi * static_cast<float>(j) / static_cast<float>(sides);
            const Vector p(r * std::cos(t) * sx + offset.x, r * std::sin(t) * sy + offset.y, z + offset.z);
            const Vector n(std::cos(t) * dz / sx, std::sin(t) * dz / sy, -dr);
            grid[i].push_back(vertex(p, n, m.alpha));
        }
    }
    for (int i = 0; i + 1 < rings; ++i) {
        const float v0 = static_cast<float>(i) / static_cast<float>(rings - 1);
        const float v1 = static_cast<float>(i + 1) / static_cast<float>(rings - 1);
        const Vector axisPoint(offset.x, offset.y, offset.z + 0.5f * (profile[i].second + profile[i + 1].second));
        for (int j = 0; j < sides; ++j) {
            const int k = (j + 1) % sides;
            const float u0 = static_cast<float>(j) / static_cast<float>(sides);
            const float u1 = static_cast<float>(j + 1) / static_cast<float>(sides);
            std::vector<int32_t> corners;
            std::vector<std::pair<float, float>> uvs;
            auto add = [&](int32_t c, float u, float v) {
                corners.push_back(c);
                uvs.push_back({u, v});
            };
            add(grid[i][j], u0, v0);
            if (profile[i].first > 0.0f) add(grid[i][k], u1, v0);
            add(grid[i + 1][k], u1, v1);
            if (profile[i + 1].first > 0.0f) add(grid[i + 1][j], u0, v1);
            if (corners.size() < 3) continue;
            std::vector<Vector> points;
            for (int32_t c : corners) points.push_back(vertices_[c]);
            Vector outward = centroid(points) - axisPoint;
            // Where the profile turns inward (a nose or a tail), the slope says which way is out.
            const float dr = profile[i + 1].first - profile[i].first;
            const float dz = profile[i + 1].second - profile[i].second;
            const Vector radial = unit(Vector(outward.x, outward.y, 0.0f));
            outward = radial * dz + Vector(0.0f, 0.0f, -dr);
            face(corners, uvs, m, outward);
        }
    }
    auto cap = [&](int ring, float direction) {
        if (profile[ring].first <= 0.0f) return;
        std::vector<int32_t> corners = grid[ring];
        std::vector<std::pair<float, float>> uvs;
        for (int j = 0; j < sides; ++j) {
            const float t = 2.0f * pi * static_cast<float>(j) / static_cast<float>(sides);
            uvs.push_back({0.5f + 0.5f * std::cos(t), 0.5f + 0.5f * std::sin(t)});
        }
        face(corners, uvs, m, Vector(0.0f, 0.0f, direction));
    };
    if (!caps) return;
    cap(0, -1.0f);
    cap(rings - 1, 1.0f);
}

void MeshBuilder::latheY(const std::vector<std::pair<float, float>>& profile, int sides, const Material& m,
                         const Vector& offset, bool caps) {
    // Build about z, then turn the new vertices and normals so that z becomes y.
    const size_t firstVertex = vertices_.size();
    const size_t firstFace = faces_.size();
    lathe(profile, sides, m, 1.0f, 1.0f, {}, caps);
    auto turn = [](const Vector& v) { return Vector(v.x, v.z, -v.y); };
    for (size_t i = firstVertex; i < vertices_.size(); ++i) {
        vertices_[i] = turn(vertices_[i]) + offset;
        normals_[i] = turn(normals_[i]);
    }
    for (size_t f = firstFace; f < faces_.size(); ++f) faces_[f].normal = turn(faces_[f].normal);
}

void MeshBuilder::torus(float majorRadius, float minorRadius, int majorSides, int minorSides, const Material& m,
                        const Vector& offset) {
    std::vector<std::vector<int32_t>> grid(majorSides);
    std::vector<Vector> centres(majorSides);
    for (int i = 0; i < majorSides; ++i) {
        const float a = 2.0f * pi * static_cast<float>(i) / static_cast<float>(majorSides);
        const Vector radial(std::cos(a), 0.0f, std::sin(a));
        centres[i] = radial * majorRadius + offset;
        for (int j = 0; j < minorSides; ++j) {
            const float b = 2.0f * pi * static_cast<float>(j) / static_cast<float>(minorSides);
            const Vector n = radial * std::cos(b) + Vector(0.0f, std::sin(b), 0.0f);
            grid[i].push_back(vertex(centres[i] + n * minorRadius, n, m.alpha));
        }
    }
    for (int i = 0; i < majorSides; ++i) {
        const int i2 = (i + 1) % majorSides;
        for (int j = 0; j < minorSides; ++j) {
            const int j2 = (j + 1) % minorSides;
            const std::vector<int32_t> corners = {grid[i][j], grid[i2][j], grid[i2][j2], grid[i][j2]};
            std::vector<Vector> points;
            for (int32_t c : corners) points.push_back(vertices_[c]);
            const Vector tubeCentre = (centres[i] + centres[i2]) * 0.5f;
            const float u0 = static_cast<float>(i) / static_cast<float>(majorSides) * 8.0f;
            const float u1 = static_cast<float>(i + 1) / static_cast<float>(majorSides) * 8.0f;
            const float v0 = static_cast<float>(j) / static_cast<float>(minorSides);
            const float v1 = static_cast<float>(j + 1) / static_cast<float>(minorSides);
            face(corners, {{u0, v0}, {u1, v0}, {u1, v1}, {u0, v1}}, m, centroid(points) - tubeCentre);
        }
    }
}

void MeshBuilder::sphere(float radius, int rings, int sides, const Material& m, float roughness, int seed,
                         const Vector& offset) {
    auto radiusAt = [&](int ring, int side) {
        if (roughness == 0.0f) return radius;
        // Poles share one radius, and the seam wraps, so the surface stays closed.
        const int s = (ring == 0 || ring == rings) ? 0 : side % sides;
        uint32_t h = static_cast<uint32_t>(ring * 92821 + s * 68917 + seed * 7919);
        h = (h ^ (h >> 13)) * 1274126177u;
        const float n = static_cast<float>((h ^ (h >> 16)) & 0xFFFF) / 65535.0f;
        return radius * (1.0f + roughness * (n - 0.5f));
    };
    std::vector<std::vector<int32_t>> grid(rings + 1);
    for (int i = 0; i <= rings; ++i) {
        const float polar = pi * static_cast<float>(i) / static_cast<float>(rings);
        for (int j = 0; j < sides; ++j) {
            const float azimuth = 2.0f * pi * static_cast<float>(j) / static_cast<float>(sides);
            const Vector n(std::sin(polar) * std::cos(azimuth), std::cos(polar), std::sin(polar) * std::sin(azimuth));
            grid[i].push_back(vertex(n * radiusAt(i, j) + offset, n, m.alpha));
        }
    }
    for (int i = 0; i < rings; ++i) {
        for (int j = 0; j < sides; ++j) {
            const int k = (j + 1) % sides;
            std::vector<int32_t> corners;
            std::vector<std::pair<float, float>> uvs;
            const float u0 = static_cast<float>(j) / static_cast<float>(sides), u1 = static_cast<float>(j + 1) / static_cast<float>(sides);
            const float v0 = static_cast<float>(i) / static_cast<float>(rings), v1 = static_cast<float>(i + 1) / static_cast<float>(rings);
            corners.push_back(grid[i][j]), uvs.push_back({u0, v0});
            if (i != 0) corners.push_back(grid[i][k]), uvs.push_back({u1, v0});
            corners.push_back(grid[i + 1][k]), uvs.push_back({u1, v1});
            if (i + 1 != rings) corners.push_back(grid[i + 1][j]), uvs.push_back({u0, v1});
            std::vector<Vector> points;
            for (int32_t c : corners) points.push_back(vertices_[c]);
            // A rough quad is not flat; split it so every face is a plane.
            if (corners.size() == 4 && roughness != 0.0f) {
                const Vector out1 = centroid({points[0], points[1], points[2]}) - offset;
                const Vector out2 = centroid({points[0], points[2], points[3]}) - offset;
                face({corners[0], corners[1], corners[2]}, {uvs[0], uvs[1], uvs[2]}, m, out1);
                face({corners[0], corners[2], corners[3]}, {uvs[0], uvs[2], uvs[3]}, m, out2);
            } else {
                face(corners, uvs, m, centroid(points) - offset);
            }
        }
    }
}

void MeshBuilder::slab(const std::vector<std::pair<float, float>>& outline, float y, float thickness, const Material& m) {
    std::vector<Vector> top, bottom;
    std::vector<std::pair<float, float>> uvs;
    float minX = outline[0].first, maxX = minX, minZ = outline[0].second, maxZ = minZ;
    for (const auto& [x, z] : outline) {
        minX = std::min(minX, x), maxX = std::max(maxX, x), minZ = std::min(minZ, z), maxZ = std::max(maxZ, z);
    }
    for (const auto& [x, z] : outline) {
        top.push_back({x, y + thickness / 2, z});
        bottom.push_back({x, y - thickness / 2, z});
        uvs.push_back({(x - minX) / std::max(maxX - minX, 1e-3f), (z - minZ) / std::max(maxZ - minZ, 1e-3f)});
    }
    polygon(top, uvs, m, {0, 1, 0});
    polygon(bottom, uvs, m, {0, -1, 0});
    const Vector middle = centroid(top) - Vector(0, thickness / 2, 0);
    for (size_t i = 0; i < outline.size(); ++i) {
        const size_t k = (i + 1) % outline.size();
        const std::vector<Vector> side = {bottom[i], bottom[k], top[k], top[i]};
        Vector outward = centroid(side) - middle;
        outward.y = 0.0f;
        polygon(side, {{0, 0}, {1, 0}, {1, 0.1f}, {0, 0.1f}}, m, outward);
    }
}

OofSubobject MeshBuilder::build(int32_t index, int32_t parent, const std::string& name, const std::string& property,
                                const Vector& restPosition) const {
    OofSubobject s;
    s.index = index;
    s.parentIndex = parent;
    s.restPosition = restPosition;
    s.name = name;
    s.property = property;
    s.vertices = vertices_;
    s.normals = normals_;
    s.alphas = alphas_;
    s.faces = faces_;
    Vector lo = vertices_.empty() ? Vector() : vertices_[0], hi = lo;
    for (const Vector& v : vertices_) {
        lo = {std::min(lo.x, v.x), std::min(lo.y, v.y), std::min(lo.z, v.z)};
        hi = {std::max(hi.x, v.x), std::max(hi.y, v.y), std::max(hi.z, v.z)};
    }
    s.center = (lo + hi) * 0.5f;
    float radius = 0.0f;
    for (const Vector& v : vertices_) radius = std::max(radius, (v - s.center).length());
    s.radius = radius;
    return s;
}

int32_t DemoModel::add(const MeshBuilder& mesh, int32_t parent, const std::string& name, const std::string& property,
                       const Vector& restPosition) {
    const int32_t index = static_cast<int32_t>(subobjects_.size());
    subobjects_.push_back(mesh.build(index, parent, name, property, restPosition));
    absolute_.push_back(parent >= 0 ? absolute_[parent] + restPosition : restPosition);
    positionKeys_.emplace_back();
    rotationKeys_.emplace_back();
    return index;
}

void DemoModel::positionKey(int32_t subobject, int32_t frame, const Vector& offset) {
    positionKeys_[subobject].push_back({frame, offset});
}

void DemoModel::rotationKey(int32_t subobject, int32_t frame, const Vector& axis, float degrees) {
    rotationKeys_[subobject].push_back({frame, axis, static_cast<int32_t>(std::lround(degrees / 360.0f * 65536.0f))});
}

int32_t DemoModel::gun(int32_t subobject, const Vector& position, const Vector& normal) {
    guns_.push_back({subobject, position, normal});
    return static_cast<int32_t>(guns_.size() - 1);
}

void DemoModel::groundPoint(int32_t subobject, const Vector& position, const Vector& normal) {
    grounds_.push_back({subobject, position, normal});
}

void DemoModel::attachPoint(int32_t subobject, const Vector& position, const Vector& normal, const Vector& upHint) {
    attaches_.push_back({subobject, position, normal});
    attachUps_.push_back(upHint);
}

void DemoModel::battery(std::vector<int32_t> guns, std::vector<int32_t> turrets) {
    batteries_.push_back({std::move(guns), std::move(turrets)});
}

Bytes DemoModel::build(int32_t version) const {
    // Bounds over every vertex at rest, each subobject placed by its parents' offsets.
    Vector lo, hi;
    bool first = true;
    for (size_t i = 0; i < subobjects_.size(); ++i) {
        for (const Vector& v : subobjects_[i].vertices) {
            const Vector p = v + absolute_[i];
            if (first) lo = hi = p, first = false;
            lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
            hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
        }
    }
    float radius = 0.0f;
    for (size_t i = 0; i < subobjects_.size(); ++i)
        for (const Vector& v : subobjects_[i].vertices) radius = std::max(radius, (v + absolute_[i]).length());

    OofWriter writer(version);
    writer.textures(textures_);
    writer.header(static_cast<int32_t>(subobjects_.size()), radius, lo, hi);
    for (const OofSubobject& s : subobjects_) writer.subobject(s);
    writer.positionKeys(positionKeys_);
    writer.rotationKeys(rotationKeys_);
    if (!guns_.empty()) writer.gunPoints(guns_);
    if (!grounds_.empty()) writer.groundPoints(grounds_);
    if (!attaches_.empty()) {
        writer.attachPoints(attaches_);
        writer.attachUps(attachUps_);
    }
    if (!batteries_.empty()) writer.batteries(batteries_);
    return writer.build();
}
