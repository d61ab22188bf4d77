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
// 0), named `baseName`_TEXTURE.png with the texture's name made a plain file
// name (safeFileName), unique whatever the letter case. Vertex alpha and
// blending have no place in OBJ and are left out; gun, ground and attach
// points are comments. `baseName` is put into the file names as it is: a
// caller that takes it from an archive makes it safe first. Throws a message
// text for a model past the bounds of export_budget.h.
std::vector<ObjFile> objFiles(const PolyModel& model, const std::string& baseName);
