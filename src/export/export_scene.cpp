#include "export/export_scene.h"


#include <cmath>
#include <cstdio>
#include <map>
#include <tuple>

#include "core/message.h"
#include "export/frame_convention.h"
#include "model/poly_model.h"
#include "textures/texture.h"

namespace {
// A face normal as a unit vector; a zero one (a damaged file) is worked out
// from the corners, and failing that points along +z.
Vector unitNormal(const Face& face, const Vector* vertices) {
    Vector n = face.normal;
    if (n.squaredLength() > 0.0f) {
        n.normalize();
        return n;
    }
    for (int32_t i = 0; i < face.vertexCount; ++i) {
        const Vector& a = vertices[face.corners[i].vertex];
        const Vector& b = vertices[face.corners[(i + 1) % face.vertexCount].vertex];
        n += Vector((a.y - b.y) * (a.z + b.z), (a.z - b.z) * (a.x + b.x), (a.x - b.x) * (a.y + b.y));
    }
    if (n.squaredLength() == 0.0f) return Vector(0.0f, 0.0f, 1.0f);
    n.normalize();
    return n;
}

class MaterialTable {
public:
    explicit MaterialTable(std::vector<ExportMaterial>& materials) : materials_(materials) {}

    int32_t of(const Face& face) {
        if (face.textured) {
            const Texture* texture = face.texture->texture;
            auto [at, added] = byTexture_.try_emplace(texture, static_cast<int32_t>(materials_.size()));
            if (added) materials_.push_back(textureMaterial(*texture));
            return at->second;
        }
        const auto key = std::make_tuple(face.colour[0], face.colour[1], face.colour[2]);
        auto [at, added] = byColour_.try_emplace(key, static_cast<int32_t>(materials_.size()));
        if (added) {
            ExportMaterial m;
            char name[32];
            std::snprintf(name, sizeof name, "colour %d %d %d", face.colour[0], face.colour[1], face.colour[2]);
            m.name = name;
            for (int i = 0; i < 3; ++i) m.colour[i] = face.colour[i];
            materials_.push_back(m);
        }
        return at->second;
    }

private:
    static ExportMaterial textureMaterial(const Texture& texture) {
        ExportMaterial m;
        m.name = texture.name;
        m.texture = &texture;
        if (texture.frameCount < 1) return m;
        const TextureFrame& frame = texture.frames[0];
        const size_t pixels = static_cast<size_t>(frame.width) * frame.height;
        for (size_t i = 0; i < pixels; ++i) {
            const uint8_t a = frame.pixels[i * 4 + 3];
            if (a != 255) m.translucentPixels = true;
            if (a != 255 && a != 0) m.partialPixels = true;
        }
        return m;
    }

    std::vector<ExportMaterial>& materials_;
    std::map<const Texture*, int32_t> byTexture_;
    std::map<std::tuple<uint8_t, uint8_t, uint8_t>, int32_t> byColour_;
};
}  // namespace

ExportScene collectScene(const PolyModel& model) {
    ExportScene scene;
    MaterialTable materials(scene.materials);
    for (const RefNode<Subobject>* ref : model.allSubobjects->as<RefNode<Subobject>>()) {
        const Subobject& s = *ref->target;
        ExportSubobject out;
        out.subobject = &s;
        out.billboard = s.property->kind() == SubobjectProperty::facing;
        const Vector shift = out.billboard ? s.center : Vector();
        std::map<int32_t, size_t> primitiveOf;
        for (const Face* face : s.faces.as<Face>()) {
            if (face->vertexCount >= 3) {
                const int32_t material = materials.of(*face);
                auto [at, added] = primitiveOf.try_emplace(material, out.primitives.size());
                if (added) out.primitives.push_back({material, {}});
                ExportPrimitive& primitive = out.primitives[at->second];
                ExportMaterial& m = scene.materials[material];
                const Vector normal = toExportFrame(unitNormal(*face, s.vertices));
                auto corner = [&](int32_t i) {
                    const FaceVertex& c = face->corners[i];
                    const float alpha = s.alphas[c.vertex];
                    if (alpha < 1.0f) m.translucentCorners = true;
                    if (alpha == 0.0f) m.clearCorners = true;
                    primitive.corners.push_back({toExportFrame(s.vertices[c.vertex] - shift), normal, c.u, c.v, alpha});
                };
                for (int32_t i = 1; i + 1 < face->vertexCount; ++i) {
                    corner(0);
                    corner(i);
                    corner(i + 1);
                }
            }
            if (out.billboard) break;  // only the first face is ever shown
        }
        scene.subobjects.push_back(std::move(out));
    }
    return scene;
}

std::string pointNodeName(int32_t kind, int32_t number) {
    static const char* const names[functionalPointKindCount] = {"gun", "ground", "attach"};
    return std::string(names[kind]) + " " + std::to_string(number);
}

float linearFromByte(uint8_t value) {
    const double c = value / 255.0;
    return static_cast<float>(c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
}

