#include "export/export_budget.h"

#include <cstring>
#include <string>

#include "core/message.h"
#include "export/export_scene.h"
#include "export/track_samples.h"
#include "model/poly_model.h"

namespace {
// Upper bounds of what tinygltf writes, item by item. In a .gltf the JSON is
// indented two spaces a level, and nothing we write nests deeper than six
// levels: a number (at most 24 characters: 17 digits, sign, point, exponent)
// takes a line of at most 40 bytes, any other line of a fixed field 64.
constexpr double numberLine = 40;
constexpr double fieldLine = 64;
// A name's byte becomes at most six in JSON ("\u001f"); Latin-1 bytes two.
constexpr double perNameByte = 6;
// The longest note the writer puts in extras, with a number in it.
constexpr double noteBytes = 256;

constexpr double accessorBytes = 12 * fieldLine + 6 * numberLine;  // min and max of three
constexpr double bufferViewBytes = 6 * fieldLine;
constexpr double nodeBytes = 20 * fieldLine + 13 * numberLine + noteBytes;  // translation, rotation, normal, up
constexpr double meshBytes = 6 * fieldLine;
constexpr double primitiveBytes = 12 * fieldLine;
constexpr double materialBytes = 24 * fieldLine + 9 * numberLine + 2 * noteBytes;
constexpr double imageBytes = 6 * fieldLine + bufferViewBytes;
constexpr double textureBytes = 4 * fieldLine;
constexpr double animationBytes = 12 * fieldLine + noteBytes;
// A channel, its sampler, and the time and value accessors with their views.
constexpr double channelBytes = 12 * fieldLine + 2 * (accessorBytes + bufferViewBytes);
// Asset, scene, buffer, sampler, the top-level arrays, the .glb's headers
// and paddings, the .gltf's data URI prefix.
constexpr double fixedBytes = 64 * fieldLine;

// Buffer bytes per triangle corner: position, normal, texture coordinates,
// colour and index.
constexpr double cornerBytes = 12 + 12 + 8 + 16 + 4;

double nameBytes(const char* name) { return perNameByte * static_cast<double>(std::strlen(name)); }

// Lines of OBJ text: a %.6g number takes at most 12 characters ("-1.23457e+38";
// floats go no higher). A corner takes a v, a vt and a vn line and a third of
// an f line, which names three corners by their index thrice.
constexpr double objCornerBytes = 41 + 29 + 42;
double objFaceBytesPerCorner(double indexDigits) { return (2 + 3 * (3 * indexDigits + 3)) / 3.0; }
constexpr double objLineBytes = 80;
}  // namespace

void ExportBudget::charge(double bytes) {
    charged_ += bytes;
    if (!(charged_ <= static_cast<double>(maxExportBytes))) fail("Model too large to export");
}

double gltfBytesBound(const PolyModel& model, const ExportScene& scene, bool binary) {
    size_t rotationSamples = 0;
    double json = fixedBytes;
    double buffer = 0;
    for (const ExportSubobject& e : scene.subobjects) {
        const Subobject& s = *e.subobject;
        // Its node, its place among its parent's or the scene's children, its mesh.
        json += nodeBytes + numberLine + 3 * nameBytes(s.name) + meshBytes;
        for (const ExportPrimitive& p : e.primitives) {
            json += primitiveBytes + 5 * (accessorBytes + bufferViewBytes);
            buffer += cornerBytes * static_cast<double>(p.corners.size());
        }
        const size_t positions = positionSampleCount(s);
        if (positions > 0) json += channelBytes;
        buffer += (4 + 12) * static_cast<double>(positions);
        const size_t rotations = rotationSampleCount(s);
        rotationSamples += rotations;
        if (rotationSamples > maxExportRotationSamples) fail("Rotation keys turn too far to export");
        if (rotations > 0) json += channelBytes;
        buffer += (4 + 16) * static_cast<double>(rotations);
        if (s.property->kind() == SubobjectProperty::rotate) {
            json += animationBytes + channelBytes;
            buffer += (4 + 16) * 9.0;
        }
    }
    json += animationBytes;
    for (FunctionalPointKind kind = 0; kind < functionalPointKindCount; ++kind)
        json += (nodeBytes + numberLine) * model.pointList(kind)->count;
    for (const ExportMaterial& m : scene.materials) {
        json += materialBytes + nameBytes(m.name.c_str());
        if (m.texture != nullptr) json += imageBytes + textureBytes + nameBytes(m.name.c_str());
    }
    // Every view starts on a 4-byte boundary; the .gltf holds the buffer in base64.
    buffer += 4.0 * static_cast<double>(scene.materials.size());
    return json + (binary ? buffer : buffer * 4 / 3 + 4);
}

double gltfImageBytes(size_t pngBytes, bool binary) {
    const double padded = static_cast<double>(pngBytes) + 3;
    return binary ? padded : padded * 4 / 3 + 4;
}

double objBytesBound(const PolyModel& model, const ExportScene& scene, size_t baseNameLength) {
    const double base = static_cast<double>(baseNameLength);
    size_t corners = 0;
    for (const ExportSubobject& e : scene.subobjects)
        for (const ExportPrimitive& p : e.primitives) corners += p.corners.size();
    const double perCorner = objCornerBytes + objFaceBytesPerCorner(static_cast<double>(std::to_string(corners).size()));
    // The .obj's and the .mtl's first lines.
    double bytes = 4 * objLineBytes + base + perCorner * static_cast<double>(corners);
    for (const ExportSubobject& e : scene.subobjects) {
        bytes += 2 * objLineBytes + static_cast<double>(std::strlen(e.subobject->name));
        // "usemtl", with the material's name and the number that makes it unique.
        for (const ExportPrimitive& p : e.primitives)
            bytes += objLineBytes + static_cast<double>(scene.materials[p.material].name.size());
    }
    for (FunctionalPointKind kind = 0; kind < functionalPointKindCount; ++kind)
        bytes += objLineBytes * model.pointList(kind)->count;
    // Each material's lines, its name twice and its image's file name twice.
    for (const ExportMaterial& m : scene.materials)
        bytes += 6 * objLineBytes + 2 * (static_cast<double>(m.name.size()) + 2 * objLineBytes + base);
    return bytes;
}
