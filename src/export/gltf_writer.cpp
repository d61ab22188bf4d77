#include "export/gltf_writer.h"

#include <tiny_gltf.h>

#include <cmath>
#include <cstring>
#include <sstream>

#include "core/message.h"
#include "export/export_budget.h"
#include "export/export_scene.h"
#include "export/frame_convention.h"
#include "export/track_samples.h"
#include "image/png_writer.h"
#include "model/poly_model.h"
#include "textures/texture.h"

namespace {
using tinygltf::Value;

// Everything goes into one buffer; each view starts on a 4-byte boundary, as
// glTF asks of float and 32-bit index data. The buffer is made as large as it
// will be at once, so that the samples of long tracks are not copied over and
// over as it grows.
class GltfBuilder {
public:
    explicit GltfBuilder(size_t bufferBytes) {
        gltf_.buffers.emplace_back();
        gltf_.buffers[0].data.reserve(bufferBytes);
    }

    int view(const void* data, size_t size, int target) {
        std::vector<unsigned char>& bytes = gltf_.buffers[0].data;
        while (bytes.size() % 4 != 0) bytes.push_back(0);
        tinygltf::BufferView view;
        view.buffer = 0;
        view.byteOffset = bytes.size();
        view.byteLength = size;
        view.target = target;
        const auto* p = static_cast<const unsigned char*>(data);
        bytes.insert(bytes.end(), p, p + size);
        gltf_.bufferViews.push_back(view);
        return static_cast<int>(gltf_.bufferViews.size() - 1);
    }

    int accessor(const std::vector<float>& values, int type, int components, int target, bool bounds) {
        tinygltf::Accessor a;
        a.bufferView = view(values.data(), values.size() * sizeof(float), target);
        a.componentType = TINYGLTF_COMPONENT_TYPE_FLOAT;
        a.type = type;
        a.count = values.size() / components;
        if (bounds) {
            a.minValues.assign(components, INFINITY);
            a.maxValues.assign(components, -INFINITY);
            for (size_t i = 0; i < values.size(); ++i) {
                a.minValues[i % components] = std::min<double>(a.minValues[i % components], values[i]);
                a.maxValues[i % components] = std::max<double>(a.maxValues[i % components], values[i]);
            }
        }
        gltf_.accessors.push_back(a);
        return static_cast<int>(gltf_.accessors.size() - 1);
    }

    int indices(size_t count) {
        std::vector<uint32_t> list(count);
        for (size_t i = 0; i < count; ++i) list[i] = static_cast<uint32_t>(i);
        tinygltf::Accessor a;
        a.bufferView = view(list.data(), list.size() * sizeof(uint32_t), TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
        a.componentType = TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT;
        a.type = TINYGLTF_TYPE_SCALAR;
        a.count = count;
        gltf_.accessors.push_back(a);
        return static_cast<int>(gltf_.accessors.size() - 1);
    }

    tinygltf::Model& gltf() { return gltf_; }

private:
    tinygltf::Model gltf_;
};

Value note(const std::string& text) { return Value(text); }

Value extras(std::initializer_list<std::pair<const char*, Value>> entries) {
    Value::Object object;
    for (const auto& [key, value] : entries) object[key] = value;
    return Value(object);
}

std::vector<double> colourFactor(const uint8_t colour[3]) {
    return {linearFromByte(colour[0]), linearFromByte(colour[1]), linearFromByte(colour[2]), 1.0};
}

// How the saver blends: a textured face with its texture's alpha times the
// corner alpha; an untextured face not at all, only its corners of alpha 0
// are cut away.
void setAlphaMode(tinygltf::Material& material, const ExportMaterial& m) {
    if (m.texture != nullptr) {
        if (m.partialPixels || m.translucentCorners || (m.texture->flags & textureAdditive)) {
            material.alphaMode = "BLEND";
        } else if (m.translucentPixels) {
            material.alphaMode = "MASK";
            material.alphaCutoff = 0.5;
        }
    } else if (m.clearCorners) {
        material.alphaMode = "MASK";
        material.alphaCutoff = 1.0 / 512;
    }
}

// Each image is charged to the budget as it is encoded, before it goes into the buffer.
void addMaterials(GltfBuilder& b, const std::vector<ExportMaterial>& materials, ExportBudget& budget, bool binary) {
    tinygltf::Model& g = b.gltf();
    bool needSampler = false;
    for (const ExportMaterial& m : materials) {
        tinygltf::Material material;
        material.name = utf8Text(m.name);
        material.pbrMetallicRoughness.metallicFactor = 0.0;
        material.pbrMetallicRoughness.roughnessFactor = 1.0;
        setAlphaMode(material, m);
        if (m.texture == nullptr) {
            material.pbrMetallicRoughness.baseColorFactor = colourFactor(m.colour);
        } else if (m.texture->frameCount > 0) {
            const TextureFrame& frame = m.texture->frames[0];
            const std::vector<uint8_t> png = encodePng(frame.width, frame.height, frame.pixels);
            budget.charge(gltfImageBytes(png.size(), binary));
            tinygltf::Image image;
            image.name = material.name;
            image.mimeType = "image/png";
            image.bufferView = b.view(png.data(), png.size(), 0);
            g.images.push_back(image);
            tinygltf::Texture texture;
            texture.source = static_cast<int>(g.images.size() - 1);
            texture.sampler = 0;
            g.textures.push_back(texture);
            material.pbrMetallicRoughness.baseColorTexture.index = static_cast<int>(g.textures.size() - 1);
            needSampler = true;

            Value::Object notes;
            if (m.texture->flags & textureAdditive)
                notes["additive"] = note("the saver adds this texture to what is behind it (source alpha, one)");
            if (m.texture->frameCount > 1)
                notes["animated"] = note("frame 0 of " + std::to_string(m.texture->frameCount) + " frames");
            if (m.texture->slideRateU != 0.0f || m.texture->slideRateV != 0.0f)
                notes["slide"] = Value(Value::Array{Value(m.texture->slideRateU), Value(m.texture->slideRateV)});
            if (!notes.empty()) material.extras = Value(notes);
        }
        g.materials.push_back(material);
    }
    if (needSampler) {
        tinygltf::Sampler sampler;  // as the saver filters: bilinear, mipmapped, repeating
        sampler.magFilter = TINYGLTF_TEXTURE_FILTER_LINEAR;
        sampler.minFilter = TINYGLTF_TEXTURE_FILTER_LINEAR_MIPMAP_NEAREST;
        g.samplers.push_back(sampler);
    }
}

int addMesh(GltfBuilder& b, const ExportSubobject& s, const std::vector<ExportMaterial>& materials) {
    tinygltf::Mesh mesh;
    mesh.name = utf8Text(s.subobject->name);
    for (const ExportPrimitive& p : s.primitives) {
        std::vector<float> positions, normals, uvs, colours;
        positions.reserve(3 * p.corners.size());
        normals.reserve(3 * p.corners.size());
        uvs.reserve(2 * p.corners.size());
        colours.reserve(4 * p.corners.size());
        for (const ExportCorner& c : p.corners) {
            positions.insert(positions.end(), {c.position.x, c.position.y, c.position.z});
            normals.insert(normals.end(), {c.normal.x, c.normal.y, c.normal.z});
            uvs.insert(uvs.end(), {c.u, c.v});
            colours.insert(colours.end(), {1.0f, 1.0f, 1.0f, c.alpha});
        }
        tinygltf::Primitive primitive;
        primitive.mode = TINYGLTF_MODE_TRIANGLES;
        primitive.material = p.material;
        primitive.attributes["POSITION"] = b.accessor(positions, TINYGLTF_TYPE_VEC3, 3, TINYGLTF_TARGET_ARRAY_BUFFER, true);
        primitive.attributes["NORMAL"] = b.accessor(normals, TINYGLTF_TYPE_VEC3, 3, TINYGLTF_TARGET_ARRAY_BUFFER, false);
        // Untextured faces carry coordinates in the file too, but nothing uses them.
        if (materials[p.material].texture != nullptr)
            primitive.attributes["TEXCOORD_0"] = b.accessor(uvs, TINYGLTF_TYPE_VEC2, 2, TINYGLTF_TARGET_ARRAY_BUFFER, false);
        primitive.attributes["COLOR_0"] = b.accessor(colours, TINYGLTF_TYPE_VEC4, 4, TINYGLTF_TARGET_ARRAY_BUFFER, false);
        primitive.indices = b.indices(p.corners.size());
        mesh.primitives.push_back(primitive);
    }
    b.gltf().meshes.push_back(mesh);
    return static_cast<int>(b.gltf().meshes.size() - 1);
}

std::vector<double> quaternionXyzw(const Quaternion& q) { return {q.v.x, q.v.y, q.v.z, q.w}; }

// The rotation that takes +Z to the point's normal and +Y to its up vector.
Quaternion pointOrientation(const FunctionalPoint& p) {
    Vector z = toExportFrame(p.normal), y = toExportFrame(p.up);
    z.normalize();
    y = y - z * y.dot(z);
    if (z.squaredLength() == 0.0f || y.squaredLength() < 1e-12f) return Quaternion();
    y.normalize();
    const Vector x = y.cross(z);
    // Rotation matrix columns x, y, z to a quaternion (Shepperd's method).
    const float trace = x.x + y.y + z.z;
    Quaternion q;
    if (trace > 0.0f) {
        const float s = std::sqrt(trace + 1.0f) * 2.0f;
        q = Quaternion(0.25f * s, (y.z - z.y) / s, (z.x - x.z) / s, (x.y - y.x) / s);
    } else if (x.x > y.y && x.x > z.z) {
        const float s = std::sqrt(1.0f + x.x - y.y - z.z) * 2.0f;
        q = Quaternion((y.z - z.y) / s, 0.25f * s, (y.x + x.y) / s, (z.x + x.z) / s);
    } else if (y.y > z.z) {
        const float s = std::sqrt(1.0f + y.y - x.x - z.z) * 2.0f;
        q = Quaternion((z.x - x.z) / s, (y.x + x.y) / s, 0.25f * s, (z.y + y.z) / s);
    } else {
        const float s = std::sqrt(1.0f + z.z - x.x - y.y) * 2.0f;
        q = Quaternion((x.y - y.x) / s, (z.x + x.z) / s, (z.y + y.z) / s, 0.25f * s);
    }
    q.normalize();
    return q;
}

Value vectorValue(const Vector& v) { return Value(Value::Array{Value(v.x), Value(v.y), Value(v.z)}); }

void addNodes(GltfBuilder& b, const PolyModel& model, const ExportScene& scene) {
    tinygltf::Model& g = b.gltf();
    // Node i is subobject i; the points' nodes follow.
    g.nodes.resize(scene.subobjects.size());
    for (const ExportSubobject& e : scene.subobjects) {
        const Subobject& s = *e.subobject;
        tinygltf::Node node;
        node.name = utf8Text(s.name);
        const Vector rest = toExportFrame(s.positionTrack.defaultPosition);
        if (!(rest == Vector())) node.translation = {rest.x, rest.y, rest.z};
        if (!e.primitives.empty()) node.mesh = addMesh(b, e, scene.materials);
        for (const Subobject* child : s.children.as<Subobject>()) node.children.push_back(child->index);
        const int32_t kind = s.property->kind();
        if (e.billboard) {
            node.extras = extras({{"billboard", note("the saver turns this face to the camera, about the subobject's "
                                                     "origin, and draws it after everything else without writing depth")}});
        } else if (kind == SubobjectProperty::rotate) {
            node.extras = extras({{"spin", note("turns once every " + std::to_string(s.property->parameterValue(0)) +
                                                " seconds about its first rotation key's axis")}});
        } else if (kind == SubobjectProperty::fov) {
            node.extras = extras({{"turret", note("the saver keeps it at rest orientation, whatever its rotation keys")}});
        }
        g.nodes[s.index] = node;
    }
    for (FunctionalPointKind kind = 0; kind < functionalPointKindCount; ++kind) {
        for (const RefNode<FunctionalPoint>* ref : model.pointList(kind)->as<RefNode<FunctionalPoint>>()) {
            const FunctionalPoint& p = *ref->target;
            tinygltf::Node node;
            node.name = pointNodeName(kind, p.number);
            const Vector at = toExportFrame(p.position);
            node.translation = {at.x, at.y, at.z};
            const Quaternion q = pointOrientation(p);
            if (!(q == Quaternion())) node.rotation = quaternionXyzw(q);
            node.extras = extras({{"normal", vectorValue(toExportFrame(p.normal))}, {"up", vectorValue(toExportFrame(p.up))}});
            g.nodes.push_back(node);
            g.nodes[p.subobject->index].children.push_back(static_cast<int>(g.nodes.size() - 1));
        }
    }
    tinygltf::Scene root;
    for (const Subobject* s : model.rootSubobjects.as<Subobject>()) root.nodes.push_back(s->index);
    g.scenes.push_back(root);
    g.defaultScene = 0;
}

void addChannel(GltfBuilder& b, tinygltf::Animation& animation, int node, const char* path,
                const std::vector<float>& seconds, const std::vector<float>& values, int type, int components) {
    tinygltf::AnimationSampler sampler;
    sampler.input = b.accessor(seconds, TINYGLTF_TYPE_SCALAR, 1, 0, true);
    sampler.output = b.accessor(values, type, components, 0, false);
    sampler.interpolation = "LINEAR";
    animation.samplers.push_back(sampler);
    tinygltf::AnimationChannel channel;
    channel.sampler = static_cast<int>(animation.samplers.size() - 1);
    channel.target_node = node;
    channel.target_path = path;
    animation.channels.push_back(channel);
}

void addRotation(GltfBuilder& b, tinygltf::Animation& animation, int node, const RotationSamples& samples) {
    std::vector<float> values;
    values.reserve(4 * samples.values.size());
    for (const Quaternion& q : samples.values) {
        const Vector v = toExportFrame(q.v);
        values.insert(values.end(), {v.x, v.y, v.z, q.w});
    }
    addChannel(b, animation, node, "rotation", samples.seconds, values, TINYGLTF_TYPE_VEC4, 4);
}

void addAnimations(GltfBuilder& b, const PolyModel& model, float keyFramesPerSecond) {
    tinygltf::Animation keyframes;
    keyframes.name = "keyframes";
    std::vector<tinygltf::Animation> spins;
    for (const RefNode<Subobject>* ref : model.allSubobjects->as<RefNode<Subobject>>()) {
        const Subobject& s = *ref->target;
        const PositionSamples positions = samplePositionTrack(s, keyFramesPerSecond);
        if (!positions.seconds.empty()) {
            std::vector<float> values;
            values.reserve(3 * positions.values.size());
            for (const Vector& p : positions.values) {
                const Vector v = toExportFrame(p);
                values.insert(values.end(), {v.x, v.y, v.z});
            }
            addChannel(b, keyframes, s.index, "translation", positions.seconds, values, TINYGLTF_TYPE_VEC3, 3);
        }
        const RotationSamples rotations = sampleRotationTrack(s, keyFramesPerSecond);
        if (!rotations.seconds.empty()) addRotation(b, keyframes, s.index, rotations);
        const RotationSamples spin = sampleSpin(s);
        if (!spin.seconds.empty()) {
            tinygltf::Animation animation;
            animation.name = "spin " + utf8Text(s.name);
            addRotation(b, animation, s.index, spin);
            spins.push_back(animation);
        }
    }
    if (!keyframes.channels.empty()) {
        keyframes.extras = extras({{"keyFramesPerSecond", Value(keyFramesPerSecond)},
                                   {"playback", note("the saver plays it forwards, then backwards, and again")}});
        b.gltf().animations.push_back(keyframes);
    }
    for (tinygltf::Animation& spin : spins) b.gltf().animations.push_back(spin);
}
}  // namespace

std::string gltfFile(const PolyModel& model, const GltfOptions& options) {
    const ExportScene scene = collectScene(model);
    ExportBudget budget;
    const double bound = gltfBytesBound(model, scene, options.binary);
    budget.charge(bound);
    GltfBuilder builder(static_cast<size_t>(bound));
    tinygltf::Model& g = builder.gltf();
    g.asset.version = "2.0";
    g.asset.generator = "kvtool export";
    addMaterials(builder, scene.materials, budget, options.binary);
    addNodes(builder, model, scene);
    addAnimations(builder, model, options.keyFramesPerSecond);
    if (g.buffers[0].data.empty()) g.buffers.clear();

    // Written into a string as large as the file can be, images and all.
    std::string file;
    file.reserve(static_cast<size_t>(budget.charged()));
    std::ostringstream out(std::move(file));
    tinygltf::TinyGLTF writer;
    if (!writer.WriteGltfSceneToStream(&g, out, !options.binary, options.binary)) fail("Cannot write glTF");
    return std::move(out).str();
}
