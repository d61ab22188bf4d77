// Archive start-up, reading a model with its bitmaps against raw reads of the
// same bytes, and bitmap decoding.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench_common.h"
#include "data/game_table.h"
#include "data/hog_file.h"
#include "data/kv_path.h"
#include "forge/bitmap_writer.h"
#include "forge/demo_archive.h"
#include "model/poly_model.h"
#include "show/game_archive.h"
#include "textures/texture.h"

namespace bench {
namespace {

// ---- archive start-up

void BM_OpenArchiveAndListModels(benchmark::State& state) {
    const int entries = static_cast<int>(state.range(0));
    HogWriter writer;
    for (int i = 0; i < entries; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, i % 4 == 3 ? "bitmap%05d.ogf" : "model%05d.oof", i);
        writer.add(name, Bytes(16, static_cast<uint8_t>(i)));
    }
    const std::string path = writeScratch("entries-" + std::to_string(entries) + ".hog", writer);
    int64_t models = 0;
    for (auto _ : state) {
        HogFile archive(path.c_str());
        const std::vector<int32_t> modelEntries = listModels(archive);
        models = static_cast<int64_t>(modelEntries.size());
        benchmark::DoNotOptimize(modelEntries.data());
    }
    state.counters["models"] = static_cast<double>(models);
}

// ---- reading a model with its bitmaps, against raw reads of the same bytes


// Passes every open through to the archive and remembers the names opened.
class RecordingArchive : public Archive {
public:
    explicit RecordingArchive(const char* path) : inner(path) {}
    InFile* open(const char* name) override {
        opened.emplace_back(name);
        return inner.open(name);
    }
    HogFile inner;
    std::vector<std::string> opened;
};

void BM_ReadModel(benchmark::State& state, Subject subject) {
    const std::string& model = subject.model;
    // Which entries a model change reads: the model and each of its bitmaps.
    std::vector<const HogEntry*> entries;
    auto* recorder = new RecordingArchive(subject.archive.c_str());
    textureCache.clear();
    clearGameTable();
    searchPath.reset(1);
    searchPath.add(recorder);
    loadGameTable(gameTableName);
    recorder->opened.clear();
    // How many pixels its bitmaps decode into (the built-in NO FILE image aside).
    size_t decodedPixels = 0;
    {
        std::unique_ptr<InFile> stream(searchPath.open(model.c_str()));
        std::unique_ptr<PolyModel> read(new PolyModel(*stream));
        for (const Texture* texture : textureCache.as<Texture>())
            for (int32_t i = 0; i < texture->frameCount; ++i)
                if (texture->frames[i].pixels != fallbackImage.data())
                    decodedPixels += size_t{texture->frames[i].width} * texture->frames[i].height;
    }
    int64_t bytes = 0;
    for (const std::string& name : recorder->opened) {
        const HogEntry* entry = recorder->inner.find(name.c_str());
        if (entry == nullptr) continue;
        entries.push_back(entry);
        bytes += entry->length;
    }
    std::vector<char> buffer(static_cast<size_t>(bytes));
    std::vector<uint32_t> pixels(decodedPixels);
    uint32_t value = 0;

    double readerSeconds = 0.0, rawSeconds = 0.0, writeSeconds = 0.0;
    for (auto _ : state) {
        auto start = Clock::now();
        {
            std::unique_ptr<InFile> stream(searchPath.open(model.c_str()));
            auto* read = new PolyModel(*stream);
            benchmark::DoNotOptimize(read);
            delete read;
        }
        const double reader = secondsSince(start);

        start = Clock::now();
        char* at = buffer.data();
        for (const HogEntry* entry : entries) {
            std::FILE* file = std::fopen(recorder->inner.path, "rb");
            std::fseek(file, entry->offset, SEEK_SET);
            at += std::fread(at, 1, static_cast<size_t>(entry->length), file);
            std::fclose(file);
        }
        benchmark::DoNotOptimize(buffer.data());
        const double raw = secondsSince(start);

        // The least any reader must add: writing the decoded pixels somewhere.
        start = Clock::now();
        writeEveryPixel(pixels, value);
        benchmark::ClobberMemory();
        writeSeconds += secondsSince(start);

        readerSeconds += reader;
        rawSeconds += raw;
        state.SetIterationTime(reader);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["files"] = static_cast<double>(entries.size());
    state.counters["bytes"] = static_cast<double>(bytes);
    state.counters["raw_us"] = rawSeconds / n * 1e6;
    state.counters["ratio"] = readerSeconds / rawSeconds;
    state.counters["Mpixels"] = static_cast<double>(decodedPixels) * 1e-6;
    state.counters["floor_ratio"] = readerSeconds / (rawSeconds + writeSeconds);
    state.counters["budget"] = readerOverheadBudget;
    searchPath.reset(0);
    textureCache.clear();
}

// ---- bitmap decoding

// A picture with both long runs and busy rows, as game bitmaps have.
std::vector<uint16_t> testPicture(int width, int height, int seed) {
    std::vector<uint16_t> pixels(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool flat = ((x / 32) + (y / 32) + seed) % 2 == 0;
            pixels[static_cast<size_t>(y) * width + x] =
                flat ? 0xF48C : static_cast<uint16_t>(0xF000 | ((x * 7 + y * 13 + seed) & 0x0FFF));
        }
    return pixels;
}

const std::string& decodeArchivePath() {
    static const std::string path = [] {
        HogWriter archive = demoArchive();
        archive.add("bench_4444.ogf", OgfImage::fromPixels(512, 512, ogfArgb4444, testPicture(512, 512, 0)).bytes());
        archive.add("bench_1555.ogf", OgfImage::fromPixels(512, 512, ogfArgb1555, testPicture(512, 512, 1)).bytes());
        OafAnimation animation;
        for (int i = 0; i < 16; ++i)
            animation.frames.push_back(OgfImage::fromPixels(128, 128, ogfArgb4444, testPicture(128, 128, i)));
        archive.add("bench.oaf", animation.bytes());
        return writeScratch("decode.hog", archive);
    }();
    return path;
}

void BM_Decode(benchmark::State& state, std::string name) {
    useArchive(decodeArchivePath());
    int64_t pixels = 0;
    for (auto _ : state) {
        Texture texture;
        loadTextureImages(texture, name.c_str());
        pixels = 0;
        for (int32_t i = 0; i < texture.frameCount; ++i)
            pixels += int64_t{texture.frames[i].width} * texture.frames[i].height;
        benchmark::DoNotOptimize(texture.frames);
    }
    state.counters["Mpixel/s"] =
        benchmark::Counter(static_cast<double>(pixels) * 1e-6, benchmark::Counter::kIsIterationInvariantRate);
    searchPath.reset(0);
    clearGameTable();
}

}  // namespace

void registerStartUpBenchmarks() {
    benchmark::RegisterBenchmark("BM_OpenArchiveAndListModels", BM_OpenArchiveAndListModels)
        ->Arg(10)
        ->Arg(1000)
        ->Arg(50000)
        ->Unit(benchmark::kMicrosecond);
}

void registerDecodeBenchmarks() {
    decodeArchivePath();
    for (const char* name : {"bench_4444.ogf", "bench_1555.ogf", "bench.oaf"})
        benchmark::RegisterBenchmark(("BM_Decode/" + std::string(name)).c_str(), BM_Decode, std::string(name))
            ->Unit(benchmark::kMicrosecond);
}

void registerReadBenchmarks(const std::vector<std::pair<std::string, Subject>>& subjects) {
    for (const auto& [label, subject] : subjects)
        benchmark::RegisterBenchmark(("BM_ReadModel/" + label).c_str(), BM_ReadModel, subject)
            ->UseManualTime()
            ->Unit(benchmark::kMicrosecond);
}

}  // namespace bench
