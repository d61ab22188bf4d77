#include "summary.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "bench_common.h"
#include "forge/game_scale_archive.h"

namespace bench {
namespace {

// "lo" or "lo-hi" at the figure's precision.
std::string range(const std::vector<std::vector<double>>& passes, size_t figure, int precision) {
    double lo = passes[0][figure], hi = lo;
    for (const auto& pass : passes) lo = std::min(lo, pass[figure]), hi = std::max(hi, pass[figure]);
    char low[32], high[32];
    std::snprintf(low, sizeof low, "%.*f", precision, lo);
    std::snprintf(high, sizeof high, "%.*f", precision, hi);
    return std::string(low) == high ? low : std::string(low) + "-" + high;
}

bool starts(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

}  // namespace

void SummaryReporter::ReportRuns(const std::vector<Run>& runs) {
    benchmark::ConsoleReporter::ReportRuns(runs);
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

void SummaryReporter::endPass() {
    for (const std::string& name : order_) add(name, chosen_.at(name));
    order_.clear();
    chosen_.clear();
    ++passes_;
}

void SummaryReporter::printTable() const {
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

void SummaryReporter::add(const std::string& name, const Run& run) {
    const double ms = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e3;
    auto counter = [&](const char* key) {
        auto found = run.counters.find(key);
        return found == run.counters.end() ? 0.0 : static_cast<double>(found->second);
    };
    SummaryRow row{.name = name};
    std::vector<double> figures;
    std::optional<bool> held;
    bool unjudged = false;  // a figure shown only to compare another with
    char limit[64];
    if (starts(name, "BM_OpenArchiveAndListModels")) {
        row.format = "%s ms", row.precision = {3}, figures = {ms};
    } else if (starts(name, "BM_FindGame")) {
        row.format = "%s ms (%s places looked at)", row.precision = {1, 0}, figures = {ms, counter("places")};
    } else if (starts(name, "BM_SaverStartUp")) {
        row.format = "%s ms", row.precision = {1}, figures = {ms};
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
        // Two monitors are one window, drawn in one tick: the same 10 ms.
        held = ms <= tickBudgetMs;
        if (!steady && name.find("(game scale)") != std::string::npos) {
            // At game scale a change also costs no more than about a frame.
            const double ofSteady = counter("steady_ms") > 0.0 ? ms / counter("steady_ms") : 0.0;
            row.format = "%s ms vs %s ms steady: %sx";
            row.precision = {2, 2, 2};
            figures = {ms, counter("steady_ms"), ofSteady};
            std::snprintf(limit, sizeof limit, "<= %.0f ms, <= %.1fx steady", tickBudgetMs, changeBudgetOfSteady);
            row.limit = limit;
            // Read in turn: the figure the reading ahead is measured against.
            const bool inTurn = name.find("/in_turn") != std::string::npos;
            if (inTurn) row.limit = "-";
            held = *held && ofSteady <= changeBudgetOfSteady;
            unjudged = inTurn;
        } else if (steady && name.find("(game scale)") != std::string::npos &&
                   name.find("on two monitors") == std::string::npos) {
            // At game scale the frame must also stay within a few empty frames.
            std::snprintf(limit, sizeof limit, "<= %.0f ms, <= %.0fx empty", tickBudgetMs, gameFrameBudgetOfEmpty);
            row.limit = limit;
            held = *held && ofEmpty <= gameFrameBudgetOfEmpty;
        }
    } else if (starts(name, "BM_GameChangeStage")) {
        row.format = "%s ms", row.precision = {2}, figures = {ms};
    } else if (starts(name, "BM_CarrierResidentMemory")) {
        row.format = memoryRenderer + ": %s KiB";
        row.precision = {0}, figures = {counter("rss_KiB")};
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
    const bool judged = held.has_value() && !unjudged;
    for (SummaryRow& existing : rows_)
        if (existing.name == name) {
            existing.passes.push_back(figures);
            if (judged) existing.heldEveryPass = existing.heldEveryPass && *held;
            return;
        }
    row.judged = judged;
    row.heldEveryPass = held.value_or(true);
    row.passes.push_back(figures);
    rows_.push_back(row);
}

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

}  // namespace bench
