// Any bytes as an OOF model (textures from the demo archive), exported to
// .glb, .gltf and .obj in memory. Beyond not crashing, each export must stay
// within the bound it promised before it was built.
#include <cstdlib>

#include "export/export_budget.h"
#include "export/export_scene.h"
#include "export/gltf_writer.h"
#include "export/obj_writer.h"
#include "fuzz_support.h"
#include "image/png_writer.h"
#include "model/poly_model.h"
#include "textures/texture.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    useDemoArchive();
    return 0;
}

namespace {
// The PNG bytes each export holds, as the writers encode them.
std::vector<size_t> imageSizes(const ExportScene& scene) {
    std::vector<size_t> sizes;
    for (const ExportMaterial& m : scene.materials) {
        if (m.texture == nullptr || m.texture->frameCount < 1) continue;
        const TextureFrame& frame = m.texture->frames[0];
        sizes.push_back(encodePng(frame.width, frame.height, frame.pixels).size());
    }
    return sizes;
}

void exportAll(const PolyModel& model) {
    const ExportScene scene = collectScene(model);
    const std::vector<size_t> images = imageSizes(scene);
    for (const bool binary : {true, false}) {
        GltfOptions options;
        options.binary = binary;
        std::string file;
        try {
            file = gltfFile(model, options);
        } catch (Message) {
            continue;
        }
        double bound = gltfBytesBound(model, scene, binary);
        for (const size_t png : images) bound += gltfImageBytes(png, binary);
        if (static_cast<double>(file.size()) > bound) std::abort();
    }
    try {
        size_t written = 0;
        for (const ObjFile& file : objFiles(model, "model")) {
            // Image files are named after textures: never a folder, nothing a file system refuses.
            if (file.name.find_first_of("/\\:*?\"<>|") != std::string::npos) std::abort();
            written += file.bytes.size();
        }
        double bound = objBytesBound(model, scene, 5);
        for (const size_t png : images) bound += static_cast<double>(png);
        if (static_cast<double>(written) > bound) std::abort();
    } catch (Message) {
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = scratchPath("model.oof");
    writeScratch(path, data, size);
    try {
        StdioInFile stream(path.c_str());
        const PolyModel model(stream);
        exportAll(model);
    } catch (Message) {
    }
    return 0;
}
