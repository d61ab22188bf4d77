// kvss_bench: where the saver's time goes: archive start-up, model reading
// against raw reads, bitmap decoding, the model-change tick, steady frames and
// resident memory, for the demo models and for one model of the game's own
// size, whose change tick is also taken apart stage by stage. Each figure that
// has a limit carries it as a counter measured in the same loop, and the
// summary at the end gives every figure as the range of its medians over the
// passes run (`--kvss_passes`) and says whether its limit held in all of them.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "bench_common.h"
#include "forge/game_scale_archive.h"
#include "summary.h"

using namespace bench;

namespace {

// Every benchmark, in the order they run: memory while the process is fresh,
// then each demo model and the game-scale one.
void registerBenchmarks() {
    registerStartUpBenchmarks();
    registerFinderBenchmark();
    registerMemoryBenchmark();
    registerDecodeBenchmarks();
    std::vector<std::pair<std::string, Subject>> subjects;
    for (const DemoModel& model : demoModels()) {
        const std::string label = model.name == largestDemoModel() ? model.name + "(largest)" : model.name;
        subjects.push_back({label, {demoPath(), model.name}});
    }
    subjects.push_back({gameScaleModelName + "(game scale)", {gamePath(), gameScaleModelName}});
    registerReadBenchmarks(subjects);
    // The game-scale model also on two monitors, each its own: a change tick reads one of them.
    subjects.push_back({gameScaleModelName + "(game scale) on two monitors", {gamePath(), gameScaleModelName, 2}});
    registerTickBenchmarks(subjects);
    registerGameStageBenchmarks();
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
    registerBenchmarks();
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
