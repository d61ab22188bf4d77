// kvtool render and contact-sheet: the saver's frames, offscreen, as PNG files.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>

#include <CLI/CLI.hpp>
#include <GL/gl.h>

#include "data/hog_file.h"
#include "export/gif_writer.h"
#include "offscreen/bitmap_font.h"
#include "seam/offscreen_context.h"
#include "offscreen/offscreen_saver.h"
#include "options/option_flags.h"
#include "model_pictures.h"
#include "monitor_list.h"
#include "png_file.h"
#include "tool_support.h"

namespace fs = std::filesystem;

namespace {
// What the pictures may hold: a contact sheet of 64 Mpixel (256 MB of RGBA, a
// thousand thumbnails at the default size), and the frames a GIF keeps until it
// is written, 1 GB (400 frames of 1280x720).
constexpr int64_t sheetPixelBudget = int64_t{64} << 20;
constexpr int64_t gifFramesBudget = int64_t{1} << 30;

struct Size {
    int width;
    int height;
};

// "WxH", checked against what the OpenGL implementation can render.
Size parseSize(const std::string& text) {
    int width = 0, height = 0;
    char x = 0, extra = 0;
    if (std::sscanf(text.c_str(), "%d%c%d%c", &width, &x, &height, &extra) != 3 || (x != 'x' && x != 'X'))
        throw ToolError("--size", "expected WxH, for example 1280x720: " + text);
    if (width <= 0 || height <= 0) throw ToolError("--size", "width and height must be at least 1: " + text);
    int limits[2] = {0, 0};
    about("OpenGL", [&] {
        const std::unique_ptr<OffscreenContext> probe = makeOffscreenContext(1, 1);
        glGetIntegerv(GL_MAX_VIEWPORT_DIMS, limits);
    });
    if (width > limits[0] || height > limits[1])
        throw ToolError("--size", text + " is larger than OpenGL can render here (" + std::to_string(limits[0]) + "x" +
                                      std::to_string(limits[1]) + ")");
    return {width, height};
}

// The monitor choice's word, as kvss's --monitors takes it.
int monitorChoiceIndex(const std::string& word) {
    const OptionInfo& option = *findOption("monitors");
    const int index = choiceIndex(option, word);
    if (index < 0) throw ToolError("--monitor-choice", "must be " + choiceWords(option) + ": " + word);
    return index;
}

// The shortest time per object that keeps the model on screen past `seconds`.
int timeIndexFor(float seconds) {
    for (int i = 0; i < objectTimeChoiceCount; ++i)
        if (static_cast<float>(objectTimeChoices[i].seconds) > seconds) return i;
    throw ToolError("--seconds", "a model stays on screen at most 60 seconds");
}

struct RenderOptions {
    std::string archive;
    std::string model;
    uint32_t seed = 1;
    float seconds = 2.0f;
    int frames = 0;
    std::string size = "1280x720";
    bool wireframe = false;  // every model, where the saver's option draws about one in ten
    OptionFlags table;       // the saver's options that render takes: the ones that change a default
    std::string monitors;
    std::string monitorChoice = "each";
    int every = 1;
    std::string output;
};

bool isGifPath(const std::string& path) { return endsWithIgnoringCase(path.c_str(), ".gif"); }

std::string framePath(const std::string& folder, int index) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%04d.png", index);
    return (fs::path(folder) / name).string();
}

// Draws `text` into an RGBA image with the overlay font, scaled, with a shadow.
void drawLabel(std::vector<uint8_t>& image, int imageWidth, int imageHeight, int left, int top, const std::string& text,
               int scale) {
    auto plot = [&](int x, int y, uint8_t value) {
        if (x < 0 || y < 0 || x >= imageWidth || y >= imageHeight) return;
        uint8_t* p = &image[(static_cast<size_t>(y) * imageWidth + x) * 4];
        p[0] = p[1] = p[2] = value;
        p[3] = 255;
    };
    for (int pass = 0; pass < 2; ++pass) {
        const int shadow = pass == 0 ? 1 : 0;
        for (size_t i = 0; i < text.size(); ++i) {
            const unsigned char* rows = glyphRows(static_cast<unsigned char>(text[i]));
            for (int row = 0; row < glyphHeight; ++row)
                for (int column = 0; column < glyphWidth; ++column)
                    if (rows[row] & (0x10 >> column))
                        for (int dy = 0; dy < scale; ++dy)
                            for (int dx = 0; dx < scale; ++dx)
                                plot(left + (static_cast<int>(i) * glyphAdvance + column) * scale + dx + shadow,
                                     top + row * scale + dy + shadow, pass == 0 ? 0 : 235);
        }
    }
}
}  // namespace

namespace {
// The counts, and the folder of a GIF, checked before OpenGL is asked for the size.
void checkCounts(const RenderOptions& options) {
    if (options.seconds < 0) throw ToolError("--seconds", "must not be negative");
    if (options.frames < 0) throw ToolError("--frames", "must not be negative");
    if (options.every < 1 || options.every > 100) throw ToolError("--every", "must be from 1 to 100");
    if (isGifPath(options.output)) requireOutputFolder(options.output);
}

// A GIF keeps every frame it holds until it is written.
void checkGifBudget(const RenderOptions& options, const Size& size, int frames) {
    if (!isGifPath(options.output)) return;
    const int64_t kept =
        static_cast<int64_t>((frames + options.every - 1) / options.every) * size.width * size.height * 3;
    if (kept > gifFramesBudget)
        throw ToolError("--frames", "a GIF of these frames would hold " + std::to_string(kept >> 20) +
                                        " MB of pixels, more than " + std::to_string(gifFramesBudget >> 20) +
                                        ": fewer --frames, a larger --every or a smaller --size");
}

// The saver's run the options describe: its settings, monitors, and a time
// per object that keeps the model on screen to the last frame.
OffscreenSaver::Options runFor(const RenderOptions& options, const Size& size, int frames) {
    GivenOptions given;
    try {
        given = options.table.read();
    } catch (const ChoiceError& error) {
        throw ToolError(error.flag, error.reason + ": " + error.word);
    }
    OffscreenSaver::Options run;
    run.archivePath = archivePathFor(options.archive);
    run.width = size.width;
    run.height = size.height;
    run.seed = options.seed;
    run.model = options.model;
    run.wireframe = options.wireframe;
    given.applyTo(run.settings);
    if (!options.monitors.empty()) {
        try {
            run.monitors = parseMonitorList(options.monitors);
        } catch (const std::invalid_argument& error) {
            throw ToolError("--monitors", error.what());
        }
    }
    run.settings.monitors = monitorChoiceIndex(options.monitorChoice);
    // The last frame must still show the model: name --frames when it is the frames that go past.
    const float lastFrame = options.seconds + 0.01f * static_cast<float>(frames);
    const auto longest = static_cast<float>(objectTimeChoices[objectTimeChoiceCount - 1].seconds);
    if (options.frames > 1 && options.seconds < longest && lastFrame >= longest)
        throw ToolError("--frames", "the last of " + std::to_string(options.frames) +
                                        " frames would come after the 60 seconds a model stays on screen");
    run.settings.object_time_index = timeIndexFor(lastFrame);
    return run;
}

// Runs the saver to the first frame asked for, then writes the frames: one
// PNG, a folder of them, or one animated GIF.
void writeFrames(const RenderOptions& options, const OffscreenSaver::Options& run, int frames) {
    const bool gif = isGifPath(options.output);
    if (options.frames > 0 && !gif) {
        std::error_code error;
        fs::create_directories(options.output, error);
        if (error) throw ToolError(options.output, "cannot create folder: " + error.message());
    }
    about(run.archivePath, [&] {
        OffscreenSaver saver(run);
        saver.start();
        // The overlay's frame rate counts every frame, so draw them all when it shows.
        saver.runUntil(options.seconds, run.settings.show_fps != 0);
        if (gif) {
            GifAnimation animation(run.width, run.height, options.every);
            for (int i = 0; i < frames; ++i) {
                if (i > 0) saver.tickOnce();
                if (i % options.every == 0) animation.addFrame(saver.pixels());
            }
            const std::vector<uint8_t> bytes = animation.encode();
            writeFileSafely(options.output, bytes.data(), bytes.size());
            return;
        }
        if (options.frames == 0) {
            writePng(options.output, run.width, run.height, saver.pixels());
            return;
        }
        for (int i = 0; i < options.frames; ++i) {
            if (i > 0) saver.tickOnce();
            writePng(framePath(options.output, i), run.width, run.height, saver.pixels());
        }
    });
}
}  // namespace

void addRenderCommand(CLI::App& app) {
    auto options = std::make_shared<RenderOptions>();
    CLI::App* command = app.add_subcommand("render", "Draw the saver's frames of a model, offscreen, as PNG files");
    addArchiveArgument(*command, options->archive);
    command->add_option("--model", options->model, "Model to show (an archive entry); default: chosen as the saver chooses");
    command->add_option("--seed", options->seed, "Seconds on the simulated clock at start: seeds the random choices (default 1)");
    command->add_option("--seconds", options->seconds, "Seconds after the model was put on screen (default 2)");
    command->add_option("--frames", options->frames, "Write this many frames, one per 10 ms tick, into the folder OUT");
    command->add_option("--size", options->size, "Image size WxH (default 1280x720)");
    command->add_option("--monitors", options->monitors,
                        "The monitors the picture spans, as WxH+X+Y joined by commas, a leading * on the primary "
                        "(default: one, the whole picture)");
    command->add_option("--monitor-choice", options->monitorChoice,
                        "What several --monitors show: " + choiceWords(*findOption("monitors")) + " (default each)");
    command->add_flag("--wireframe", options->wireframe, "Draw the model as a wireframe");
    options->table.addTo(*command, inRender, {.onlyChanges = true, .showDefaults = true});
    command->add_option("--every", options->every,
                        "With a .gif OUT: keep one tick in K, each shown K x 10 ms (default 1; browsers show "
                        "delays below 20 ms slower, 2 plays at the saver's speed there too)");
    command->add_option("-o,--output", options->output,
                        "PNG file to write (a folder with --frames); OUT.gif: the frames as one animated GIF, "
                        "10 ms a frame, as the saver ticks")
        ->required();
    command->callback([options] {
        checkCounts(*options);
        const Size size = parseSize(options->size);
        const int frames = std::max(options->frames, 1);
        checkGifBudget(*options, size, frames);
        writeFrames(*options, runFor(*options, size, frames), frames);
    });
}

void addContactSheetCommand(CLI::App& app) {
    struct Options {
        std::string archive;
        std::string output;
        std::string size = "240x180";
        int columns = 4;
        float seconds = 1.5f;
        uint32_t seed = 1;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command =
        app.add_subcommand("contact-sheet", "One labelled thumbnail of every model of an archive, on one PNG sheet");
    addArchiveArgument(*command, options->archive);
    command->add_option("-o,--output", options->output, "PNG file to write")->required();
    command->add_option("--size", options->size, "Size of each thumbnail, WxH (default 240x180)");
    command->add_option("--columns", options->columns, "Thumbnails per row (default 4)");
    command->add_option("--seconds", options->seconds, "Seconds after each model was put on screen (default 1.5)");
    command->add_option("--seed", options->seed, "Seed of the camera's drift (default 1)");
    command->callback([options] {
        if (options->columns < 1) throw ToolError("--columns", "must be at least 1");
        if (options->seconds < 0 || options->seconds >= 60) throw ToolError("--seconds", "must be from 0 to under 60");
        const Size thumb = parseSize(options->size);
        const std::string archivePath = archivePathFor(options->archive);
        const std::vector<std::string> models = archiveModelNames(options->archive);

        const int labelHeight = 16;
        const int columns = std::min<int>(options->columns, static_cast<int>(models.size()));
        const int rows = (static_cast<int>(models.size()) + columns - 1) / columns;
        const int cellHeight = thumb.height + labelHeight;
        const int64_t sheetPixels = static_cast<int64_t>(thumb.width) * columns * cellHeight * rows;
        // The archive chooses how many models there are: thousands of tiny entries
        // must not make a sheet that fills the memory.
        if (sheetPixels > sheetPixelBudget)
            throw ToolError("--size", std::to_string(models.size()) + " models at " + options->size +
                                          " make a sheet of " + std::to_string(sheetPixels >> 20) +
                                          " Mpixel, more than " + std::to_string(sheetPixelBudget >> 20) +
                                          ": give a smaller --size");
        const int sheetWidth = thumb.width * columns;
        const int sheetHeight = cellHeight * rows;
        std::vector<uint8_t> sheet = blankSheet(sheetWidth, sheetHeight);

        const bool showProgress = models.size() >= 10;
        for (size_t m = 0; m < models.size(); ++m) {
            if (showProgress) std::fprintf(stderr, "kvtool: contact-sheet: %zu/%zu %s\n", m + 1, models.size(), models[m].c_str());
            OffscreenSaver::Options run;
            run.archivePath = archivePath;
            run.width = thumb.width;
            run.height = thumb.height;
            run.seed = options->seed;
            run.model = models[m];
            run.settings.object_time_index = timeIndexFor(options->seconds);
            std::vector<uint8_t> pixels;
            about(models[m], [&] { pixels = drawModelPicture(run, options->seconds); });
            const int left = static_cast<int>(m % columns) * thumb.width;
            const int top = static_cast<int>(m / columns) * cellHeight;
            pasteInto(sheet, sheetWidth, left, top, pixels, thumb.width, thumb.height);
            // Cut long names to the cell, so that they never run into the next one.
            const size_t fits = static_cast<size_t>(std::max(0, (thumb.width - 8) / glyphAdvance));
            drawLabel(sheet, sheetWidth, sheetHeight, left + 4, top + thumb.height + 4, models[m].substr(0, fits), 1);
        }
        writePng(options->output, sheetWidth, sheetHeight, sheet);
    });
}
