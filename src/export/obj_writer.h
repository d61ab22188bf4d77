#pragma once

#include <cstdint>
#include <string>
#include <vector>

class PolyModel;

struct ObjFile {
    std::string name;           // a base name, to be written beside the .obj
    std::vector<uint8_t> bytes;
};

// The model at rest (every subobject at its rest position, unturned, no
// animation) as Wavefront OBJ: one group per subobject named as it, a
// material per texture and per face colour. The first file is the .obj, the
// second the .mtl it names (`baseName`.mtl), then one PNG per texture (frame
// 0). Vertex alpha and blending have no place in OBJ and are left out; gun,
// ground and attach points are comments.
std::vector<ObjFile> objFiles(const PolyModel& model, const std::string& baseName);
