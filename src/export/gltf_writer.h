#pragma once

#include <string>

class PolyModel;

struct GltfOptions {
    // Key frames per second of the animation clock; the saver's default is 5.
    float keyFramesPerSecond = 5.0f;
    // The binary container (.glb); otherwise JSON with the buffer embedded
    // as a data URI (.gltf).
    bool binary = true;
};

// A complete model as one glTF 2.0 file, in the frame of frame_convention.h:
// - a node per subobject, named as the subobject, in the subobject tree's
//   shape, at its rest position and orientation, with its mesh (faces as
//   triangle fans, the face normal at every corner, texture coordinates, and
//   the vertex alpha in COLOR_0);
// - an empty node per gun, ground and attach point under its subobject,
//   named "gun 0", "ground 1", "attach 2", its +Z along the point's normal;
// - a material per texture (frame 0 as a PNG image) and per face colour;
// - the animation "keyframes" with the position and rotation tracks, and one
//   animation "spin <name>" of one period per $rotate subobject.
// What glTF cannot say (billboards, additive blending, animated and sliding
// textures) is noted in the "extras" of the node or material concerned.
// Names are written as UTF-8 (utf8Text). Returns the file's bytes; throws
// a message text for a model past the bounds of export_budget.h.
std::string gltfFile(const PolyModel& model, const GltfOptions& options);
