// The saver offscreen at 1280x720: the tick that changes the model, the
// steady frame, and resident memory over model changes.
#include <GL/gl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_common.h"
#include "forge/game_scale_archive.h"

namespace bench {
namespace {
constexpr int steadyTicksBeforeChange = 5;

// Destroy the old model, read the new one (or take it as read ahead), draw its
// first frame with the texture uploads: the tick that changes the model,
// finished on the renderer. Beside it, from the model's time on screen before
// the change: the ticks that sent the next model's textures up once it was
// read, and the steady frame.
void BM_ModelChangeTick(benchmark::State& state, Subject subject, bool mipmap) {
    auto saver = startSaver(subject, mipmap);
    double steadySeconds = 0.0;
    double uploadTickSeconds = 0.0;
    int64_t uploadTicks = 0;
    const auto timedTick = [&saver] {
        const auto start = Clock::now();
        saver->tickOnce();
        glFinish();
        return secondsSince(start);
    };
    for (auto _ : state) {
        state.PauseTiming();
        while (saver->saver().finishReadingAhead().uploadPending()) {
            uploadTickSeconds += timedTick();
            ++uploadTicks;
        }
        // The least of a few: the machine's other work comes and goes.
        double fastest = 1e9;
        for (int i = 0; i < steadyTicksBeforeChange; ++i) fastest = std::min(fastest, timedTick());
        steadySeconds += fastest;
        state.ResumeTiming();
        saver->saver().shiftModelStart(1000);  // its time is up: this tick changes the model
        state.SetIterationTime(timedTick());
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["steady_ms"] = steadySeconds / n * 1e3;
    if (uploadTicks > 0) {
        state.counters["upload_tick_ms"] = uploadTickSeconds / static_cast<double>(uploadTicks) * 1e3;
        state.counters["upload_ticks"] = static_cast<double>(uploadTicks) / n;
    }
    state.counters["budget_ms"] = tickBudgetMs;
}

// A tick that changes nothing, against clearing and finishing an empty frame.
void BM_SteadyFrame(benchmark::State& state, Subject subject) {
    auto saver = startSaver(subject);
    double emptySeconds = 0.0;
    for (auto _ : state) {
        // Keep the model on screen: its time never runs out.
        if (saver->secondsOnScreen() > 10.0f) saver->saver().shiftModelStart(-10);
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

double residentKiB() {
    std::FILE* file = std::fopen("/proc/self/statm", "r");
    long size = 0, resident = 0;
    if (file == nullptr || std::fscanf(file, "%ld %ld", &size, &resident) != 2) resident = 0;
    if (file != nullptr) std::fclose(file);
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1024.0;
}

// Resident memory over model changes. llvmpipe compiles and keeps
// shader code for every new combination of GL state it meets, and its
// rasteriser threads grow allocator arenas of their own that are kept: its
// resident size climbs for some 2000 changes and then moves in steps of tens
// of megabytes as a thread's arena grows. So on llvmpipe the figure is shown
// after a warm-up, for information, and the budget is judged on softpipe,
// which caches nothing and draws on the saver's own thread: there any growth
// is the saver's.
// Only a fresh process shows how the saver grows: later passes, and other
// memory benchmarks, would start from what the earlier ones left.
bool memoryMeasured = false;

void BM_ResidentMemory(benchmark::State& state) {
    bool& measured = memoryMeasured;
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
            saver->saver().shiftModelStart(1000);
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

// Resident memory with the carriers in turn, after some changes on llvmpipe:
// with the next carrier read ahead, held beside the one on screen, or with
// each read in its turn. Each needs a process of its own (the bench target
// runs them so).
void BM_CarrierResidentMemory(benchmark::State& state, bool readAhead) {
    if (memoryMeasured) {
        state.SkipWithError("measured first in a process only");
        for (auto _ : state) {
        }
        return;
    }
    memoryMeasured = true;
    for (auto _ : state) {
        Subject subject{gamePath(), gameScaleModelName};
        subject.carriersInTurn = true;
        subject.readAhead = readAhead;
        auto saver = startSaver(subject);
        memoryRenderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
        for (int i = 0; i < 20; ++i) {
            saver->saver().finishReadingAhead();
            saver->saver().shiftModelStart(1000);
            saver->tickOnce();
        }
        saver->saver().finishReadingAhead();
        glFinish();
        state.counters["rss_KiB"] = residentKiB();
    }
}

}  // namespace

void registerMemoryBenchmark() {
    benchmark::RegisterBenchmark("BM_ResidentMemory", BM_ResidentMemory)
        ->Iterations(1)
        ->Repetitions(1)
        ->Unit(benchmark::kMillisecond);
    for (bool readAhead : {true, false})
        benchmark::RegisterBenchmark(readAhead ? "BM_CarrierResidentMemory/read_ahead" : "BM_CarrierResidentMemory/in_turn",
                                     BM_CarrierResidentMemory, readAhead)
            ->Iterations(1)
            ->Repetitions(1)
            ->Unit(benchmark::kMillisecond);
}

void registerTickBenchmarks(const std::vector<std::pair<std::string, Subject>>& subjects) {
    for (const auto& [label, subject] : subjects) {
        const bool isGame = subject.archive == gamePath();
        for (bool readAhead : {true, false}) {
            if (!readAhead && !isGame) continue;
            for (bool mipmap : {true, false}) {
                if (!mipmap && !isGame) continue;
                Subject changing = subject;
                changing.carriersInTurn = isGame;
                changing.readAhead = readAhead;
                std::string suffix = isGame ? (mipmap ? "/mipmap" : "/no_mipmap") : "";
                if (isGame) suffix += readAhead ? "/read_ahead" : "/in_turn";
                benchmark::RegisterBenchmark(("BM_ModelChangeTick/" + label + suffix).c_str(), BM_ModelChangeTick,
                                             changing, mipmap)
                    ->UseManualTime()
                    ->Unit(benchmark::kMillisecond);
            }
        }
    }
    for (const auto& [label, subject] : subjects)
        benchmark::RegisterBenchmark(("BM_SteadyFrame/" + label).c_str(), BM_SteadyFrame, subject)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
}

}  // namespace bench
