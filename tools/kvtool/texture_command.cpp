// kvtool texture: resolves and decodes a texture the way the saver does.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include <CLI/CLI.hpp>

#include "data/game_table.h"
#include "data/hog_file.h"
#include "data/kv_path.h"
#include "png_file.h"
#include "textures/texture.h"
#include "tool_support.h"

namespace {
// All frames side by side in one row, top-aligned; where a frame is lower
// than the tallest, the strip is transparent black. The frames of a texture
// hold no more pixels than one image of the largest size, and nor may the
// strip: frames wide and low beside one narrow and tall would otherwise
// make a strip of gigabytes from an animation of kilobytes.
std::vector<uint8_t> frameStrip(const Texture& texture, int& width, int& height) {
    width = 0;
    height = 0;
    for (int32_t i = 0; i < texture.frameCount; ++i) {
        width += texture.frames[i].width;
        height = std::max<int>(height, texture.frames[i].height);
    }
    if (static_cast<int64_t>(width) * height > int64_t{maxTextureSide} * maxTextureSide)
        throw ToolError(texture.name, "its frames, side by side, would make a picture of " + std::to_string(width) + "x" +
                                          std::to_string(height) + " pixels");
    std::vector<uint8_t> strip(static_cast<size_t>(width) * height * 4, 0);
    size_t left = 0;
    for (int32_t i = 0; i < texture.frameCount; ++i) {
        const TextureFrame& frame = texture.frames[i];
        const size_t row = static_cast<size_t>(frame.width) * 4;
        for (int y = 0; y < frame.height; ++y)
            std::memcpy(strip.data() + (static_cast<size_t>(y) * width + left) * 4, frame.pixels + y * row, row);
        left += frame.width;
    }
    return strip;
}

std::string flagNames(uint32_t flags) {
    std::string names;
    const auto add = [&](uint32_t bit, const char* name) {
        if (!(flags & bit)) return;
        names += names.empty() ? "" : ", ";
        names += name;
    };
    add(textureAnimated, "animated");
    add(textureBackAndForth, "back and forth");
    add(textureAdditive, "additive");
    add(textureUsesAlpha, "alpha");
    return names;
}

void printSummary(const Texture& texture, const std::string& source) {
    std::printf("name        %s\n", texture.name);
    std::printf("source      %s\n", source.empty() ? "(built-in NO FILE image)" : source.c_str());
    std::printf("frames      %d:", texture.frameCount);
    for (int32_t i = 0; i < texture.frameCount; ++i)
        std::printf(" %ux%u", unsigned{texture.frames[i].width}, unsigned{texture.frames[i].height});
    std::printf("\nalpha       %g\n", texture.alphaFactor);
    std::printf("frame rate  %g per second\n", texture.frameRate);
    std::printf("slide rate  %g, %g per second\n", texture.slideRateU, texture.slideRateV);
    std::printf("flags       0x%08x %s\n", texture.flags, flagNames(texture.flags).c_str());
    // The saver keeps a missing bitmap's table values uninverted; say so rather than mislabel them.
    if (source.empty() && findTextureEntry(texture.name) != nullptr)
        std::printf("(bitmap missing: frame rate and slide rates hold the table's periods as given)\n");
}
}  // namespace

void addTextureCommand(CLI::App& app) {
    struct Options {
        std::string archive;
        std::string name;
        bool json = false;
        std::string png;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand(
        "texture", "Resolve a texture name through table.gam and the archive, and decode its bitmap");
    addArchiveArgument(*command, options->archive);
    command->add_option("NAME", options->name, "Texture name as a model gives it")->required();
    command->add_flag("--json", options->json,
                      "Print {name, source, frameCount, alphaFactor, frameRate, slideRateU, slideRateV, flags, "
                      "frames: [{width, height}]}; source is null for the built-in NO FILE image");
    command->add_option("--png", options->png,
                        "Write the decoded RGBA pixels as a PNG; an animation's frames side by side in one row");
    command->callback([options] {
        openGame(options->archive);

        Texture texture;
        std::string source;
        about(options->name, [&] { source = loadTextureImages(texture, options->name.c_str()); });
        // Report the entry as the archive spells it.
        if (!source.empty()) {
            const HogEntry* entry = gameArchive().find(source.c_str());
            if (entry != nullptr) source = entry->name;
        }

        if (!options->png.empty()) {
            int width = 0;
            int height = 0;
            const std::vector<uint8_t> strip = frameStrip(texture, width, height);
            writePng(options->png, width, height, strip);
        }
        if (options->json) {
            nlohmann::json frames = nlohmann::json::array();
            for (int32_t i = 0; i < texture.frameCount; ++i)
                frames.push_back({{"width", texture.frames[i].width}, {"height", texture.frames[i].height}});
            printJson({{"name", texture.name},
                       {"source", source.empty() ? nlohmann::json(nullptr) : nlohmann::json(source)},
                       {"frameCount", texture.frameCount},
                       {"alphaFactor", jsonFloat(texture.alphaFactor)},
                       {"frameRate", jsonFloat(texture.frameRate)},
                       {"slideRateU", jsonFloat(texture.slideRateU)},
                       {"slideRateV", jsonFloat(texture.slideRateV)},
                       {"flags", texture.flags},
                       {"frames", frames}});
        } else if (options->png.empty()) {
            printSummary(texture, source);
        }
    });
}
