// The table `make bench` ends with: every target ratio measured in this run,
// from the medians of the repetitions, with the min-max spread.
#ifndef QUORBELIN_BENCH_BENCH_TABLE_H
#define QUORBELIN_BENCH_BENCH_TABLE_H

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace quorbelin::bench {

// Keeps the figures of every repetition while the console shows them.
class CollectingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& reports) override;

    // Per benchmark name, one value per repetition: seconds per output
    // sample, or the limit's rate.
    const std::map<std::string, std::vector<double>>& values() const { return values_; }

private:
    std::map<std::string, std::vector<double>> values_;
};

// Prints the table; returns the number of targets that do not hold.
int printTargetTable(const std::map<std::string, std::vector<double>>& values, std::FILE* out);

}  // namespace quorbelin::bench

#endif
