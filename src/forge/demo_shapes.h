#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "forge/oof_writer.h"

// Building blocks for the demo archive's models: shapes made of faces wound so
// that the saver sees them from outside, collected into OOF subobjects.

struct Material {
    bool textured = false;
    int32_t texture = 0;                    // index into the model's texture names
    std::array<uint8_t, 3> colour{200, 200, 200};
    float alpha = 1.0f;                     // vertex alpha of every corner
    float uvScale = 1.0f;                   // texture repeats
};

inline Material coloured(uint8_t r, uint8_t g, uint8_t b, float alpha = 1.0f) {
    Material m;
    m.colour = {r, g, b};
    m.alpha = alpha;
    return m;
}

inline Material textured(int32_t texture, float uvScale = 1.0f, float alpha = 1.0f) {
    Material m;
    m.textured = true;
    m.texture = texture;
    m.uvScale = uvScale;
    m.alpha = alpha;
    return m;
}

// Vertices and faces of one subobject, in the subobject's own frame.
class MeshBuilder {
public:
    int32_t vertex(const Vector& position, const Vector& normal, float alpha = 1.0f);
    // A polygon over existing vertices, turned if need be so that its normal
    // points along `outward`.
    void face(std::vector<int32_t> corners, std::vector<std::pair<float, float>> uvs, const Material& material,
              const Vector& outward);
    // A polygon of new vertices (flat normal), facing `outward`.
    void polygon(const std::vector<Vector>& points, const std::vector<std::pair<float, float>>& uvs,
                 const Material& material, const Vector& outward);
    // The same polygon facing both ways, for thin parts seen from either side.
    void twoSided(const std::vector<Vector>& points, const std::vector<std::pair<float, float>>& uvs,
                  const Material& material, const Vector& outward);

    // An axis-aligned box.
    void box(const Vector& min, const Vector& max, const Material& material);
    // A surface of revolution about the z axis: `profile` holds (radius, z)
    // pairs from back to front; radii are stretched by `sx`, `sy`. Ends with a
    // radius above 0 are capped.
    void lathe(const std::vector<std::pair<float, float>>& profile, int sides, const Material& material,
               float sx = 1.0f, float sy = 1.0f, const Vector& offset = {}, bool caps = true);
    // The same about the y axis (for masts and turret bases): profile is (radius, y).
    void latheY(const std::vector<std::pair<float, float>>& profile, int sides, const Material& material,
                const Vector& offset = {}, bool caps = true);
    // A ring about the y axis.
    void torus(float majorRadius, float minorRadius, int majorSides, int minorSides, const Material& material,
               const Vector& offset = {});
    // A sphere whose radius wanders by up to `roughness` (a fraction) for rocks.
    void sphere(float radius, int rings, int sides, const Material& material, float roughness = 0.0f, int seed = 0,
                const Vector& offset = {});
    // A flat slab: `outline` in the x-z plane (any winding), `thickness` in y.
    void slab(const std::vector<std::pair<float, float>>& outline, float y, float thickness, const Material& material);

    bool empty() const { return faces_.empty(); }
    // The finished subobject; radius and centre are worked out from the vertices.
    OofSubobject build(int32_t index, int32_t parent, const std::string& name, const std::string& property,
                       const Vector& restPosition) const;

    const std::vector<Vector>& vertices() const { return vertices_; }

private:
    std::vector<Vector> vertices_;
    std::vector<Vector> normals_;
    std::vector<float> alphas_;
    std::vector<OofFace> faces_;
};

// A model under construction: subobjects with their parents, keys, points and
// batteries, written out as one OOF file.
class DemoModel {
public:
    explicit DemoModel(std::vector<std::string> textureNames) : textures_(std::move(textureNames)) {}

    // Adds a subobject; returns its index.
    int32_t add(const MeshBuilder& mesh, int32_t parent, const std::string& name, const std::string& property,
                const Vector& restPosition);
    void positionKey(int32_t subobject, int32_t frame, const Vector& offset);
    // A turn about `axis` by `degrees` since the key before.
    void rotationKey(int32_t subobject, int32_t frame, const Vector& axis, float degrees);
    int32_t gun(int32_t subobject, const Vector& position, const Vector& normal);
    void groundPoint(int32_t subobject, const Vector& position, const Vector& normal);
    void attachPoint(int32_t subobject, const Vector& position, const Vector& normal, const Vector& upHint);
    void battery(std::vector<int32_t> guns, std::vector<int32_t> turrets);

    Bytes build(int32_t version = oof::version2300) const;

private:
    std::vector<std::string> textures_;
    std::vector<OofSubobject> subobjects_;
    std::vector<Vector> absolute_;  // each subobject's origin in model space
    std::vector<std::vector<OofPositionKey>> positionKeys_;
    std::vector<std::vector<OofRotationKey>> rotationKeys_;
    std::vector<OofPoint> guns_, grounds_, attaches_;
    std::vector<Vector> attachUps_;
    std::vector<OofBattery> batteries_;
};
