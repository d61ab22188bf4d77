// Where the saver's time goes: archive start-up, model reading against raw
// reads, bitmap decoding, the model-change tick, steady frames and resident
// memory, for the demo models and for one model of the game's own size, whose
// change tick is also taken apart stage by stage. Each figure that has a limit
// carries it as a counter measured in the same loop, and the summary at the
// end gives every figure as the range of its medians over the passes run
// (`--kvss_passes`) and says whether its limit held in all of them.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/game_table.h"
#include "data/hog_file.h"
#include "data/kv_path.h"
#include "forge/bitmap_writer.h"
#include "forge/demo_archive.h"
#include "forge/game_scale_archive.h"
#include "forge/hog_writer.h"
#include "host/offscreen/offscreen_saver.h"
#include "model/poly_model.h"
#include "render/face_arrays.h"
#include "render/render_mode.h"
#include "show/game_archive.h"
#include "textures/texture.h"

namespace {

using Clock = std::chrono::steady_clock;
double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

constexpr double tickBudgetMs = 10.0;
constexpr double gameFrameBudgetOfEmpty = 8.0;  // the game-scale steady frame against an empty one
constexpr double readerOverheadBudget = 2.0;
constexpr double gameReaderBudgetOfFloor = 3.0;  // against the raw read plus writing the decoded pixels
constexpr double memoryGrowthBudgetPercent = 2.0;
constexpr int frameWidth = 1280;
constexpr int frameHeight = 720;

// Scratch files of this run, removed at exit.
const std::filesystem::path& scratchDir() {
    static const std::filesystem::path dir = [] {
        char pattern[] = "/tmp/kvss-bench-XXXXXX";
        const char* made = mkdtemp(pattern);
        if (made == nullptr) std::abort();
        return std::filesystem::path(made);
    }();
    return dir;
}

std::string writeScratch(const std::string& name, const HogWriter& archive) {
    const std::string path = (scratchDir() / name).string();
    archive.write(path);
    return path;
}

const std::string& demoPath() {
    static const std::string path = writeScratch("demo.hog", demoArchive());
    return path;
}

const std::string& gamePath() {
    static const std::string path = writeScratch("game.hog", gameScaleArchive());
    return path;
}

// A model to measure and the archive it is read from.
struct Subject {
    std::string archive;
    std::string model;
};

struct DemoModel {
    std::string name;
    int32_t length;
};

// The demo archive's models, in table order.
const std::vector<DemoModel>& demoModels() {
    static const std::vector<DemoModel> models = [] {
        std::vector<DemoModel> found;
        HogFile archive(demoPath().c_str());
        for (const int32_t i : listModels(archive)) found.push_back({archive.entries[i].name, archive.entries[i].length});
        return found;
    }();
    return models;
}

const std::string& largestDemoModel() {
    const auto& models = demoModels();
    return std::max_element(models.begin(), models.end(),
                            [](const DemoModel& a, const DemoModel& b) { return a.length < b.length; })
        ->name;
}

// Makes `path` the one archive of the search path, with its table.
void useArchive(const std::string& path) {
    textureCache.clear();
    clearGameTable();
    useGameArchive(path.c_str());
    loadGameTable("table.gam");
}

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
BENCHMARK(BM_OpenArchiveAndListModels)->Arg(10)->Arg(1000)->Arg(50000)->Unit(benchmark::kMicrosecond);

// ---- reading a model with its bitmaps, against raw reads of the same bytes

// Writes every pixel of `pixels` once: what any decoder must add to reading
// the runs, for the reader's least cost.
void writeEveryPixel(std::vector<uint32_t>& pixels, uint32_t& value) {
    for (uint32_t& pixel : pixels) pixel = value++;
    benchmark::DoNotOptimize(pixels.data());
}

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
    loadGameTable("table.gam");
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

// ---- the saver offscreen at 1280x720

// What the saver drew with, for the summary.
std::string rendererName = "unknown";
std::string glVersionName = "unknown";

// The saver started on `subject`'s archive, showing its model at every change.
std::unique_ptr<OffscreenSaver> startSaver(const Subject& subject, bool mipmap = true) {
    OffscreenSaver::Options options;
    options.archivePath = subject.archive;
    options.width = frameWidth;
    options.height = frameHeight;
    options.model = subject.model;
    options.settings.mipmap = mipmap ? 1 : 0;
    auto saver = std::make_unique<OffscreenSaver>(options);
    saver->start();
    saver->tickOnce();
    glFinish();
    rendererName = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    glVersionName = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    return saver;
}

// Destroy the old model, read the new one, draw its first frame with the
// texture uploads: the tick that changes the model, finished on the renderer.
void BM_ModelChangeTick(benchmark::State& state, Subject subject, bool mipmap) {
    auto saver = startSaver(subject, mipmap);
    for (auto _ : state) {
        saver->saver().objectStart.seconds -= 1000;  // its time is up: this tick changes the model
        const auto start = Clock::now();
        saver->tickOnce();
        glFinish();
        state.SetIterationTime(secondsSince(start));
    }
    state.counters["budget_ms"] = tickBudgetMs;
}

// A tick that changes nothing, against clearing and finishing an empty frame.
void BM_SteadyFrame(benchmark::State& state, Subject subject) {
    auto saver = startSaver(subject);
    double emptySeconds = 0.0;
    for (auto _ : state) {
        // Keep the model on screen: its time never runs out.
        if (saver->secondsOnScreen() > 10.0f) saver->saver().objectStart.seconds += 10;
        auto start = Clock::now();
        saver->tickOnce();
        glFinish();
        const double frame = secondsSince(start);

        start = Clock::now();
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glFinish();
        const double empty = secondsSince(start);

        emptySeconds += empty;
        state.SetIterationTime(frame);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["empty_ms"] = emptySeconds / n * 1e3;
    state.counters["budget_ms"] = tickBudgetMs;
}

// ---- the game-scale change tick, stage by stage

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

// What the first frame uploads: one frame of each texture, with mipmapping
// (gluBuild2DMipmaps) or without (glTexImage2D), finished on the renderer.
void BM_GameStageUpload(benchmark::State& state, bool mipmap) {
    auto saver = startSaver({gamePath(), gameScaleModelName}, mipmap);
    std::vector<std::unique_ptr<Texture>> textures;
    for (const Texture* cached : textureCache.as<Texture>()) {
        textures.emplace_back(new Texture);
        loadTextureImages(*textures.back(), cached->name);
    }
    const bool wasMipmap = renderMode.mipmap;
    renderMode.mipmap = mipmap;
    for (auto _ : state) {
        const auto start = Clock::now();
        for (const auto& texture : textures) texture->frames[0].upload();
        glFinish();
        state.SetIterationTime(secondsSince(start));
        for (const auto& texture : textures) texture->frames[0].releaseGl();
    }
    renderMode.mipmap = wasMipmap;
    state.counters["textures"] = static_cast<double>(textures.size());
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

// ---- resident memory over model changes// ---- resident memory over model changes

double residentKiB() {
    std::FILE* file = std::fopen("/proc/self/statm", "r");
    long size = 0, resident = 0;
    if (file == nullptr || std::fscanf(file, "%ld %ld", &size, &resident) != 2) resident = 0;
    if (file != nullptr) std::fclose(file);
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1024.0;
}

// The renderer the memory figure was measured on. llvmpipe compiles and keeps
// shader code for every new combination of GL state it meets, and its
// rasteriser threads grow allocator arenas of their own that are kept: its
// resident size climbs for some 2000 changes and then moves in steps of tens
// of megabytes as a thread's arena grows. So on llvmpipe the figure is shown
// after a warm-up, for information, and the budget is judged on softpipe,
// which caches nothing and draws on the saver's own thread: there any growth
// is the saver's.
std::string memoryRenderer;

bool compilesShaders() { return memoryRenderer.find("llvmpipe") != std::string::npos; }

constexpr int memoryWarmUpChanges = 2000;

void BM_ResidentMemory(benchmark::State& state) {
    // Only a fresh process shows how the saver grows: later passes would
    // start from what the earlier ones left.
    static bool measured = false;
    if (measured) {
        state.SkipWithError("measured in the first pass only");
        for (auto _ : state) {
        }
        return;
    }
    measured = true;
    double after10 = 0.0, after1000 = 0.0, beforeWarmUp = 0.0, afterWarmUp = 0.0;
    for (auto _ : state) {
        auto saver = startSaver({demoPath(), ""});  // a model at random at every change, as on screen
        memoryRenderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
        auto change = [&] {
            saver->saver().objectStart.seconds -= 1000;
            saver->tickOnce();
        };
        auto changes = [&](int count) {
            for (int i = 0; i < count; ++i) change();
            glFinish();
            return residentKiB();
        };
        int done = 1;  // the start put up the first
        if (compilesShaders()) {
            beforeWarmUp = changes(10 - done);
            afterWarmUp = changes(memoryWarmUpChanges - 10);
            done = 0;
        }
        after10 = changes(10 - done);
        after1000 = changes(1000 - 10);
    }
    state.counters["rss10_KiB"] = after10;
    state.counters["rss1000_KiB"] = after1000;
    state.counters["warmup_from_KiB"] = beforeWarmUp;
    state.counters["warmup_to_KiB"] = afterWarmUp;
    state.counters["growth_percent"] = (after1000 / after10 - 1.0) * 100.0;
}
BENCHMARK(BM_ResidentMemory)->Iterations(1)->Repetitions(1)->Unit(benchmark::kMillisecond);

void registerPerModel() {
    decodeArchivePath();
    for (const char* name : {"bench_4444.ogf", "bench_1555.ogf", "bench.oaf"})
        benchmark::RegisterBenchmark(("BM_Decode/" + std::string(name)).c_str(), BM_Decode, std::string(name))
            ->Unit(benchmark::kMicrosecond);

    std::vector<std::pair<std::string, Subject>> subjects;
    for (const DemoModel& model : demoModels()) {
        const std::string label = model.name == largestDemoModel() ? model.name + "(largest)" : model.name;
        subjects.push_back({label, {demoPath(), model.name}});
    }
    const Subject game{gamePath(), gameScaleModelName};
    subjects.push_back({gameScaleModelName + "(game scale)", game});

    for (const auto& [label, subject] : subjects)
        benchmark::RegisterBenchmark(("BM_ReadModel/" + label).c_str(), BM_ReadModel, subject)
            ->UseManualTime()
            ->Unit(benchmark::kMicrosecond);
    for (const auto& [label, subject] : subjects) {
        const bool isGame = subject.archive == game.archive;
        for (bool mipmap : {true, false}) {
            if (!mipmap && !isGame) continue;
            const std::string suffix = isGame ? (mipmap ? "/mipmap" : "/no_mipmap") : "";
            benchmark::RegisterBenchmark(("BM_ModelChangeTick/" + label + suffix).c_str(), BM_ModelChangeTick,
                                         subject, mipmap)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond);
        }
    }
    for (const auto& [label, subject] : subjects)
        benchmark::RegisterBenchmark(("BM_SteadyFrame/" + label).c_str(), BM_SteadyFrame, subject)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);

    benchmark::RegisterBenchmark("BM_GameChangeStage/read_with_textures_cached", BM_GameStageParse)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_GameChangeStage/decode_bitmaps", BM_GameStageDecode)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_GameChangeStage/write_decoded_pixels_only", BM_GameStageWritePixels)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_GameChangeStage/upload_gluBuild2DMipmaps", BM_GameStageUpload, true)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_GameChangeStage/upload_glTexImage2D", BM_GameStageUpload, false)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_GameChangeStage/make_face_arrays", BM_GameStageFaceArrays)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_GameChangeStage/delete_old_model", BM_GameStageDelete)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

// ---- the summary table

// One line of the table: its figures in every pass, and whether its limit held.
struct SummaryRow {
    std::string name;
    std::string format;              // "%s" for each figure, in order
    std::vector<int> precision;      // decimals of each figure
    std::string limit = "-";
    bool judged = false;
    std::vector<std::vector<double>> passes;
    bool heldEveryPass = true;
};

// "lo" or "lo-hi" at the figure's precision.
std::string range(const std::vector<std::vector<double>>& passes, size_t figure, int precision) {
    double lo = passes[0][figure], hi = lo;
    for (const auto& pass : passes) lo = std::min(lo, pass[figure]), hi = std::max(hi, pass[figure]);
    char low[32], high[32];
    std::snprintf(low, sizeof low, "%.*f", precision, lo);
    std::snprintf(high, sizeof high, "%.*f", precision, hi);
    return std::string(low) == high ? low : std::string(low) + "-" + high;
}

class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            std::string name = run.run_name.str();
            for (const char* suffix : {"/repeats:", "/manual_time"})
                if (const size_t at = name.find(suffix); at != std::string::npos) name.erase(at);
            // The median of the repetitions when there are several, else the one run.
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (!median && run.run_type != Run::RT_Iteration) continue;
            if (!chosen_.count(name)) order_.push_back(name);
            if (median || !chosen_.count(name)) chosen_.insert_or_assign(name, run);
        }
    }

    // Files the figures of one pass under their rows.
    void endPass() {
        for (const std::string& name : order_) add(name, chosen_.at(name));
        order_.clear();
        chosen_.clear();
        ++passes_;
    }

    void printTable() const {
        std::printf("\n%d pass(es), each figure the median of its repetitions, shown as the range over the passes;\n"
                    "renderer: %s, OpenGL %s\n",
                    passes_, rendererName.c_str(), glVersionName.c_str());
        std::printf("\n| figure | measured | limit | holds |\n| --- | --- | --- | --- |\n");
        for (const SummaryRow& row : rows_) {
            std::string measured;
            size_t figure = 0;
            for (size_t at = 0; at < row.format.size(); ++at) {
                if (row.format.compare(at, 2, "%s") == 0 && figure < row.precision.size()) {
                    measured += range(row.passes, figure, row.precision[figure]);
                    ++figure;
                    ++at;
                } else {
                    measured += row.format[at];
                }
            }
            const char* holds = !row.judged ? "-" : row.heldEveryPass ? "yes" : "NO";
            std::printf("| %s | %s | %s | %s |\n", row.name.c_str(), measured.c_str(), row.limit.c_str(), holds);
        }
        std::fflush(stdout);
    }

private:
    void add(const std::string& name, const Run& run) {
        const double ms = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e3;
        auto counter = [&](const char* key) {
            auto found = run.counters.find(key);
            return found == run.counters.end() ? 0.0 : static_cast<double>(found->second);
        };
        SummaryRow row{.name = name};
        std::vector<double> figures;
        std::optional<bool> held;
        char limit[64];
        if (starts(name, "BM_OpenArchiveAndListModels")) {
            row.format = "%s ms", row.precision = {3}, figures = {ms};
        } else if (starts(name, "BM_ReadModel")) {
            row.format = "%s us vs %s us raw (%s files, %s KB): %sx; %sx of raw read + writing its %s Mpixel";
            row.precision = {1, 1, 0, 0, 2, 2, 2};
            figures = {ms * 1e3,         counter("raw_us"),      counter("files"), counter("bytes") / 1000.0,
                       counter("ratio"), counter("floor_ratio"), counter("Mpixels")};
            std::snprintf(limit, sizeof limit, "<= %.0fx (machine-dependent)", readerOverheadBudget);
            row.limit = limit;
            held = counter("ratio") <= readerOverheadBudget;
            // A game-scale model's bitmaps decode into megabytes of pixels,
            // which any reader must write: it is judged against both.
            if (name.find("(game scale)") != std::string::npos) {
                std::snprintf(limit, sizeof limit, "<= %.0fx of raw + pixel writes (machine-dependent)",
                              gameReaderBudgetOfFloor);
                row.limit = limit;
                held = counter("floor_ratio") <= gameReaderBudgetOfFloor;
            }
        } else if (starts(name, "BM_Decode")) {
            row.format = "%s Mpixel/s", row.precision = {1}, figures = {counter("Mpixel/s")};
        } else if (starts(name, "BM_ModelChangeTick") || starts(name, "BM_SteadyFrame")) {
            const bool steady = starts(name, "BM_SteadyFrame");
            row.format = steady ? "%s ms vs %s ms empty: %sx" : "%s ms";
            row.precision = steady ? std::vector<int>{2, 2, 1} : std::vector<int>{2};
            const double ofEmpty = counter("empty_ms") > 0.0 ? ms / counter("empty_ms") : 0.0;
            figures = steady ? std::vector<double>{ms, counter("empty_ms"), ofEmpty} : std::vector<double>{ms};
            std::snprintf(limit, sizeof limit, "<= %.0f ms", tickBudgetMs);
            row.limit = limit;
            held = ms <= tickBudgetMs;
            // At game scale the frame must also stay within a few empty frames.
            if (steady && name.find("(game scale)") != std::string::npos) {
                std::snprintf(limit, sizeof limit, "<= %.0f ms, <= %.0fx empty", tickBudgetMs, gameFrameBudgetOfEmpty);
                row.limit = limit;
                held = *held && ofEmpty <= gameFrameBudgetOfEmpty;
            }
        } else if (starts(name, "BM_GameChangeStage")) {
            row.format = "%s ms", row.precision = {2}, figures = {ms};
        } else if (starts(name, "BM_ResidentMemory")) {
            row.format = memoryRenderer + ": %s KiB after 10, %s after 1000 (%s %)";
            row.precision = {0, 0, 1};
            figures = {counter("rss10_KiB"), counter("rss1000_KiB"), counter("growth_percent")};
            if (compilesShaders()) {
                row.format += " (after " + std::to_string(memoryWarmUpChanges) + " changes of warm-up: %s -> %s KiB)";
                row.precision.insert(row.precision.end(), {0, 0});
                figures.insert(figures.end(), {counter("warmup_from_KiB"), counter("warmup_to_KiB")});
                row.limit = "judged on softpipe";
            } else {
                std::snprintf(limit, sizeof limit, "<= %.0f %%", memoryGrowthBudgetPercent);
                row.limit = limit;
                held = counter("growth_percent") <= memoryGrowthBudgetPercent;
            }
        }
        for (SummaryRow& existing : rows_)
            if (existing.name == name) {
                existing.passes.push_back(figures);
                if (held) existing.heldEveryPass = existing.heldEveryPass && *held;
                return;
            }
        row.judged = held.has_value();
        row.heldEveryPass = held.value_or(true);
        row.passes.push_back(figures);
        rows_.push_back(row);
    }

    static bool starts(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }
    std::map<std::string, Run> chosen_;
    std::vector<std::string> order_;
    std::vector<SummaryRow> rows_;
    int passes_ = 0;
};

// The GL calls and draws of one steady frame of each model, counted by
// scripts/gl-calls.sh (apitrace through kvtool render), in each drawing mode.
void printGlCounts() {
    std::printf("\nGL calls and draws of one steady frame (apitrace through kvtool render):\n"
                "\n| model | solid | wireframe | mirror |\n| --- | --- | --- | --- |\n");
    std::vector<Subject> subjects;
    for (const DemoModel& model : demoModels()) subjects.push_back({demoPath(), model.name});
    subjects.push_back({gamePath(), gameScaleModelName});
    for (const Subject& subject : subjects) {
        std::string line = "| " + subject.model;
        for (const char* mode : {"", "--wireframe", "--mirror"}) {
            const std::string command = std::string(GL_CALLS_SCRIPT) + " '" + KVTOOL_PATH + "' '" + subject.archive +
                                        "' " + subject.model + " --seconds 2 " + mode;
            std::FILE* pipe = popen(command.c_str(), "r");
            long calls = 0, draws = 0;
            const bool counted = pipe != nullptr && std::fscanf(pipe, "calls %ld draws %ld", &calls, &draws) == 2;
            const int status = pipe != nullptr ? pclose(pipe) : -1;
            if (!counted || status != 0) {
                std::printf("(not counted: scripts/gl-calls.sh needs apitrace, which scripts/setup.sh installs)\n");
                return;
            }
            line += " | " + std::to_string(calls) + " calls, " + std::to_string(draws) + " draws";
        }
        std::printf("%s |\n", line.c_str());
    }
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    // Our own flag, taken out before Google Benchmark sees the rest.
    int passes = 1;
    bool countCalls = true;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            std::printf("usage: kvss_bench [--kvss_passes=N] [Google Benchmark flags]\n"
                        "  --kvss_passes=N  run every benchmark N times over (default 1); the summary\n"
                        "                   gives each figure as its range over the passes\n"
                        "  --kvss_no_counts  leave out the GL call and draw counts\n");
        }
        if (argument == "--kvss_no_counts") {
            countCalls = false;
        } else if (argument.rfind("--kvss_passes=", 0) == 0) {
            passes = std::atoi(argument.c_str() + 14);
            if (passes < 1) {
                std::fprintf(stderr, "kvss_bench: --kvss_passes needs a count of 1 or more\n");
                return 1;
            }
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    registerPerModel();
    SummaryReporter reporter;
    for (int pass = 0; pass < passes; ++pass) {
        benchmark::RunSpecifiedBenchmarks(&reporter);
        reporter.endPass();
    }
    reporter.printTable();
    if (countCalls) printGlCounts();
    benchmark::Shutdown();
    std::filesystem::remove_all(scratchDir());
    return 0;
}
