// What every benchmark of kvss_bench shares: the limits the figures are judged
// by, the scratch archives (the demo and one model of the game's own size),
// the models measured and the saver started offscreen at 1280x720.
#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "forge/hog_writer.h"
#include "offscreen/offscreen_saver.h"

namespace bench {

using Clock = std::chrono::steady_clock;
inline double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

constexpr double tickBudgetMs = 10.0;
constexpr double changeBudgetOfSteady = 1.5;  // a change tick against the steady frame of the same run
constexpr double gameFrameBudgetOfEmpty = 8.0;  // the game-scale steady frame against an empty one
constexpr double readerOverheadBudget = 2.0;
constexpr double gameReaderBudgetOfFloor = 3.0;  // against the raw read plus writing the decoded pixels
constexpr double memoryGrowthBudgetPercent = 2.0;
constexpr int frameWidth = 1280;
constexpr int frameHeight = 720;

// Scratch files of this run, removed at exit.
const std::filesystem::path& scratchDir();
std::string writeScratch(const std::string& name, const HogWriter& archive);
const std::string& demoPath();
const std::string& gamePath();
const std::string& carriersPath();  // three carriers

// A model to measure and the archive it is read from.
struct Subject {
    std::string archive;
    std::string model;
    int monitors = 1;  // side by side, frameWidth x frameHeight each, each its own model
    // Game-scale carriers of their own bitmaps in turn, instead of `model` at
    // every change: a change then uploads all its textures, as from one game
    // model to another. On two monitors the other monitor's carrier is never
    // the next one either.
    bool carriersInTurn = false;
    bool readAhead = true;  // false: every model read in its turn
};

struct DemoModel {
    std::string name;
    int32_t length;
};

// The demo archive's models, in table order.
const std::vector<DemoModel>& demoModels();
const std::string& largestDemoModel();

// Makes `path` the one archive of the search path, with its table.
void useArchive(const std::string& path);

// Writes every pixel of `pixels` once: what any decoder must add to reading
// the runs, for the reader's least cost.
inline void writeEveryPixel(std::vector<uint32_t>& pixels, uint32_t& value) {
    for (uint32_t& pixel : pixels) pixel = value++;
    benchmark::DoNotOptimize(pixels.data());
}

// What the saver drew with, for the summary.
extern std::string rendererName;
extern std::string glVersionName;

// The saver started on `subject`'s archive, showing its model at every change.
std::unique_ptr<OffscreenSaver> startSaver(const Subject& subject, bool mipmap = true);

// The renderer the memory figure was measured on, and whether it is one that
// compiles shaders (so its figure comes after a warm-up: see saver_bench.cpp).
extern std::string memoryRenderer;
bool compilesShaders();
constexpr int memoryWarmUpChanges = 2000;

// Registration, in the order the benchmarks run: the resident memory early,
// while the process is fresh.
void registerStartUpBenchmarks();
void registerFinderBenchmark();
void registerMemoryBenchmark();
void registerDecodeBenchmarks();
void registerReadBenchmarks(const std::vector<std::pair<std::string, Subject>>& subjects);
void registerTickBenchmarks(const std::vector<std::pair<std::string, Subject>>& subjects);
void registerGameStageBenchmarks();

}  // namespace bench
