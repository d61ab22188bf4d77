#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/vector.h"

class PolyModel;
class Subobject;
struct Texture;

// What every exporter needs of a model, worked out once: its materials and,
// per subobject, its faces cut into triangles and grouped by material. The
// model stays the owner of everything pointed at.

// One material per texture and one per face colour.
struct ExportMaterial {
    std::string name;
    const Texture* texture = nullptr;  // null for a colour
    uint8_t colour[3] = {255, 255, 255};
    bool translucentCorners = false;   // a face using it has a corner alpha below 1
    bool clearCorners = false;         // ... or of exactly 0, which the saver never draws
    // Frame 0 of a texture: whether some pixel is not opaque, and whether
    // some is neither opaque nor clear.
    bool translucentPixels = false;
    bool partialPixels = false;
};

// A triangle corner as the renderer draws it with smooth shading off: the
// face's normal at every corner.
struct ExportCorner {
    Vector position;  // in the subobject's frame
    Vector normal;    // unit
    float u = 0.0f;   // as stored: (0, 0) is the first pixel of the first row
    float v = 0.0f;
    float alpha = 1.0f;
};

struct ExportPrimitive {
    int32_t material = 0;              // into ExportScene::materials
    std::vector<ExportCorner> corners; // three per triangle, in the face's winding
};

struct ExportSubobject {
    const Subobject* subobject = nullptr;
    // A $facing subobject is turned to the camera about its centre and shows
    // only its first face; it is exported as that face, centred on its origin.
    bool billboard = false;
    std::vector<ExportPrimitive> primitives;  // in order of each material's first face
};

struct ExportScene {
    std::vector<ExportMaterial> materials;
    std::vector<ExportSubobject> subobjects;  // by subobject index
};

// Faces are cut as fans from their first corner; faces of fewer than three
// corners draw nothing and are left out.
ExportScene collectScene(const PolyModel& model);

// The name of the n-th point of a kind, as its empty node is called: "gun 0",
// "ground 1", "attach 2".
std::string pointNodeName(int32_t kind, int32_t number);

// A name from a game file as UTF-8, as glTF's JSON must hold it: kept when
// it is UTF-8 already, otherwise read byte by byte as Latin-1.
std::string utf8Text(const std::string& name);

// An sRGB byte as a linear factor: glTF and OBJ colour factors are linear,
// while the saver's bytes, like the textures' pixels, are shown as they are.
float linearFromByte(uint8_t value);

