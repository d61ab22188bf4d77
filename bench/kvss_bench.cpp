// Where the saver's time goes: archive start-up, model reading against raw
// reads, bitmap decoding, the model-change tick, steady frames and resident
// memory. Each figure that has a limit carries it as a counter measured in the
// same loop, and the summary at the end says whether it holds.
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
#include <string>
#include <vector>

#include "data/game_table.h"
#include "data/hog_file.h"
#include "data/kv_path.h"
#include "forge/bitmap_writer.h"
#include "forge/demo_archive.h"
#include "forge/hog_writer.h"
#include "host/egl/offscreen_saver.h"
#include "model/poly_model.h"
#include "textures/texture.h"

namespace {

using Clock = std::chrono::steady_clock;
double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

constexpr double tickBudgetMs = 10.0;
constexpr double readerOverheadBudget = 3.0;
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

struct DemoModel {
    std::string name;
    int32_t length;
};

// The demo archive's models, in table order.
const std::vector<DemoModel>& demoModels() {
    static const std::vector<DemoModel> models = [] {
        std::vector<DemoModel> found;
        HogFile archive(demoPath().c_str());
        for (int32_t i = 0; i < archive.entryCount; ++i)
            if (endsWithIgnoringCase(archive.entries[i].name, ".oof"))
                found.push_back({archive.entries[i].name, archive.entries[i].length});
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
    searchPath.reset(1);
    searchPath.add(new HogFile(path.c_str()));
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
        std::vector<int32_t> modelEntries;
        for (int32_t i = 0; i < archive.entryCount; ++i)
            if (endsWithIgnoringCase(archive.entries[i].name, ".oof")) modelEntries.push_back(i);
        models = static_cast<int64_t>(modelEntries.size());
        benchmark::DoNotOptimize(modelEntries.data());
    }
    state.counters["models"] = static_cast<double>(models);
}
BENCHMARK(BM_OpenArchiveAndListModels)->Arg(10)->Arg(1000)->Arg(50000)->Unit(benchmark::kMicrosecond);

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

void BM_ReadModel(benchmark::State& state, std::string model) {
    // Which entries a model change reads: the model and each of its bitmaps.
    std::vector<const HogEntry*> entries;
    auto* recorder = new RecordingArchive(demoPath().c_str());
    textureCache.clear();
    clearGameTable();
    searchPath.reset(1);
    searchPath.add(recorder);
    loadGameTable("table.gam");
    recorder->opened.clear();
    {
        std::unique_ptr<InFile> stream(searchPath.open(model.c_str()));
        delete new PolyModel(*stream);
    }
    int64_t bytes = 0;
    for (const std::string& name : recorder->opened) {
        const HogEntry* entry = recorder->inner.find(name.c_str());
        if (entry == nullptr) continue;
        entries.push_back(entry);
        bytes += entry->length;
    }
    std::vector<char> buffer(static_cast<size_t>(bytes));

    double readerSeconds = 0.0, rawSeconds = 0.0;
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

        readerSeconds += reader;
        rawSeconds += raw;
        state.SetIterationTime(reader);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["files"] = static_cast<double>(entries.size());
    state.counters["bytes"] = static_cast<double>(bytes);
    state.counters["raw_us"] = rawSeconds / n * 1e6;
    state.counters["ratio"] = readerSeconds / rawSeconds;
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

std::unique_ptr<OffscreenSaver> startSaver(const std::string& model) {
    OffscreenSaver::Options options;
    options.archivePath = demoPath();
    options.width = frameWidth;
    options.height = frameHeight;
    options.model = model;
    auto saver = std::make_unique<OffscreenSaver>(options);
    saver->start();
    saver->tickOnce();
    glFinish();
    return saver;
}

// Destroy the old model, read the new one, draw its first frame with the
// texture uploads: the tick that changes the model, finished on the renderer.
void BM_ModelChangeTick(benchmark::State& state, std::string model) {
    auto saver = startSaver(model);
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
void BM_SteadyFrame(benchmark::State& state, std::string model) {
    auto saver = startSaver(model);
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

// ---- resident memory over model changes

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
    double after10 = 0.0, after1000 = 0.0, beforeWarmUp = 0.0, afterWarmUp = 0.0;
    for (auto _ : state) {
        auto saver = startSaver("");  // a model at random at every change, as on screen
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
BENCHMARK(BM_ResidentMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

void registerPerModel() {
    decodeArchivePath();
    for (const char* name : {"bench_4444.ogf", "bench_1555.ogf", "bench.oaf"})
        benchmark::RegisterBenchmark(("BM_Decode/" + std::string(name)).c_str(), BM_Decode, std::string(name))
            ->Unit(benchmark::kMicrosecond);
    for (const DemoModel& model : demoModels())
        benchmark::RegisterBenchmark(("BM_ReadModel/" + model.name).c_str(), BM_ReadModel, model.name)
            ->UseManualTime()
            ->Unit(benchmark::kMicrosecond);
    for (const DemoModel& model : demoModels())
        benchmark::RegisterBenchmark(("BM_ModelChangeTick/" + model.name).c_str(), BM_ModelChangeTick, model.name)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    for (const DemoModel& model : demoModels()) {
        const std::string label = model.name == largestDemoModel() ? model.name + "(largest)" : model.name;
        benchmark::RegisterBenchmark(("BM_SteadyFrame/" + label).c_str(), BM_SteadyFrame, model.name)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
}

// ---- the summary table

class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) kept_.push_back(run);
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n| figure | measured | limit | holds |\n| --- | --- | --- | --- |\n");
        for (const Run& run : kept_) {
            const std::string name = run.benchmark_name();
            const double ms = run.GetAdjustedRealTime() / multiplier(run.time_unit) * 1e3;
            auto counter = [&](const char* key) {
                auto found = run.counters.find(key);
                return found == run.counters.end() ? 0.0 : static_cast<double>(found->second);
            };
            char measured[256] = "", limit[64] = "-", holds[8] = "-";
            if (starts(name, "BM_OpenArchiveAndListModels")) {
                std::snprintf(measured, sizeof measured, "%.3f ms", ms);
            } else if (starts(name, "BM_ReadModel")) {
                std::snprintf(measured, sizeof measured, "%.1f us vs %.1f us raw (%g files): %.2fx", ms * 1e3,
                              counter("raw_us"), counter("files"), counter("ratio"));
                std::snprintf(limit, sizeof limit, "<= %.0fx", readerOverheadBudget);
                verdict(holds, counter("ratio") <= readerOverheadBudget);
            } else if (starts(name, "BM_Decode")) {
                std::snprintf(measured, sizeof measured, "%.1f Mpixel/s", counter("Mpixel/s"));
            } else if (starts(name, "BM_ModelChangeTick")) {
                std::snprintf(measured, sizeof measured, "%.2f ms", ms);
                std::snprintf(limit, sizeof limit, "<= %.0f ms", tickBudgetMs);
                verdict(holds, ms <= tickBudgetMs);
            } else if (starts(name, "BM_SteadyFrame")) {
                std::snprintf(measured, sizeof measured, "%.2f ms vs %.2f ms empty", ms, counter("empty_ms"));
                std::snprintf(limit, sizeof limit, "<= %.0f ms", tickBudgetMs);
                verdict(holds, ms <= tickBudgetMs);
            } else if (starts(name, "BM_ResidentMemory")) {
                char warmUp[96] = "";
                if (compilesShaders())
                    std::snprintf(warmUp, sizeof warmUp, " (after %d changes of warm-up: %.0f -> %.0f KiB)",
                                  memoryWarmUpChanges, counter("warmup_from_KiB"), counter("warmup_to_KiB"));
                std::snprintf(measured, sizeof measured, "%s: %.0f KiB after 10, %.0f after 1000 (%+.1f %%)%s",
                              memoryRenderer.c_str(), counter("rss10_KiB"), counter("rss1000_KiB"),
                              counter("growth_percent"), warmUp);
                if (compilesShaders()) {
                    std::snprintf(limit, sizeof limit, "judged on softpipe");
                } else {
                    std::snprintf(limit, sizeof limit, "<= %.0f %%", memoryGrowthBudgetPercent);
                    verdict(holds, counter("growth_percent") <= memoryGrowthBudgetPercent);
                }
            }
            std::printf("| %s | %s | %s | %s |\n", name.c_str(), measured, limit, holds);
        }
        std::fflush(stdout);
    }

private:
    static bool starts(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }
    static double multiplier(benchmark::TimeUnit unit) { return benchmark::GetTimeUnitMultiplier(unit); }
    static void verdict(char* out, bool ok) { std::snprintf(out, 8, "%s", ok ? "yes" : "NO"); }
    std::vector<Run> kept_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    registerPerModel();
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::filesystem::remove_all(scratchDir());
    return 0;
}
