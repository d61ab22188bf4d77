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

namespace {
// Whether `text` is UTF-8 as RFC 3629 has it: no overlong forms, no
// surrogates, nothing past U+10FFFF.
bool isUtf8(const std::string& text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char* const end = p + text.size();
    while (p < end) {
        const unsigned char lead = *p++;
        if (lead < 0x80) continue;
        int more = 0;
        unsigned char low = 0x80, high = 0xBF;  // the range of the byte after the lead
        if (lead >= 0xC2 && lead <= 0xDF) more = 1;
        else if (lead >= 0xE0 && lead <= 0xEF) more = 2, low = lead == 0xE0 ? 0xA0 : 0x80, high = lead == 0xED ? 0x9F : 0xBF;
        else if (lead >= 0xF0 && lead <= 0xF4) more = 3, low = lead == 0xF0 ? 0x90 : 0x80, high = lead == 0xF4 ? 0x8F : 0xBF;
        else return false;
        if (end - p < more) return false;
        if (p[0] < low || p[0] > high) return false;
        for (int i = 1; i < more; ++i)
            if (p[i] < 0x80 || p[i] > 0xBF) return false;
        p += more;
    }
    return true;
}
}  // namespace

std::string utf8Text(const std::string& name) {
    if (isUtf8(name)) return name;
    std::string out;
    for (const unsigned char c : name) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

float linearFromByte(uint8_t value) {
    const double c = value / 255.0;
    return static_cast<float>(c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
}

