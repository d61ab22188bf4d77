// The game-scale model's change tick taken apart: reading with its textures
// cached, decoding its bitmaps, writing as many pixels, making the mip levels,
// uploading, making the vertex arrays and deleting the old model.
#include <GL/gl.h>
#include <GL/glu.h>

#include <memory>
#include <string>
#include <vector>

#include "bench_common.h"
#include "data/kv_path.h"
#include "forge/game_scale_archive.h"
#include "model/poly_model.h"
#include "render/face_arrays.h"
#include "render/render_mode.h"
#include "textures/texture.h"

namespace bench {
namespace {

// Every texture the game-scale model uses, loaded as its reading loads them.
std::vector<std::unique_ptr<TextureRef>> holdGameTextures() {
    std::vector<std::unique_ptr<TextureRef>> held;
    std::unique_ptr<InFile> stream(searchPath.open(gameScaleModelName.c_str()));
    std::unique_ptr<PolyModel> model(new PolyModel(*stream));
    for (const Texture* texture : textureCache.as<Texture>()) held.emplace_back(new TextureRef(texture->name));
    return held;
}

// Reading the model while its textures are already cached: the reader's own
// work, without decoding.
void BM_GameStageParse(benchmark::State& state) {
    useArchive(gamePath());
    const auto held = holdGameTextures();
    for (auto _ : state) {
        std::unique_ptr<InFile> stream(searchPath.open(gameScaleModelName.c_str()));
        delete new PolyModel(*stream);
    }
    searchPath.reset(0);
}

// Writing as many RGBA pixels as the model's frames hold, into buffers that
// are already there: the least any decoder must do beyond reading the runs.
void BM_GameStageWritePixels(benchmark::State& state) {
    useArchive(gamePath());
    std::vector<std::vector<uint32_t>> frames;
    for (const auto& ref : holdGameTextures())
        for (int32_t i = 0; i < ref->texture->frameCount; ++i)
            frames.emplace_back(size_t{ref->texture->frames[i].width} * ref->texture->frames[i].height);
    uint32_t value = 0;
    for (auto _ : state) {
        for (std::vector<uint32_t>& frame : frames) writeEveryPixel(frame, value);
        benchmark::ClobberMemory();
    }
    searchPath.reset(0);
    textureCache.clear();
}

// Opening and decoding every bitmap of the model.
void BM_GameStageDecode(benchmark::State& state) {
    useArchive(gamePath());
    std::vector<std::string> names;
    for (const auto& ref : holdGameTextures()) names.emplace_back(ref->texture->name);
    for (auto _ : state) {
        for (const std::string& name : names) {
            Texture texture;
            loadTextureImages(texture, name.c_str());
            benchmark::DoNotOptimize(texture.frames);
        }
    }
    searchPath.reset(0);
    textureCache.clear();
}

// The bitmaps of the model, decoded again outside the cache.
std::vector<std::unique_ptr<Texture>> decodedCopies() {
    std::vector<std::unique_ptr<Texture>> textures;
    for (const Texture* cached : textureCache.as<Texture>()) {
        textures.emplace_back(new Texture);
        loadTextureImages(*textures.back(), cached->name);
    }
    return textures;
}

enum class Upload { levelsMadeAhead, gluBuild2DMipmaps, glTexImage2D };

// What the first frame uploads: one frame of each texture, with the mip levels
// the reader made, with gluBuild2DMipmaps making them, or without mipmapping,
// finished on the renderer.
void BM_GameStageUpload(benchmark::State& state, Upload upload) {
    const bool mipmap = upload != Upload::glTexImage2D;
    auto saver = startSaver({gamePath(), gameScaleModelName}, mipmap);
    const auto textures = decodedCopies();
    const bool wasMipmap = renderMode.mipmap;
    renderMode.mipmap = mipmap;
    for (auto _ : state) {
        if (upload == Upload::levelsMadeAhead)
            for (const auto& texture : textures) {
                TextureFrame& frame = texture->frames[0];
                frame.mipLevels = buildMipLevels(frame.width, frame.height, frame.pixels);
            }
        const auto start = Clock::now();
        for (const auto& texture : textures) {
            TextureFrame& frame = texture->frames[0];
            if (upload != Upload::gluBuild2DMipmaps) {
                frame.upload({});
                continue;
            }
            GLuint name = 0;
            glGenTextures(1, &name);
            frame.glName = name;
            glBindTexture(GL_TEXTURE_2D, name);
            gluBuild2DMipmaps(GL_TEXTURE_2D, 4, frame.width, frame.height, GL_RGBA, GL_UNSIGNED_BYTE, frame.pixels);
        }
        glFinish();
        state.SetIterationTime(secondsSince(start));
        for (const auto& texture : textures) texture->frames[0].releaseGl();
    }
    renderMode.mipmap = wasMipmap;
    state.counters["textures"] = static_cast<double>(textures.size());
}

// Making the mip levels of one frame of each texture: the reader's work now.
void BM_GameStageMipLevels(benchmark::State& state) {
    useArchive(gamePath());
    const auto held = holdGameTextures();
    for (auto _ : state)
        for (const auto& ref : held) {
            const TextureFrame& frame = ref->texture->frames[0];
            benchmark::DoNotOptimize(buildMipLevels(frame.width, frame.height, frame.pixels).size());
        }
    searchPath.reset(0);
}

// Making the vertex arrays of every subobject, as the model's first frame does.
void BM_GameStageFaceArrays(benchmark::State& state) {
    useArchive(gamePath());
    const auto held = holdGameTextures();
    std::unique_ptr<InFile> stream(searchPath.open(gameScaleModelName.c_str()));
    const std::unique_ptr<PolyModel> model(new PolyModel(*stream));
    int64_t vertices = 0;
    for (auto _ : state) {
        vertices = 0;
        for (RefNode<Subobject>* ref : model->allSubobjects->as<RefNode<Subobject>>()) {
            FaceArrays arrays(*ref->target, renderMode.smoothShading);
            vertices += static_cast<int64_t>(arrays.vertices.size());
            benchmark::DoNotOptimize(arrays.vertices.data());
        }
    }
    state.counters["array_vertices"] = static_cast<double>(vertices);
    searchPath.reset(0);
}

// Deleting the old model, its textures' decoded frames with it, as the change
// tick does before it reads the new one.
void BM_GameStageDelete(benchmark::State& state) {
    useArchive(gamePath());
    for (auto _ : state) {
        std::unique_ptr<InFile> stream(searchPath.open(gameScaleModelName.c_str()));
        auto* model = new PolyModel(*stream);
        const auto start = Clock::now();
        delete model;
        state.SetIterationTime(secondsSince(start));
    }
    searchPath.reset(0);
    textureCache.clear();
}

}  // namespace

void registerGameStageBenchmarks() {
    benchmark::RegisterBenchmark("BM_GameChangeStage/read_with_textures_cached", BM_GameStageParse)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_GameChangeStage/decode_bitmaps", BM_GameStageDecode)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_GameChangeStage/write_decoded_pixels_only", BM_GameStageWritePixels)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_GameChangeStage/make_mip_levels", BM_GameStageMipLevels)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_GameChangeStage/upload_levels_made_ahead", BM_GameStageUpload,
                                 Upload::levelsMadeAhead)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_GameChangeStage/upload_gluBuild2DMipmaps", BM_GameStageUpload,
                                 Upload::gluBuild2DMipmaps)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_GameChangeStage/upload_glTexImage2D", BM_GameStageUpload, Upload::glTexImage2D)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_GameChangeStage/make_face_arrays", BM_GameStageFaceArrays)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_GameChangeStage/delete_old_model", BM_GameStageDelete)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

}  // namespace bench
