// kvtool export: a model in other tools' formats (glTF 2.0, Wavefront OBJ).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include <CLI/CLI.hpp>

#include "data/game_table.h"
#include "data/hog_file.h"
#include "data/kv_path.h"
#include "data/safe_file_name.h"
#include "export/gltf_writer.h"
#include "export/obj_writer.h"
#include "model/poly_model.h"
#include "show/game_archive.h"
#include "tool_support.h"

namespace fs = std::filesystem;

namespace {
std::string lowerExtension(const std::string& path) {
    std::string extension = fs::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

// What `export --all` may write in all, unless --max-size says otherwise. Each
// export is bounded on its own, but models of a few bytes may all name one
// large bitmap, which every export embeds again: 2,000 models naming one
// noisy 512 x 512 picture would write 1.6 GB from an archive of 1.5 MB. Real
// archives write a few times their size (the demo 2 to 3 times).
constexpr uint64_t exportAllTimesArchive = 32;
constexpr uint64_t exportAllLeastMb = 256;

struct ExportOptions {
    std::string archive;
    std::string model;
    bool all = false;
    std::string output;
    std::string format;
    float animSpeed = 5.0f;
    uint64_t maxSizeMb = 0;  // 0: exportAllTimesArchive times the archive, at least exportAllLeastMb
};

std::unique_ptr<PolyModel> readModel(const std::string& name) {
    const std::unique_ptr<InFile> stream(searchPath.open(name.c_str()));
    return std::make_unique<PolyModel>(*stream);
}

// Writes `model` as `format` at `path` (OBJ: with its MTL and PNGs beside it)
// and returns the bytes written. Throws a message text when the model cannot
// be exported, ToolError when a file cannot be written.
uint64_t writeModel(const PolyModel& model, const std::string& format, const std::string& path, float animSpeed) {
    if (format == "obj") {
        const fs::path out(path);
        const std::vector<ObjFile> files = objFiles(model, out.stem().string());
        uint64_t written = 0;
        // The .obj goes last: it is the file that names the others.
        for (size_t i = files.size(); i-- > 0;) {
            const std::string filePath = i == 0 ? path : (out.parent_path() / files[i].name).string();
            writeFileSafely(filePath, files[i].bytes.data(), files[i].bytes.size());
            written += files[i].bytes.size();
        }
        return written;
    }
    GltfOptions gltf;
    gltf.keyFramesPerSecond = animSpeed;
    gltf.binary = format == "glb";
    const std::string bytes = gltfFile(model, gltf);
    writeFileSafely(path, bytes.data(), bytes.size());
    return bytes.size();
}

// Every model of the archive into the folder, each under its entry's name made
// a plain file name, alike names kept apart; a model that fails is named and
// skipped. False when some model was not written.
bool exportAll(const ExportOptions& options, const std::string& format) {
    std::error_code error;
    fs::create_directories(options.output, error);
    if (error || !fs::is_directory(options.output, error)) throw ToolError(options.output, "cannot create folder");
    const OpenedGame& game = withModels(openGame(options.archive));
    HogFile& archive = game.archive();
    uint64_t maxMb = options.maxSizeMb;
    if (maxMb == 0) {
        const uint64_t archiveMb = (fs::file_size(archive.path, error) + (1 << 20) - 1) >> 20;
        maxMb = std::max(exportAllLeastMb, exportAllTimesArchive * (error ? 0 : archiveMb));
    }
    // Checked before each model: one export, itself bounded, may pass it.
    const uint64_t maxBytes = maxMb << 20;
    uint64_t written = 0;

    const bool progress = standardErrorIsTerminal();
    // OBJ sets their pictures beside each model: a folder each keeps those apart too.
    UniqueNames names(true);
    int exported = 0, unreadable = 0, unexportable = 0, unwritten = 0;
    size_t left = 0;
    for (int32_t i = 0; i < game.modelCount(); ++i) {
        if (written >= maxBytes) {
            left = static_cast<size_t>(game.modelCount() - i);
            if (progress) std::fputc('\n', stderr);
            std::fprintf(stderr, "kvtool: export: stopped at %llu MB, the most this archive may write (--max-size)\n",
                         static_cast<unsigned long long>(maxMb));
            break;
        }
        const char* entry = game.modelName(i);
        if (progress) std::fprintf(stderr, "\rkvtool: export: %d/%d %-40.40s", i + 1, game.modelCount(), entry);
        const std::string stem = names.take(safeFileName(modelBaseName(entry)));
        const fs::path folder = format == "obj" ? fs::path(options.output) / stem : fs::path(options.output);
        auto report = [&](const std::string& what) {
            if (progress) std::fputc('\n', stderr);
            std::fprintf(stderr, "kvtool: %s: %s\n", entry, what.c_str());
        };
        std::unique_ptr<PolyModel> model;
        try {
            // Through the archive: an entry name with a "/" is no path on disk.
            model.reset(readModelEntry(archive, entry));
        } catch (Message message) {
            report(message);
            ++unreadable;
            continue;
        }
        try {
            fs::create_directories(folder, error);
            written += writeModel(*model, format, (folder / (stem + "." + format)).string(), options.animSpeed);
            ++exported;
        } catch (Message message) {
            report(message);
            ++unexportable;
        } catch (const ToolError& failure) {
            report(failure.subject + ": " + failure.what());
            ++unwritten;
        }
    }
    if (progress) std::fputs("\r\033[K", stderr);
    std::string summary = std::to_string(exported) + " exported";
    if (unreadable > 0) summary += ", " + std::to_string(unreadable) + " could not be read";
    if (unexportable > 0) summary += ", " + std::to_string(unexportable) + " could not be exported";
    if (unwritten > 0) summary += ", " + std::to_string(unwritten) + " could not be written";
    if (left > 0) summary += ", " + std::to_string(left) + " left out";
    std::printf("%s\n", summary.c_str());
    return exported == game.modelCount();
}
}  // namespace

void addExportCommand(CLI::App& app) {
    auto options = std::make_shared<ExportOptions>();
    CLI::App* command = app.add_subcommand(
        "export", "Write a model, or every model of an archive, as glTF 2.0 (.glb, or .gltf with everything embedded) "
                  "or as Wavefront OBJ");
    addArchiveArgument(*command, options->archive);
    command->add_option("MODEL", options->model, "Entry name of the model (letter case does not matter)");
    command->add_flag("--all", options->all,
                      "Every model of the archive into the folder OUT (made if missing), named after its entry");
    command->add_option("-o,--output", options->output,
                        "File to write: OUT.glb or OUT.gltf; with --format obj, OUT.obj with OUT.mtl and PNGs beside "
                        "it; with --all, the folder")
        ->required();
    command->add_option("--format", options->format,
                        "glb, gltf, or obj: Wavefront OBJ + MTL + PNG of the model at rest (no animation); "
                        "with --all the default is glb, and each OBJ gets a folder of its own")
        ->check(CLI::IsMember({"obj", "gltf", "glb"}));
    command->add_option("--anim-speed", options->animSpeed,
                        "Key frames per second of the glTF animation (default 5, the saver's default)");
    command->add_option("--max-size", options->maxSizeMb,
                        "With --all: stop once the exports hold this many MB (default 32 times the archive's size, "
                        "at least 256)")
        ->check(CLI::Range(uint64_t{1}, uint64_t{1} << 30));
    command->callback([options] {
        if (options->all == !options->model.empty())
            throw ToolError("export", options->all ? "give MODEL or --all, not both" : "give MODEL or --all");
        if (options->maxSizeMb != 0 && !options->all) throw ToolError("--max-size", "goes with --all");
        if (!(options->animSpeed > 0.0f) || options->animSpeed > 1000.0f)
            throw ToolError("--anim-speed", "must be above 0 and at most 1000 key frames per second");
        std::string format = options->format;
        if (options->all) {
            if (!exportAll(*options, format.empty() ? "glb" : format)) throw ExitStatus{1};
            return;
        }
        const std::string extension = lowerExtension(options->output);
        if (format.empty()) {
            if (extension == ".glb" || extension == ".gltf" || extension == ".obj") format = extension.substr(1);
            else throw ToolError(options->output, "expected a .glb, .gltf or .obj file name, or --format");
        }
        requireOutputFolder(options->output);

        openGame(options->archive);
        std::unique_ptr<PolyModel> model;
        about(options->model, [&] { model = readModel(options->model); });
        about(options->model, [&] { writeModel(*model, format, options->output, options->animSpeed); });
    });
}
