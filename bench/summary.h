// The table kvss_bench ends with: every figure as the range of its medians over
// the passes run, beside its limit and whether that held in all of them.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace bench {

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

class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override;
    // Files the figures of one pass under their rows.
    void endPass();
    void printTable() const;

private:
    void add(const std::string& name, const Run& run);

    std::map<std::string, Run> chosen_;
    std::vector<std::string> order_;
    std::vector<SummaryRow> rows_;
    int passes_ = 0;
};

// The GL calls and draws of one steady frame of each model, counted by
// scripts/gl-calls.sh (apitrace through kvtool render), in each drawing mode.
void printGlCounts();

}  // namespace bench
