#include "export/obj_writer.h"

#include <cstdio>
#include <string>

#include "data/safe_file_name.h"
#include "export/export_budget.h"
#include "export/export_scene.h"
#include "export/frame_convention.h"
#include "image/png_writer.h"
#include "model/poly_model.h"
#include "textures/texture.h"

namespace {
std::string format(const char* pattern, double a, double b, double c) {
    char line[128];
    std::snprintf(line, sizeof line, pattern, a, b, c);
    return line;
}

// Names from game files as one word of plain characters, for OBJ's
// whitespace-separated statements.
std::string plainName(const std::string& name) {
    std::string out;
    for (unsigned char c : name) out += (c > ' ' && c < 127 && c != '/' && c != '\\' && c != '#') ? static_cast<char>(c) : '_';
    return out.empty() ? "_" : out;
}

// Where each subobject's origin lies in the model's frame at rest.
std::vector<Vector> restOrigins(const PolyModel& model) {
    std::vector<Vector> origins(model.allSubobjects->count);
    for (const RefNode<Subobject>* ref : model.allSubobjects->as<RefNode<Subobject>>()) {
        Vector at;
        for (const Subobject* s = ref->target; s != nullptr; s = s->parent) at += s->positionTrack.defaultPosition;
        origins[ref->target->index] = at;
    }
    return origins;
}
}  // namespace

std::vector<ObjFile> objFiles(const PolyModel& model, const std::string& baseName) {
    const ExportScene scene = collectScene(model);
    ExportBudget budget;
    budget.charge(objBytesBound(model, scene, baseName.size()));
    std::vector<ObjFile> files(2);
    files[0].name = baseName + ".obj";
    files[1].name = baseName + ".mtl";

    // Materials, with a unique name and a unique image file each. The image's
    // name is made a plain file name: a texture's name chooses no folder.
    std::string mtl = "# kvtool export: one material per texture and per face colour\n";
    std::vector<std::string> materialNames;
    UniqueNames names(false), fileNames(true);
    for (const ExportMaterial& m : scene.materials) {
        const std::string name = names.take(plainName(m.name));
        materialNames.push_back(name);
        mtl += "\nnewmtl " + name + "\n";
        if (m.texture != nullptr && m.texture->frameCount > 0) {
            mtl += "Kd 1 1 1\n";
            const TextureFrame& frame = m.texture->frames[0];
            const std::string image = baseName + "_" + fileNames.take(safeFileName(name)) + ".png";
            files.push_back({image, encodePng(frame.width, frame.height, frame.pixels)});
            budget.charge(static_cast<double>(files.back().bytes.size()));
            mtl += "map_Kd " + image + "\n";
            if (m.translucentPixels) mtl += "map_d -imfchan m " + image + "\n";
            if (m.texture->flags & textureAdditive) mtl += "# additive in the saver (source alpha, one)\n";
        } else {
            mtl += format("Kd %.6f %.6f %.6f\n", linearFromByte(m.colour[0]), linearFromByte(m.colour[1]),
                          linearFromByte(m.colour[2]));
        }
        mtl += "Ks 0 0 0\nillum 1\n";
    }
    files[1].bytes.assign(mtl.begin(), mtl.end());

    const std::vector<Vector> origins = restOrigins(model);
    std::string obj = "# kvtool export: the model at rest, no animation\nmtllib " + files[1].name + "\n";
    size_t corners = 0;
    for (const ExportSubobject& e : scene.subobjects) {
        const Subobject& s = *e.subobject;
        obj += "\ng " + plainName(s.name) + "\n";
        if (e.billboard) obj += "# faces the camera in the saver\n";
        for (const ExportPrimitive& p : e.primitives) {
            obj += "usemtl " + materialNames[p.material] + "\n";
            for (const ExportCorner& c : p.corners) {
                const Vector at = c.position + toExportFrame(origins[s.index]);
                obj += format("v %.6g %.6g %.6g\n", at.x, at.y, at.z);
                // OBJ counts v from the image's bottom row; the model from its top row.
                char uv[64];
                std::snprintf(uv, sizeof uv, "vt %.6g %.6g\n", c.u, 1.0 - c.v);
                obj += uv;
                obj += format("vn %.6g %.6g %.6g\n", c.normal.x, c.normal.y, c.normal.z);
            }
            for (size_t i = 0; i < p.corners.size(); i += 3) {
                const size_t a = corners + i + 1, b = a + 1, c = a + 2;
                char line[96];
                std::snprintf(line, sizeof line, "f %zu/%zu/%zu %zu/%zu/%zu %zu/%zu/%zu\n", a, a, a, b, b, b, c, c, c);
                obj += line;
            }
            corners += p.corners.size();
        }
        for (FunctionalPointKind kind = 0; kind < functionalPointKindCount; ++kind)
            for (const FunctionalPoint* point : s.points[kind].as<FunctionalPoint>()) {
                const Vector at = toExportFrame(point->position + origins[s.index]);
                obj += "# " + pointNodeName(kind, point->number) + format(" at %.6g %.6g %.6g\n", at.x, at.y, at.z);
            }
    }
    files[0].bytes.assign(obj.begin(), obj.end());
    return files;
}
