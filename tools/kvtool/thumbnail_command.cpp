// kvtool thumbnail: the picture a file manager shows for a .hog, run by the
// desktop's thumbnailer entry (packaging/kvss.thumbnailer) as
//   kvtool thumbnail --size %s %i %o
// A square PNG of at most the asked size: the archive's first models, drawn
// offscreen as the saver draws them, two by two. On any failure it writes no
// file and exits with status 1, which file managers take as "no thumbnail".
#include <algorithm>
#include <cstdio>
#include <memory>
#include <stdexcept>

#include <CLI/CLI.hpp>

#include "model_pictures.h"
#include "png_file.h"
#include "tool_support.h"

namespace {
// The largest thumbnail the freedesktop cache keeps (xx-large); a larger
// request gets this size, which is still "at most the asked size".
constexpr int largestThumbnail = 1024;
// Cells have at least 8 pixels; a model drawn smaller shows nothing.
constexpr int smallestThumbnail = 16;
// Two by two: the first four models that can be drawn.
constexpr int thumbnailCellsPerSide = 2;
// Models that cannot be read are skipped, but a hostile archive of a thousand
// of them is given up on after this many, so that a thumbnailer never grinds.
constexpr size_t thumbnailModelsTried = 16;

// The saver leaves room around a model for the camera's drift, which in a
// small square leaves the model a speck: the cell is drawn at twice its size
// and the cell-sized square around the model's lit pixels is kept.
constexpr int thumbnailZoom = 2;

// Draws one model, 1.5 seconds into its time on screen, as the contact sheet
// does; throws the reader's message when the model cannot be read.
std::vector<uint8_t> drawThumbnailCell(const std::string& archive, const std::string& model, int cell) {
    const int size = cell * thumbnailZoom;
    OffscreenSaver::Options run;
    run.archivePath = archive;
    run.width = size;
    run.height = size;
    run.model = model;
    const std::vector<uint8_t> pixels = drawModelPicture(run, 1.5f);

    int left = size, right = -1, top = size, bottom = -1;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const uint8_t* p = &pixels[(static_cast<size_t>(y) * size + x) * 4];
            if (p[0] + p[1] + p[2] == 0) continue;
            left = std::min(left, x), right = std::max(right, x);
            top = std::min(top, y), bottom = std::max(bottom, y);
        }
    // Nothing lit: the middle, as the saver framed it.
    const int centreX = right < 0 ? size / 2 : (left + right + 1) / 2;
    const int centreY = bottom < 0 ? size / 2 : (top + bottom + 1) / 2;
    const int cropLeft = std::clamp(centreX - cell / 2, 0, size - cell);
    const int cropTop = std::clamp(centreY - cell / 2, 0, size - cell);
    std::vector<uint8_t> cropped(static_cast<size_t>(cell) * cell * 4);
    for (int y = 0; y < cell; ++y)
        std::copy_n(&pixels[(static_cast<size_t>(cropTop + y) * size + cropLeft) * 4], cell * 4,
                    &cropped[static_cast<size_t>(y) * cell * 4]);
    return cropped;
}
}  // namespace

void addThumbnailCommand(CLI::App& app) {
    struct Options {
        std::string archive;
        std::string output;
        int size = 256;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand(
        "thumbnail", "Write a square PNG of the archive's first models, for file managers (their thumbnailer)");
    addArchiveArgument(*command, options->archive);
    command->add_option("OUT", options->output, "PNG file to write; nothing is written on failure")->required();
    command->add_option("-s,--size", options->size,
                        "Largest width and height in pixels (default 256; above 1024 gives 1024)");
    command->callback([options] {
        if (options->size < smallestThumbnail)
            throw ToolError("--size", "must be at least " + std::to_string(smallestThumbnail) + ": " +
                                          std::to_string(options->size));
        const int size = std::min(options->size, largestThumbnail);
        const std::string archivePath = archivePathFor(options->archive);
        const std::vector<std::string> models = archiveModelNames(options->archive);

        // One model fills the picture; more share it two by two.
        const int side = models.size() == 1 ? 1 : thumbnailCellsPerSide;
        const int cell = size / side;
        const int width = cell * side;
        std::vector<uint8_t> picture = blankSheet(width, width);

        int drawn = 0;
        std::string firstFailure;
        for (size_t m = 0; m < models.size() && m < thumbnailModelsTried && drawn < side * side; ++m) {
            std::vector<uint8_t> pixels;
            try {
                pixels = drawThumbnailCell(archivePath, models[m], cell);
            } catch (Message message) {
                if (firstFailure.empty()) firstFailure = models[m] + ": " + message;
                continue;
            } catch (const std::runtime_error& error) {
                if (firstFailure.empty()) firstFailure = models[m] + ": " + error.what();
                continue;
            }
            pasteInto(picture, width, (drawn % side) * cell, (drawn / side) * cell, pixels, cell, cell);
            ++drawn;
        }
        if (drawn == 0) throw ToolError(archivePath, "no model could be drawn (" + firstFailure + ")");
        writePng(options->output, width, width, picture);
    });
}
