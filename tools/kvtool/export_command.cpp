// kvtool export: a model in other tools' formats (glTF 2.0, Wavefront OBJ).
#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>

#include <CLI/CLI.hpp>

#include "data/game_table.h"
#include "data/kv_path.h"
#include "export/gltf_writer.h"
#include "export/obj_writer.h"
#include "model/poly_model.h"
#include "tool_support.h"

namespace fs = std::filesystem;

namespace {
std::string lowerExtension(const std::string& path) {
    std::string extension = fs::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}
}  // namespace

void addExportCommand(CLI::App& app) {
    struct Options {
        std::string archive;
        std::string model;
        std::string output;
        std::string format;
        float animSpeed = 5.0f;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand(
        "export", "Write a model as glTF 2.0 (.glb, or .gltf with everything embedded) or as Wavefront OBJ");
    command->add_option("ARCHIVE", options->archive, "HOG2 archive, or a directory holding kv.hog")->required();
    command->add_option("MODEL", options->model, "Entry name of the model (letter case does not matter)")->required();
    command->add_option("-o,--output", options->output,
                        "File to write: OUT.glb or OUT.gltf; with --format obj, OUT.obj with OUT.mtl and PNGs beside it")
        ->required();
    command->add_option("--format", options->format, "obj: Wavefront OBJ + MTL + PNG of the model at rest (no animation)")
        ->check(CLI::IsMember({"obj", "gltf", "glb"}));
    command->add_option("--anim-speed", options->animSpeed,
                        "Key frames per second of the glTF animation (default 5, the saver's default)");
    command->callback([options] {
        const std::string extension = lowerExtension(options->output);
        std::string format = options->format;
        if (format.empty()) {
            if (extension == ".glb" || extension == ".gltf" || extension == ".obj") format = extension.substr(1);
            else throw ToolError(options->output, "expected a .glb, .gltf or .obj file name, or --format");
        }
        if (!(options->animSpeed > 0.0f) || options->animSpeed > 1000.0f)
            throw ToolError("--anim-speed", "must be above 0 and at most 1000 key frames per second");
        requireOutputFolder(options->output);

        useArchive(options->archive);
        about("table.gam", [] { loadGameTable("table.gam"); });
        std::unique_ptr<PolyModel> model;
        about(options->model, [&] {
            const std::unique_ptr<InFile> stream(searchPath.open(options->model.c_str()));
            model = std::make_unique<PolyModel>(*stream);
        });

        if (format == "obj") {
            const fs::path out(options->output);
            std::vector<ObjFile> files;
            about(options->model, [&] { files = objFiles(*model, out.stem().string()); });
            // The .obj goes last: it is the file that names the others.
            for (size_t i = files.size(); i-- > 0;) {
                const std::string path = i == 0 ? options->output : (out.parent_path() / files[i].name).string();
                writeFileSafely(path, files[i].bytes.data(), files[i].bytes.size());
            }
            return;
        }
        GltfOptions gltf;
        gltf.keyFramesPerSecond = options->animSpeed;
        gltf.binary = format == "glb";
        std::string bytes;
        about(options->model, [&] { bytes = gltfFile(*model, gltf); });
        writeFileSafely(options->output, bytes.data(), bytes.size());
    });
}
