#include "bench/bench_table.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <utility>

#include "bench/limits.h"

namespace quorbelin::bench {
namespace {

// Wide enough for the longest row name,
// "fir32x64_complex/64x256 path_avx512_nogathers vs reference".
constexpr int workColumn = 66;

struct Stats {
    double median = 0.0;
    double min = 0.0;
    double max = 0.0;
};

std::optional<Stats> stats(const std::map<std::string, std::vector<double>>& values,
                           const std::string& name) {
    const auto found = values.find(name);
    if (found == values.end() || found->second.empty()) {
        return std::nullopt;
    }
    std::vector<double> v = found->second;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    const double median = n % 2 == 1 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
    return Stats{median, v.front(), v.back()};
}

// Seconds per sample as "1.23 ns (1.20-1.31)".
std::string timeText(const Stats& s) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f ns (%.2f-%.2f)", s.median * 1e9, s.min * 1e9,
                  s.max * 1e9);
    return text;
}

// How many times faster fast is than slow, with the spread from the
// extremes of both.
std::string ratioText(const Stats& fast, const Stats& slow) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2fx (%.2f-%.2f)", slow.median / fast.median,
                  slow.min / fast.max, slow.max / fast.min);
    return text;
}

// The straightforward forms a work's fast contender is set against.
std::vector<std::string> yardstick(const std::string& work) {
    return {work + "/baseline", work + "/reference"};
}

class Table {
public:
    Table(const std::map<std::string, std::vector<double>>& values, std::FILE* out)
        : values_(values), out_(out) {}

    // fast must be at least target times faster than slow (at most 1/target
    // times slower when target < 1: "within").
    void speedup(const std::string& what, const std::string& fastName,
                 const std::string& slowName, double target) {
        const auto fast = stats(values_, fastName);
        const auto slow = stats(values_, slowName);
        if (!fast || !slow) {
            row(what, "(not run)", "", "", "", target, false, true);
            return;
        }
        const double ratio = slow->median / fast->median;
        row(what, timeText(*fast), timeText(*slow), ratioText(*fast, *slow), "", target,
            ratio >= target, false);
    }

    // Against the fastest of the slow contenders present: the yardstick is
    // whichever straightforward form ran faster in this run.
    void speedupAgainstFastest(const std::string& what, const std::string& fastName,
                               const std::vector<std::string>& slowNames, double target) {
        std::string fastest = slowNames.front();
        for (const std::string& name : slowNames) {
            const auto candidate = stats(values_, name);
            const auto best = stats(values_, fastest);
            if (candidate && (!best || candidate->median < best->median)) {
                fastest = name;
            }
        }
        speedup(what + " vs " + fastest.substr(fastest.rfind('/') + 1), fastName, fastest, target);
    }

    void heading(const char* text) { std::fprintf(out_, "\n%s\n", text); }

    void note(const std::string& text) { std::fprintf(out_, "  %s\n", text.c_str()); }

    int missed() const { return missed_; }
    int notRun() const { return notRun_; }

private:
    void row(const std::string& what, const std::string& a, const std::string& b,
             const std::string& ratio, const std::string& /*unused*/, double target, bool holds,
             bool absent) {
        char targetText[32];
        std::snprintf(targetText, sizeof targetText, ">= %.2fx", target);
        std::fprintf(out_, "  %-*s %-26s %-26s %-24s %-9s %s\n", workColumn, what.c_str(),
                     a.c_str(), b.c_str(), ratio.c_str(), targetText,
                     absent ? "-" : holds ? "holds" : "MISSED");
        if (absent) {
            ++notRun_;
        } else if (!holds) {
            ++missed_;
        }
    }

    const std::map<std::string, std::vector<double>>& values_;
    std::FILE* out_;
    int missed_ = 0;
    int notRun_ = 0;
};

}  // namespace

void CollectingReporter::ReportRuns(const std::vector<Run>& reports) {
    for (const Run& run : reports) {
        if (run.run_type != Run::RT_Iteration || run.error_occurred) {
            continue;
        }
        const std::string& name = run.run_name.function_name;
        for (const char* counter : {"per_sample", bytesPerSecondCounter, multiplyAddsPerSecondCounter}) {
            const auto found = run.counters.find(counter);
            if (found != run.counters.end()) {
                values_[name].push_back(found->second.value);
            }
        }
    }
    ConsoleReporter::ReportRuns(reports);
}

int printTargetTable(const std::map<std::string, std::vector<double>>& values, std::FILE* out) {
    Table table(values, out);
    std::fprintf(out,
                 "\nTargets: medians of the repetitions in this run, CPU time per "
                 "output sample (min-max over the repetitions)\n");
    std::fprintf(out, "  %-*s %-26s %-26s %-24s %-9s %s\n", workColumn, "work: fast against",
                 "fast", "other", "speed-up (spread)", "target", "");

    const char* sizes[] = {"8x64", "64x256"};
    struct Target {
        const char* name;
        double baseline;       // real data, 8 x 64
        double baselineLarge;  // real data, 64 x 256
        double complexFactor;  // complex data: this share of the real target
        double peer;           // real and complex data
    };
    const Target works[] = {{"linear", 2.0, 2.0, 0.8, 4.0},
                            {"fir8x32", 2.2, 2.2, 0.8, 4.0},
                            {"fir32x64", 3.5, 4.0, 0.8, 4.0}};
    const std::pair<const char*, const char*> variants[] = {
        {"", "jumping delays"}, {"_sweep", "the slow sweep"}, {"_shuffled", "shuffled references"}};
    for (const auto& [suffix, what] : variants) {
        table.heading((std::string("Against the baseline and the peers: ") + what).c_str());
        for (const Target& work : works) {
            for (int i = 0; i < 2; ++i) {
                const double target = i == 0 ? work.baseline : work.baselineLarge;
                const std::string real = std::string(work.name) + "_real/" + sizes[i] + suffix;
                const std::string complex = std::string(work.name) + "_complex/" + sizes[i] + suffix;
                table.speedupAgainstFastest(real, real + "/fast",
                                            yardstick(real), target);
                table.speedupAgainstFastest(complex, complex + "/fast",
                                            yardstick(complex), work.complexFactor * target);
                // The peers read the same port as the block, shuffled
                // references included.
                if (std::string(work.name) == "linear") {
                    table.speedup(real + " vs stk", real + "/fast", real + "/stk", work.peer);
                } else {
                    table.speedup(real + " vs liquid", real + "/fast", real + "/liquid",
                                  work.peer);
                    table.speedup(complex + " vs liquid", complex + "/fast",
                                  complex + "/liquid", work.peer);
                }
            }
        }
    }

    table.heading("A whole 1 x 1 call (kivFunction, code 104) against the baseline's sample");
    for (const char* suffix : {"", "_sweep"}) {
        const std::string linear = std::string("linear_real/1x1") + suffix;
        const std::string fir = std::string("fir8x32_real/1x1") + suffix;
        table.speedupAgainstFastest(linear + " kiv104", linear + "/kiv104",
                                    yardstick(linear), 1.0 / 2.0);
        table.speedupAgainstFastest(fir + " kiv104", fir + "/kiv104", yardstick(fir),
                                    1.0 / 1.7);
    }

    table.heading("Every path forced on this CPU against the baseline");
    for (const char* path :
         {"path_avx512", "path_avx512_nogathers", "path_avx2", "path_portable"}) {
        for (const Target& work : works) {
            for (const char* kind : {"_real/", "_complex/"}) {
                for (const char* size : sizes) {
                    const std::string name = std::string(work.name) + kind + size;
                    if (values.count(name + "/" + path) == 0) {
                        continue;
                    }
                    table.speedupAgainstFastest(name + " " + path,
                                                name + "/" + path, yardstick(name), 1.0);
                }
            }
        }
    }

    table.heading("The baseline against the kernel as first written (reference); the faster of "
                  "the two is the yardstick above");
    for (const Target& work : works) {
        for (const char* kind : {"_real/", "_complex/"}) {
            for (const char* size : {"1x1", "8x64", "64x256"}) {
                const std::string name = std::string(work.name) + kind + size;
                const auto baselineStats = stats(values, name + "/baseline");
                const auto referenceStats = stats(values, name + "/reference");
                if (baselineStats && referenceStats) {
                    char text[160];
                    std::snprintf(text, sizeof text, "%-28s baseline %.2f ns, reference %.2f ns",
                                  name.c_str(), baselineStats->median * 1e9,
                                  referenceStats->median * 1e9);
                    table.note(text);
                }
            }
        }
    }

    table.heading("Where a 1 x 1 call goes (per call)");
    for (const char* work : {"linear_real/1x1", "fir8x32_real/1x1", "fir32x64_real/1x1"}) {
        const auto kernel = stats(values, std::string(work) + "/fast");
        const auto method = stats(values, std::string(work) + "/method104");
        const auto kiv = stats(values, std::string(work) + "/kiv104");
        const auto host = stats(values, std::string(work) + "/host104");
        if (kernel && method && kiv && host) {
            char text[256];
            std::snprintf(text, sizeof text,
                          // Signed: a difference within the noise may come out below 0.
                          "%-18s kernel %.1f ns; reads and checks %+.1f ns; dispatch "
                          "%+.1f ns; kivFunction call %.1f ns; the stand-in host's wrapper %+.1f ns",
                          work, kernel->median * 1e9, (method->median - kernel->median) * 1e9,
                          (kiv->median - method->median) * 1e9, kiv->median * 1e9,
                          (host->median - kiv->median) * 1e9);
            table.note(text);
        }
    }

    table.heading("The machine's limits (same binary)");
    const auto copy = stats(values, copyBandwidthBenchmark);
    const auto multiplyAdds = stats(values, multiplyAddBenchmark);
    if (copy && multiplyAdds) {
        char text[256];
        std::snprintf(text, sizeof text,
                      "copy bandwidth %.1f GB/s (bytes read + written); multiply-add throughput "
                      "%.2f G lane-operations/s",
                      copy->median * 1e-9, multiplyAdds->median * 1e-9);
        table.note(text);
        for (const char* size : sizes) {
            struct Floor {
                std::string name;
                double seconds;
            } floors[] = {
                {std::string("linear_real/") + size, linearBytesPerReal / copy->median},
                {std::string("linear_complex/") + size, linearBytesPerComplex / copy->median},
                {std::string("fir8x32_real/") + size, 8.0 / multiplyAdds->median},
                {std::string("fir32x64_real/") + size, 32.0 / multiplyAdds->median},
                {std::string("fir32x64_complex/") + size, 64.0 / multiplyAdds->median},
            };
            for (const Floor& floor : floors) {
                if (const auto fast = stats(values, floor.name + "/fast")) {
                    std::snprintf(text, sizeof text, "%-24s floor %.2f ns, fast %.2f ns: %.1fx the floor",
                                  floor.name.c_str(), floor.seconds * 1e9, fast->median * 1e9,
                                  fast->median / floor.seconds);
                    table.note(text);
                }
            }
        }
    }

    std::fprintf(out, "\n%d target(s) missed, %d not run.\n", table.missed(), table.notRun());
    return table.missed();
}

}  // namespace quorbelin::bench
